#!/usr/bin/env python3
"""The medium as it is shipped: made into a disc image by ktrmedium, read
back out of the image with xorriso, every file read-only as on a pressed
disc, and mapped to a drive that Wine treats as a CD-ROM. The launcher is
started from that drive with its root as the current directory, as autorun
starts it. The main menu works from there, and the Ghost preparation copies
its tool from the read-only disc in a way that a later disc can replace."""
import os
import subprocess

import e2e_case
import harness
import korean_flow as kf
import make_medium
from korean_flow import GHOST

ENGLISH = "en_US.UTF-8"
# Client-relative rectangles of the main menu's entries.
ENTRIES = {
    "server": (438, 230, 172, 24),
    "browse": (438, 260, 172, 24),
    "exit": (490, 291, 67, 28),
}
SERVER = "Install\\KTR-Server\\ServerSetup.exe"
DRIVES_KEY = "HKLM\\Software\\Wine\\Drives"
# An installer that stays a while, so that the probe sees the menu hidden.
STUB_RUN_MS = 4000


class CdromMediumTest(e2e_case.E2ECase):

    def setUp(self):
        super().setUp()
        self.log = self.route_stub_logs(kf.StubLog(self.folder / "stubs.log"))

    def pressed_disc(self, medium, name):
        """The medium's tree as a disc gives it: imaged by ktrmedium,
        extracted again by xorriso, every file and folder read-only."""
        iso = self.folder / (name + ".iso")
        tool = harness.setting("KTR_MEDIUM_TOOL")
        made = subprocess.run([tool, "image", "--volume-label", "KTR", str(medium), str(iso)],
                              capture_output=True, timeout=300)
        self.assertEqual(made.returncode, 0, made.stderr.decode(errors="replace"))
        tree = self.folder / name
        subprocess.run(["xorriso", "-osirrox", "on", "-indev", str(iso), "-extract", "/",
                        str(tree)], check=True, capture_output=True, timeout=300)
        self.assertTrue((tree / "autorun.inf").is_file())
        for folder, folders, files in os.walk(tree):
            for entry in files:
                os.chmod(os.path.join(folder, entry), 0o444)
            for entry in folders:
                os.chmod(os.path.join(folder, entry), 0o555)
        self.addCleanup(lambda: [os.chmod(os.path.join(folder, entry), 0o755)
                                 for folder, folders, files in os.walk(tree)
                                 for entry in folders + files])
        return tree

    def from_cdrom(self, tree, lang):
        """KtrSetup.exe started as "D:\\KtrSetup.exe" with D:\\ current, D: a
        CD-ROM drive on the disc's tree."""
        if not harness.locale_available(lang):
            self.fail("the locale %s is not generated: run scripts/setup.sh" % lang)
        code = self.prefix.run(["reg", "add", DRIVES_KEY, "/v", "d:", "/d", "cdrom", "/f"],
                               lang=lang, log="reg.log")
        self.assertEqual(code, 0, "could not make D: a CD-ROM drive")
        self.use_version(self.version, lang)
        launcher = harness.Launcher(self.prefix, self.display, tree, lang, drive="d",
                                    from_drive=True)
        self.addCleanup(launcher.close)
        walk = kf.Walk(launcher, self.display)
        walk.window("TMainForm")
        return walk

    def test_main_menu_from_the_cdrom(self):
        medium = self.medium()
        kf.configure_stub(medium, SERVER, sleep_ms=STUB_RUN_MS)
        walk = self.from_cdrom(self.pressed_disc(medium, "disc"), ENGLISH)
        main = walk.window("TMainForm")
        self.assertTrue(main.image.lower().startswith("d:\\"), main.image)
        with self.subTest("D: is a CD-ROM drive"):
            listing = self.folder / "drives.txt"
            self.prefix.run(["cmd", "/c", "wmic", "logicaldisk", "get", "name,drivetype", ">",
                             self.prefix.windows_path(listing)], log="wmic.log")
            # DRIVE_CDROM is 5.
            self.assertRegex(listing.read_bytes().decode("utf-16"), r"(?m)^5\s+D:")

        with self.subTest("hover"):
            rect = ENTRIES["server"]
            walk.move(main, kf.image_point(rect))

            def lit():
                screen = self.screenshot("server entry highlighted")
                return kf.bitmap_under(screen, main.client[:2], (rect[0] + 160, rect[1] + 3)) == \
                    ("ENGLISH", "ButtonAct4.bmp")
            harness.wait_until(lit, 30, interval=1, what="the highlight picture")

        with self.subTest("installer started and waited for"):
            walk.click(main, kf.image_point(ENTRIES["server"]))
            walk.wait_forms("the menu hidden while the installer runs", TMainForm=False)
            record = harness.wait_until(lambda: self.log.started(SERVER), 30,
                                        what="the installer's start record")[0]
            walk.wait_forms("the menu back", TMainForm=True)
            self.assertTrue(self.log.ended(record["pid"]), "shown before the installer ended")
            self.assertEqual(record["command_line"], '"D:\\%s" /lang:ENG' % SERVER)
            self.assertEqual(record["cwd"], "D:\\")

        with self.subTest("browse"):
            walk.click(main, kf.image_point(ENTRIES["browse"]))

            def explorers():
                return [w for w in harness.Probe(self.prefix, self.display, ENGLISH).windows()
                        if w.class_name == "ExplorerWClass" and w.top_level and w.visible]
            shown = harness.wait_until(explorers, 60, interval=0.5,
                                       what="the shell's folder window")
            self.screenshot("browse")
            self.assertEqual([w.text for w in shown], [b" (D:)"])
            for window in shown:
                walk.launcher.probe.close(window)
            harness.wait_until(lambda: not explorers(), 60, what="the folder window to close")

        walk.click(main, kf.image_point(ENTRIES["exit"]))
        self.assertEqual(walk.launcher.wait_for_exit(), 0)

    def ghost_preparation(self, tree, install):
        walk = self.from_cdrom(tree, kf.LANG)
        ghost = walk.open_ghost(walk.open_client_menu())
        if install:
            walk.click(ghost, kf.image_point(GHOST["ImgButton1"]))
            harness.wait_until(lambda: self.log.started(kf.CLIENT_INSTALLER), 60,
                               what="the installer's start record")
            walk.wait_forms("the Ghost window back", TGhostInstall=True)
        dialog = walk.open_notice(ghost)
        walk.click_child(walk.notice_buttons(dialog)[0])
        walk.wait_forms("the notice dialog closed", TEditNotice=None, TGhostInstall=True)
        walk.click(ghost, kf.image_point(GHOST["ImgConfirm"]))
        walk.wait_forms("the main menu back", TMainForm=True, TUserSetup=None)
        self.assertTrue(walk.launcher.probe.close(walk.window("TMainForm")))
        self.assertEqual(walk.launcher.wait_for_exit(), 0)

    def installed_tool(self):
        return make_medium.windows_path(self.prefix.drive_c, kf.INSTALLED_TOOL)

    def test_ghost_preparation_from_the_cdrom_and_the_next_disc(self):
        kf.draw_own_frames(self.prefix)
        medium = self.medium()
        client_key = kf.CLIENT_KEY.split("\\", 1)[1]
        kf.configure_stub(medium, kf.CLIENT_INSTALLER, file1=kf.AGENT,
                          reg1="%s|ClientID|{CD-0001}" % client_key,
                          reg2="%s|Server|ktr.example" % client_key)
        disc = self.pressed_disc(medium, "disc")
        self.ghost_preparation(disc, install=True)
        with self.subTest("first disc"):
            self.assertTrue((self.prefix.drive_c / "RiduZadent" / "RiduZad.exe").is_file())
            self.assertEqual(self.prefix.reg_query(kf.CLIENT_KEY, lang=kf.LANG),
                             {"Server": ("REG_SZ", "ktr.example")}, "ClientID not removed")
            self.assertEqual(self.prefix.reg_query(kf.RUN_ONCE_KEY, "RadOzevO", lang=kf.LANG),
                             ("REG_SZ", "C:\\RadOzevO.Exe"))
            self.assertTrue((self.prefix.drive_c / kf.SAVED_NOTICE).is_file())
            copied = self.installed_tool()
            self.assertEqual(copied.read_bytes(),
                             make_medium.windows_path(disc, kf.MEDIUM_TOOL).read_bytes())
            # The copy takes the disc's read-only attribute along.
            self.assertEqual(copied.stat().st_mode & 0o222, 0)

        # The next release's disc carries another tool.
        changed = b"MZ the next release's tool"
        make_medium.windows_path(medium, kf.MEDIUM_TOOL).write_bytes(changed)
        self.prefix.stop()
        self.ghost_preparation(self.pressed_disc(medium, "next disc"), install=False)
        with self.subTest("next disc"):
            self.assertEqual(self.installed_tool().read_bytes(), changed)


if __name__ == "__main__":
    e2e_case.main()
