#!/usr/bin/env bash
# Builds everything and runs every test: the native unit and contract tests,
# then the shipped i686 build's release checks, contract, toolkit and
# end-to-end tests under Wine; ctest's summary closes the output. The x86_64
# build is compiled only, to keep the sources clean for 64 bits. Exits
# non-zero when a build or a test of any run fails.
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"

started=$SECONDS
bash scripts/setup.sh || exit 1

build build/native || exit 1
build build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake || exit 1
build build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake || exit 1
echo "== built in $((SECONDS - started)) s"

# Each build folder gets its own ctest run (one run over several would mix
# their properties up); every run's result counts.
failed=0
run_ctest() {
  local began=$SECONDS
  echo "== testing $*"
  ctest --test-dir "$@" --output-on-failure -j "$jobs" --timeout 1500 || failed=1
  echo "== $1 tested in $((SECONDS - began)) s"
}
run_ctest build/native
run_ctest build/win
echo "== whole run: $((SECONDS - started)) s"
exit $failed
