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
exec python3 scripts/run_demo.py --programs build/win --medium build/demo-medium \
  --prefix build/demo-prefix --screenshot build/demo-screenshot.png
