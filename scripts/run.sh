#!/usr/bin/env bash
# Builds the Linux program and starts it. Port n is ports/comN beside the
# executable when that exists, else the fixed device table of the README.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux --target quorvant -j "$(nproc)"
exec build/linux/src/linux/quorvant "$@"
