#!/usr/bin/env bash
# Builds everything and runs every test: the native unit and contract tests,
# then the Windows build's checks, contract tests and end-to-end tests under
# Wine; ctest's summary closes the output. Exits non-zero when a build or a
# test of any run fails.
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"

bash scripts/setup.sh || exit 1

build build/native || exit 1
build build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake || exit 1
if host_runs_win32; then
  wine_build=build/win
else
  echo "== this host cannot execute 32-bit x86 code: the tests under Wine use an x86_64 build"
  build build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake || exit 1
  wine_build=build/win64
fi

# The same test names live in several build folders, so each folder gets its
# own ctest run (one run over all would mix their properties up). The run
# of the tests under Wine comes last; every run's result counts.
failed=0
run_ctest() {
  echo "== testing $*"
  ctest --test-dir "$@" --output-on-failure -j "$jobs" --timeout 1500 || failed=1
}
run_ctest build/native
if [ "$wine_build" = build/win ]; then
  run_ctest build/win
else
  run_ctest build/win -LE wine
  run_ctest build/win64 -L wine
fi
exit $failed
