#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's own scratch prefix: wine-run.sh PROG [ARGS]
# The build runs its Windows tools through this, ctest its Windows tests, and the end-to-end
# tests tavolin.exe.  The exit code is the program's.
#
# The prefix (TAVOLIN_WINEPREFIX, by default build/wine under the source tree) is made on first
# use.  Before a program runs, the wine server and the prefix's services are started here with
# their output going to a log: started by the program itself they would inherit its standard
# output, and whoever waits for that pipe to close would wait until the server quits.  The server
# quits by itself a few seconds after the last program has ended.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
export WINEPREFIX="${TAVOLIN_WINEPREFIX:-$here/../build/wine}"
export WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export HOME="$WINEPREFIX/home"
mkdir -p "$HOME"
log="$WINEPREFIX/server.log"
{
  flock 9
  # A prefix is made when its system folder holds kernel32.dll.  One left half made (a boot cut
  # short, or a dosdevices folder made before the boot) is made anew.
  if [ ! -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ]; then
    wineserver -k >>"$log" 2>&1 </dev/null 9>&- || true
    rm -rf "$WINEPREFIX"
    mkdir -p "$HOME"
    wineboot --init >>"$log" 2>&1 </dev/null 9>&-
    # Without a window manager Wine draws the caption itself; closing is then quick.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$log" 2>&1 </dev/null 9>&-
    # A program that crashes ends with its exit code instead of waiting in the debugger.
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d '' /f \
      >>"$log" 2>&1 </dev/null 9>&-
    wineserver -w 9>&-
  fi
  # wineserver exits with 2 when the prefix's server already runs, 0 when it has started one.
  # Neither the server nor the services may inherit the lock, or they would hold it until they
  # quit.
  if wineserver -p5 >>"$log" 2>&1 </dev/null 9>&-; then
    wine wineboot.exe >>"$log" 2>&1 </dev/null 9>&-
  fi
} 9>"$WINEPREFIX.lock"
exec wine "$@"
