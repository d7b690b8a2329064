#!/usr/bin/env bash
# How late does the window see the chip's bytes, on Linux or under Wine?
#
#   bench/echo-latency.sh linux|wine [SAMPLES] [PROGRAM]     (default 200 samples)
#
# Starts the window (Linux: build/default/app/tavolin offscreen; wine: build/windows/app/tavolin.exe
# on a virtual X server, or PROGRAM) with its port on a pseudo-terminal that echo-latency plays
# the chip on (bench/EchoLatency.cpp), and prints the median, 95th percentile and largest delay
# from a byte of the chip to the window's answer.  Build first (cmake --build --preset default
# --target echo-latency tavolin; tools/build-windows.sh for wine).
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
mode="${1:-linux}"
samples="${2:-200}"
bin=build/default
work=$(mktemp -d /tmp/tavolin-echo.XXXXXX)
tool_pid=""
win_pid=""
cleanup() {
  if [ -n "$win_pid" ]; then kill "$win_pid" 2>/dev/null || true; fi
  if [ -n "$tool_pid" ]; then kill "$tool_pid" 2>/dev/null || true; fi
  if [ "$mode" = wine ]; then WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true; fi
}
trap cleanup EXIT

"$bin/bench/echo-latency" --link-file "$work/link" --samples "$samples" >"$work/result" \
  2>"$work/tool.err" &
tool_pid=$!
for _ in $(seq 1 100); do [ -s "$work/link" ] && break; sleep 0.05; done
pty="$(cat "$work/link")"
printf '[Config]\r\nComNr=7\r\nFT232R=0\r\nAutoDis=0\r\nMsMoveOff=1\r\nBaudRate=0\r\n' >"$work/echo.ini"
case "$mode" in
  linux)
    TAVOLIN_COM7="$pty" QT_QPA_PLATFORM=offscreen "$bin/app/tavolin" "$work/echo.ini" \
      >"$work/tavolin.out" 2>"$work/tavolin.err" &
    win_pid=$!
    ;;
  wine)
    program="${3:-$root/build/windows/app/tavolin.exe}"
    # A prefix of its own, made once and kept under build/.
    prefix="$root/build/wine-bench"
    export TAVOLIN_WINE_X_PREFIX="$prefix"
    if [ ! -d "$prefix/dosdevices" ]; then
      TAVOLIN_WINEPREFIX="$prefix" tools/wine-run.sh cmd /c exit >/dev/null 2>&1 || true
    fi
    ln -sfn "$pty" "$prefix/dosdevices/com7"
    cp "$work/echo.ini" "$prefix/drive_c/echo.ini"
    tools/wine-x-run.sh "$program" 'C:\echo.ini' >"$work/tavolin.out" 2>"$work/tavolin.err" &
    win_pid=$!
    ;;
  *)
    echo "usage: bench/echo-latency.sh linux|wine [SAMPLES] [PROGRAM]" >&2
    exit 2
    ;;
esac
status=0
wait "$tool_pid" || status=$?
tool_pid=""
cat "$work/result"
if [ "$status" -ne 0 ]; then
  cat "$work/tool.err" >&2
  echo "see $work" >&2
fi
exit "$status"
