#!/usr/bin/env bash
# Builds and runs every test: the Linux build (unit, pty, Qt offscreen and
# end-to-end tests), the Windows cross build under Wine (the same core tests,
# the Win32 layer and the .exe end to end), the fuzz smoke runs, the unit and
# pty tests under ASan and UBSan, and the threads under ThreadSanitizer.
set -u
cd "$(dirname "$0")/.."
root=$(pwd)
start=$(date +%s)

scripts/install-deps.sh || { echo "dependency installation failed" >&2; exit 1; }

jobs=$(nproc)
summary=()
failed_stages=0
passed_total=0
failed_total=0

# junit_counts FILE: "PASSED FAILED" of a ctest JUnit report; "0 0" when
# there is none. A test that did not run counts as failed, as ctest has it.
junit_counts() {
  python3 - "$1" <<'PY'
import sys
import xml.etree.ElementTree as ET

try:
    cases = list(ET.parse(sys.argv[1]).getroot().iter("testcase"))
except (OSError, ET.ParseError):
    cases = []
failed = sum(1 for case in cases
             if case.get("status") in ("fail", "notrun") or case.find("failure") is not None)
print(len(cases) - failed, failed)
PY
}

# stage NAME PRESET [environment assignments...]
stage() {
  local name=$1 preset=$2
  shift 2
  local log="$root/build/$preset-ctest.log" junit="$root/build/$preset-junit.xml"
  echo "=== $name ==="
  if ! cmake --preset "$preset" >/dev/null || ! cmake --build --preset "$preset" -j "$jobs"; then
    echo "=== $name: build failed ==="
    summary+=("$name: build failed")
    failed_stages=$((failed_stages + 1))
    failed_total=$((failed_total + 1))
    return
  fi
  rm -f "$junit"
  env "$@" ctest --preset "$preset" --output-junit "$junit" 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  local passed failed total
  read -r passed failed < <(junit_counts "$junit")
  total=$((passed + failed))
  passed_total=$((passed_total + passed))
  failed_total=$((failed_total + failed))
  if [ "$rc" -ne 0 ] || [ "$total" -eq 0 ]; then
    failed_stages=$((failed_stages + 1))
    [ "$failed" -eq 0 ] && failed_total=$((failed_total + 1))
    summary+=("$name: $passed of $total passed (ctest exit $rc)")
  else
    summary+=("$name: $passed of $total passed")
  fi
}

stage "Linux" linux

# A fresh Wine prefix per run; Wine's own output goes to a file beside it.
# Registered COM ports, each a link path that a test points at its own pty:
#   COM1  -> $wineprefix-com1   (the main window's end-to-end tests)
#   COM2  -> $wineprefix-com2   (the same test, after it changed the port)
#   COM20 -> $wineprefix-com20  (channel tests), COM21 and COM22 (the two ends
#   of the link demo's cable), COM23 (unplug)
wineprefix="$root/build/windows-wineprefix"
if scripts/wine-prefix.sh "$wineprefix" 1="$wineprefix-com1" 2="$wineprefix-com2" \
  20="$wineprefix-com20" 21="$wineprefix-com21" 22="$wineprefix-com22" 23="$wineprefix-com23"; then
  stage "Windows under Wine" windows WINEPREFIX="$wineprefix"
  WINEPREFIX="$wineprefix" wineserver -k 2>/dev/null || true
else
  summary+=("Windows under Wine: no Wine prefix")
  failed_stages=$((failed_stages + 1))
  failed_total=$((failed_total + 1))
fi

stage "Fuzz smoke runs" fuzz

# The core's unit and pty tests once more, under AddressSanitizer and
# UndefinedBehaviorSanitizer.
stage "Sanitizers" sanitize

# The serial channel's thread beside the window's: the pty tests and one run
# of the program, under ThreadSanitizer. Qt's libraries are not built with
# it, so only what the project's own code does is checked (the preset's
# ignore_noninstrumented_modules): Qt's own threads synchronise in code the
# sanitizer cannot see and would only give false reports.
stage "ThreadSanitizer" tsan

echo
echo "=== Summary ($(( $(date +%s) - start )) s) ==="
for s in "${summary[@]}"; do echo "  $s"; done
echo "$passed_total passed, $failed_total failed"
[ "$failed_stages" -eq 0 ]
