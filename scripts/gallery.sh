#!/usr/bin/env bash
# Screenshots of the launcher's windows: the real program under Wine on the
# demo medium, each picture cut to its window, as PNG files in build/gallery/.
# KTR_GALLERY_PROGRAMS names a build folder to take the programs from (it
# must have been built already); without it the Windows build is made first,
# as for the demo.
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"

programs=${KTR_GALLERY_PROGRAMS:-}
if [ -z "$programs" ]; then
  bash scripts/setup.sh || exit 1
  build build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake || exit 1
  programs=build/win
fi
out=build/gallery
mkdir -p "$out"
failed=0

# The client installation menu, the Ghost window and the notice dialog.
echo "== Korean installation windows"
python3 e2e/korean_flow.py gallery --programs "$programs" --out "$out" \
  --work build/gallery-work/korean || failed=1

# The main menu in each language, at rest and with each entry highlighted.
echo "== main menu in four languages"
python3 e2e/main_menu_gallery.py --programs "$programs" --out "$out" \
  --work build/gallery-work/main-menu || failed=1

echo "== pictures in $out"
exit $failed
