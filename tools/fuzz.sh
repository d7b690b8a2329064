#!/usr/bin/env bash
# Runs the libFuzzer targets of fuzz/ (clang), each for RUNS inputs (default 1000000) or at most
# SECONDS (default 120), whichever ends first, as many targets at a time as there are cores,
# starting from the seed corpus in fuzz/corpus/<target>/.
# The search runs in a build with the undefined-behaviour sanitizer alone (preset fuzz-search):
# the address sanitizer's checks on every pixel the display fuzzer draws would halve its rate.
# Then every input the search kept, and the seeds, run once more in the build with both
# sanitizers (preset fuzz), so each path the search found is also checked for memory faults.
# Inputs grow up to 4 KB: the fuzzer starts short and lengthens its inputs whenever it runs out
# of new paths, here twice as fast as libFuzzer's default, so that a run of a million inputs
# reaches 4 KB about half way through.  The display fuzzer, the slowest, runs about 30,000
# inputs a second while they are short and 9,000 to 15,000 over a whole run of a million,
# as the inputs it keeps draw more or less.
# New inputs stay in a scratch folder; a crashing input is kept as
# build/fuzz/findings/<target>-crash-... and the script fails.  Each target's line says how many
# inputs it ran, how fast, how long they grew, what it covered, and how many kept inputs the
# second build checked.
# Usage: tools/fuzz.sh [SECONDS [RUNS]]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-120}"
runs="${2:-1000000}"
tools/install-deps.sh
for preset in fuzz-search fuzz; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
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
  # -runs=0: each input of the folders once, and no search.
  if [ "$rc" = 0 ]; then
    "build/fuzz/fuzz/fuzz_$target" -runs=0 -max_len=4096 -rss_limit_mb=4096 -timeout=10 \
      -artifact_prefix="$findings/$target-checked-" \
      "$work/$target" "fuzz/corpus/$target" >"$work/$target.check.log" 2>&1 || rc=$?
    [ "$rc" = 0 ] || cat "$work/$target.check.log" >>"$work/$target.log"
  fi
  echo "$rc" >"$work/$target.rc"
}

targets=()
for program in build/fuzz-search/fuzz/fuzz_*; do
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
  checked="$(sed -nE 's/^Done ([0-9]+) runs.*/\1/p' "$work/$target.check.log" | tail -1)"
  printf '%-16s %8s inputs in %4ss (%6s/s), up to %5s bytes, cov: %s, ft: %s, %s checked\n' \
    "$target" "$executed" "${time_taken:-?}" "$rate" "${longest:-?}" "$cov" "$features" \
    "${checked:-?}"
done
exit "$status"
