#!/usr/bin/env bash
# Runs every benchmark program of the native build (build/native/bench/*/),
# one after the other; each prints its own table of medians and ratios
# against the baselines it measures in the same run, and one "goal:" line per
# performance goal it measures. The goal lines of every program are repeated
# at the end as the summary, closed by "N goals met, N not met". Arguments are
# passed to every program (e.g. --benchmark_repetitions=9).
set -uo pipefail
cd "$(dirname "$0")/.."

bench_dir=${KESTRO_BENCH_DIR:-build/native/bench}
if [ ! -d "$bench_dir" ]; then
  echo "bench: $bench_dir is missing; build the native preset first (make bench does)" >&2
  exit 1
fi

log=$(mktemp)
trap 'rm -f "$log"' EXIT

status=0
found=0
while IFS= read -r program; do
  found=1
  printf '\n=== %s\n' "${program#"$bench_dir"/}"
  "$program" --benchmark_color=false "$@" | tee -a "$log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
done < <(find "$bench_dir" -mindepth 2 -maxdepth 2 -type f -executable -name '*_bench' | sort)

if [ "$found" -eq 0 ]; then
  echo "bench: no benchmark programs under $bench_dir" >&2
  exit 1
fi

printf '\n=== goals\n'
grep '^goal: ' "$log"
met=$(grep -c '^goal: .*: met$' "$log")
not_met=$(grep -c '^goal: .*: not met$' "$log")
echo "$met goals met, $not_met not met"
exit "$status"
