#!/usr/bin/env bash
# Runs every benchmark program of the native build (build/native/bench/*/),
# one after the other; each prints its own table of medians and ratios
# against the baselines it measures in the same run, and one "goal:" line per
# performance goal it measures. Then, unless BENCH=native, the measurements
# under the Wine test bed (bench/wine/): kestro.exe's start-up against a
# minimal Win32 program, and its resident memory over BENCH_WINE_SECONDS
# (default 600) of chunk events. The goal lines of every part are repeated
# at the end as the summary, closed by "N goals met, N not met". Arguments
# are passed to every native program (e.g. --benchmark_repetitions=9).
#
# The Wine part needs kestro.exe (the windows preset; make bench builds it)
# and runs on a bed of its own, build/bench-testbed, brought up and down
# here, with the bed's loopback shim, so that chunks carry the tone.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 2

which=${BENCH:-all}
bench_dir=${KESTRO_BENCH_DIR:-build/native/bench}
if [ ! -d "$bench_dir" ]; then
  echo "bench: $bench_dir is missing; build the native preset first (make bench does)" >&2
  exit 1
fi
case $which in
  all | native) ;;
  *) echo "bench: BENCH=$which: expected all or native" >&2; exit 2 ;;
esac

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

# The helpers of bench/wine/, built into build/bench-wine/.
build_wine_helpers() {
  local out=build/bench-wine
  mkdir -p "$out" &&
    gcc -std=c11 -O2 -Wall -Wextra -Wpedantic -Werror -o "$out/window_shown_watch" \
      bench/wine/window_shown_watch.c -lX11 &&
    x86_64-w64-mingw32-gcc-posix -std=c11 -O2 -Wall -Wextra -Wpedantic -Werror -municode -mwindows \
      -static-libgcc -o "$out/minimal_window.exe" bench/wine/minimal_window.c &&
    x86_64-w64-mingw32-gcc-posix -std=c11 -O2 -Wall -Wextra -Wpedantic -Werror -municode \
      -static-libgcc -o "$out/desktop_holder.exe" bench/wine/desktop_holder.c
}

run_wine() {
  local kestro=${KESTRO_DIST_DIR:-build/windows/dist}/kestro.exe
  if [ ! -f "$kestro" ]; then
    echo "bench: $kestro is missing; build the windows preset first (make bench does)"
    return 1
  fi
  build_wine_helpers || return 1
  export KESTRO_TESTBED_DIR=$PWD/build/bench-testbed
  KESTRO_TESTBED_WINE_LOOPBACK=0 scripts/testbed/up.sh || return 1
  # shellcheck source=/dev/null
  source "$KESTRO_TESTBED_DIR/env.sh"
  local result=0
  printf '\n=== start-up under Wine\n'
  /usr/bin/python3 bench/wine/startup_bench.py build/bench-wine "${BENCH_WINE_STARTUP_RUNS:-21}" || result=1
  printf '\n=== resident memory under Wine\n'
  local seconds=${BENCH_WINE_SECONDS:-600}
  KESTRO_TONE_HZ=440 KESTRO_TONE_AMPLITUDE=0.25 KESTRO_TONE_SECONDS=$((seconds + 120)) \
    tests/windows/audio/with_tone.sh /usr/bin/python3 bench/wine/memory_bench.py "$seconds" || result=1
  return $result
}

if [ "$which" = all ]; then
  run_wine 2>&1 | tee -a "$log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  KESTRO_TESTBED_DIR=$PWD/build/bench-testbed scripts/testbed/down.sh >/dev/null 2>&1
fi

printf '\n=== goals\n'
grep '^goal: ' "$log"
met=$(grep -c '^goal: .*: met$' "$log")
not_met=$(grep -c '^goal: .*: not met$' "$log")
echo "$met goals met, $not_met not met"
exit "$status"
