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

# The Korean main menu and installation windows on displays scaled to 150 %
# and 200 % (file names end in "@150" and "@200").
for dpi in 144 192; do
  echo "== Korean windows at $((dpi * 100 / 96)) %"
  python3 e2e/main_menu_gallery.py --programs "$programs" --out "$out" --dpi $dpi \
    --work build/gallery-work/main-menu-$dpi || failed=1
  python3 e2e/korean_flow.py gallery --programs "$programs" --out "$out" --dpi $dpi \
    --work build/gallery-work/korean-$dpi || failed=1
done

echo "== pictures in $out"
exit $failed
