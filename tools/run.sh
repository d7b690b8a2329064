#!/usr/bin/env bash
# Sets everything up and starts Tavolin.
#
#   tools/run.sh                      the simulated chip on a pseudo-terminal, Tavolin connected
#   tools/run.sh --p2                 a simulated Propeller 2 instead: a P2 program is loaded into
#                                     it at start-up and its demo shown at 2,000,000 baud
#   tools/run.sh --port /dev/ttyUSB0  a real adapter instead (any further arguments go to tavolin)
#   tools/run.sh -- ARGS...           no simulated chip; tavolin started with ARGS as they are
#
# The simulated chip is reached as COM6, the port a first start opens; with a real adapter COM6 is
# pointed at the device named after --port.  Without a display (no DISPLAY or WAYLAND_DISPLAY)
# the window is opened on a virtual X server (Xvfb), which is only useful for screenshots.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target tavolin tavolin-sim

bin=build/default
port_device=""
use_sim=1
p2=0
args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --port) port_device="$2"; use_sim=0; shift 2 ;;
    --p2) p2=1; shift ;;
    --) shift; use_sim=0; args=("$@"); break ;;
    *) args+=("$1"); shift ;;
  esac
done

sim_pid=""
cleanup() { if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; fi; }
trap cleanup EXIT

if [ "$use_sim" = 1 ]; then
  link=$(mktemp -u /tmp/tavolin-sim.XXXXXX)
  mkdir -p "$bin/sim-images"
  sim_args=(--link-file "$link" --write-images "$bin/sim-images")
  if [ "$p2" = 1 ]; then sim_args+=(--chip p2); fi
  "$bin/tools/tavolin-sim" "${sim_args[@]}" >/dev/null &
  sim_pid=$!
  for _ in $(seq 1 100); do [ -s "$link" ] && break; sleep 0.05; done
  port_device=$(cat "$link")
  rm -f "$link"
  echo "Simulated chip on $port_device (COM6); images to upload: $bin/sim-images/sim-demo.binary, .eeprom"
fi
if [ -n "$port_device" ]; then export TAVOLIN_COM6="$port_device"; fi
if [ "$p2" = 1 ] && [ "$use_sim" = 1 ]; then
  # COM6 at 2,000,000 baud, and the P2 program loaded once the port is open.
  ini="$bin/sim-images/p2.ini"
  printf '[Config]\r\nComNr=6\r\nFT232R=0\r\nAutoDis=0\r\nMsMoveOff=1\r\nBaudRate=0\r\nTermBaud=2000000\r\n' >"$ini"
  args=("$ini" -A "$bin/sim-images/sim-demo-p2.binary")
  echo "Simulated P2: $bin/sim-images/sim-demo-p2.binary is loaded at start-up"
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting Tavolin on a virtual X server (xvfb-run)."
  exec_cmd=(xvfb-run -a -s "-screen 0 1280x1024x24")
else
  exec_cmd=()
fi
"${exec_cmd[@]}" "$bin/app/tavolin" "${args[@]}"
