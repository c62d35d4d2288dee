#!/usr/bin/env python3
"""Starts KtrSetup.exe on the demo medium under Wine (see run-demo.sh)."""
import argparse
import os
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "e2e"))
sys.path.insert(0, str(ROOT / "tools"))


class UserDisplay:
    """The display the user runs on; nothing to start or end."""

    def __init__(self, name):
        self.name = name
        self.size = None

    def screenshot(self, png):
        import harness
        return harness.Display.screenshot(self, png)

    def env(self):
        return dict(os.environ, DISPLAY=self.name)

    def close(self):
        pass


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--programs", required=True, help="build folder with KtrSetup.exe")
    parser.add_argument("--medium", required=True)
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--screenshot", required=True)
    parser.add_argument("--lang", default=os.environ.get("LANG") or "en_US.UTF-8")
    args = parser.parse_args()

    programs = (ROOT / args.programs).resolve()
    prefix_root = (ROOT / args.prefix).resolve()
    wine64 = (programs / "CMakeCache.txt").exists() and \
        "mingw-x86_64" in (programs / "CMakeCache.txt").read_text()
    os.environ.update(
        KTR_E2E_DIR=str(prefix_root.parent / "demo-work"),
        KTR_LAUNCHER=str(programs / "KtrSetup.exe"),
        KTR_STUB=str(programs / "ktr_stub.exe"),
        KTR_PROBE=str(programs / "ktr_probe.exe"),
        KTR_WINE="/usr/lib/wine/wine64" if wine64 else "wine",
        KTR_WINEARCH="win64" if wine64 else "win32")
    import harness
    import make_medium

    medium = make_medium.build(ROOT / args.medium, programs / "ktr_stub.exe", style="demo",
                               launcher=programs / "KtrSetup.exe")
    print("demo medium: %s" % medium)

    prefix = harness.Prefix(prefix_root)
    if not prefix.ready():
        print("making the Wine prefix %s (once; this takes a while)" % prefix.root)
        prefix.create()
    prefix.stop()
    lang = args.lang if harness.locale_available(args.lang) else "en_US.UTF-8"

    display = UserDisplay(os.environ["DISPLAY"]) if os.environ.get("DISPLAY") \
        else harness.Display()
    try:
        launcher = harness.Launcher(prefix, display, medium, lang, drive="d")
        try:
            launcher.wait_for_window("TMainForm", timeout=180)
            time.sleep(2)  # let it finish painting
            shot = Path(ROOT / args.screenshot).resolve()
            display.screenshot(shot)
            print("screenshot: %s" % shot)
            if isinstance(display, UserDisplay):
                print("the launcher runs on %s; close it to end" % display.name)
                launcher.process.wait()
        finally:
            launcher.close()
    finally:
        prefix.stop()
        display.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
