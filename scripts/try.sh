#!/usr/bin/env bash
# Try the program without hardware: it starts with its COM1 on one end of a
# virtual null-modem cable (a pty pair), and this terminal is the other end.
# What you type here arrives in the window; what you type in the window
# appears here. Ctrl+] here, or closing the window (Alt+X), ends both.
#
#   scripts/try.sh [quorvant binary]
#
# Without a binary the Linux program is built first (as scripts/run.sh does).
# The program runs as a copy in a scratch folder with a setup file of its own
# (COM1, 115200,E,8,1, English help) and the cable as ports/com1, so your own
# setup file and ports/ are left alone; the folder goes when the try ends.
# The cable is a pty: it never touches a serial device of this machine.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

binary=
case ${1:-} in
  -h|--help) sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
  "") ;;
  *) binary=$(realpath "$1") ;;
esac
if [ -z "$binary" ]; then
  scripts/install-deps.sh
  cmake --preset linux >/dev/null
  cmake --build --preset linux --target quorvant -j "$(nproc)"
  binary=$root/build/linux/src/linux/quorvant
fi
[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] ||
  { echo "try: no display; start it from a desktop terminal" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/quorvant-try.XXXXXX")
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/ports"
cp "$binary" "$work/quorvant"
printf '%s\r\n' '==[ SETUP FILE FOR QUORVANT ]==' '' '[RS232]' 'COMPORT=1' 'COMBAUD=115200' \
  'COMPARI=E' 'COMBITS=8' 'COMSTOP=1' '' '[HELP]' 'LANGUAGE=E' >"$work/quorvant.ini"

cat <<TEXT
try: the window's COM1 is one end of a virtual null-modem cable; this
terminal is the other end. Type here and it appears in the window; type in
the window and it appears here. Ctrl+] here or Alt+X in the window ends it.
(folder $work)
TEXT
# The far end starts the program once the cable is in place, so the window
# finds its COM1 at once instead of greeting the user with a port error.
python3 "$root/tools/far_end.py" "$work/ports/com1" "$work/quorvant"
echo
echo "try: ended"
