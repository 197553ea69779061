#!/usr/bin/env bash
# Builds the Linux program and starts it. Port n is ports/comN beside the
# executable when that exists, else the fixed device table of the README.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --run
# The tests and benchmarks need packages that only scripts/test.sh installs;
# scripts/test.sh's own configure switches them on again.
cmake --preset linux -DQUORVANT_TESTS=OFF -DQUORVANT_BENCH=OFF >/dev/null
cmake --build --preset linux --target quorvant -j "$(nproc)"
exec build/linux/src/linux/quorvant "$@"
