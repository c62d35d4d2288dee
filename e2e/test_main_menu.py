#!/usr/bin/env python3
"""The main menu's entries under Wine, clicked with the real pointer, with
stub programs in place of the installers and the scanner: which program each
entry starts, with which command line, whether the main window hides while
an installer is waited for, when the extra program is offered, and what the
shell is asked to open and explore.

The launcher is started as a shortcut with another working folder would
start it: the program from a folder of its own, the medium (mapped as drive
D:) as its current directory. Everything on the medium must then come from
D:\\, and only the browse entry may name the program's own folder.

What the shell did is seen from outside:
- the manual: the prefix associates ".txt" (the demo and test media's
  manual) with a stub outside the medium, whose record names the document
  it was given;
- the browse entry: Wine's shell answers "explore" on a folder with its
  explorer, whose window is titled with the name of the folder it shows; the
  program folder has a name found nowhere else, and the launch folder (the
  root of D:) would be titled " (D:)".
"""
import shutil
import time

import e2e_case
import harness
import korean_flow as kf
import make_medium

ENGLISH = "en_US.UTF-8"
KOREAN = "ko_KR.UTF-8"

# Client-relative rectangles of the main menu's entries.
ENTRIES = {
    "manual": (438, 138, 172, 24),
    "scan": (438, 169, 172, 24),
    "client": (438, 199, 172, 24),
    "server": (438, 230, 172, 24),
    "browse": (438, 260, 172, 24),
    "exit": (490, 291, 67, 28),
}

SCANNER = "Run Sentova\\revuvez.exe"
CLIENT = "Install\\KTR-Client\\Install.exe"
SERVER = "Install\\KTR-Server\\ServerSetup.exe"
EXTRA = "Install\\Component\\CompSetup.exe"
PROGRAM_FOLDER = "KtrProgramFolder"
VIEWER = "ManualViewer.exe"
MESSAGE_BOX = "#32770"
SW_SHOWNORMAL = 1
SW_SHOW = 5

# Wine's version setting changes what GetVersionEx reports; the edition is
# told by the product values in HKLM, which winecfg writes beside it (and
# cannot in a 64-bit prefix, which offers no version before XP). The values
# of Windows 2000 Professional and Windows XP Professional:
NT_VERSION = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion"
PRODUCT_OPTIONS = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\ProductOptions"
EDITIONS = {
    "win2k": {NT_VERSION: {"ProductName": "Microsoft Windows 2000", "CurrentVersion": "5.0",
                           "CurrentBuildNumber": "2195", "CSDVersion": "Service Pack 4"},
              PRODUCT_OPTIONS: {"ProductType": "WinNT"}},
    "winxp": {NT_VERSION: {"ProductName": "Microsoft Windows XP", "CurrentVersion": "5.1",
                           "CurrentBuildNumber": "2600", "CSDVersion": "Service Pack 3"},
              PRODUCT_OPTIONS: {"ProductType": "WinNT"}},
}

# The stubs stay alive while their hold file exists; a test takes it away
# after this many looks at the windows while the program runs.
LOOKS = 2
TIMEOUT = 60


