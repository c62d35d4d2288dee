#!/usr/bin/env python3
"""A sealed medium under Wine: the launcher signed with a throwaway
authority's certificate (as the signing tests make one) carries its key, and
the medium carries the signed list of its files (ktrmedium seal).

As signed, the medium runs as before: the scanner, the manual, the client
installation menu with its help, the installer (held open by the launcher,
so that nobody replaces it while it runs) and the whole Ghost preparation.
Then one fault each, with the launcher showing its refusal (a box owned by
the window, naming the file) and starting nothing: a changed installer, a
library planted beside it, a changed tool, a changed MultiLang.ini, the list
signed by another key, the list deleted, a value pointing out of the medium,
and the genuine launcher started with a working folder that holds a copy of
the medium with one changed file.

One sealed medium serves every case; each fault is undone before the next.
"""
import shutil
import subprocess
import time
from pathlib import Path

import e2e_case
import harness
import korean_flow as kf
from korean_flow import GHOST, MENU

HERE = Path(__file__).resolve().parent
MAKE_CA = HERE.parent / "tests" / "ktrmedium" / "make_test_ca.sh"
SCANNER = "Run Sentova\\revuvez.exe"
SERVER = "Install\\KTR-Server\\ServerSetup.exe"
MAIN = {"manual": (438, 138, 172, 24), "scan": (438, 169, 172, 24),
        "server": (438, 230, 172, 24)}
VIEWER = "ManualViewer.exe"
BUILT_IN = "The installation medium is not as it was signed"
ERROR_SHARING_VIOLATION = 32


