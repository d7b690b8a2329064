#!/usr/bin/env bash
# Does the window keep up with a chip that prints without pause at 2,000,000 baud?
#
#   bench/stream-window.sh [SECONDS] [RATE] [linux|wine]   (defaults: 10 s at 2000000, linux)
#
# Starts tavolin-sim as a Propeller 2 with --stream, and the windowed tavolin (offscreen) with the
# terminal at RATE and the demo P2 program as Autoload.  Once the program runs, the simulated chip
# prints numbered lines at the wire rate (200,000 bytes/s at 2,000,000 baud) for SECONDS and
# notes how many bytes went out and the most that ever waited because the window had not read the
# pseudo-terminal yet (on a real link those bytes would have been lost).  With wine, the window is
# build/windows/app/tavolin.exe under Wine on a virtual X server, its COM port a link to the
# pseudo-terminal in a Wine prefix of its own (build/wine-bench).  Build first (cmake --build
# --preset default --target tavolin tavolin-sim; tools/build-windows.sh for wine).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-10}"
rate="${2:-2000000}"
mode="${3:-linux}"
root="$PWD"
bin=build/default
prefix="$root/build/wine-bench"
work=$(mktemp -d /tmp/tavolin-stream.XXXXXX)
sim_pid=""
win_pid=""
cleanup() {
  if [ -n "$win_pid" ]; then kill "$win_pid" 2>/dev/null || true; fi
  if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; fi
  if [ "$mode" = wine ]; then WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true; fi
}
trap cleanup EXIT

"$bin/tools/tavolin-sim" --chip p2 --stream "$seconds" --no-clock --write-images "$work" \
  --link-file "$work/link" >/dev/null 2>"$work/sim.err" &
sim_pid=$!
for _ in $(seq 1 100); do [ -s "$work/link" ] && break; sleep 0.05; done
printf '[Config]\r\nComNr=6\r\nFT232R=0\r\nAutoDis=0\r\nMsMoveOff=1\r\nBaudRate=0\r\nTermBaud=%s\r\n' \
  "$rate" >"$work/stream.ini"
if [ "$mode" = wine ]; then
  export TAVOLIN_WINE_X_PREFIX="$prefix"
  if [ ! -d "$prefix/dosdevices" ]; then
    TAVOLIN_WINEPREFIX="$prefix" tools/wine-run.sh cmd /c exit >/dev/null 2>&1 || true
  fi
  ln -sfn "$(cat "$work/link")" "$prefix/dosdevices/com6"
  windows_work="Z:${work//\//\\}"
  tools/wine-x-run.sh build/windows/app/tavolin.exe "$windows_work\\stream.ini" -A \
    "$windows_work\\sim-demo-p2.binary" >"$work/tavolin.out" 2>"$work/tavolin.err" &
else
  TAVOLIN_COM6="$(cat "$work/link")" QT_QPA_PLATFORM=offscreen \
    "$bin/app/tavolin" "$work/stream.ini" -A "$work/sim-demo-p2.binary" \
    >"$work/tavolin.out" 2>"$work/tavolin.err" &
fi
win_pid=$!
limit=$((seconds + 30))
for _ in $(seq 1 $((limit * 10))); do
  if grep -q 'stream: .* bytes in' "$work/sim.err"; then break; fi
  sleep 0.1
done
grep 'P2 ROM\|stream:' "$work/sim.err" || { echo "no stream result; see $work" >&2; exit 1; }
# The processor time each side used (tavolin first), for a figure of the margin.
ps -o comm=,cputime=,etime= -p "$win_pid" -p "$sim_pid" || true
