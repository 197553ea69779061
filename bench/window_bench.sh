#!/usr/bin/env bash
# The Linux program's figures on a display: CPU idle and under streams of
# 115200, 921600 and 4,000,000 baud (with its X server's), key-to-pty latency
# at the first two with the window's thread traced by perf (--no-trace
# leaves it out), start-up against a bare Qt window, memory growth. Each
# build runs on a private Xvfb with COM1 on a pty of its own; give two builds
# to compare them in one run.
#   bench/window_bench.sh [--seconds S] [--starts N] [--rounds N] [--floor-clock]
#                         [--profile DIR] [--no-trace] [--minimal PATH] [[LABEL=]BINARY...]
# Without a binary it builds the program and the bare window (preset linux).
set -euo pipefail
cd "$(dirname "$0")/.."
options=()
minimal=
while [ $# -gt 0 ]; do
  case "$1" in
    --minimal) minimal=$2; shift 2 ;;
    --seconds|--starts|--rounds|--profile) options+=("$1" "$2"); shift 2 ;;
    --floor-clock|--no-trace) options+=("$1"); shift ;;
    *) break ;;
  esac
done
binaries=("$@")
if [ ${#binaries[@]} -eq 0 ] || [ -z "$minimal" ]; then
  scripts/install-deps.sh
  cmake --preset linux >/dev/null
  cmake --build --preset linux --target quorvant minimal_qt_window -j "$(nproc)"
  [ ${#binaries[@]} -gt 0 ] || binaries=(build/linux/src/linux/quorvant)
  [ -n "$minimal" ] || minimal=build/linux/bench/minimal_qt_window
fi
# The system's interpreter: python3-xlib is a Debian package.
exec /usr/bin/python3 bench/window_bench.py "${options[@]}" --minimal "$minimal" "${binaries[@]}"
