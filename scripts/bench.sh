#!/usr/bin/env bash
# Runs every benchmark program of the native build (build/native/bench/*/),
# one after the other; each prints its own table of medians and ratios
# against the baselines it measures in the same run. Arguments are passed to
# every program (e.g. --benchmark_filter=Map).
set -uo pipefail
cd "$(dirname "$0")/.."

bench_dir=${KESTRO_BENCH_DIR:-build/native/bench}
if [ ! -d "$bench_dir" ]; then
  echo "bench: $bench_dir is missing; build the native preset first (make bench does)" >&2
  exit 1
fi

status=0
found=0
while IFS= read -r program; do
  found=1
  printf '\n=== %s\n' "${program#"$bench_dir"/}"
  "$program" --benchmark_color=false "$@" || status=1
done < <(find "$bench_dir" -mindepth 2 -maxdepth 2 -type f -executable -name '*_bench' | sort)

if [ "$found" -eq 0 ]; then
  echo "bench: no benchmark programs under $bench_dir" >&2
  exit 1
fi
exit "$status"
