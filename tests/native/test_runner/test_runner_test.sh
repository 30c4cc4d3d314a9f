#!/usr/bin/env bash
# Runs scripts/test.sh in a scratch tree whose cmake and ctest are stand-ins
# (any preset's build can be made to fail), whose set-up scripts do nothing
# and whose e2e suite only records that it ran. A build folder from an
# earlier run is there, as on a developer's machine.
set -u
runner=$1
failures=0

fail() {
  echo "FAIL: $1"
  sed 's/^/  output: /' "$tree/out"
  failures=$((failures + 1))
}

# run FAILING_PRESET: test.sh in a fresh tree where that preset fails to build.
# The stand-ins' own variables expand when they run, not here.
# shellcheck disable=SC2016
run() {
  tree=$(mktemp -d)
  mkdir -p "$tree/scripts/testbed" "$tree/tests/e2e" "$tree/bin" "$tree/build/windows/dist"
  cp "$runner" "$tree/scripts/test.sh"
  printf '#!/bin/sh\nexit 0\n' >"$tree/scripts/deps.sh"
  printf '#!/bin/sh\nexit 0\n' >"$tree/scripts/testbed/down.sh"
  printf '#!/bin/sh\nmkdir -p build/testbed && : >build/testbed/env.sh\n' >"$tree/scripts/testbed/up.sh"
  printf '#!/bin/sh\necho "e2e with $KESTRO_WIRE" >>"%s/ran"\necho "3 passed in 1.0s"\n' "$tree" \
    >"$tree/tests/e2e/run.sh"
  # Both tools find the preset after --preset; cmake fails for the chosen one.
  printf '#!/bin/bash\nwhile [ $# -gt 0 ] && [ "$1" != --preset ]; do shift; done\n[ "$2" != "%s" ]\n' "$1" \
    >"$tree/bin/cmake"
  printf '#!/bin/bash\nshift\necho "ctest $1" >>"%s/ran"\necho "100%% tests passed, 0 tests failed out of 2"\n' \
    "$tree" >"$tree/bin/ctest"
  chmod +x "$tree"/scripts/*.sh "$tree"/scripts/testbed/*.sh "$tree/tests/e2e/run.sh" "$tree"/bin/*
  touch "$tree/ran"
  PATH="$tree/bin:$PATH" bash "$tree/scripts/test.sh" >"$tree/out" 2>&1
  status=$?
}

expect_ran() { grep -qxF "$1" "$tree/ran" || fail "$2: $1 did not run"; }
expect_not_ran() { ! grep -q "^$1" "$tree/ran" || fail "$2: $1 ran"; }
expect_line() { grep -qxF "$1" "$tree/out" || fail "$2: no line \"$1\""; }

run windows
expect_not_ran "ctest windows-wine" "failed windows build"
expect_not_ran "e2e" "failed windows build"
expect_ran "ctest fuzz" "failed windows build"
expect_line "ctest --preset windows-wine not run: the windows build failed" "failed windows build"
expect_line "the e2e suite not run: the windows build failed" "failed windows build"
expect_line "8 passed, 3 failed" "failed windows build"
[ "$status" -ne 0 ] || fail "failed windows build: exit status 0"
rm -rf "$tree"

run native
expect_not_ran "ctest native$" "failed native build"
expect_not_ran "e2e" "failed native build"
expect_ran "ctest windows-wine" "failed native build"
expect_line "ctest --preset native not run: the native build failed" "failed native build"
expect_line "8 passed, 3 failed" "failed native build"
rm -rf "$tree"

run none
expect_ran "e2e with $tree/build/native/tools/kestro-wire/kestro-wire" "every build"
expect_line "13 passed, 0 failed" "every build"
[ "$status" -eq 0 ] || fail "every build: exit status $status"
rm -rf "$tree"

[ "$failures" -eq 0 ] && echo "all passed"
[ "$failures" -eq 0 ]
