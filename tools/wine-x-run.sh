#!/usr/bin/env bash
# Runs a Windows program that opens windows under Wine on a virtual X server of its own:
# wine-x-run.sh PROG [ARGS].  The exit code is the program's.
#
# Such programs get a Wine prefix of their own (TAVOLIN_WINE_X_PREFIX, by default build/wine-x
# under the source tree), whose server and services are started on that X server and ended with
# it: the prefix of tools/wine-run.sh serves programs without a display, and Wine's services keep
# the display they were started with.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
export TAVOLIN_WINEPREFIX="${TAVOLIN_WINE_X_PREFIX:-$here/../build/wine-x}"
status=0
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$here/wine-run.sh" "$@" || status=$?
WINEPREFIX="$TAVOLIN_WINEPREFIX" wineserver -k >/dev/null 2>&1 || true
exit "$status"