class MainMenuTest(e2e_case.E2ECase):

    def setUp(self):
        super().setUp()
        self.log = self.route_stub_logs(kf.StubLog(self.folder / "stubs.log"))

    # --- Setting up -----------------------------------------------------------

    def make_medium(self):
        medium = make_medium.build(self.folder / "medium", harness.setting("KTR_STUB"),
                                   style="test")
        self.holds = {}
        for program in (SCANNER, CLIENT, SERVER, EXTRA):
            hold = self.folder / "holds" / program.replace("\\", "_")
            hold.parent.mkdir(exist_ok=True)
            hold.touch()
            self.holds[program] = hold
            kf.configure_stub(medium, program, hold=self.prefix.windows_path(hold))
        return medium

    def manual_viewer(self):
        """A stub outside the medium for the shell to open ".txt" documents
        with; returns the registry lines that associate it."""
        viewer = self.folder / "viewer" / VIEWER
        viewer.parent.mkdir()
        shutil.copy2(harness.setting("KTR_STUB"), viewer)
        command = '"%s" "%%1"' % self.prefix.windows_path(viewer)
        return {"HKEY_CLASSES_ROOT\\.txt": {"": "KtrTest.Manual"},
                "HKEY_CLASSES_ROOT\\KtrTest.Manual\\shell\\open\\command": {"": command}}

    def import_registry(self, keys, lang):
        """Writes {key: {value: text}} into the prefix's registry."""
        lines = ["REGEDIT4", ""]
        for key, values in keys.items():
            lines.append("[%s]" % key)
            for name, data in values.items():
                quoted = '"%s"' % data.replace("\\", "\\\\").replace('"', '\\"')
                lines.append("%s=%s" % ('"%s"' % name if name else "@", quoted))
            lines.append("")
        reg = self.folder / "settings.reg"
        reg.write_bytes("\r\n".join(lines).encode("latin-1"))
        code = self.prefix.run(["reg", "import", self.prefix.windows_path(reg)], lang=lang,
                               log="reg.log")
        self.assertEqual(code, 0, "could not import %s" % reg)

    def start(self, lang, version, medium, registry=None):
        """The launcher from its own folder, with the medium as D: and as the
        current directory, on an emulated Windows version; returns the walk
        that drives it and its main window."""
        if not harness.locale_available(lang):
            self.fail("the locale %s is not generated: run scripts/setup.sh" % lang)
        program_folder = self.folder / PROGRAM_FOLDER
        program_folder.mkdir()
        shutil.copy2(harness.setting("KTR_LAUNCHER"), program_folder / make_medium.LAUNCHER_NAME)
        self.import_registry({**EDITIONS[version], **(registry or {})}, lang)
        self.use_version(version, lang)
        launcher = ShortcutLauncher(self.prefix, self.display, program_folder, medium, lang)
        self.addCleanup(launcher.close)
        walk = kf.Walk(launcher, self.display, timeout=TIMEOUT)
        main = walk.window("TMainForm")
        expected = "\\%s\\%s" % (PROGRAM_FOLDER, make_medium.LAUNCHER_NAME)
        self.assertTrue(main.image.lower().endswith(expected.lower()), main.image)
        return walk, main

    # --- Looking ------------------------------------------------------------

    def boxes(self, walk):
        return [w for w in walk.launcher.windows()
                if w.class_name == MESSAGE_BOX and w.top_level and w.visible]

    def main_visible(self, walk):
        return walk.forms().get("TMainForm")

    def while_running(self, program, look, check, nth=1):
        """Takes look() over and over while the nth run of a program lasts and
        passes each to check(); returns that run's start record. A look
        counts only when the program had started before it and had not ended
        after it, so each checked look saw the program running. The program
        is let go after LOOKS of them, and held again for its next run."""
        def started():
            runs = self.log.started(program)
            return runs[nth - 1] if len(runs) >= nth else None
        record = harness.wait_until(started, TIMEOUT, what="%s to start" % program)
        deadline = time.monotonic() + TIMEOUT
        looks = 0
        while True:
            seen = look()
            if self.log.ended(record["pid"]):
                break
            self.assertLess(time.monotonic(), deadline, "%s did not end" % program)
            looks += 1
            check(seen)
            if looks >= LOOKS:
                self.holds[program].unlink(missing_ok=True)
        self.holds[program].touch()
        self.assertGreaterEqual(looks, LOOKS, "%s ended before it could be looked at" % program)
        return record

    def visible_while(self, walk, program):
        """The main window stays on screen while the program runs."""
        def check(visible):
            self.assertTrue(visible, "main window hidden while %s runs" % program)
        return self.while_running(program, lambda: self.main_visible(walk), check)

    def hidden_while(self, walk, program, nth=1):
        """The main window stays hidden, and no box is shown, while the
        program runs."""
        def check(seen):
            visible, boxes = seen
            self.assertFalse(visible, "main window visible while %s runs" % program)
            self.assertEqual(boxes, [], "a box while %s runs" % program)
        return self.while_running(program, lambda: (self.main_visible(walk), self.boxes(walk)),
                                  check, nth)

    def assertRun(self, record, program, arguments, show):
        """A start record: the medium's program from D:, its path quoted, the
        arguments after a blank, the show value and D:\\ as working folder."""
        self.assertEqual(record["program"].lower(), ("D:\\" + program).lower())
        self.assertEqual(record["command_line"],
                         '"D:\\%s"%s' % (program, " " + arguments if arguments else ""))
        self.assertEqual(int(record["show"]), show)
        self.assertEqual(record["cwd"], "D:\\")

    def wait_main_back(self, walk, what):
        walk.wait_forms(what, TMainForm=True)

    def wait_box(self, walk):
        return harness.wait_until(lambda: self.boxes(walk), TIMEOUT, interval=0.3,
                                  what="the extra program's question")[0]

    def assertExtraQuestion(self, walk, box):
        self.screenshot("question")
        children = [w for w in walk.launcher.probe.windows() if w.parent == box.hwnd]
        self.assertEqual(box.text, make_medium.expected_text("ENGLISH", "RES_INSTALL_TITLE"))
        self.assertIn(make_medium.expected_text("ENGLISH", "RES_CODE_X"),
                      [w.text for w in children])
        buttons = sorted((w for w in children if w.class_name.lower() == "button"),
                         key=lambda w: w.rect[0])
        self.assertEqual([b.text for b in buttons], [b"OK", b"Cancel"])
        self.assertFalse(self.main_visible(walk), "the question is asked with the window hidden")
        return buttons

    def click(self, walk, main, entry):
        walk.click(main, kf.image_point(ENTRIES[entry]))

    def press(self, *keys):
        self.display.key(*keys)

    def window_pixels(self, walk, main, name):
        """The window's pixels once the screen is still, and the screenshot."""
        walk.settle()
        screen = self.screenshot(name)
        left, top = main.client[:2]
        rows = [screen.data[((top + y) * screen.width + left) * 3:
                            ((top + y) * screen.width + left + 658) * 3] for y in range(334)]
        return b"".join(rows), screen

    def wait_lit(self, walk, main, entry, name):
        """Waits until the entry shows its highlight picture; the window's pixels."""
        rect = ENTRIES[entry]
        point = (main.client[0] + rect[0] + rect[2] - 6, main.client[1] + rect[1] + 3)

        def lit():
            screen = self.screenshot(name)
            found = screen.bitmap_at(*point)
            return found and "Act" in found[1]
        harness.wait_until(lit, TIMEOUT, interval=0.5, what="%s highlighted" % entry)
        return self.window_pixels(walk, main, name)

    # --- The flows ------------------------------------------------------------

    def test_english_on_windows_2000(self):
        medium = self.make_medium()
        # Wine draws the question's title bar itself (there is no window
        # manager), so that the screenshot shows the caption too.
        frames = {"HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver": {"Decorated": "N"}}
        walk, main = self.start(ENGLISH, "win2k", medium, registry={**self.manual_viewer(),
                                                                     **frames})

        with self.subTest("virus scan: English package, window stays"):
            self.click(walk, main, "scan")
            record = self.visible_while(walk, SCANNER)
            url = record["command_line"].rsplit(" ", 1)[-1]
            self.assertRegex(url, r"^http://[A-Za-z0-9.-]+/LITE/snliteeng\.zip$")
            self.assertRun(record, SCANNER, url, SW_SHOW)

        with self.subTest("install client, extra program declined"):
            self.click(walk, main, "client")
            record = self.hidden_while(walk, CLIENT)
            self.assertRun(record, CLIENT, "/lang:ENG", SW_SHOW)
            box = self.wait_box(walk)
            buttons = self.assertExtraQuestion(walk, box)
            walk.click_child(buttons[1])
            self.wait_main_back(walk, "the main window after Cancel")
            self.assertEqual(self.log.started(EXTRA), [], "Cancel started the extra program")

        with self.subTest("install client, extra program accepted"):
            self.click(walk, main, "client")
            client = self.hidden_while(walk, CLIENT, nth=2)
            box = self.wait_box(walk)
            buttons = self.assertExtraQuestion(walk, box)
            walk.click_child(buttons[0])
            extra = self.hidden_while(walk, EXTRA)
            self.assertRun(extra, EXTRA, "", SW_SHOW)
            self.assertGreaterEqual(int(extra["time"]),
                                    int(self.log.ended(client["pid"])[0]["time"]))
            self.wait_main_back(walk, "the main window after the extra program")

        with self.subTest("manual through the shell"):
            self.click(walk, main, "manual")
            record = harness.wait_until(lambda: self.log.started(VIEWER), TIMEOUT,
                                        what="the manual's viewer")[0]
            document = "D:\\" + medium_text("ENGLISH", "RES_MANUAL")
            self.assertEqual(record["command_line"].lower(),
                             ('"%s" "%s"' % (record["program"], document)).lower())
            self.assertEqual(int(record["show"]), SW_SHOWNORMAL)
            self.assertTrue(self.main_visible(walk))

        with self.subTest("browse: the program's own folder"):
            self.click(walk, main, "browse")

            def explorers():
                return [w for w in harness.Probe(self.prefix, self.display, ENGLISH).windows()
                        if w.class_name == "ExplorerWClass" and w.top_level and w.visible]
            shown = harness.wait_until(explorers, TIMEOUT, interval=0.5,
                                       what="the shell's folder window")
            self.screenshot("browse")
            self.assertEqual([w.text for w in shown], [PROGRAM_FOLDER.encode()])
            self.assertTrue(self.main_visible(walk))

        with self.subTest("exit entry"):
            # The folder window may lie over the menu.
            for window in shown:
                walk.launcher.probe.close(window)
            harness.wait_until(lambda: not explorers(), TIMEOUT, what="the folder window to close")
            self.click(walk, main, "exit")
            self.assertEqual(walk.launcher.wait_for_exit(TIMEOUT), 0)

    def test_english_on_windows_xp(self):
        medium = self.make_medium()
        self.assertTrue(make_medium.windows_path(medium, EXTRA).is_file())
        walk, main = self.start(ENGLISH, "winxp", medium)
        self.click(walk, main, "client")
        self.hidden_while(walk, CLIENT)
        # The question would come before the window returns, and nothing
        # could answer it: the window back means nothing was asked.
        self.wait_main_back(walk, "the main window after the client installer")
        self.assertEqual(self.boxes(walk), [])
        self.assertEqual(self.log.started(EXTRA), [])
        self.assertTrue(walk.launcher.probe.close(main))
        self.assertEqual(walk.launcher.wait_for_exit(TIMEOUT), 0)
        self.assertEqual(self.log.started(EXTRA), [], "the extra program ran on Windows XP")

    def test_keyboard_reaches_and_starts_the_entries(self):
        medium = self.make_medium()
        walk, main = self.start(ENGLISH, "winxp", medium)
        background = walk.point(main, (20, 20))
        # The window takes the keyboard the way a user gives it: a click on
        # its background, which presses nothing.
        walk.click_at(*background)
        at_rest, _ = self.window_pixels(walk, main, "keyboard at rest")

        with self.subTest("Escape presses nothing"):
            self.press("Escape")
            self.assertEqual(self.window_pixels(walk, main, "after Escape")[0], at_rest)
            self.assertTrue(self.main_visible(walk))

        with self.subTest("a keyboard highlight is the pointer's, pixel for pixel"):
            self.press("Tab")
            self.press("Tab")
            by_keys, keys_screen = self.wait_lit(walk, main, "scan", "scan from the keyboard")
            walk.move(main, (24, 24))
            self.assertEqual(self.window_pixels(walk, main, "pointer back")[0], at_rest,
                             "moving the pointer left the keyboard's highlight on")
            walk.move(main, kf.image_point(ENTRIES["scan"]))
            by_pointer, pointer_screen = self.wait_lit(walk, main, "scan", "scan under the pointer")
            self.assertEqual(by_keys, by_pointer, "keyboard %s, pointer %s"
                             % (keys_screen.path, pointer_screen.path))
            walk.move(main, (20, 20))
            walk.settle()

        with self.subTest("Enter starts the scanner"):
            self.press("Down")
            self.press("Down")
            self.wait_lit(walk, main, "scan", "scan from the arrows")
            self.press("Return")
            record = self.visible_while(walk, SCANNER)
            self.assertRun(record, SCANNER, record["command_line"].rsplit(" ", 1)[-1], SW_SHOW)

        with self.subTest("Enter runs the client installer with the window hidden"):
            self.press("Tab")
            self.wait_lit(walk, main, "client", "client from the keyboard")
            self.press("Return")
            record = self.hidden_while(walk, CLIENT)
            self.assertRun(record, CLIENT, "/lang:ENG", SW_SHOW)
            self.wait_main_back(walk, "the main window after the client installer")

        with self.subTest("Shift+Tab round the top and Space on exit"):
            walk.move(main, (20, 20))
            walk.move(main, (24, 24))
            self.press("shift+Tab")
            self.wait_lit(walk, main, "exit", "exit from the keyboard")
            self.press("space")
            self.assertEqual(walk.launcher.wait_for_exit(TIMEOUT), 0)

    def test_korean_scan_and_server(self):
        medium = self.make_medium()
        walk, main = self.start(KOREAN, "winxp", medium)

        with self.subTest("virus scan: Korean package"):
            self.click(walk, main, "scan")
            record = self.visible_while(walk, SCANNER)
            url = record["command_line"].rsplit(" ", 1)[-1]
            self.assertRegex(url, r"^http://[A-Za-z0-9.-]+/LITE/snlitekor\.zip$")
            self.assertRun(record, SCANNER, url, SW_SHOW)

        with self.subTest("install server: hidden while it runs"):
            self.click(walk, main, "server")
            record = self.hidden_while(walk, SERVER)
            self.assertRun(record, SERVER, "/lang:KOR", SW_SHOW)
            self.wait_main_back(walk, "the main window after the server installer")
            back = walk.window("TMainForm")
            self.assertEqual(back.rect, main.rect, "the window came back elsewhere")

        self.assertTrue(walk.launcher.probe.close(main))
        self.assertEqual(walk.launcher.wait_for_exit(TIMEOUT), 0)


def medium_text(language, key):
    return make_medium.medium_texts.TEXTS[language][key]


class ShortcutLauncher(harness.Launcher):
    """KtrSetup.exe started from its own folder with the medium, mapped as
    drive D:, as the current directory."""

    def __init__(self, prefix, display, program_folder, medium, lang):
        self.prefix = prefix
        self.display = display
        self.medium = medium
        self.lang = lang
        self.probe = harness.Probe(prefix, display, lang)
        self.name = make_medium.LAUNCHER_NAME
        prefix.map_drive("d", medium)
        self.process = prefix.start([program_folder / self.name], lang=lang, display=display,
                                    cwd=medium, log="launcher.log")


if __name__ == "__main__":
    e2e_case.main()
