"""A unittest base for the end-to-end tests: each test gets the run's prefix
reset to its fresh state, the Windows version it asks for, its own Xvfb and
its own work folder; whatever it started is ended afterwards."""
import os
import re
import shutil
import unittest
import unittest.mock
from pathlib import Path

import harness

# Styles that give a window a frame or a title bar.
WS_CAPTION = 0x00C00000
WS_BORDER = 0x00800000
WS_DLGFRAME = 0x00400000
WS_THICKFRAME = 0x00040000
WS_EX_DLGMODALFRAME = 0x00000001
WS_EX_CLIENTEDGE = 0x00000200
WS_EX_WINDOWEDGE = 0x00000100


class E2ECase(unittest.TestCase):
    version = "winxp"
    # The display scale Wine reports, in dots per inch (96 is 100 %).
    dpi = 96

    def setUp(self):
        name = "%s.%s" % (type(self).__name__, self._testMethodName)
        self.folder = harness.work_dir() / "tests" / re.sub(r"[^\w.]+", "_", name)
        if self.folder.exists():
            shutil.rmtree(self.folder)
        self.folder.mkdir(parents=True)
        self.prefix = harness.Prefix()
        self.prefix.reset()
        self.addCleanup(self.prefix.stop)
        if self.dpi != 96:
            self.prefix.set_dpi(self.dpi)
        self.display = harness.Display(harness.screen_for(self.dpi))
        self.addCleanup(self.display.close)
        self.screens = 0

    def route_stub_logs(self, log):
        """Every stub copy reports to log (a StubLog) unless its INI says
        otherwise, for the rest of the test."""
        patch = unittest.mock.patch.dict(os.environ, {"KTR_STUB_LOG": log.windows_path})
        patch.start()
        self.addCleanup(patch.stop)
        return log

    def use_version(self, version, lang):
        self.prefix.set_version(version, lang)
        # The setting is read when a process starts; a clean server start
        # also makes sure nothing of another language stays running.
        self.prefix.stop()

    def start_launcher(self, lang, medium=None, version=None, drive="d"):
        if not harness.locale_available(lang):
            self.fail("the locale %s is not generated: run scripts/setup.sh" % lang)
        self.use_version(version or self.version, lang)
        medium = medium or self.medium()
        launcher = harness.Launcher(self.prefix, self.display, medium, lang, drive=drive)
        self.addCleanup(launcher.close)
        return launcher

    def medium(self, name="medium", **options):
        return harness.full_medium(self.folder / name, **options)

    def screenshot(self, name=None):
        self.screens += 1
        return self.display.screenshot(self.folder / ("%02d-%s.png" % (self.screens,
                                                                        name or "screen")))

    def assertFrameless(self, window):
        self.assertEqual(window.style & (WS_CAPTION | WS_BORDER | WS_DLGFRAME | WS_THICKFRAME), 0,
                         "style %08x has a frame or title bar" % window.style)
        self.assertEqual(window.exstyle & (WS_EX_DLGMODALFRAME | WS_EX_CLIENTEDGE |
                                           WS_EX_WINDOWEDGE), 0,
                         "extended style %08x has an edge" % window.exstyle)
        self.assertEqual(window.rect, window.client, "the window is larger than its client area")


def main():
    if not os.environ.get("KTR_E2E_DIR"):
        raise SystemExit("run the end-to-end tests through ctest (they need the built programs)")
    unittest.main(verbosity=2)
