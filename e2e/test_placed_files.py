#!/usr/bin/env python3
"""What the Ghost preparation leaves in the root of drive C: under Wine: the
notice and the tool belong to the administrators and are closed to other
users, whatever lay there before; and a tool that cannot be placed leaves no
run-once value behind.

Wine without its staging patches keeps no descriptor of a file, only the Unix
mode it makes of one, and reports a descriptor made from that mode (owner:
the user; Everyone, WD: the "other" bits). There the test sees the
administrators' descriptor as a file that Everyone can no longer even read,
where the planted files before it could."""

import e2e_case
import korean_flow as kf
from korean_flow import GHOST

# Owner Administrators; SYSTEM and Administrators full control; Users read
# and execute; a protected DACL without inherited entries.
ADMINISTRATORS_ONLY = ("BA", True, ["(A;;0x1200a9;;;BU)", "(A;;FA;;;BA)", "(A;;FA;;;SY)"])


def parsed(sddl):
    """(owner, protected, sorted entries) of an "O:..D:.." string; the
    entries' order and the AI flag change nothing here."""
    if not sddl.startswith("O:") or "D:" not in sddl:
        return sddl
    owner, dacl = sddl[2:].split("D:", 1)
    flags, _, entries = dacl.partition("(")
    return (owner, "P" in flags, sorted("(" + e for e in entries.split("(") if e)
            if entries else [])


class PlacedFilesTest(e2e_case.E2ECase):

    def setUp(self):
        super().setUp()
        self.route_stub_logs(kf.StubLog(self.folder / "stubs.log"))
        kf.draw_own_frames(self.prefix)

    def run_once_value(self):
        values = self.prefix.reg_query(kf.RUN_ONCE_KEY, lang=kf.LANG)
        self.assertIsNotNone(values, "the run-once key cannot be read")
        return {name.lower(): data for name, data in values.items()}.get("radozevo")

    def leftovers(self):
        return sorted(p.name for p in self.prefix.drive_c.iterdir()
                      if p.name.lower().startswith(("alert.alt.", "radozevo.exe.")))

    def confirm_notice(self, walk, ghost):
        dialog = walk.open_notice(ghost)
        walk.click_child(walk.notice_buttons(dialog)[0])
        return dialog

    def test_notice_and_tool_belong_to_the_administrators(self):
        medium = self.medium()
        medium_tool = kf.set_tool_source(medium, 1234567891, read_only=True)
        drive_c = self.prefix.drive_c
        walk = kf.Walk(self.start_launcher(kf.LANG, medium=medium), self.display)
        ghost = walk.open_ghost(walk.open_client_menu())

        # A folder in the tool's place: the notice is saved, the tool is not
        # placed, and the value that would start it is taken back.
        blocker = drive_c / "RadOzevO.exe"
        blocker.mkdir()
        self.confirm_notice(walk, ghost)
        box = walk.launcher.wait_for_window("#32770", timeout=walk.timeout)
        with self.subTest("warning for a tool that cannot be placed"):
            self.assertIn(kf.text("RES_GHOST_LBLINCOMPLETE"),
                          [w.text for w in walk.children(box)])
            self.assertEqual(box.owner_class, "TEditNotice")
        walk.click_child([w for w in walk.children(box) if w.class_name.lower() == "button"][0])
        walk.wait_forms("the dialog gone after the warning", TEditNotice=None,
                        TGhostInstall=True)
        with self.subTest("no run-once value for a tool that was not placed"):
            self.assertIsNone(self.run_once_value())
            self.assertTrue(blocker.is_dir())
            self.assertEqual(self.leftovers(), [])
        walk.move(ghost, (20, 20))
        walk.settle()
        self.assertEqual(walk.ghost_looks(self.screenshot("ghost after the warning"), ghost),
                         {name: "enabled" for name, _ in kf.GHOST_CAPTIONS})

        # Someone else's read-only files in both places: replaced, and the
        # replacements are the administrators' own.
        blocker.rmdir()
        for name, data in (("RadOzevO.Exe", b"MZ someone else's program"),
                           ("Alert.alt", b"someone else's notice")):
            (drive_c / name).write_bytes(data)
            (drive_c / name).chmod(0o444)
        planted = walk.launcher.probe.security("C:\\Alert.alt")
        print("planted C:\\Alert.alt: %s" % planted)
        self.assertIn(";;;WD)", planted, "Everyone cannot read the planted file")
        self.confirm_notice(walk, ghost)
        walk.wait_forms("the dialog confirmed", TEditNotice=None, TGhostInstall=True)
        with self.subTest("contents"):
            self.assertEqual((drive_c / "Alert.alt").read_bytes(), kf.template_in_memo())
            tools = [p for p in drive_c.iterdir() if p.name.lower() == "radozevo.exe"]
            self.assertEqual(len(tools), 1, tools)
            self.assertEqual(tools[0].read_bytes(), medium_tool.read_bytes())
            self.assertEqual(self.run_once_value(), ("REG_SZ", "C:\\RadOzevO.Exe"))
            self.assertEqual(self.leftovers(), [])
        for path in ("C:\\Alert.alt", "C:\\RadOzevO.exe"):
            with self.subTest("descriptor of " + path):
                sddl = walk.launcher.probe.security(path)
                print("%s: %s" % (path, sddl))
                self.assertTrue(sddl.startswith("O:"), sddl)
                if sddl.startswith("O:BA"):
                    self.assertEqual(parsed(sddl), ADMINISTRATORS_ONLY, sddl)
                else:
                    self.assertNotIn(";;;WD)", sddl, "Everyone keeps access")
        self.assertEqual(walk.leave_and_exit(ghost, kf.image_point(GHOST["ImgConfirm"]),
                                             TGhostInstall=False), 0)


if __name__ == "__main__":
    e2e_case.main()
