#!/usr/bin/env bash
# Runs a Windows executable under Wine for ctest: Wine's own messages go to a
# file so that the test's output stays readable; the exit code is the program's.
set -u
export WINEDEBUG=-all
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEPREFIX="${WINEPREFIX:-${HOME}/.quorvant-wine}"
log="${QUORVANT_WINE_LOG:-${WINEPREFIX}.stderr.log}"
exec wine "$@" 2>>"$log"
