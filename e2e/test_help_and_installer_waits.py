#!/usr/bin/env python3
"""What the launcher starts with administrator rights, under Wine.

Help commands: the medium's value "Help\\KtrHelp.exe client" left to the
system would be looked for in the system's own folders and along the search
path. With the help program missing from the medium and programs of that
name planted in both places, opening the client installation menu (which
starts its help) and pressing every Help button starts nothing.

Installers that broadcast a setting change with SendMessage wait until every
top-level window has answered, the launcher's hidden ones included. Started
from the main menu, the client installation menu and the Ghost window, such
an installer ends and the window comes back.
"""
import os
import unittest.mock

import e2e_case
import harness
import korean_flow as kf
from korean_flow import GHOST, MENU

SERVER = "Install\\KTR-Server\\ServerSetup.exe"
MAIN_INSTALL_SERVER = (438, 230, 172, 24)
# A folder of drive C: that the test puts on the search path.
PATH_FOLDER = "Tools"


class HelpAndInstallerWaitsTest(e2e_case.E2ECase):

    def setUp(self):
        super().setUp()
        self.log = self.route_stub_logs(kf.StubLog(self.folder / "stubs.log"))

    def walk(self, medium):
        return kf.Walk(self.start_launcher(kf.LANG, medium=medium), self.display)

    def plant(self, folder):
        """A copy of the stub as Help\\KtrHelp.exe under a folder of drive C:;
        it reports to the test's log like every other stub."""
        target = self.prefix.drive_c / folder / "Help" / "KtrHelp.exe"
        target.parent.mkdir(parents=True, exist_ok=True)
        target.write_bytes(open(harness.setting("KTR_STUB"), "rb").read())
        return target

    def test_help_programs_come_from_the_medium_only(self):
        medium = self.medium()
        kf.make_medium.windows_path(medium, kf.HELP_PROGRAM).unlink()
        in_system = self.plant("windows")
        on_path = self.plant(PATH_FOLDER)
        patch = unittest.mock.patch.dict(os.environ, {"WINEPATH": "C:\\" + PATH_FOLDER})
        patch.start()
        self.addCleanup(patch.stop)
        walk = self.walk(medium)

        menu = walk.open_client_menu()
        walk.click(menu, kf.image_point(MENU["ImgHelp"]))
        ghost = walk.open_ghost(menu)
        walk.click(ghost, kf.image_point(GHOST["ImgHelp"]))
        dialog = walk.open_notice(ghost)
        walk.click_child(walk.notice_buttons(dialog)[2])
        walk.settle(3)
        self.assertEqual(walk.forms().get("TEditNotice"), True, "Help closed the dialog")
        self.assertEqual([w for w in walk.launcher.windows() if w.class_name == "#32770"], [],
                         "a missing help program was reported")
        self.assertEqual(self.log.started("KtrHelp.exe"), [],
                         "a help program outside the medium was started")

        # The trap is real: the value as it stands, given to the system from
        # the launcher's current directory, starts a planted program: the one
        # in the system's folder, and without it the one on the search path.
        walk.click_child(walk.notice_buttons(dialog)[1])
        walk.wait_forms("the dialog closed", TEditNotice=None, TGhostInstall=True)
        line = kf.text("RES_HELPCLI").decode("latin-1")
        self.assertTrue(line.startswith(kf.HELP_PROGRAM), line)
        for number, (plant, found) in enumerate(((in_system, "C:\\windows"),
                                                 (on_path, "C:\\" + PATH_FOLDER)), 1):
            out = self.folder / ("winexec-%d.txt" % number)
            self.prefix.run([harness.setting("KTR_PROBE"), "winexec",
                             self.prefix.windows_path(out), line], lang=kf.LANG,
                            display=self.display, cwd=medium, log="probe.log")
            self.assertGreater(int(out.read_text()), 31, "the system found no planted program")
            runs = harness.wait_until(lambda: self.log.started("KtrHelp.exe")[number - 1:], 30,
                                      what="the planted help program")
            self.assertEqual(runs[0]["program"].lower(),
                             (found + "\\" + kf.HELP_PROGRAM).lower())
            plant.unlink()

    def test_installers_that_broadcast_a_setting_change_end(self):
        medium = self.medium()
        client_key = kf.CLIENT_KEY.split("\\", 1)[1]
        kf.configure_stub(medium, SERVER, broadcast=1, sleep_ms=1000)
        kf.configure_stub(medium, kf.CLIENT_INSTALLER, broadcast=1, sleep_ms=1000,
                          file1=kf.AGENT, reg1="%s|ClientID|{0E2E}" % client_key)
        walk = self.walk(medium)

        def ended_and_back(program, nth, what, **forms):
            run = harness.wait_until(lambda: self.log.started(program)[nth - 1:nth], 60,
                                     what="%s to start" % program)[0]
            harness.wait_until(lambda: self.log.ended(run["pid"]), 60,
                               what="%s to end after its broadcast" % program)
            walk.wait_forms(what, **forms)

        main = walk.window("TMainForm")
        walk.click(main, kf.image_point(MAIN_INSTALL_SERVER))
        ended_and_back(SERVER, 1, "the main menu back after the server installer",
                       TMainForm=True)

        menu = walk.open_client_menu()
        walk.click(menu, kf.image_point(MENU["ImgButton1"]))
        ended_and_back(kf.CLIENT_INSTALLER, 1, "the menu back after the client installer",
                       TUserSetup=True, TMainForm=False)

        ghost = walk.open_ghost(menu)
        walk.click(ghost, kf.image_point(GHOST["ImgButton1"]))
        ended_and_back(kf.CLIENT_INSTALLER, 2, "the Ghost window back after the installer",
                       TGhostInstall=True, TUserSetup=False, TMainForm=False)
        self.assertIsNone(self.prefix.reg_query(kf.CLIENT_KEY, "ClientID", lang=kf.LANG))

        self.assertEqual(walk.leave_and_exit(ghost, kf.image_point(GHOST["ImgConfirm"])), 0)


if __name__ == "__main__":
    e2e_case.main()
