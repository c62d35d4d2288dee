#!/usr/bin/env python3
"""Screenshots of the main menu on the demo medium under Wine, in each of
the four languages: the menu at rest and with each of its six entries
highlighted by the real pointer, each picture cut to the window.

Every highlighted picture is compared with the one at rest: an entry whose
picture did not change, or a content panel that stayed the same for one of
the four entries that explain themselves there, fails the run, so that a
skin whose highlight cannot be seen does not pass unnoticed.

At a display scale other than 100 % (--dpi) only the Korean menu is taken,
its files named with the scale ("ko-main-0-normal@200.png").

Usage: main_menu_gallery.py --programs BUILD --out FOLDER --work FOLDER [--dpi N]
"""
import subprocess
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
sys.path.insert(0, str(HERE.parent / "tools"))
import harness  # noqa: E402
import korean_flow  # noqa: E402
import make_medium  # noqa: E402

# (LANG, short name for the files)
LANGUAGES = [("ko_KR.UTF-8", "ko"), ("en_US.UTF-8", "en"), ("ja_JP.UTF-8", "ja"),
             ("zh_CN.UTF-8", "zh")]
# (file name part, client-relative rectangle, whether the content panel
# explains the entry), in Tag order.
ENTRIES = [
    ("manual", (438, 138, 172, 24), True),
    ("scan", (438, 169, 172, 24), True),
    ("client", (438, 199, 172, 24), True),
    ("server", (438, 230, 172, 24), True),
    ("browse", (438, 260, 172, 24), False),
    ("exit", (490, 291, 67, 28), False),
]
CONTENT = (44, 140, 358, 143)
BACKGROUND_POINT = (20, 20)
TIMEOUT = 120


def crop(screen_png, window, target):
    left, top, width, height = window.client
    subprocess.run(["convert", str(screen_png), "-crop", "%dx%d+%d+%d" % (width, height, left, top),
                    "+repage", str(target)], check=True, timeout=60, stdin=subprocess.DEVNULL)


def scaled(rect, dpi):
    """A layout rectangle on a display of that scale, through its edges."""
    def px(v):
        return (v * dpi + 48) // 96
    left, top, width, height = rect
    return (px(left), px(top), px(left + width) - px(left), px(top + height) - px(top))


def region(image, rect):
    left, top, width, height = rect
    return [image.pixel(x, y) for y in range(top, top + height) for x in range(left, left + width)]


class MenuGallery:
    def __init__(self, walk, out, short, dpi=96):
        self.walk = walk
        self.out = Path(out)
        self.short = short
        self.dpi = dpi
        self.suffix = harness.scale_suffix(dpi)
        self.written = []
        self.problems = []

    def shoot(self, main, name):
        """Saves the window's area of the screen as <lang>-main-<name>.png and
        returns it as an image."""
        self.walk.settle(1.0)
        full = self.out / ("%s-main-%s%s.full.png" % (self.short, name, self.suffix))
        self.walk.display.screenshot(full)
        target = self.out / ("%s-main-%s%s.png" % (self.short, name, self.suffix))
        crop(full, main, target)
        full.unlink()
        self.written.append(target)
        print("  %s" % target, flush=True)
        return harness.Image.from_png(target)

    def run(self, main):
        self.walk.move(main, BACKGROUND_POINT)
        normal = self.shoot(main, "0-normal")
        for number, (name, rect, explains) in enumerate(ENTRIES, 1):
            # Over the background first: the highlight latch lets one entry
            # light up at a time.
            self.walk.move(main, BACKGROUND_POINT)
            self.walk.settle()
            self.walk.move(main, korean_flow.image_point(rect))
            lit = self.shoot(main, "%d-%s" % (number, name))
            if region(lit, scaled(rect, self.dpi)) == region(normal, scaled(rect, self.dpi)):
                self.problems.append("%s: the %s entry looks the same highlighted"
                                     % (self.short, name))
            content = scaled(CONTENT, self.dpi)
            if explains and region(lit, content) == region(normal, content):
                self.problems.append("%s: the content panel does not change for %s"
                                     % (self.short, name))
        self.walk.move(main, BACKGROUND_POINT)


def main(argv=None):
    programs, work, out, dpi = harness.gallery_setting(__doc__.split("\n")[0], argv)
    languages = LANGUAGES if dpi == 96 else LANGUAGES[:1]
    missing = [lang for lang, _ in languages if not harness.locale_available(lang)]
    if missing:
        raise SystemExit("locales not generated: %s (run scripts/setup.sh)" % ", ".join(missing))

    medium = make_medium.build(work / "medium", programs / "ktr_stub.exe", style="demo",
                               launcher=programs / "KtrSetup.exe")
    prefix = harness.fresh_prefix(work / "prefix")
    prefix.set_dpi(dpi)

    problems = []
    display = harness.Display(harness.screen_for(dpi))
    try:
        for lang, short in languages:
            print("main menu, %s:" % lang, flush=True)
            # A fresh server per language: nothing of the last one stays.
            prefix.stop()
            launcher = harness.Launcher(prefix, display, medium, lang, drive="d")
            try:
                walk = korean_flow.Walk(launcher, display, timeout=TIMEOUT, dpi=dpi)
                main_window = walk.window("TMainForm")
                gallery = MenuGallery(walk, out, short, dpi)
                gallery.run(main_window)
                problems += gallery.problems
                if not launcher.probe.close(main_window):
                    raise harness.HarnessError("the main menu did not take the close request")
                launcher.wait_for_exit()
            finally:
                launcher.close()
    finally:
        prefix.stop()
        display.close()
    for problem in problems:
        print("PROBLEM: %s" % problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
