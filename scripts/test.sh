#!/usr/bin/env bash
# Builds everything and runs every test: the native unit and contract tests,
# then the Windows build's checks, contract tests and end-to-end tests under
# Wine, all in one ctest run whose summary closes the output. Exits non-zero
# when a build or a test fails.
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"

bash scripts/setup.sh || exit 1

build build/native || exit 1
build build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake || exit 1
subdirs='"native" "win"'
if ! host_runs_win32; then
  echo "== this host cannot execute 32-bit x86 code: the tests under Wine use an x86_64 build"
  build build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake || exit 1
  subdirs="$subdirs \"win64\""
fi

# One ctest run over all build folders, so that one summary counts them all.
cat >build/CTestTestfile.cmake <<EOF
# Written by scripts/test.sh: every build folder's tests in one run.
subdirs($subdirs)
EOF
echo "== testing"
ctest --test-dir build --output-on-failure -j "$jobs" --timeout 1500
