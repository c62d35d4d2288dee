#!/usr/bin/env bash
# Builds the launcher, lays out the demo medium in build/demo-medium with
# KtrSetup.exe in its root, and starts it there under Wine: on your display
# when DISPLAY is set (close the launcher to end), otherwise on a private
# Xvfb that is ended again. Either way a screenshot is written once the
# launcher has drawn, and its path is printed.
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"

bash scripts/setup.sh || exit 1
build build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake || exit 1
programs=build/win
if ! host_runs_win32; then
  echo "== this host cannot execute 32-bit x86 code: the demo runs an x86_64 build"
  build build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake || exit 1
  programs=build/win64
fi
exec python3 scripts/run_demo.py --programs "$programs" --medium build/demo-medium \
  --prefix build/demo-prefix --screenshot build/demo-screenshot.png
