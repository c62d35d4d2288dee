#!/usr/bin/env python3
"""The stub programs' window on the demo medium: with window=1 a stub says
which program it stands for and shows the command line and working folder
it was given, away from the middle of the screen where the launcher's
windows lie, and ends (with its exit code) when its OK button is clicked;
without the setting, as on the test media, it shows nothing and ends by
itself."""
import shutil
import subprocess

import e2e_case
import harness
import korean_flow as kf
import make_medium

PROGRAM = "Run Sentova\\revuvez.exe"
ROLE = "Sentova lightweight virus scanner"
ARGUMENTS = ["http://update.ktr-sentova.example/LITE/snliteeng.zip"]
MAIN_MENU = (658, 334)
TIMEOUT = 60


class DemoStubTest(e2e_case.E2ECase):

    def place_stub(self, settings):
        medium = self.folder / "medium"
        copy = make_medium.windows_path(medium, PROGRAM)
        copy.parent.mkdir(parents=True)
        shutil.copy2(harness.setting("KTR_STUB"), copy)
        kf.configure_stub(medium, PROGRAM, log="stub.log", **settings)
        return medium, copy

    def start(self, medium, copy):
        process = self.prefix.start([copy, *ARGUMENTS], display=self.display, cwd=medium,
                                    log="stub.log")
        self.addCleanup(harness.end_process, process)
        return process, kf.StubLog(copy.parent / "stub.log")

    def stub_windows(self, probe):
        return [w for w in probe.windows() if w.image.lower().endswith("\\revuvez.exe")]

    def test_window_on_the_demo_medium(self):
        medium, copy = self.place_stub({"window": 1, "role": ROLE, "exit_code": 3})
        self.prefix.stop()
        process, log = self.start(medium, copy)
        probe = harness.Probe(self.prefix, self.display, "en_US.UTF-8")

        def shown():
            found = [w for w in self.stub_windows(probe) if w.top_level and w.visible]
            return found[0] if found else None
        window = harness.wait_until(shown, TIMEOUT, interval=0.5, what="the stub's window")
        self.screenshot("stub window")
        record = log.started()[0]
        self.assertEqual(log.ended(record["pid"]), [], "ended before its window was closed")

        texts = [w.text for w in self.stub_windows(probe) if w.parent == window.hwnd]
        self.assertEqual(window.text, b"revuvez.exe - KTR demo medium")
        self.assertIn(("revuvez.exe: " + ROLE).encode(), texts)
        self.assertIn(record["command_line"].encode("latin-1"), texts)
        self.assertIn(record["cwd"].encode("latin-1"), texts)
        self.assertIn(ARGUMENTS[0].encode(), record["command_line"].encode("latin-1"))

        # Clear of the centred main menu, so that it never hides the menu.
        width, height = self.display.size
        menu = ((width - MAIN_MENU[0]) // 2, (height - MAIN_MENU[1]) // 2, *MAIN_MENU)
        left, top, w, h = window.rect
        overlap = (left < menu[0] + menu[2] and menu[0] < left + w and
                   top < menu[1] + menu[3] and menu[1] < top + h)
        self.assertFalse(overlap, "stub window %s over the main menu %s" % (window.rect, menu))
        self.assertLessEqual(left + w, width)
        self.assertLessEqual(top + h, height)

        ok = [w for w in self.stub_windows(probe)
              if w.parent == window.hwnd and w.class_name.lower() == "button"]
        self.assertEqual([b.text for b in ok], [b"OK"])
        self.display.click(ok[0].rect[0] + ok[0].rect[2] // 2, ok[0].rect[1] + ok[0].rect[3] // 2)
        try:
            self.assertEqual(process.wait(TIMEOUT), 3)
        except subprocess.TimeoutExpired:
            self.fail("the stub did not end after OK")
        self.assertEqual(log.ended(record["pid"])[0]["exit_code"], "3")

    def test_windowless_on_the_test_medium(self):
        medium, copy = self.place_stub({"exit_code": 4})
        self.prefix.stop()
        process, log = self.start(medium, copy)
        try:
            self.assertEqual(process.wait(TIMEOUT), 4)
        except subprocess.TimeoutExpired:
            self.fail("a stub without window=1 did not end by itself")
        record = log.started()[0]
        self.assertEqual(len(log.ended(record["pid"])), 1)


if __name__ == "__main__":
    e2e_case.main()
