#!/usr/bin/env python3
"""The Korean installation windows under Wine, driven with the real pointer
and keyboard: from the main menu through the client installation menu to the
Ghost preparation and the notice dialog, with stub programs in place of the
installers. What the machine holds afterwards is read back from the prefix
(registry and drive C:), what is drawn from screenshots."""

import subprocess

import e2e_case
import harness
import korean_flow as kf
from korean_flow import GHOST, MENU

# The medium's tool gets an odd second and a fraction as its last-write time:
# the copy keeps the date at the two-second resolution of a DOS date.
TOOL_MTIME = 1234567891.5
TOOL_MTIME_COPIED = 1234567890
CLIENT_ID = "{0E2E-1234}"
TYPED_FIRST = "[KTR] "
TYPED_LINES = ["Name: Test User", "Dept: QA"]
# A translator's new caption for the client installation menu.
NEW_MENU_CAPTION = "KTR 에이전트 설치"
# Installers that stay a while, so that the probe sees the windows hidden.
STUB_RUN_MS = 4000


class KoreanWindowsTest(e2e_case.E2ECase):

    def setUp(self):
        super().setUp()
        self.log = self.route_stub_logs(kf.StubLog(self.folder / "stubs.log"))
        kf.draw_own_frames(self.prefix)

    def walk(self, medium):
        launcher = self.start_launcher(kf.LANG, medium=medium)
        return kf.Walk(launcher, self.display)

    def translate(self, medium, key, text):
        """The README's loop for one Korean text: export, translate, import."""
        tool = harness.setting("KTR_MEDIUM_TOOL")
        out = self.folder / "strings"
        for command in (["export", medium, out], None, ["import", medium, out]):
            if command is None:
                po = out / "KOREAN.po"
                old = 'msgstr "%s"' % kf.medium_texts.KOREAN[key]
                data = po.read_text(encoding="utf-8")
                self.assertEqual(data.count(old), 1)
                po.write_text(data.replace(old, 'msgstr "%s"' % text), encoding="utf-8")
                continue
            done = subprocess.run([tool, "strings", *map(str, command)], capture_output=True,
                                  timeout=120)
            self.assertEqual(done.returncode, 0, done.stderr.decode(errors="replace"))

    def look_at_ghost(self, walk, ghost, name):
        """The captions of the Ghost window with the pointer on its background."""
        walk.move(ghost, (20, 20))
        walk.settle()
        return walk.ghost_looks(self.screenshot(name), ghost)

    def assertGhostState(self, walk, ghost, state, name):
        expected = {button: "enabled" if button in kf.GHOST_STATES[state] else "etched"
                    for button, _ in kf.GHOST_CAPTIONS}
        looks = self.look_at_ghost(walk, ghost, name)
        self.assertEqual(looks, expected, "Ghost window not in state %s (screenshots in %s)"
                         % (state, self.folder))

    def assertNoticeWritten(self, expected_text):
        saved = self.prefix.drive_c / kf.SAVED_NOTICE
        self.assertTrue(saved.is_file(), "no C:\\Alert.alt")
        self.assertEqual(saved.read_bytes(), expected_text)
        self.assertEqual(self.prefix.reg_query(kf.RUN_ONCE_KEY, "RadOzevO", lang=kf.LANG),
                         ("REG_SZ", "C:\\RadOzevO.Exe"))

    def assertNothingWritten(self, why):
        self.assertFalse((self.prefix.drive_c / kf.SAVED_NOTICE).is_file(),
                         "C:\\Alert.alt written after %s" % why)
        values = self.prefix.reg_query(kf.RUN_ONCE_KEY, lang=kf.LANG)
        self.assertIsNotNone(values, "the run-once key cannot be read")
        self.assertNotIn("radozevo", [name.lower() for name in values],
                         "run-once value written after %s" % why)

    def assertToolCopied(self, medium_tool):
        copied = kf.make_medium.windows_path(self.prefix.drive_c, kf.INSTALLED_TOOL)
        self.assertTrue(copied.is_file(), "no C:\\RadOzevO.exe")
        self.assertEqual(copied.read_bytes(), medium_tool.read_bytes())
        self.assertEqual(int(copied.stat().st_mtime), TOOL_MTIME_COPIED)
        self.assertEqual(copied.stat().st_mode & 0o222, 0, "the read-only attribute was lost")

    def assertNoticeDialog(self, walk, dialog, ghost):
        with self.subTest("dialog frame"):
            self.assertEqual(dialog.style & kf.WS_CAPTION, kf.WS_CAPTION, "no title bar")
            self.assertTrue(dialog.style & kf.WS_SYSMENU, "no close box")
            self.assertFalse(dialog.style & (kf.WS_THICKFRAME | kf.WS_MINIMIZEBOX |
                                             kf.WS_MAXIMIZEBOX), "style %08x" % dialog.style)
            self.assertEqual(tuple(dialog.client[2:]), kf.NOTICE_CLIENT)
            width, height = self.display.size
            self.assertAlmostEqual(dialog.rect[0] + dialog.rect[2] // 2, width // 2, delta=2)
            self.assertAlmostEqual(dialog.rect[1] + dialog.rect[3] // 2, height // 2, delta=2)
            self.assertEqual(dialog.text, kf.text("RES_EDITNOTICE_CAPTION"))
            self.assertEqual([b.text for b in walk.notice_buttons(dialog)],
                             [kf.text(key) for key in ("RES_OK", "RES_CANCEL", "RES_HELP")])
            # Modal: the Ghost window stays on screen but takes no input.
            owner = [w for w in walk.launcher.windows() if w.hwnd == ghost.hwnd][0]
            self.assertTrue(owner.visible)
            self.assertFalse(owner.enabled)

        screen = self.screenshot("notice dialog")
        with self.subTest("title bar drawn"):
            frame = dialog.client[0] - dialog.rect[0]
            caption_top = dialog.rect[1] + frame
            caption_height = dialog.client[1] - caption_top
            self.assertGreaterEqual(caption_height, 12, "no room for a title bar")
            band = (dialog.rect[0] + frame + 24, caption_top + 2, dialog.rect[2] // 2,
                    caption_height - 4)
            colour, share = kf.dominant(screen, *band)
            face, _ = kf.dominant(screen, dialog.client[0] + 200, dialog.client[1] + 64, 40, 4)
            self.assertGreater(share, 0.6, "title bar not one colour (%s)" % screen.path)
            self.assertNotIn(colour, [(0, 0, 0), face], "no title bar drawn (%s)" % screen.path)
            self.assertIsNone(screen.bitmap_at(band[0], band[1]))
            # Dark or light, as the colour scheme has it.
            self.assertTrue(kf.has_text(screen, (0, 0), band) or
                            kf.has_text(screen, (0, 0), band, light=True),
                            "no caption text in the title bar (%s)" % screen.path)
        with self.subTest("picture and memo"):
            origin = dialog.client[:2]
            left, top = kf.NOTICE_IMAGE[:2]
            self.assertEqual(screen.pixel(origin[0] + left + 16, origin[1] + top + 28),
                             (0, 0, 255), "no upper body")
            self.assertEqual(screen.pixel(origin[0] + left + 1, origin[1] + top + 30), face,
                             "the picture's teal is not transparent")
            self.assertTrue(kf.has_text(screen, origin, (12, 76, 300, 40)),
                            "no template text in the memo (%s)" % screen.path)
        return screen

    def test_ghost_preparation_from_the_main_menu(self):
        medium = self.medium()
        medium_tool = kf.set_tool_source(medium, TOOL_MTIME, read_only=True)
        client_key = kf.CLIENT_KEY.split("\\", 1)[1]
        kf.configure_stub(medium, kf.CLIENT_INSTALLER, file1=kf.AGENT,
                          reg1="%s|ClientID|%s" % (client_key, CLIENT_ID),
                          reg2="%s|Server|ktr.example" % client_key, sleep_ms=STUB_RUN_MS)
        # Someone's own program lies where the run-once value will point: the
        # medium's tool must replace it.
        (self.prefix.drive_c / "RadOzevO.Exe").write_bytes(b"MZ not the medium's tool")
        walk = self.walk(medium)

        menu = walk.open_client_menu()
        with self.subTest("help started with the menu"):
            helps = harness.wait_until(lambda: self.log.started(kf.HELP_PROGRAM), 30,
                                       what="the help command")
            self.assertEqual(len(helps), 1, helps)
            self.assertEqual(helps[0]["command_line"], '"D:\\Help\\KtrHelp.exe" client')
            self.assertEqual(helps[0]["show"], "5")
        with self.subTest("menu drawn"):
            walk.move(menu, (20, 20))
            walk.settle()
            screen = self.screenshot("client menu")
            origin = menu.client[:2]
            self.assertEqual(kf.bitmap_under(screen, origin, (5, 5)),
                             (kf.KOREAN, "BackgroundEmpty.bmp"))
            for button in kf.MENU_BUTTONS:
                rect = MENU[button]
                self.assertIn(kf.bitmap_under(screen, origin, (rect[0] + 2, rect[1] + 2)),
                              [(kf.KOREAN, "ButtonLongEmpty.bmp"),
                               (kf.KOREAN, "ButtonEmpty.bmp")], button)
            for label in ("lblButton1", "lblButton2", "lblButton3", "lblCancel", "lblHelp",
                          "lblFormTitle"):
                self.assertTrue(kf.has_text(screen, origin, MENU[label]), label)
            self.assertFalse(kf.has_text(screen, origin, MENU["lblContent"]),
                             "description shown before any highlight")
        with self.subTest("Ghost entry highlighted"):
            walk.move(menu, kf.image_point(MENU["ImgButton3"]))
            rect = MENU["ImgButton3"]

            def lit():
                screen = self.screenshot("Ghost entry highlighted")
                if kf.bitmap_under(screen, menu.client[:2], (rect[0] + 160, rect[1] + 3)) == \
                        (kf.KOREAN, "ButtonLongEmptyAct.bmp"):
                    return screen
                return None
            screen = harness.wait_until(lit, 30, interval=1, what="the highlight picture")
            self.assertTrue(kf.has_text(screen, menu.client[:2], MENU["lblContent"]))

        ghost = walk.open_ghost(menu)
        self.assertFalse(walk.forms()["TMainForm"])
        self.assertGhostState(walk, ghost, "Fresh", "ghost fresh")
        self.assertEqual(len(self.log.started(kf.HELP_PROGRAM)), 1,
                         "the Ghost window started a help command")

        # Install: the window goes away while the installer runs.
        walk.click(ghost, kf.image_point(GHOST["ImgButton1"]))
        walk.wait_forms("every window hidden while the installer runs", TGhostInstall=False,
                        TUserSetup=False, TMainForm=False)
        harness.wait_until(lambda: self.log.started(kf.CLIENT_INSTALLER), 30,
                           what="the installer's start record")
        walk.wait_forms("the Ghost window back", TGhostInstall=True)
        with self.subTest("installer and identity value"):
            installer = self.log.started(kf.CLIENT_INSTALLER)[0]
            self.assertTrue(self.log.ended(installer["pid"]), "shown before the installer ended")
            self.assertEqual(installer["show"], "5")
            self.assertEqual(installer["cwd"], "D:\\")
            self.assertTrue((self.prefix.drive_c / "RiduZadent" / "RiduZad.exe").is_file())
            values = self.prefix.reg_query(kf.CLIENT_KEY, lang=kf.LANG)
            self.assertEqual(values, {"Server": ("REG_SZ", "ktr.example")},
                             "ClientID not removed, or more than it")
        self.assertGhostState(walk, ghost, "Installed", "ghost installed")

        dialog = walk.open_notice(ghost)
        self.assertNoticeDialog(walk, dialog, ghost)
        self.display.key("ctrl+Home")
        self.display.xdotool("type", "--delay", "30", TYPED_FIRST)
        self.display.key("ctrl+End")
        for number, line in enumerate(TYPED_LINES):
            if number:
                self.display.key("Return")
            self.display.xdotool("type", "--delay", "30", line)
        walk.settle()
        self.screenshot("notice edited")
        walk.click_child(walk.notice_buttons(dialog)[0])
        walk.wait_forms("the notice dialog closed", TEditNotice=None, TGhostInstall=True)
        with self.subTest("notice, run-once value and tool"):
            expected = TYPED_FIRST.encode() + kf.template_in_memo() + \
                "\r\n".join(TYPED_LINES).encode()
            self.assertNoticeWritten(expected)
            self.assertToolCopied(medium_tool)
        self.assertGhostState(walk, ghost, "Installed and edited", "ghost installed and edited")

        walk.click(ghost, kf.image_point(GHOST["ImgConfirm"]))
        walk.wait_forms("the main menu back", TMainForm=True, TUserSetup=None,
                        TGhostInstall=False)
        main = walk.window("TMainForm")
        screen = self.screenshot("main menu back")
        self.assertEqual(kf.bitmap_under(screen, main.client[:2], (5, 5)),
                         (kf.KOREAN, "BackgroundEmpty.bmp"))
        self.assertTrue(walk.launcher.probe.close(main))
        self.assertEqual(walk.launcher.wait_for_exit(), 0)

    def keys_until_lit(self, walk, window, rect, keys, name):
        """Presses the keys, then waits until the button shows its highlight."""
        walk.settle()
        for key in keys:
            self.display.key(key)
        point = (rect[0] + rect[2] - 6, rect[1] + 3)

        def lit():
            found = kf.bitmap_under(self.screenshot(name), window.client[:2], point)
            return found and "Act" in found[1]
        harness.wait_until(lit, 30, interval=1, what="%s highlighted" % name)

    def test_keyboard_through_the_korean_windows(self):
        medium = self.medium()
        self.translate(medium, "RES_USER_CAPTION", NEW_MENU_CAPTION)
        client_key = kf.CLIENT_KEY.split("\\", 1)[1]
        kf.configure_stub(medium, kf.CLIENT_INSTALLER, file1=kf.AGENT,
                          reg1="%s|ClientID|%s" % (client_key, CLIENT_ID))
        walk = self.walk(medium)
        main = walk.window("TMainForm")
        walk.click(main, (20, 20))
        self.keys_until_lit(walk, main, kf.MAIN_INSTALL_CLIENT, ["Tab"] * 3, "client entry")
        self.display.key("Return")
        walk.wait_forms("the client installation menu", TUserSetup=True, TMainForm=False)
        menu = walk.window("TUserSetup")
        self.assertEqual(menu.text, NEW_MENU_CAPTION.encode("cp949"))

        self.keys_until_lit(walk, menu, MENU["ImgButton3"], ["Down"] * 3, "Ghost entry")
        self.assertTrue(kf.has_text(self.screenshot("Ghost entry's description"),
                                    menu.client[:2], MENU["lblContent"]))
        self.display.key("Return")
        walk.wait_forms("the Ghost window", TGhostInstall=True, TUserSetup=False)
        ghost = walk.window("TGhostInstall")

        with self.subTest("Install from the keyboard"):
            self.keys_until_lit(walk, ghost, GHOST["ImgButton1"], ["Tab"], "Install")
            self.display.key("Return")
            harness.wait_until(lambda: self.log.started(kf.CLIENT_INSTALLER), 30,
                               what="the installer's start record")
            walk.wait_forms("the Ghost window back", TGhostInstall=True)
            self.assertGhostState(walk, ghost, "Installed", "ghost installed by keys")

        with self.subTest("Edit from the keyboard, past the disabled Install"):
            self.keys_until_lit(walk, ghost, GHOST["ImgButton2"], ["Tab"], "Edit")
            self.display.key("space")
            walk.wait_forms("the notice dialog", TEditNotice=True)
            dialog = walk.window("TEditNotice")
            walk.click_child(walk.notice_buttons(dialog)[0])
            walk.wait_forms("the notice dialog closed", TEditNotice=None, TGhostInstall=True)
            self.assertNoticeWritten(kf.template_in_memo())
            self.assertGhostState(walk, ghost, "Installed and edited", "ghost edited by keys")

        # Confirm is the first enabled button now; Escape presses nothing.
        self.keys_until_lit(walk, ghost, GHOST["ImgConfirm"], ["Tab", "Escape"], "Confirm")
        self.display.key("Return")
        walk.wait_forms("the main menu back", TMainForm=True, TUserSetup=None, TGhostInstall=False)
        self.assertTrue(walk.launcher.probe.close(walk.window("TMainForm")))
        self.assertEqual(walk.launcher.wait_for_exit(), 0)

    def test_cancel_close_box_failed_save_and_installer_builder(self):
        medium = self.medium()
        medium_tool = kf.set_tool_source(medium, TOOL_MTIME, read_only=True)
        kf.configure_stub(medium, kf.INSTALL_BUILD, sleep_ms=STUB_RUN_MS)
        walk = self.walk(medium)
        menu = walk.open_client_menu()
        ghost = walk.open_ghost(menu)

        dialog = walk.open_notice(ghost)
        with self.subTest("dialog Help"):
            walk.click_child(walk.notice_buttons(dialog)[2])
            helps = harness.wait_until(
                lambda: [r for r in self.log.started(kf.HELP_PROGRAM)
                         if r["command_line"] == '"D:\\Help\\KtrHelp.exe" ghost'], 30,
                what="the Ghost help command")
            self.assertEqual(len(helps), 1, helps)
            self.assertEqual(walk.forms().get("TEditNotice"), True, "Help closed the dialog")
        walk.click_child(walk.notice_buttons(dialog)[1])
        walk.wait_forms("the dialog closed by Cancel", TEditNotice=None, TGhostInstall=True)
        self.assertNothingWritten("Cancel")

        dialog = walk.open_notice(ghost)
        self.screenshot("dialog before the close box")
        walk.click_at(*walk.close_box(dialog))
        walk.wait_forms("the dialog closed by its close box", TEditNotice=None,
                        TGhostInstall=True)
        self.assertNothingWritten("the close box")
        self.assertFalse(kf.make_medium.windows_path(self.prefix.drive_c,
                                                     kf.INSTALLED_TOOL).exists())
        self.assertGhostState(walk, ghost, "Fresh", "ghost after cancelled dialogs")

        # A folder where the notice goes: the save fails, and says so.
        blocker = self.prefix.drive_c / kf.SAVED_NOTICE
        blocker.mkdir()
        dialog = walk.open_notice(ghost)
        walk.click_child(walk.notice_buttons(dialog)[0])
        box = walk.launcher.wait_for_window("#32770", timeout=walk.timeout)
        with self.subTest("error report"):
            texts = [w.text for w in walk.children(box)]
            self.assertIn(b"Cannot create file C:\\Alert.alt.", texts)
            self.screenshot("failed save")
            self.assertEqual(walk.forms().get("TEditNotice"), True, "the dialog closed")
        ok = [w for w in walk.children(box) if w.class_name.lower() == "button"]
        self.assertEqual(len(ok), 1, ok)
        walk.click_child(ok[0])
        harness.wait_until(lambda: not [w for w in walk.launcher.windows()
                                        if w.class_name == "#32770" and w.visible],
                           walk.timeout, what="the error report to close")
        # A dialog that took the failure for a confirmation closes after the
        # report, at the latest once its loop sees the next message: give it
        # one (the pointer over the memo) and the time to act on it.
        memo = [w for w in walk.children(dialog) if w.class_name.lower() == "edit"][0]
        walk.pointer_to(memo.rect[0] + 40, memo.rect[1] + 120)
        walk.settle(1.5)
        self.assertEqual(walk.forms().get("TEditNotice"), True, "the dialog closed")
        self.assertNothingWritten("a failed save")
        walk.click_child(walk.notice_buttons(dialog)[1])
        walk.wait_forms("the dialog cancelled", TEditNotice=None, TGhostInstall=True)
        self.assertGhostState(walk, ghost, "Fresh", "ghost after a failed save")
        self.assertFalse(kf.make_medium.windows_path(self.prefix.drive_c,
                                                     kf.INSTALLED_TOOL).exists())

        # Cause removed: confirming the template unchanged saves it as it is.
        blocker.rmdir()
        dialog = walk.open_notice(ghost)
        walk.click_child(walk.notice_buttons(dialog)[0])
        walk.wait_forms("the dialog confirmed", TEditNotice=None, TGhostInstall=True)
        self.assertNoticeWritten(kf.template_in_memo())
        self.assertToolCopied(medium_tool)
        self.assertGhostState(walk, ghost, "Edited", "ghost edited")

        # Cancel brings the menu back; the builder runs in its own folder.
        walk.click(ghost, kf.image_point(GHOST["ImgCancel"]))
        walk.wait_forms("the menu back after Cancel", TUserSetup=True, TMainForm=False,
                        TGhostInstall=False)
        walk.click(menu, kf.image_point(MENU["ImgButton2"]))
        walk.wait_forms("the menu hidden while the builder runs", TUserSetup=False,
                        TMainForm=False)
        walk.wait_forms("the menu back after the builder", TUserSetup=True, TMainForm=False)
        builders = self.log.started(kf.INSTALL_BUILD)
        self.assertEqual(len(builders), 1, builders)
        self.assertEqual(builders[0]["cwd"], "D:\\Install\\InstallBuild")
        self.assertEqual(builders[0]["show"], "5")
        self.assertTrue(self.log.ended(builders[0]["pid"]))

        self.assertEqual(walk.leave_and_exit(menu, kf.image_point(MENU["ImgCancel"])), 0)


if __name__ == "__main__":
    e2e_case.main()
