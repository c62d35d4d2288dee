#!/usr/bin/env python3
"""Start-up under Wine: the language comes from the system locale (LANG),
the main window appears borderless and centred with that language's caption
and skin, the application window carries the title, a hidden Ghost window
exists, and closing the main window ends the process with exit code 0."""
import e2e_case
import harness
import make_medium

CLIENT_SIZE = (658, 334)
SKIN_POINTS = [  # client-relative points inside components of the main menu
    ("BackgroundEmpty.bmp", 5, 5),
    ("BackgroundEmpty.bmp", 650, 100),
    ("ContentEmpty.bmp", 44 + 10, 140 + 10),
    ("Button1.bmp", 438 + 10, 138 + 10),
    ("Button2.bmp", 438 + 10, 169 + 10),
    ("Button3.bmp", 438 + 10, 199 + 10),
    ("Button4.bmp", 438 + 10, 230 + 10),
    ("Button5.bmp", 438 + 10, 260 + 10),
    ("ButtonExit.bmp", 490 + 10, 291 + 10),
]


class StartupTest(e2e_case.E2ECase):

    def check_language(self, lang, language, exact_texts=True):
        launcher = self.start_launcher(lang)
        main = launcher.wait_for_window("TMainForm")
        windows = launcher.windows()
        screen = self.screenshot(lang)

        with self.subTest("geometry"):
            self.assertEqual(main.client[2:], CLIENT_SIZE)
            width, height = self.display.size
            self.assertAlmostEqual(main.client[0], (width - CLIENT_SIZE[0]) // 2, delta=1)
            self.assertAlmostEqual(main.client[1], (height - CLIENT_SIZE[1]) // 2, delta=1)
            self.assertFrameless(main)

        application = [w for w in windows if w.class_name == "TApplication" and w.top_level]
        self.assertEqual(len(application), 1, windows)
        if exact_texts:
            with self.subTest("texts"):
                self.assertEqual(main.text, make_medium.expected_text(language, "RES_MAINFORM"))
                self.assertEqual(application[0].text,
                                 make_medium.expected_text(language, "RES_TITLE"))

        with self.subTest("hidden Ghost window"):
            ghost = [w for w in windows if w.class_name == "TGhostInstall" and w.top_level]
            self.assertEqual(len(ghost), 1, windows)
            self.assertFalse(ghost[0].visible)

        with self.subTest("skin of the language"):
            left, top = main.client[:2]
            for bitmap, x, y in SKIN_POINTS:
                self.assertEqual(screen.bitmap_at(left + x, top + y), (language, bitmap),
                                 "at %d,%d (%s)" % (x, y, screen.path))
            self.assertIsNone(screen.bitmap_at(left - 1, top - 1), "drawn outside the window")

        self.assertTrue(launcher.probe.close(main))
        self.assertEqual(launcher.wait_for_exit(), 0)

    def test_korean(self):
        self.check_language("ko_KR.UTF-8", "KOREAN")

    def test_japanese(self):
        self.check_language("ja_JP.UTF-8", "JAPANESE")

    def test_chinese_prc(self):
        self.check_language("zh_CN.UTF-8", "CHINESE")

    def test_chinese_taiwan(self):
        # The medium's Chinese texts are in code page 936; under Taiwan's 950
        # their bytes need not survive the round trip through Unicode, so only
        # the language (by its skin) is checked here.
        self.check_language("zh_TW.UTF-8", "CHINESE", exact_texts=False)

    def test_english(self):
        self.check_language("en_US.UTF-8", "ENGLISH")

    def test_german_falls_back_to_english(self):
        self.check_language("de_DE.UTF-8", "ENGLISH")


class WithoutMultiLangTest(e2e_case.E2ECase):

    def test_window_appears_with_empty_title_after_error_reports(self):
        # No MultiLang.ini: every text is empty, so the skin folder is
        # "imgdata\" + "" and the first bitmap is missing. The default error
        # report names it, with the (now empty) application title as caption;
        # the window is still created and shown, and so is the report of the
        # hidden Ghost window's own missing bitmap.
        medium = self.medium(no_multilang=["ENGLISH"])
        launcher = self.start_launcher("en_US.UTF-8", medium=medium)
        expected = b"Cannot open file D:\\imgdata\\\\BackgroundEmpty.bmp."
        seen = []
        for report in (1, 2):  # the main window's, then the Ghost window's
            box = launcher.wait_for_window("#32770", exclude=seen)
            seen.append(box.hwnd)
            texts = [w.text for w in launcher.probe.windows() if w.parent == box.hwnd]
            self.assertIn(expected, texts)
            self.assertEqual(box.text, b"", "caption: the application title, empty by now")
            self.screenshot("report%d" % report)
            self.assertTrue(launcher.probe.close(box))
        main = launcher.wait_for_window("TMainForm")
        harness.wait_until(lambda: not [w for w in launcher.windows()
                                        if w.class_name == "#32770" and w.visible],
                           30, what="the reports to close")
        self.assertEqual(main.client[2:], CLIENT_SIZE)
        self.assertFrameless(main)
        self.assertEqual(main.text, b"")
        application = [w for w in launcher.windows() if w.class_name == "TApplication"]
        self.assertEqual([w.text for w in application], [b""])
        self.assertTrue(launcher.probe.close(main))
        self.assertEqual(launcher.wait_for_exit(), 0)


if __name__ == "__main__":
    e2e_case.main()
