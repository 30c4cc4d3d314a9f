#!/usr/bin/env bash
# Builds every preset and runs every test suite; ends with one line
# "N passed, N failed" over all of them.
set -uo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
passed=0
failed=0
log_dir=build/test-logs
mkdir -p "$log_dir"

stage() { printf '\n=== %s\n' "$*"; }

build() {
  local preset=$1
  stage "build $preset"
  if ! { cmake --preset "$preset" >"$log_dir/configure-$preset.log" 2>&1 &&
         cmake --build --preset "$preset" -j "$jobs" >"$log_dir/build-$preset.log" 2>&1; }; then
    tail -n 40 "$log_dir/configure-$preset.log" "$log_dir/build-$preset.log"
    echo "build of $preset failed"
    failed=$((failed + 1))
    return 1
  fi
}

# Runs ctest for a preset and adds its counts to the totals.
run_ctest() {
  local preset=$1
  shift
  stage "test $preset"
  local parallel=(-j "$jobs")
  [ "$preset" = windows-wine ] && parallel=()  # one Wine program at a time
  ctest --preset "$preset" "${parallel[@]}" "$@" 2>&1 | tee "$log_dir/ctest-$preset.log" | grep -vE '^ +Start |Test +#[0-9]+: .* Passed' || true
  local summary total bad
  summary=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log_dir/ctest-$preset.log" | tail -n 1)
  if [ -z "$summary" ] && grep -q 'No tests were found' "$log_dir/ctest-$preset.log"; then
    echo "(no tests in $preset yet)"
    return
  fi
  if [ -z "$summary" ]; then
    echo "ctest for $preset printed no summary"
    failed=$((failed + 1))
    return
  fi
  bad=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$summary")
  total=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$summary")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
}

# Runs the UI peer's pytest suite and adds its counts to the totals.
run_pytest() {
  stage "test e2e (pytest)"
  KESTRO_E2E_REQUIRE_BED=1 tests/e2e/run.sh 2>&1 | tee "$log_dir/pytest.log" | tail -n 30
  local summary count
  summary=$(grep -E '^(=+ )?[0-9]+ (passed|failed|error)' "$log_dir/pytest.log" | tail -n 1)
  if [ -z "$summary" ]; then
    echo "pytest printed no summary"
    failed=$((failed + 1))
    return
  fi
  count() { grep -oE "[0-9]+ $1" <<<"$summary" | grep -oE '[0-9]+' || echo 0; }
  passed=$((passed + $(count passed)))
  failed=$((failed + $(count failed) + $(count error)))
}

# Presets built in this run. A suite runs only on what this run built, never
# on what an earlier build left in build/.
declare -A built=()

# True when every preset named was built in this run; otherwise `suite` is
# reported as not run and counted as failed.
built_for() {
  local suite=$1 preset
  shift
  for preset in "$@"; do
    if [ -z "${built[$preset]:-}" ]; then
      echo "$suite not run: the $preset build failed"
      failed=$((failed + 1))
      return 1
    fi
  done
}

scripts/deps.sh || { echo "0 passed, 1 failed"; exit 1; }

for preset in native native-asan native-tsan fuzz windows; do
  build "$preset" && built[$preset]=1
  case "$preset" in
    native|native-asan|native-tsan|fuzz) built_for "ctest --preset $preset" "$preset" && run_ctest "$preset" ;;
  esac
done

# The Windows build runs under Wine in a private test bed (Xvfb, PulseAudio,
# Wine prefix), torn down whatever happens. The e2e suite also runs this
# run's kestro-wire, not one left in another build folder.
run_wine=
run_e2e=
built_for "ctest --preset windows-wine" windows && run_wine=1
built_for "the e2e suite" windows native && run_e2e=1
if [ -n "$run_wine$run_e2e" ]; then
  stage "Wine test bed"
  trap 'scripts/testbed/down.sh >/dev/null 2>&1' EXIT
  if scripts/testbed/up.sh; then
    # shellcheck disable=SC1091
    . build/testbed/env.sh
    [ -n "$run_wine" ] && run_ctest windows-wine
    [ -n "$run_e2e" ] && KESTRO_WIRE=$PWD/build/native/tools/kestro-wire/kestro-wire run_pytest
  else
    echo "the Wine test bed did not come up"
    failed=$((failed + 1))
  fi
fi

echo
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
