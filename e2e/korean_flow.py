"""Driving the Korean installation windows under Wine: where their controls
lie, how the stub programs are told what to do and what they report, how a
screenshot shows whether a caption is drawn enabled or etched, and the walk
from the main menu to the client installation menu, the Ghost window and the
notice dialog with the real pointer.

Shared by the end-to-end test of these windows and the screenshot gallery.
"""
import os
import subprocess
import time
from pathlib import Path

import harness
import make_medium
import medium_texts

LANG = "ko_KR.UTF-8"
KOREAN = "KOREAN"

# Client-relative rectangles (left, top, width, height) of the windows'
# layouts; the launcher's own tables are the source of these numbers.
MAIN_INSTALL_CLIENT = (438, 199, 172, 24)

MENU = {
    "ImgButton1": (439, 158, 172, 24),
    "ImgButton2": (439, 199, 172, 24),
    "ImgButton3": (439, 240, 172, 24),
    "ImgCancel": (448, 291, 67, 28),
    "ImgHelp": (536, 291, 67, 28),
    "lblButton1": (452, 164, 146, 13),
    "lblButton2": (452, 205, 146, 13),
    "lblButton3": (452, 246, 146, 13),
    "lblCancel": (456, 301, 52, 13),
    "lblHelp": (543, 301, 52, 13),
    "lblTitle": (54, 185, 340, 16),
    "lblContent": (54, 216, 340, 60),
    "lblFormTitle": (54, 145, 340, 16),
}
MENU_BUTTONS = ["ImgButton1", "ImgButton2", "ImgButton3", "ImgCancel", "ImgHelp"]

GHOST = {
    "ImgConfirm": (414, 291, 67, 28),
    "ImgCancel": (493, 291, 67, 28),
    "ImgHelp": (570, 291, 67, 28),
    "ImgButton1": (439, 180, 172, 24),
    "ImgButton2": (439, 221, 172, 24),
    "lblButton1": (452, 186, 146, 13),
    "lblButton2": (452, 227, 146, 13),
    "lblCancel": (501, 300, 52, 13),
    "lblHelp": (577, 300, 52, 13),
    "lblConfirm": (422, 300, 52, 13),
    "lblTitle": (54, 166, 340, 16),
    "lblContent": (54, 187, 340, 57),
    "lblNotice": (54, 248, 340, 29),
}
# The Ghost window's buttons with their caption labels, in Tag order.
GHOST_CAPTIONS = [("Install", "lblButton1"), ("Edit", "lblButton2"),
                  ("Confirm", "lblConfirm"), ("Cancel", "lblCancel"), ("Help", "lblHelp")]
# Which of them are enabled in each state of the Ghost window.
GHOST_STATES = {
    "Fresh": {"Install", "Edit", "Confirm", "Cancel", "Help"},
    "Installed": {"Edit", "Confirm", "Help"},
    "Edited": {"Install", "Confirm", "Cancel", "Help"},
    "Installed and edited": {"Confirm", "Help"},
}

NOTICE_CLIENT = (496, 304)
NOTICE_IMAGE = (7, 9, 39, 39)
NOTICE_MEMO = (7, 72, 481, 191)

# The registry and the files of the machine that the Ghost preparation uses.
CLIENT_KEY = "HKLM\\Software\\KTR\\2.0\\RiduZadent\\General"
RUN_ONCE_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"
AGENT = "C:\\RiduZadent\\RiduZad.exe"
SAVED_NOTICE = "Alert.alt"   # in the root of drive C:
INSTALLED_TOOL = "RadOzevO.exe"
MEDIUM_TOOL = "imgdata\\RadOzevO.exe"
CLIENT_INSTALLER = "Install\\KTR-Client\\Install.exe"
INSTALL_BUILD = "Install\\InstallBuild\\InstallBuild.exe"
HELP_PROGRAM = "Help\\KtrHelp.exe"

WS_CAPTION = 0x00C00000
WS_SYSMENU = 0x00080000
WS_THICKFRAME = 0x00040000
WS_MINIMIZEBOX = 0x00020000
WS_MAXIMIZEBOX = 0x00010000

