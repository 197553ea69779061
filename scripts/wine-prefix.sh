#!/usr/bin/env bash
# Creates a fresh, quiet 64-bit Wine prefix at $1 (removed first when present).
#
#   scripts/wine-prefix.sh PREFIX [N=LINKPATH ...]
#
# Every N=LINKPATH registers port COMN as the Unix path LINKPATH. LINKPATH need
# not exist yet: Wine resolves it when a program opens the port, so a test only
# has to point LINKPATH (a symlink) at a fresh pty, with no registry change and
# no wineserver restart while other tests run. Only registered numbers are safe
# to use: Wine also maps every /dev/ttyS* of the machine to a COM number.
set -euo pipefail
if [ $# -lt 1 ] || [ -z "$1" ]; then
  echo "usage: $0 PREFIX [N=LINKPATH ...]" >&2
  exit 2
fi
prefix="$1"
shift

# Check every registration before the old prefix is removed.
ports=()
for arg in "$@"; do
  if [[ ! "$arg" =~ ^([1-9][0-9]{0,2})=(/.+)$ ]] || [ "${BASH_REMATCH[1]}" -gt 255 ]; then
    echo "bad port registration '$arg': expected N=/absolute/link/path with N from 1 to 255" >&2
    exit 2
  fi
  ports+=("$arg")
done

export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
log="$prefix.stderr.log"

create_prefix() {
  rm -rf "$prefix"
  mkdir -p "$(dirname "$prefix")"
  wineboot -i >"$log" 2>&1 || true
  wineserver -w
  test -f "$prefix/system.reg" || { echo "wine prefix $prefix was not created, see $log" >&2; return 1; }

  # For the window end-to-end test under Xvfb: Wine's own fonts (the dialog
  # font among them) where its programs look for them, and windows that Wine
  # manages itself, so that they are drawn with their caption and vanish at once
  # when closed although no window manager runs.
  if [ -d /usr/share/wine/fonts ]; then
    cp -f /usr/share/wine/fonts/* "$prefix/drive_c/windows/Fonts/" 2>>"$log" || true
  fi
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >>"$log" 2>&1 ||
    { echo "could not set the X11 driver options in $prefix, see $log" >&2; return 1; }

  # Wine makes the user's Desktop, Documents and the like links to the home
  # folder of this machine's user; folders of their own keep what a test
  # writes there (the log file in Documents among it) inside the prefix.
  for link in "$prefix"/drive_c/users/*/*; do
    if [ -L "$link" ]; then
      rm -f "$link"
      mkdir -p "$link"
    fi
  done
}

# Now and then wineboot leaves a prefix without its 32-bit helpers, and the
# first program run in it fails; a second prefix built from scratch works.
create_prefix || { wineserver -k 2>/dev/null || true; create_prefix; } || exit 1

if [ ${#ports[@]} -gt 0 ]; then
  for entry in "${ports[@]}"; do
    number=${entry%%=*}
    link=${entry#*=}
    wine reg add 'HKLM\Software\Wine\Ports' /v "COM$number" /t REG_SZ /d "$link" /f >>"$log" 2>&1 ||
      { echo "could not register COM$number in $prefix, see $log" >&2; exit 1; }
  done
  # Wine's device manager reads the port table when it starts, so restart the
  # server once here rather than in every test, and let one program run so
  # that the device manager rewrites the port links before any test opens a
  # port: until then a low number can still lead to a tty of this machine.
  wineserver -k || true
  wineserver -w
  wine cmd /c exit >>"$log" 2>&1 || true
  wineserver -w
  for entry in "${ports[@]}"; do
    number=${entry%%=*}
    link=${entry#*=}
    actual=$(readlink "$prefix/dosdevices/com$number" || true)
    if [ "$actual" != "$link" ]; then
      echo "COM$number of $prefix leads to '${actual:-nothing}', not to $link" >&2
      exit 1
    fi
  done
fi
