#!/usr/bin/env python3
"""What a screen reader gets from the launcher under Wine, read by the probe
from another process through Active Accessibility: the tree of the main
menu and of the Ghost window, the focus events that the keyboard's
highlight gives, the name change of a completion text, and the default
action pressing an entry. One launcher run per language."""
import time

import e2e_case
import harness
import korean_flow as kf
import medium_texts

ENGLISH = "en_US.UTF-8"
TIMEOUT = 90

ROLE_PUSHBUTTON = 0x2B
ROLE_STATICTEXT = 0x29
ROLE_TEXT = 0x2A
STATE_UNAVAILABLE = 0x1
STATE_FOCUSED = 0x4
STATE_FOCUSABLE = 0x100000

# The main menu's entries top to bottom, as the keyboard reaches them.
ENTRY_KEYS = ["RES_NAME_MANUAL", "RES_NAME_SCAN", "RES_NAME_CLIENT", "RES_NAME_SERVER",
              "RES_NAME_BROWSE", "RES_NAME_EXIT"]
DESCRIPTION_KEYS = ["RES_DESC_MANUAL", "RES_DESC_SCAN", "RES_DESC_CLIENT", "RES_DESC_SERVER",
                    None, None]
SERVER = "Install\\KTR-Server\\ServerSetup.exe"


def texts_of(language):
    return medium_texts.TEXTS[language]


def parse(text):
    """The probe's lines as dictionaries, texts decoded from their escapes."""
    lines = []
    for line in text.splitlines():
        fields = dict(field.split("=", 1) for field in line.split("\t") if "=" in field)
        for name in ("name", "description", "action", "class"):
            if name in fields:
                fields[name] = harness.unescape(fields[name]).decode("utf-8")
        lines.append(fields)
    return lines


def location(child):
    return tuple(int(part) for part in child["location"].split(","))


class Listener:
    """The probe hearing the launcher's WinEvents until it is stopped."""

    def __init__(self, case, launcher, pid):
        self.out = case.folder / "events.txt"
        self.hold = case.folder / "events.hold"
        self.hold.touch()
        probe = harness.setting("KTR_PROBE")
        self.process = case.prefix.start(
            [probe, "events", case.prefix.windows_path(self.out),
             case.prefix.windows_path(self.hold), str(pid)],
            lang=launcher.lang, display=case.display, log="probe-events.log")
        case.addCleanup(self.stop)
        harness.wait_until(lambda: self.out.exists(), TIMEOUT, what="the event hooks")

    def heard(self):
        if not self.out.exists():
            return []
        return [line for line in parse(self.out.read_text(encoding="latin-1"))
                if "event" in line]

    def wait(self, what, condition):
        return harness.wait_until(lambda: condition(self.heard()), TIMEOUT, interval=0.3,
                                  what=what)

    def stop(self):
        self.hold.unlink(missing_ok=True)
        try:
            self.process.wait(30)
        except Exception:
            harness.end_process(self.process)


