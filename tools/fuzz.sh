#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ (clang, address and undefined-behaviour sanitizers) and
# runs each for SECONDS (default 60), starting from the seed corpus in fuzz/corpus/<target>/.
# New inputs the fuzzer finds stay in a scratch folder; a crashing input is kept as
# build/fuzz/findings/<target>-crash-... and the script fails.  Usage: tools/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
tools/install-deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
findings="build/fuzz/findings"
mkdir -p "$findings"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
status=0
for program in build/fuzz/fuzz/fuzz_*; do
  [ -f "$program" ] && [ -x "$program" ] || continue
  target="${program##*/fuzz_}"
  mkdir -p "$work/$target"
  log="$work/$target.log"
  if "$program" -max_total_time="$seconds" -rss_limit_mb=4096 -timeout=10 \
      -artifact_prefix="$findings/$target-" "$work/$target" "fuzz/corpus/$target" >"$log" 2>&1; then
    done_line="$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1)"
    runs="$(sed -E 's/^#([0-9]+).*/\1/' <<<"$done_line")"
    cov="$(sed -E 's/.*cov: ([0-9]+).*/\1/' <<<"$done_line")"
    features="$(sed -E 's/.*ft: ([0-9]+).*/\1/' <<<"$done_line")"
    printf '%-16s %10s executions in %ss, cov: %s, ft: %s\n' "$target" "$runs" "$seconds" "$cov" \
      "$features"
  else
    echo "$target: FINDING (input kept in $findings/)"
    tail -n 60 "$log"
    status=1
  fi
done
exit "$status"
