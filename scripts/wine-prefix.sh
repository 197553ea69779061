#!/usr/bin/env bash
# Creates a fresh, quiet 64-bit Wine prefix at $1 (removed first when present).
set -euo pipefail
prefix="$1"
rm -rf "$prefix"
mkdir -p "$(dirname "$prefix")"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineboot -i >"$prefix.stderr.log" 2>&1 || true
wineserver -w
test -f "$prefix/system.reg" || { echo "wine prefix $prefix was not created, see $prefix.stderr.log" >&2; exit 1; }