class AccessibilityTest(e2e_case.E2ECase):

    def setUp(self):
        super().setUp()
        self.log = self.route_stub_logs(kf.StubLog(self.folder / "stubs.log"))

    def read_tree(self, launcher, window, name):
        text = launcher.probe._call("accessible", window.hwnd)
        if text is None or text.startswith("error="):
            self.fail("the probe could not read the %s: %s" % (name, text))
        (self.folder / ("tree-%s.txt" % name)).write_text(text, encoding="latin-1")
        lines = [line for line in parse(text) if "id" in line]
        return lines[0], lines[1:]

    def assertMainMenu(self, window, main, children, language):
        texts = texts_of(language)
        self.assertEqual(main["name"], texts["RES_MAINFORM"])
        self.assertEqual(len(children), 6, children)
        left, top, width, height = window.client
        for index, child in enumerate(children):
            with self.subTest(entry=ENTRY_KEYS[index]):
                self.assertEqual(int(child["id"]), index + 1)
                self.assertEqual(int(child["role"]), ROLE_PUSHBUTTON)
                self.assertEqual(child["name"], texts[ENTRY_KEYS[index]])
                key = DESCRIPTION_KEYS[index]
                self.assertEqual(child["description"], texts[key] if key else "")
                self.assertEqual(child["action"], "Press")
                self.assertTrue(int(child["state"], 16) & STATE_FOCUSABLE)
                x, y, w, h = location(child)
                self.assertTrue(left <= x and x + w <= left + width and
                                top <= y and y + h <= top + height,
                                "%s outside the window %s" % (child["location"], window.client))
                self.assertEqual(child["hit"], child["id"])
                self.assertEqual(child["next"], str(index + 2) if index < 5 else "none")
        tops = [location(child)[1] for child in children]
        self.assertEqual(tops, sorted(tops), "not in screen order")

    def test_korean_menu_keyboard_focus_and_the_ghost_window(self):
        medium = self.medium()
        client_key = kf.CLIENT_KEY.split("\\", 1)[1]
        kf.configure_stub(medium, kf.CLIENT_INSTALLER, file1=kf.AGENT,
                          reg1="%s|ClientID|{E2E}" % client_key)
        launcher = self.start_launcher(kf.LANG, medium=medium)
        walk = kf.Walk(launcher, self.display, timeout=TIMEOUT)
        main = walk.window("TMainForm")
        listener = Listener(self, launcher, main.pid)

        with self.subTest("the main menu's tree"):
            self.assertMainMenu(main, *self.read_tree(launcher, main, "main-korean"), kf.KOREAN)

        with self.subTest("Tab, Tab, Shift+Tab move the focus"):
            walk.click_at(*walk.point(main, (20, 20)))
            time.sleep(1)
            before = len(listener.heard())
            for key in ("Tab", "Tab", "shift+Tab"):
                self.display.key(key)
            def entry_focus():
                return [e for e in listener.heard()[before:]
                        if e["event"] == "focus" and e["child"] != "0"]
            listener.wait("three focus events", lambda heard: len(entry_focus()) >= 3 and
                          not any("pending" in e for e in entry_focus()[:3]))
            focus = entry_focus()
            (self.folder / "focus-events.txt").write_text(
                "".join("%s child=%s name=%s state=%s\n" % (e["event"], e["child"], e["name"],
                                                          e["state"]) for e in focus),
                encoding="utf-8")
            texts = texts_of(kf.KOREAN)
            self.assertEqual([(e["child"], e["name"]) for e in focus[:3]],
                             [("1", texts["RES_NAME_MANUAL"]), ("2", texts["RES_NAME_SCAN"]),
                              ("1", texts["RES_NAME_MANUAL"])])
            self.assertTrue(int(focus[2]["state"], 16) & STATE_FOCUSED)

        walk.move(main, (20, 20))
        menu = walk.open_client_menu()
        texts = texts_of(kf.KOREAN)

        def by_name(children):
            """The children by name, an entry before its caption label."""
            named = {}
            for child in sorted(children, key=lambda c: int(c["role"]) != ROLE_PUSHBUTTON):
                named.setdefault(child["name"], child)
            return named

        with self.subTest("the client installation menu named by its captions"):
            window, children = self.read_tree(launcher, menu, "client-menu")
            self.assertEqual(window["name"], texts["RES_USER_CAPTION"])
            buttons = [c for c in children if int(c["role"]) == ROLE_PUSHBUTTON]
            self.assertEqual(sorted(c["name"] for c in buttons), sorted(
                texts[k] for k in ("RES_USER_GBBASE", "RES_USER_GBNORMAL", "RES_USER_GBGHOST",
                                   "RES_CANCEL", "RES_HELP")))
            ghost_entry = by_name(children)[texts["RES_USER_GBGHOST"]]
            self.assertEqual(ghost_entry["description"], " ".join(
                texts[k] for k in ("RES_USER_GBGHOST", "RES_USER_LBLGHOST")))

        ghost = walk.open_ghost(menu)

        with self.subTest("the Ghost window named by its captions"):
            window, children = self.read_tree(launcher, ghost, "ghost-fresh")
            self.assertEqual(window["name"], texts["RES_GHOST_CAPTION"])
            install = by_name(children)[texts["RES_BTNINSTALL"]]
            self.assertEqual(int(install["role"]), ROLE_PUSHBUTTON)
            self.assertEqual(install["description"], " ".join(
                texts[k] for k in ("RES_GHOST_INSTALL_CAPTION", "RES_GHOST_LBLINSTALL",
                                   "RES_GHOST_LBLINSTNOTE")))
            self.assertFalse(int(install["state"], 16) & STATE_UNAVAILABLE)

        with self.subTest("Install runs, is unavailable after, and its completion is told"):
            before = len(listener.heard())
            walk.click(ghost, kf.image_point(kf.GHOST["ImgButton1"]))
            walk.wait_forms("the Ghost window back after the installer", TGhostInstall=True)
            done = texts["RES_GHOST_LBLINSTCOMP"]
            listener.wait("the completion text's name change", lambda heard: any(
                "pending" not in e and
                e["event"] == "name" and e["name"] == done for e in heard[before:]))
            window, children = self.read_tree(launcher, ghost, "ghost-installed")
            named = by_name(children)
            self.assertTrue(int(named[texts["RES_BTNINSTALL"]]["state"], 16) & STATE_UNAVAILABLE)
            self.assertFalse(int(named[texts["RES_BTNEDIT"]]["state"], 16) & STATE_UNAVAILABLE)
            self.assertIn(done, named)
            self.assertEqual(int(named[done]["role"]), ROLE_STATICTEXT)

        with self.subTest("the notice dialog's edit box named by its label"):
            dialog = walk.open_notice(ghost)
            window, children = self.read_tree(launcher, dialog, "notice")
            self.assertEqual(window["name"], texts["RES_EDITNOTICE_CAPTION"])
            edit = [w for w in walk.children(dialog) if w.class_name.lower() == "edit"]
            self.assertEqual(len(edit), 1)
            own, _ = self.read_tree(launcher, edit[0], "notice-edit")
            self.assertEqual(int(own["role"]), ROLE_TEXT)
            self.assertEqual(own["name"], texts["RES_EDITNOTICE_LBL"])

        launcher.kill()

    def test_english_menu_pressed_by_its_default_action(self):
        launcher = self.start_launcher(ENGLISH)
        walk = kf.Walk(launcher, self.display, timeout=TIMEOUT)
        main = walk.window("TMainForm")

        def loaded():
            text = launcher.probe._call("modules", str(main.pid)) or ""
            return {line.split("=", 1)[1].lower() for line in text.splitlines()
                    if line.startswith("module=")}

        modules = loaded()
        self.assertIn("user32.dll", modules)
        self.assertNotIn("oleacc.dll", modules, "Active Accessibility loaded at start-up")
        self.assertMainMenu(main, *self.read_tree(launcher, main, "main-english"), "ENGLISH")
        self.assertIn("oleacc.dll", loaded())

        with self.subTest("the server entry starts the server installer"):
            self.assertEqual(launcher.probe._call("press", main.hwnd, "4"), "result=00000000\n")
            harness.wait_until(lambda: self.log.started(SERVER), TIMEOUT,
                               what="the server installer")
            walk.wait_forms("the main menu back", TMainForm=True)

        with self.subTest("the exit entry ends the program with 0"):
            self.assertEqual(launcher.probe._call("press", main.hwnd, "6"), "result=00000000\n")
            self.assertEqual(launcher.wait_for_exit(TIMEOUT), 0)


class ScaledAccessibilityTest(e2e_case.E2ECase):
    """At 200 % the places are in screen pixels, inside the scaled window."""
    dpi = 192

    def test_places_at_200_percent(self):
        launcher = self.start_launcher(ENGLISH)
        main = kf.Walk(launcher, self.display, timeout=TIMEOUT).window("TMainForm")
        text = launcher.probe._call("accessible", main.hwnd)
        self.assertIsNotNone(text)
        (self.folder / "tree-main-200.txt").write_text(text, encoding="latin-1")
        children = [line for line in parse(text) if line.get("id") not in (None, "0")]
        self.assertEqual(len(children), 6)
        left, top = main.client[:2]
        # The exit entry's layout place (490, 291, 67, 28), doubled.
        self.assertEqual(location(children[5]), (left + 980, top + 582, 134, 56))
        for child in children:
            self.assertEqual(child["hit"], child["id"])
        launcher.kill()


if __name__ == "__main__":
    e2e_case.main()