class SealedMediumTest(e2e_case.E2ECase):

    def setUp(self):
        super().setUp()
        self.log = self.route_stub_logs(kf.StubLog(self.folder / "stubs.log"))
        self.ca = self.folder / "ca"
        self.run_checked(["sh", str(MAKE_CA), str(self.ca)])
        kf.draw_own_frames(self.prefix)

    # --- Setting up -----------------------------------------------------------

    def run_checked(self, argv, cwd=None):
        done = subprocess.run(argv, cwd=cwd, capture_output=True, text=True, timeout=300,
                              stdin=subprocess.DEVNULL)
        self.assertEqual(done.returncode, 0, "%s: %s%s" % (argv, done.stdout, done.stderr))
        return done.stdout + done.stderr

    def seal(self, medium):
        return self.run_checked([harness.setting("KTR_MEDIUM_TOOL"), "seal", str(medium),
                                 "--pkcs12", str(self.ca / "signer.p12"),
                                 "--password-file", str(self.ca / "password")])

    def sealed_medium(self, name="medium"):
        medium = self.medium(name)
        # With every text empty (a language file refused) the skin folder is
        # "imgdata\" itself: a copy of the skin there keeps the windows
        # drawn, so that only the refusals are seen.
        skin = kf.make_medium.windows_path(medium, "imgdata\\" + kf.text("RES_LANG").decode())
        for picture in skin.glob("*.bmp"):
            shutil.copy2(picture, skin.parent / picture.name)
        kf.configure_stub(medium, kf.CLIENT_INSTALLER, file1=kf.AGENT,
                          reg1="%s|ClientID|{5EA1}" % kf.CLIENT_KEY.split("\\", 1)[1],
                          hold=self.prefix.windows_path(self.folder / "installer-hold"))
        print(self.seal(medium))
        return medium

    def manual_viewer(self):
        """A stub outside the medium for the shell to open ".txt" documents."""
        viewer = self.folder / "viewer" / VIEWER
        viewer.parent.mkdir(exist_ok=True)
        shutil.copy2(harness.setting("KTR_STUB"), viewer)
        reg = self.folder / "viewer.reg"
        command = '"%s" "%%1"' % self.prefix.windows_path(viewer)
        reg.write_bytes(("REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\.txt]\r\n@=\"KtrTest.Manual\"\r\n"
                         "\r\n[HKEY_CLASSES_ROOT\\KtrTest.Manual\\shell\\open\\command]\r\n"
                         "@=\"%s\"\r\n" % command.replace("\\", "\\\\").replace('"', '\\"'))
                        .encode("latin-1"))
        self.assertEqual(self.prefix.run(["reg", "import", self.prefix.windows_path(reg)],
                                         lang=kf.LANG, log="reg.log"), 0)

    def walk(self, medium, cwd=None):
        if cwd is None:
            return kf.Walk(self.start_launcher(kf.LANG, medium=medium), self.display)
        self.use_version(self.version, kf.LANG)
        launcher = FromFolder(self.prefix, self.display, medium, cwd, kf.LANG)
        self.addCleanup(launcher.close)
        return kf.Walk(launcher, self.display)

    # --- Looking ------------------------------------------------------------

    def click_for_box(self, walk, window, point):
        """Clicks until a box comes: a loaded machine may let a click just
        after a box closed pass unseen. A launcher that neither refuses nor
        starts anything still fails, after the last try."""
        for _ in range(3):
            walk.click(window, point)
            try:
                return walk.launcher.wait_for_window("#32770", timeout=15)
            except harness.HarnessError:
                walk.move(window, (20, 20))
                walk.settle()
        return None

    def refusal(self, walk, owner, file, what, box=None):
        """The refusal box: owned by the window, stop icon, naming the file;
        it is dismissed, and the window is back."""
        try:
            box = box or walk.launcher.wait_for_window("#32770", timeout=walk.timeout)
        except harness.HarnessError:
            self.screenshot(what + " (no box)")
            raise
        texts = [w.text for w in walk.children(box)]
        shown = " / ".join(t.decode("latin-1") if isinstance(t, bytes) else str(t)
                           for t in texts if t)
        print("%s: box owned by %s: %s" % (what, box.owner_class, shown))
        self.screenshot(what)
        self.assertEqual(box.owner_class, owner, what)
        self.assertIn(("\\" + file).lower(), shown.lower(), what)
        walk.click_child([w for w in walk.children(box) if w.class_name.lower() == "button"][0])
        harness.wait_until(lambda: not [w for w in walk.launcher.windows()
                                        if w.class_name == "#32770" and w.visible],
                           walk.timeout, what="the box gone")
        return shown

    def main_after_reports(self, walk):
        """The main menu of a launcher whose texts are all empty: the skin
        folder's name is a text too, and its missing pictures are reported
        at start-up (main menu and hidden Ghost window) as on any medium
        without texts; each report is dismissed."""
        def main_or_box():
            for window in walk.launcher.windows():
                if window.top_level and window.visible and window.class_name in (
                        "#32770", "TMainForm"):
                    return window
            return None
        for _ in range(6):
            window = harness.wait_until(main_or_box, walk.timeout, interval=0.5,
                                        what="the main menu or a report")
            if window.class_name == "TMainForm":
                walk.settle()
                if not [w for w in walk.launcher.windows()
                        if w.class_name == "#32770" and w.visible]:
                    return window
                continue
            print("start-up report: %s" % [w.text for w in walk.children(window) if w.text])
            walk.click_child([w for w in walk.children(window)
                              if w.class_name.lower() == "button"][0])
            time.sleep(0.5)
        self.fail("the main menu did not come up")

    def exit(self, walk):
        self.assertTrue(walk.launcher.probe.close(walk.window("TMainForm")))
        self.assertEqual(walk.launcher.wait_for_exit(), 0)

    # --- The flows ------------------------------------------------------------

    def test_sealed_medium_runs_as_signed_and_refuses_what_changed(self):
        medium = self.sealed_medium()
        with self.subTest("the medium checks with sha256sum and openssl"):
            print(self.run_checked(["sha256sum", "--quiet", "-c", "SHA256SUMS"], cwd=medium))
            print(self.run_checked(["openssl", "cms", "-verify", "-binary", "-inform", "DER",
                                    "-in", "SHA256SUMS.p7s", "-content", "SHA256SUMS",
                                    "-CAfile", str(self.ca / "ca.pem"), "-purpose", "any",
                                    "-out", "/dev/null"], cwd=medium))
        pristine = self.folder / "pristine"
        shutil.copytree(medium, pristine, symlinks=True)

        def restore():
            # File by file: the launcher may be running in the folder.
            for path in sorted(medium.rglob("*"), reverse=True):
                if not (pristine / path.relative_to(medium)).exists():
                    path.rmdir() if path.is_dir() else path.unlink()
            shutil.copytree(pristine, medium, symlinks=True, dirs_exist_ok=True)
        self.manual_viewer()

        # As signed: everything runs, and the installer is held while it runs.
        hold = self.folder / "installer-hold"
        walk = self.walk(medium)
        main = walk.window("TMainForm")
        walk.click(main, kf.image_point(MAIN["scan"]))
        harness.wait_until(lambda: self.log.started("revuvez.exe"), walk.timeout,
                           what="the scanner")
        walk.click(main, kf.image_point(MAIN["manual"]))
        harness.wait_until(lambda: self.log.started(VIEWER), walk.timeout, what="the manual")
        menu = walk.open_client_menu()
        harness.wait_until(lambda: self.log.started("KtrHelp.exe"), walk.timeout,
                           what="the menu's help")
        hold.touch()
        walk.click(menu, kf.image_point(MENU["ImgButton1"]))
        harness.wait_until(lambda: self.log.started(kf.CLIENT_INSTALLER), walk.timeout,
                           what="the installer")
        with self.subTest("the installer cannot be changed while it runs"):
            out = self.folder / "change.txt"
            self.prefix.run([harness.setting("KTR_PROBE"), "change",
                             self.prefix.windows_path(out), "D:\\" + kf.CLIENT_INSTALLER],
                            lang=kf.LANG, display=self.display, log="probe.log")
            answers = dict(field.split("=") for field in out.read_text().split())
            print("changing the running installer: %s" % answers)
            self.assertTrue(all(int(code) != 0 for code in answers.values()), answers)
            self.assertEqual(int(answers["write"]), ERROR_SHARING_VIOLATION)
        hold.unlink()
        walk.wait_forms("the menu back after the installer", TUserSetup=True)
        ghost = walk.open_ghost(menu)
        hold.touch()
        walk.click(ghost, kf.image_point(GHOST["ImgButton1"]))
        harness.wait_until(lambda: self.log.started(kf.CLIENT_INSTALLER)[1:], walk.timeout,
                           what="the Ghost window's installer")
        hold.unlink()
        walk.wait_forms("the Ghost window back", TGhostInstall=True)
        dialog = walk.open_notice(ghost)
        walk.click_child(walk.notice_buttons(dialog)[0])
        walk.wait_forms("the dialog confirmed", TEditNotice=None, TGhostInstall=True)
        tool = self.prefix.drive_c / kf.INSTALLED_TOOL
        self.assertEqual(tool.read_bytes(),
                         kf.make_medium.windows_path(medium, kf.MEDIUM_TOOL).read_bytes())
        self.assertEqual([w for w in walk.launcher.windows() if w.class_name == "#32770"], [])
        walk.click(ghost, kf.image_point(GHOST["ImgConfirm"]))
        walk.wait_forms("the main menu back", TMainForm=True, TUserSetup=None)

        # Faults a running launcher meets at its next step.
        tool.unlink()
        menu = walk.open_client_menu()
        installer = kf.make_medium.windows_path(medium, kf.CLIENT_INSTALLER)
        for what, change, file in (
                ("changed installer", lambda: installer.write_bytes(b"MZ not the installer"),
                 kf.CLIENT_INSTALLER),
                ("DLL planted beside the installer",
                 lambda: (installer.parent / "version.dll").write_bytes(b"MZ"),
                 "Install\\KTR-Client\\version.dll")):
            with self.subTest(what):
                runs = len(self.log.started())
                change()
                walk.move(menu, (20, 20))
                walk.settle()
                box = self.click_for_box(walk, menu, kf.image_point(MENU["ImgButton1"]))
                self.refusal(walk, "TUserSetup", file, what, box)
                self.assertEqual(len(self.log.started()), runs, "something was started")
                walk.wait_forms("the menu still there", TUserSetup=True)
                restore()
        with self.subTest("changed tool"):
            kf.make_medium.windows_path(medium, kf.MEDIUM_TOOL).write_bytes(b"MZ not the tool")
            ghost = walk.open_ghost(menu)
            dialog = walk.open_notice(ghost)
            walk.click_child(walk.notice_buttons(dialog)[0])
            self.refusal(walk, "TEditNotice", kf.MEDIUM_TOOL, "changed tool")
            self.assertFalse(tool.exists(), "the changed tool was placed")
            self.assertIsNone(self.prefix.reg_query(kf.RUN_ONCE_KEY, "RadOzevO", lang=kf.LANG))
            restore()
        walk.launcher.kill()

        # Faults found at the start: every step refused.
        ini = "ImgData\\KOREAN\\MultiLang.ini"

        def change_ini():
            path = kf.make_medium.windows_path(medium, ini)
            path.write_bytes(path.read_bytes() + b"\r\n")

        def resign():
            self.run_checked(["openssl", "cms", "-sign", "-binary", "-noattr", "-md", "sha256",
                              "-outform", "DER", "-signer", str(self.ca / "other-signer.pem"),
                              "-inkey", str(self.ca / "other-signer.key"),
                              "-in", str(medium / "SHA256SUMS"),
                              "-out", str(medium / "SHA256SUMS.p7s")])
        for what, change, file, owner in (
                ("changed MultiLang.ini", change_ini, ini, "TMainForm"),
                ("list signed by another key", resign, "SHA256SUMS", "TMainForm"),
                ("list deleted", lambda: (medium / "SHA256SUMS").unlink(), "SHA256SUMS",
                 "TMainForm")):
            with self.subTest(what):
                change()
                walk = self.walk(medium)
                main = self.main_after_reports(walk)
                runs = len(self.log.started())
                box = self.click_for_box(walk, main, kf.image_point(MAIN["scan"]))
                shown = self.refusal(walk, owner, file, what, box)
                self.assertIn(BUILT_IN, shown)
                self.assertEqual(len(self.log.started()), runs, "something was started")
                walk.launcher.kill()
                restore()

        with self.subTest("value pointing out of the medium"):
            leaving = self.medium("leaving")
            path = kf.make_medium.windows_path(leaving, ini)
            text = path.read_bytes()
            start = text.index(b"RES_SERVER_INSTALL=")
            end = text.index(b"\r\n", start)
            path.write_bytes(text[:start] + b"RES_SERVER_INSTALL=..\\..\\windows\\notepad.exe"
                             + text[end:])
            self.seal(leaving)
            walk = self.walk(leaving)
            main = walk.window("TMainForm")
            box = self.click_for_box(walk, main, kf.image_point(MAIN["server"]))
            self.refusal(walk, "TMainForm", "..\\..\\windows\\notepad.exe",
                         "value out of the medium", box)
            self.exit(walk)

        with self.subTest("genuine launcher, working folder of the caller's choosing"):
            copy = self.folder / "copy"
            shutil.copytree(medium, copy, symlinks=True)
            kf.make_medium.windows_path(copy, kf.CLIENT_INSTALLER).write_bytes(b"MZ planted")
            walk = self.walk(medium, cwd=copy)
            self.main_after_reports(walk)
            menu = walk.open_client_menu()
            runs = len(self.log.started())
            box = self.click_for_box(walk, menu, kf.image_point(MENU["ImgButton1"]))
            self.refusal(walk, "TUserSetup", kf.CLIENT_INSTALLER, "copy as working folder", box)
            self.assertEqual(len(self.log.started()), runs, "something was started")


class FromFolder(harness.Launcher):
    """The launcher of one folder started with another as its current
    directory, mapped as drive D:, as an unprivileged caller can."""

    def __init__(self, prefix, display, program_folder, cwd, lang):
        self.prefix = prefix
        self.display = display
        self.medium = cwd
        self.lang = lang
        self.probe = harness.Probe(prefix, display, lang)
        self.name = kf.make_medium.LAUNCHER_NAME
        prefix.map_drive("d", cwd)
        self.process = prefix.start([Path(program_folder) / self.name], lang=lang,
                                    display=display, cwd=cwd, log="launcher.log")


if __name__ == "__main__":
    e2e_case.main()
