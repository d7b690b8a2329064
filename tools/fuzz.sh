#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ (clang, address and undefined-behaviour sanitizers) and
# runs each for RUNS inputs (default 1000000) or at most SECONDS (default 120), whichever ends
# first, as many targets at a time as there are cores, starting from the seed corpus in
# fuzz/corpus/<target>/.  Inputs grow up to 4 KB: the fuzzer starts short and lengthens its
# inputs whenever it runs out of new paths, here twice as fast as libFuzzer's default, so that a
# run of a million inputs reaches 4 KB about two thirds of the way through.  Longer inputs cost
# more: the display fuzzer runs about 18,000 inputs a CPU-second while they are short and about
# 5,000 over a whole run of a million; all five targets' million take about 5 minutes on 2 cores.
# New inputs the fuzzer finds stay in a scratch folder; a crashing input is kept as
# build/fuzz/findings/<target>-crash-... and the script fails.  Each target's line says how many
# inputs it ran, how fast, how long they grew, and what it covered.
# Usage: tools/fuzz.sh [SECONDS [RUNS]]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-120}"
runs="${2:-1000000}"
tools/install-deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
findings="build/fuzz/findings"
mkdir -p "$findings"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

fuzz_one() {
  local program="$1" target="$2"
  mkdir -p "$work/$target"
  local rc=0
  "$program" -runs="$runs" -max_total_time="$seconds" -max_len=4096 -len_control=50 \
    -rss_limit_mb=4096 -timeout=10 -artifact_prefix="$findings/$target-" \
    "$work/$target" "fuzz/corpus/$target" >"$work/$target.log" 2>&1 || rc=$?
  echo "$rc" >"$work/$target.rc"
}

targets=()
for program in build/fuzz/fuzz/fuzz_*; do
  [ -f "$program" ] && [ -x "$program" ] || continue
  target="${program##*/fuzz_}"
  targets+=("$target")
  while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do wait -n || true; done
  fuzz_one "$program" "$target" &
done
wait

status=0
for target in "${targets[@]}"; do
  log="$work/$target.log"
  done_line="$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1 || true)"
  if [ "$(cat "$work/$target.rc")" != 0 ] || [ -z "$done_line" ]; then
    echo "$target: FINDING (input kept in $findings/)"
    tail -n 60 "$log"
    status=1
    continue
  fi
  executed="$(sed -E 's/^#([0-9]+).*/\1/' <<<"$done_line")"
  rate="$(sed -E 's/.*exec\/s: ([0-9]+).*/\1/' <<<"$done_line")"
  cov="$(sed -E 's/.*cov: ([0-9]+).*/\1/' <<<"$done_line")"
  features="$(sed -E 's/.*ft: ([0-9]+).*/\1/' <<<"$done_line")"
  longest="$(sed -nE 's/.*lim: ([0-9]+).*/\1/p' <<<"$done_line")"
  time_taken="$(sed -nE 's/^Done [0-9]+ runs in ([0-9]+) second.*/\1/p' "$log" | tail -1)"
  printf '%-16s %8s inputs in %4ss (%6s/s), up to %5s bytes, cov: %s, ft: %s\n' "$target" \
    "$executed" "${time_taken:-?}" "$rate" "${longest:-?}" "$cov" "$features"
done
exit "$status"