TIMEOUT = 60


def text(key):
    """The bytes of a Korean MultiLang.ini value, as the launcher reads them."""
    return make_medium.expected_text(KOREAN, key)


def template_in_memo():
    """The Korean notice template as the dialog holds it: its non-empty lines,
    each ended by CR LF, in code page 949."""
    lines = [line for line in medium_texts.ALERTS[KOREAN].split("\n") if line]
    return "".join(line + "\r\n" for line in lines).encode("cp949")


def image_point(rect):
    """A point of a button image that its caption label does not cover (the
    labels lie over the middle and have no mouse-move handler)."""
    return (rect[0] + 4, rect[1] + rect[3] // 2)


# --- Stub programs -----------------------------------------------------------

def configure_stub(medium, program, **settings):
    """Writes the [stub] INI next to a program of the medium (see the stub's
    own comment for the keys)."""
    path = make_medium.windows_path(medium, program)
    lines = ["[stub]"] + ["%s=%s" % (key, value) for key, value in settings.items()]
    path.with_suffix(".ini").write_bytes(("\r\n".join(lines) + "\r\n").encode("latin-1"))


class StubLog:
    """The records that the stubs append to one log file."""

    def __init__(self, path):
        self.path = Path(path)
        self.path.unlink(missing_ok=True)

    @property
    def windows_path(self):
        return harness.Prefix.windows_path(self.path)

    def records(self):
        if not self.path.exists():
            return []
        records = []
        for line in self.path.read_bytes().decode("latin-1").splitlines():
            if line:
                records.append(dict(field.split("=", 1) for field in line.split("\t")))
        return records

    def started(self, program=None):
        """Start records, of one medium-relative program when given."""
        found = [r for r in self.records() if r.get("event") == "started"]
        if program:
            suffix = "\\" + program.lower()
            found = [r for r in found if r["program"].lower().endswith(suffix)]
        return found

    def ended(self, pid):
        return [r for r in self.records() if r.get("event") == "ended" and r["pid"] == pid]


# --- What a screenshot shows -------------------------------------------------

def _luminance(rgb):
    return 0.299 * rgb[0] + 0.587 * rgb[1] + 0.114 * rgb[2]


def _strokes(screen, left, top, width, height):
    """(dark, light) pixel counts of a rectangle against its most frequent
    colour. The font is drawn smoothed, so a black stroke at this size only
    darkens the picture under it, to about 40 % at its darkest; the etched
    look of a disabled caption draws a white and a grey copy, both lighter
    than the skin colours."""
    ground, _ = dominant(screen, left, top, width, height)
    level = _luminance(ground)
    dark = light = 0
    for y in range(top, top + height):
        for x in range(left, left + width):
            value = _luminance(screen.pixel(x, y))
            dark += value <= 0.65 * level
            light += value >= level + 40
    return dark, light


def caption_look(screen, origin, rect):
    """How a label's text is drawn: "enabled" (dark text), "etched" (the
    disabled look: light strokes, nothing dark) or "blank"."""
    # One pixel more to the right and below: the etched highlight lies there.
    dark, light = _strokes(screen, origin[0] + rect[0], origin[1] + rect[1], rect[2] + 1,
                           rect[3] + 1)
    if dark >= 5 and light == 0:
        return "enabled"
    if dark == 0 and light >= 5:
        return "etched"
    return "blank" if dark == 0 and light == 0 else "mixed (%d dark, %d light)" % (dark, light)


def has_text(screen, origin, rect, light=False):
    """Whether dark (or, when asked, light) text is drawn inside the
    rectangle."""
    dark, bright = _strokes(screen, origin[0] + rect[0], origin[1] + rect[1], rect[2], rect[3])
    return (bright if light else dark) >= 5


def bitmap_under(screen, origin, point):
    return screen.bitmap_at(origin[0] + point[0], origin[1] + point[1])


def dominant(screen, left, top, width, height):
    """The most frequent colour of a rectangle and its share (0..1)."""
    counts = {}
    for y in range(top, top + height):
        for x in range(left, left + width):
            rgb = screen.pixel(x, y)
            counts[rgb] = counts.get(rgb, 0) + 1
    colour = max(counts, key=counts.get)
    return colour, counts[colour] / float(width * height)


# --- Wine settings -----------------------------------------------------------

def draw_own_frames(prefix, lang=LANG):
    """Xvfb has no window manager to draw title bars and frames; this makes
    Wine draw them itself, as Windows would."""
    code = prefix.run(["reg", "add", "HKCU\\Software\\Wine\\X11 Driver", "/v", "Decorated",
                       "/d", "N", "/f"], lang=lang, log="reg.log")
    if code != 0:
        raise harness.HarnessError("could not make Wine draw window frames")


# --- The walk through the windows --------------------------------------------

class Walk:
    """One launcher on one display, driven with the real pointer."""

    def __init__(self, launcher, display, timeout=TIMEOUT, dpi=96):
        self.launcher = launcher
        self.display = display
        self.timeout = timeout
        self.scale = dpi / 96.0

    def forms(self):
        """{class: visible} of the launcher's top-level forms; of the two
        Ghost windows (the hidden start-up instance and a shown one) a
        visible one counts."""
        state = {}
        for window in self.launcher.windows():
            if window.top_level and window.class_name in ("TMainForm", "TUserSetup",
                                                          "TGhostInstall", "TEditNotice"):
                state[window.class_name] = state.get(window.class_name, False) or window.visible
        return state

    def wait_forms(self, what, **expected):
        """Waits until each named form is visible (True), hidden (False) or
        gone (None); returns the state then seen."""
        def matches():
            state = self.forms()
            if self.launcher.process.poll() is not None:
                raise harness.HarnessError("the launcher ended (code %s) while waiting for %s"
                                           % (self.launcher.process.returncode, what))
            for name, visible in expected.items():
                if state.get(name) != visible:
                    return None
            return state or True
        return harness.wait_until(matches, self.timeout, interval=0.3, what=what)

    def window(self, class_name):
        return self.launcher.wait_for_window(class_name, timeout=self.timeout)

    def children(self, window):
        return [w for w in self.launcher.probe.windows() if w.parent == window.hwnd]

    def point(self, window, point):
        """A point of a window's layout on the screen, at the display scale."""
        return (window.client[0] + round(point[0] * self.scale),
                window.client[1] + round(point[1] * self.scale))

    def pointer(self):
        found = subprocess.run(["xdotool", "getmouselocation", "--shell"], env=self.display.env(),
                               capture_output=True, text=True, timeout=30,
                               stdin=subprocess.DEVNULL)
        fields = dict(line.split("=", 1) for line in found.stdout.splitlines() if "=" in line)
        return (int(fields.get("X", -1)), int(fields.get("Y", -1)))

    def pointer_to(self, x, y):
        """Moves the pointer and waits until X has it there. (xdotool's own
        --sync waits for a motion that never comes when the pointer is
        already at the target.)"""
        if self.pointer() == (x, y):
            return
        self.display.xdotool("mousemove", str(x), str(y))
        harness.wait_until(lambda: self.pointer() == (x, y), 10, interval=0.05,
                           what="the pointer at %d,%d" % (x, y))

    def move(self, window, point):
        self.pointer_to(*self.point(window, point))

    def click_at(self, x, y):
        """Moves onto the point first, so the window sees the pointer arrive,
        then clicks."""
        self.pointer_to(x, y)
        time.sleep(0.2)
        self.display.xdotool("click", "1")

    def click(self, window, point):
        self.click_at(*self.point(window, point))

    def click_child(self, child):
        self.click_at(child.rect[0] + child.rect[2] // 2, child.rect[1] + child.rect[3] // 2)

    def settle(self, seconds=0.7, longest=6):
        """Gives the launcher time to repaint after a pointer move: at least
        seconds, then until two screenshots in a row agree (an emulated
        launcher paints more slowly), at most longest seconds more; a
        blinking caret never lets the screen rest, so this never fails."""
        time.sleep(seconds)
        self.display.wait_still(longest)

    def open_client_menu(self):
        main = self.window("TMainForm")
        self.click(main, image_point(MAIN_INSTALL_CLIENT))
        self.wait_forms("the client installation menu", TUserSetup=True, TMainForm=False)
        return self.window("TUserSetup")

    def open_ghost(self, menu):
        self.click(menu, image_point(MENU["ImgButton3"]))
        self.wait_forms("the Ghost window", TGhostInstall=True, TUserSetup=False)
        return self.window("TGhostInstall")

    def leave_and_exit(self, window, point, **expected):
        """Clicks the point that takes window back to the main menu, waits
        for the menu (and the other forms as expected), closes it and
        answers the launcher's exit code."""
        self.click(window, point)
        self.wait_forms("the main menu back", TMainForm=True, TUserSetup=None, **expected)
        if not self.launcher.probe.close(self.window("TMainForm")):
            raise harness.HarnessError("the main menu could not be closed")
        return self.launcher.wait_for_exit()

    def open_notice(self, ghost):
        self.click(ghost, image_point(GHOST["ImgButton2"]))
        self.wait_forms("the notice dialog", TEditNotice=True)
        return self.window("TEditNotice")

    def notice_buttons(self, dialog):
        """The dialog's push buttons (OK, Cancel, Help), left to right."""
        buttons = [w for w in self.children(dialog) if w.class_name.lower() == "button"]
        return sorted(buttons, key=lambda w: w.rect[0])

    def close_box(self, window):
        """The screen point of a framed window's close box: at the right end
        of its title bar."""
        frame = window.client[0] - window.rect[0]
        caption = window.client[1] - window.rect[1] - frame
        right = window.rect[0] + window.rect[2]
        return (right - frame - 2 - caption // 2, window.rect[1] + frame + caption // 2)

    def ghost_looks(self, screen, ghost):
        """{button: look of its caption} of the Ghost window on a screenshot."""
        return {name: caption_look(screen, ghost.client[:2], GHOST[label])
                for name, label in GHOST_CAPTIONS}


def set_tool_source(medium, mtime, read_only):
    """Gives the medium's user-information change tool a known last-write time
    and, when asked, the read-only attribute (under Wine: no write bits)."""
    tool = make_medium.windows_path(medium, MEDIUM_TOOL)
    os.utime(tool, (mtime, mtime))
    if read_only:
        tool.chmod(0o444)
    return tool


# --- The screenshot gallery --------------------------------------------------

GALLERY_NOTE = ("The installation windows open only from the main menu in Korean (every other "
                "language runs the client installer directly), so the gallery shows them in "
                "Korean only.")


class Gallery:
    """Pictures of the Korean installation windows on the demo medium, each
    cut to its window, into one folder."""

    def __init__(self, walk, out, suffix=""):
        self.walk = walk
        self.out = Path(out)
        self.out.mkdir(parents=True, exist_ok=True)
        self.suffix = suffix
        self.written = []

    def shoot(self, name, window, framed=False):
        """Saves the window's area of the screen as name.png."""
        name += self.suffix
        self.walk.settle(1.0)
        full = self.out / (name + ".full.png")
        self.walk.display.screenshot(full)
        left, top, width, height = window.rect if framed else window.client
        target = self.out / (name + ".png")
        subprocess.run(["convert", str(full), "-crop", "%dx%d+%d+%d" % (width, height, left, top),
                        "+repage", str(target)], check=True, timeout=60,
                       stdin=subprocess.DEVNULL)
        full.unlink()
        self.written.append(target)
        print("  %s" % target, flush=True)

    def menu(self, menu):
        names = {"ImgButton1": "basic", "ImgButton2": "custom", "ImgButton3": "ghost",
                 "ImgCancel": "cancel", "ImgHelp": "help"}
        for number, button in enumerate(MENU_BUTTONS, 1):
            # Over the background first: the latch lets one highlight at a time.
            self.walk.move(menu, (20, 20))
            self.walk.settle()
            self.walk.move(menu, image_point(MENU[button]))
            self.shoot("ko-menu-%d-%s" % (number, names[button]), menu)
        self.walk.move(menu, (20, 20))

    def ghost_state(self, ghost, state):
        self.walk.move(ghost, (20, 20))
        self.shoot("ko-ghost-" + state.lower().replace(" ", "-"), ghost)

    def confirm_notice(self, ghost, shoot_dialog):
        dialog = self.walk.open_notice(ghost)
        if shoot_dialog:
            self.shoot("ko-notice", dialog, framed=True)
        self.walk.click_child(self.walk.notice_buttons(dialog)[0])
        # No picture of Edit's completion text: the dialog leaves the pointer
        # over the now disabled Edit, which counts as the background, and the
        # first move there hides the labels.
        self.walk.wait_forms("the notice dialog closed", TEditNotice=None, TGhostInstall=True)

    def install(self, ghost, shoot):
        self.walk.click(ghost, image_point(GHOST["ImgButton1"]))
        self.walk.wait_forms("the Ghost window back after the installer", TGhostInstall=True)
        if shoot:
            # The labels still show the Install texts, with its completion.
            self.shoot("ko-ghost-install-done", ghost)

    def run(self, walk_main_menu):
        menu = self.walk.open_client_menu()
        self.menu(menu)
        ghost = self.walk.open_ghost(menu)
        for button, name in (("ImgButton1", "install"), ("ImgButton2", "edit")):
            self.walk.move(ghost, (20, 20))
            self.walk.settle()
            self.walk.move(ghost, image_point(GHOST[button]))
            self.shoot("ko-ghost-hover-" + name, ghost)
        self.ghost_state(ghost, "Fresh")
        self.confirm_notice(ghost, shoot_dialog=True)
        self.ghost_state(ghost, "Edited")
        self.install(ghost, shoot=True)
        self.ghost_state(ghost, "Installed")
        self.confirm_notice(ghost, shoot_dialog=False)
        self.ghost_state(ghost, "Installed and edited")
        self.walk.click(ghost, image_point(GHOST["ImgConfirm"]))
        self.walk.wait_forms("the main menu back", TMainForm=True, TUserSetup=None)
        walk_main_menu(self.walk.window("TMainForm"))


def gallery_main(argv):
    programs, work, out, dpi = harness.gallery_setting(
        "Screenshots of the Korean installation windows on the demo medium under Wine", argv)
    if not harness.locale_available(LANG):
        raise SystemExit("the locale %s is not generated: run scripts/setup.sh" % LANG)

    medium = make_medium.build(work / "medium", programs / "ktr_stub.exe", style="demo",
                               launcher=programs / "KtrSetup.exe")
    client_key = CLIENT_KEY.split("\\", 1)[1]
    configure_stub(medium, CLIENT_INSTALLER, file1=AGENT,
                   reg1="%s|ClientID|{DEMO-0001}" % client_key)
    prefix = harness.fresh_prefix(work / "prefix")
    draw_own_frames(prefix)
    prefix.set_version("winxp", LANG)
    prefix.set_dpi(dpi, LANG)
    prefix.stop()

    print("Korean installation windows at %d DPI:" % dpi, flush=True)
    display = harness.Display(harness.screen_for(dpi))
    launcher = None
    try:
        launcher = harness.Launcher(prefix, display, medium, LANG, drive="d")
        walk = Walk(launcher, display, timeout=120, dpi=dpi)
        walk.window("TMainForm")
        gallery = Gallery(walk, out, harness.scale_suffix(dpi))

        def close_main(main):
            if not launcher.probe.close(main):
                raise harness.HarnessError("the main menu did not take the close request")
            launcher.wait_for_exit()
        gallery.run(close_main)
    finally:
        if launcher:
            launcher.close()
        prefix.stop()
        display.close()
    print(GALLERY_NOTE)
    return 0


if __name__ == "__main__":
    import sys
    if len(sys.argv) < 2 or sys.argv[1] != "gallery":
        raise SystemExit("usage: korean_flow.py gallery --programs DIR --out DIR --work DIR")
    sys.exit(gallery_main(sys.argv[2:]))
