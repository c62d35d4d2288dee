"""The end-to-end harness: a Wine prefix per test run, Xvfb, the window
probe, screenshots read pixel by pixel, the registry and drive C: read back.

Settings come from the environment that cmake/e2e.cmake gives each test:
KTR_LAUNCHER, KTR_STUB, KTR_PROBE (the built programs), KTR_E2E_DIR (the
run's work folder), KTR_WINE and KTR_WINEARCH (the Wine loader that runs
this build's programs).

Wine's helper processes inherit and keep open whatever pipes a program was
started with, so every Wine program here writes to a file and is waited for
by PID with a timeout; nothing reads a Wine pipe.
"""
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "tools"))
import make_medium  # noqa: E402

# Emulated Windows versions, as Wine's HKCU\Software\Wine\Version names them.
VERSIONS = ("win95", "win98", "winme", "nt40", "win2k", "winxp")
SCREEN = (1024, 768)
# Fonts of Debian's packages (fonts-wqy-microhei, and Wine's own fonts-wine)
# that the prefixes draw window frames with.
FRAME_TEXT_FONT = "WenQuanYi Micro Hei"
FRAME_SYMBOL_FONT = Path("/usr/share/wine/fonts/marlett.ttf")


class HarnessError(Exception):
    pass


def setting(name):
    value = os.environ.get(name)
    if not value:
        raise HarnessError("%s is not set: run the end-to-end tests through ctest" % name)
    return value


def work_dir():
    """The run's work folder, made when missing: every log and screenshot of
    the run goes below it."""
    folder = Path(setting("KTR_E2E_DIR"))
    folder.mkdir(parents=True, exist_ok=True)
    return folder


def wait_until(condition, timeout, interval=0.25, what="condition"):
    """Polls condition() until it gives a true value, which is returned."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise HarnessError("timed out after %ss waiting for %s" % (timeout, what))
        time.sleep(interval)


def end_process(process, grace=5):
    """Ends a process that this harness started, by its PID."""
    if process.poll() is not None:
        return
    try:
        os.kill(process.pid, signal.SIGTERM)
        process.wait(grace)
    except (ProcessLookupError, subprocess.TimeoutExpired):
        try:
            os.kill(process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        process.wait(grace)


def locale_available(lang):
    """Whether the C library knows LANG: Wine silently takes an unknown one as
    English, which would make a test of the language choice pass for the
    wrong reason."""
    wanted = lang.lower().replace("utf-8", "utf8")
    found = subprocess.run(["locale", "-a"], capture_output=True, text=True, timeout=30)
    return wanted in {line.strip().lower() for line in found.stdout.splitlines()}


# --- Display -----------------------------------------------------------------

class Display:
    """Our own Xvfb on a free display number, ended by its PID."""

    def __init__(self, size=SCREEN):
        read_end, write_end = os.pipe()
        log = open(work_dir() / "xvfb.log", "ab")
        try:
            # -displayfd lets Xvfb pick a free number and tell us which.
            self.process = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                 "%dx%dx24" % size, "-nolisten", "tcp", "-noreset"],
                pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=log, stderr=log)
        finally:
            os.close(write_end)
            log.close()
        number = b""
        deadline = time.monotonic() + 30
        os.set_blocking(read_end, False)
        while not number.endswith(b"\n"):
            if time.monotonic() > deadline or self.process.poll() is not None:
                os.close(read_end)
                end_process(self.process)
                raise HarnessError("Xvfb did not start (see xvfb.log)")
            try:
                chunk = os.read(read_end, 16)
            except BlockingIOError:
                chunk = b""
            if chunk:
                number += chunk
            else:
                time.sleep(0.05)
        os.close(read_end)
        self.name = ":" + number.decode().strip()
        self.size = size

    def env(self):
        return dict(os.environ, DISPLAY=self.name)

    def screenshot(self, png):
        """Saves the whole screen as PNG and returns it as an Image."""
        png = Path(png)
        png.parent.mkdir(parents=True, exist_ok=True)
        subprocess.run(["import", "-window", "root", "-depth", "8", str(png)], env=self.env(),
                       check=True, timeout=60, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return Image.from_png(png)

    def wait_still(self, timeout, interval=0.3):
        """Waits until two screenshots interval apart are the same, at most
        timeout seconds; answers whether the screen came to rest."""
        shot = work_dir() / ("still-%s.png" % self.name.strip(":"))
        deadline = time.monotonic() + timeout
        last = self.screenshot(shot).data
        while time.monotonic() < deadline:
            time.sleep(interval)
            current = self.screenshot(shot).data
            if current == last:
                shot.unlink(missing_ok=True)
                return True
            last = current
        shot.unlink(missing_ok=True)
        return False

    def xdotool(self, *args):
        subprocess.run(["xdotool", *args], env=self.env(), check=True, timeout=30,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)

    def move(self, x, y):
        self.xdotool("mousemove", "--sync", str(x), str(y))

    def click(self, x, y, button=1):
        self.move(x, y)
        self.xdotool("click", str(button))

    def key(self, *keys):
        self.xdotool("key", *keys)

    def close(self):
        end_process(self.process)

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.close()


class Image:
    """A screenshot's pixels, read from ImageMagick's binary PPM."""

    def __init__(self, width, height, data, path=None):
        self.width = width
        self.height = height
        self.data = data
        self.path = path

    @classmethod
    def from_png(cls, png):
        ppm = Path(png).with_suffix(".ppm")
        subprocess.run(["convert", str(png), "-depth", "8", "ppm:" + str(ppm)], check=True,
                       timeout=60, stdin=subprocess.DEVNULL)
        raw = ppm.read_bytes()
        ppm.unlink()
        fields = []
        position = 0
        while len(fields) < 4:
            while raw[position:position + 1].isspace():
                position += 1
            if raw[position:position + 1] == b"#":
                position = raw.index(b"\n", position) + 1
                continue
            end = position
            while not raw[end:end + 1].isspace():
                end += 1
            fields.append(raw[position:end])
            position = end
        position += 1
        if fields[0] != b"P6" or fields[3] != b"255":
            raise HarnessError("unexpected picture format in %s" % png)
        width, height = int(fields[1]), int(fields[2])
        return cls(width, height, raw[position:position + width * height * 3], Path(png))

    def pixel(self, x, y):
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise HarnessError("pixel %d,%d is off the screen" % (x, y))
        offset = (y * self.width + x) * 3
        return tuple(self.data[offset:offset + 3])

    def bitmap_at(self, x, y):
        """(language, bitmap file) of the test medium colour at x, y, or None."""
        return make_medium.identify_colour(self.pixel(x, y))

    def count(self, colour, left, top, width, height):
        """How many pixels of the rectangle have exactly this colour."""
        colour = tuple(colour)
        return sum(1 for y in range(top, top + height) for x in range(left, left + width)
                   if self.pixel(x, y) == colour)


# --- Windows, as the probe sees them -----------------------------------------

def unescape(text):
    """The bytes of a probe text field (\\xNN escapes)."""
    out = bytearray()
    position = 0
    while position < len(text):
        if text.startswith("\\x", position):
            out.append(int(text[position + 2:position + 4], 16))
            position += 4
        else:
            out += text[position].encode("ascii")
            position += 1
    return bytes(out)


def _rect(text):
    left, top, width, height = (int(part) for part in text.split(","))
    return (left, top, width, height)


class Window:
    def __init__(self, fields):
        self.fields = fields
        self.hwnd = fields["hwnd"]
        self.parent = fields["parent"]
        self.pid = int(fields["pid"])
        self.image = unescape(fields["image"]).decode("latin-1")
        self.class_name = unescape(fields["class"]).decode("latin-1")
        self.text = unescape(fields["text"])
        self.rect = _rect(fields["rect"])
        self.client = _rect(fields["client"])
        self.style = int(fields["style"], 16)
        self.exstyle = int(fields["exstyle"], 16)
        self.visible = fields["visible"] == "1"
        self.enabled = fields["enabled"] == "1"
        self.owner = fields["owner"]
        self.owner_class = unescape(fields["owner_class"]).decode("latin-1")

    @property
    def top_level(self):
        return self.parent == "0"

    def __repr__(self):
        return "<%s %r %s visible=%s>" % (self.class_name, self.text, self.rect, self.visible)


# --- Wine --------------------------------------------------------------------

class Prefix:
    """The test run's Wine prefix under the build folder: made once per run
    by `prefix.py create`, reset between tests to the state it had then.

    The folder and its snapshot are named after the given root and the
    architecture (`<root>-win32`, `<root>-win32-snapshot`), so prefixes
    beside each other, or of both architectures, never take each other's
    state."""

    def __init__(self, root=None):
        self.wine = setting("KTR_WINE")
        self.arch = setting("KTR_WINEARCH")
        base = Path(root) if root else work_dir() / "prefix"
        self.root = base.with_name("%s-%s" % (base.name, self.arch))
        self.snapshot = self.root.with_name(self.root.name + "-snapshot")
        self.logs = work_dir() / "logs"

    @property
    def drive_c(self):
        return self.root / "drive_c"

    def env(self, lang="en_US.UTF-8", display=None):
        env = {key: value for key, value in os.environ.items()
               if not key.startswith("LC_") and key not in ("LANGUAGE", "DISPLAY")}
        env.update(WINEPREFIX=str(self.root), WINEARCH=self.arch, WINEDEBUG="-all",
                   WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d",
                   LANG=lang, LC_ALL=lang)
        if display:
            env["DISPLAY"] = display.name
        return env

    def _log(self, name):
        self.logs.mkdir(parents=True, exist_ok=True)
        return open(self.logs / name, "ab")

    def start(self, args, lang="en_US.UTF-8", display=None, cwd=None, log="wine.log"):
        """Starts `wine args` without waiting; its output goes to a log file."""
        with self._log(log) as out:
            return subprocess.Popen([self.wine, *[str(arg) for arg in args]],
                                    env=self.env(lang, display), cwd=cwd,
                                    stdin=subprocess.DEVNULL, stdout=out, stderr=out)

    def run(self, args, lang="en_US.UTF-8", display=None, cwd=None, timeout=120,
            log="wine.log"):
        """Runs `wine args` to its end and returns its exit code; a program
        still running at the timeout is killed and raises."""
        process = self.start(args, lang, display, cwd, log)
        try:
            return process.wait(timeout)
        except subprocess.TimeoutExpired:
            end_process(process)
            raise HarnessError("wine %s did not end within %ss" % (" ".join(map(str, args)),
                                                                    timeout))

    def server(self, *args, timeout=120):
        subprocess.run(["wineserver", *args], env=self.env(), timeout=timeout,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)

    def stop(self):
        """Ends every Wine process of this prefix and waits for the server."""
        if self.root.exists():
            self.server("-k")
            self.server("-w")

    # The prefix's state: the registry files and the files on drive C:.
    REGISTRY_FILES = ("system.reg", "user.reg", "userdef.reg")

    def create(self):
        self.stop()
        for path in (self.root, self.snapshot):
            if path.exists():
                shutil.rmtree(path)
        self.root.parent.mkdir(parents=True, exist_ok=True)
        code = self.run(["wineboot", "-i"], timeout=900, log="wineboot.log")
        if code == 0:
            self.give_frame_fonts()
        # The registry reaches its files when the server ends by itself.
        self.server("-w", timeout=300)
        self.stop()
        if code != 0 or not (self.root / "system.reg").exists():
            raise HarnessError("wineboot failed (%s): see %s" % (code, self.logs / "wineboot.log"))
        self.snapshot.mkdir(parents=True)
        (self.snapshot / "arch.txt").write_text(self.arch)
        for name in self.REGISTRY_FILES:
            shutil.copy2(self.root / name, self.snapshot / name)
        listing = sorted(str(path.relative_to(self.drive_c)) for path in self._walk(self.drive_c))
        (self.snapshot / "drive_c.txt").write_text("\n".join(listing) + "\n")

    def give_frame_fonts(self):
        """The fonts Wine draws the frames of windows with, as Windows has
        them: a caption and menu font with Hangul, kana and Chinese besides
        Latin (Wine's own has none, and a Korean title shows boxes), and
        Marlett for the frame's buttons (without it the close button shows
        an "r"). What the launcher draws itself does not change: it takes
        the icon-title font, which stays as it was."""
        fonts = self.drive_c / "windows" / "Fonts"
        fonts.mkdir(parents=True, exist_ok=True)
        marlett = FRAME_SYMBOL_FONT
        if not marlett.exists():
            raise HarnessError("%s is missing: run scripts/setup.sh" % marlett)
        shutil.copy2(marlett, fonts / marlett.name)
        face = FRAME_TEXT_FONT.encode("utf-16-le")
        for value, weight in (("CaptionFont", 700), ("SmCaptionFont", 400), ("MenuFont", 400)):
            # LOGFONTW: -11 pixels high (Wine's own size), the weight, the
            # default character set, variable pitch Swiss, then the face.
            font = (struct.pack("<lllll8B", -11, 0, 0, 0, weight, 0, 0, 0, 1, 0, 0, 0, 0x22) +
                    face.ljust(64, b"\0"))
            code = self.run(["reg", "add", "HKCU\\Control Panel\\Desktop\\WindowMetrics",
                             "/v", value, "/t", "REG_BINARY", "/d", font.hex(), "/f"],
                            log="reg.log")
            if code != 0:
                raise HarnessError("could not set the prefix's %s" % value)

    def ready(self):
        """Whether create() finished for this prefix and architecture; a
        prefix half made by a failed run, or of another Wine, is not."""
        arch = self.snapshot / "arch.txt"
        return (arch.exists() and arch.read_text() == self.arch and
                (self.snapshot / "drive_c.txt").exists() and
                all((self.root / name).exists() for name in self.REGISTRY_FILES))

    @staticmethod
    def _walk(top):
        for folder, folders, files in os.walk(top, followlinks=False):
            for name in folders + files:
                yield Path(folder, name)

    def reset(self):
        """Back to the state after `create`: no Wine process, the registry as
        it was, and whatever a test wrote on drive C: removed."""
        if not self.ready():
            raise HarnessError("no prefix for this run: the e2e_prefix_create test makes it")
        self.stop()
        for name in self.REGISTRY_FILES:
            shutil.copy2(self.snapshot / name, self.root / name)
        known = set((self.snapshot / "drive_c.txt").read_text().split("\n"))
        for path in sorted(self._walk(self.drive_c), key=lambda p: len(p.parts), reverse=True):
            if str(path.relative_to(self.drive_c)) in known:
                continue
            if path.is_dir() and not path.is_symlink():
                shutil.rmtree(path, ignore_errors=True)
            else:
                path.unlink(missing_ok=True)
        for drive in (self.root / "dosdevices").iterdir():
            if drive.name.lower() not in ("c:", "z:") and drive.is_symlink():
                drive.unlink()

    def map_drive(self, letter, folder):
        """Makes folder the root of a drive, as a CD would be."""
        link = self.root / "dosdevices" / (letter.lower() + ":")
        if link.is_symlink() or link.exists():
            link.unlink()
        link.symlink_to(Path(folder).resolve())

    def set_version(self, version, lang="en_US.UTF-8"):
        if version not in VERSIONS:
            raise HarnessError("unknown Windows version %s" % version)
        code = self.run(["reg", "add", "HKCU\\Software\\Wine", "/v", "Version", "/d", version,
                         "/f"], lang=lang, log="reg.log")
        if code != 0:
            raise HarnessError("could not set the Windows version %s" % version)

    def set_dpi(self, dpi, lang="en_US.UTF-8"):
        """The display scale Wine reports to programs that declare themselves
        aware of it (96 is 100 %)."""
        code = self.run(["reg", "add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t",
                         "REG_DWORD", "/d", str(dpi), "/f"], lang=lang, log="reg.log")
        if code != 0:
            raise HarnessError("could not set the display scale to %d DPI" % dpi)

    def reg_query(self, key, value=None, lang="en_US.UTF-8"):
        """A registry value as (type, data), None when it or its key is
        missing; without a value name, the names of the key's values."""
        out = work_dir() / "reg-query.txt"
        out.unlink(missing_ok=True)
        args = ["cmd", "/c", "reg", "query", key] + (["/v", value] if value else [])
        args += [">", self.windows_path(out)]
        code = self.run(args, lang=lang, log="reg.log")
        text = out.read_bytes().decode("latin-1") if out.exists() else ""
        if code != 0:
            return None
        entries = {}
        for line in text.splitlines():
            # "    NAME    REG_TYPE    DATA"; names and data may hold blanks.
            match = re.match(r"^\s+(.*?)\s+(REG_[A-Z_]+)(?:\s+(.*))?$", line.rstrip("\r"))
            if match:
                entries[match.group(1)] = (match.group(2), match.group(3) or "")
        if value is None:
            return entries
        for name, entry in entries.items():
            if name.lower() == value.lower():
                return entry
        return None

    @staticmethod
    def windows_path(path):
        return "Z:" + str(Path(path).resolve()).replace("/", "\\")


class Probe:
    """The window probe (e2e/probe), run inside the prefix."""

    def __init__(self, prefix, display, lang):
        self.prefix = prefix
        self.display = display
        self.lang = lang
        self.program = Path(setting("KTR_PROBE"))
        self.out = work_dir() / "probe.txt"

    def _call(self, *args):
        self.out.unlink(missing_ok=True)
        code = self.prefix.run([self.program, args[0], self.prefix.windows_path(self.out),
                                *args[1:]], lang=self.lang, display=self.display, timeout=60,
                               log="probe.log")
        if code != 0 or not self.out.exists():
            return None
        return self.out.read_text(encoding="latin-1")

    def windows(self):
        text = self._call("windows")
        if text is None:
            raise HarnessError("the probe could not list the windows")
        windows = []
        for line in text.splitlines():
            fields = dict(field.split("=", 1) for field in line.split("\t") if "=" in field)
            windows.append(Window(fields))
        return windows

    def info(self):
        text = self._call("info")
        if text is None:
            raise HarnessError("the probe could not answer")
        return dict(field.split("=", 1) for field in text.strip().split("\t"))

    def security(self, path):
        """The owner and DACL of a file inside the prefix as SDDL
        ("O:..D:.."), or "error=N" with the system's error code."""
        text = self._call("security", path)
        if text is None:
            raise HarnessError("the probe could not read the security of %s" % path)
        line = text.strip()
        return line[len("sddl="):] if line.startswith("sddl=") else line

    def close(self, window):
        """Posts WM_CLOSE to a window; False when the window is gone."""
        return self._call("close", window.hwnd) is not None

    def hold_open(self, hold, paths, timeout=60):
        """Another program that keeps the files open for reading, shared
        with other readers, until the file hold is removed; answers once
        they are open (the process, to be waited for after the removal)."""
        out = work_dir() / "probe-read.txt"
        out.unlink(missing_ok=True)
        hold.touch()
        process = self.prefix.start(
            [self.program, "read", self.prefix.windows_path(out), self.prefix.windows_path(hold),
             *[self.prefix.windows_path(path) for path in paths]],
            lang=self.lang, display=self.display, log="probe-read.log")
        wait_until(out.exists, timeout, what="the probe to open the files")
        if out.read_text(encoding="latin-1").strip() != "opened=%d" % len(paths):
            raise HarnessError("the probe could not open %s" % ", ".join(map(str, paths)))
        return process


class Launcher:
    """KtrSetup.exe started from a medium's root under Wine."""

    def __init__(self, prefix, display, medium, lang, drive=None, from_drive=False):
        self.prefix = prefix
        self.display = display
        self.medium = Path(medium)
        self.lang = lang
        self.probe = Probe(prefix, display, lang)
        self.name = make_medium.LAUNCHER_NAME
        if drive:
            prefix.map_drive(drive, self.medium)
        # From the drive, as autorun starts it: "D:\\KtrSetup.exe".
        program = "%s:\\%s" % (drive.upper(), self.name) if from_drive else self.medium / self.name
        self.process = prefix.start([program], lang=lang, display=display,
                                    cwd=self.medium, log="launcher.log")

    def windows(self):
        return [window for window in self.probe.windows()
                if window.image.lower().endswith("\\" + self.name.lower())]

    def wait_for_window(self, class_name, timeout=90, visible=True, exclude=()):
        """The first top-level window of this class (visible, unless told
        otherwise) whose handle is not in exclude."""
        def find():
            for window in self.windows():
                if window.class_name == class_name and window.top_level and \
                        window.hwnd not in exclude and (window.visible or not visible):
                    return window
            if self.process.poll() is not None:
                raise HarnessError("the launcher ended (code %s) before a %s window appeared"
                                   % (self.process.returncode, class_name))
            return None
        return wait_until(find, timeout, interval=0.5, what="a %s window" % class_name)

    def wait_for_exit(self, timeout=60):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            self.kill()
            raise HarnessError("the launcher did not end within %ss" % timeout)

    def kill(self):
        end_process(self.process)

    def close(self):
        if self.process.poll() is None:
            self.kill()


def full_medium(folder, **options):
    """A test-style medium with the launcher in its root."""
    return make_medium.build(folder, setting("KTR_STUB"), style="test",
                             launcher=setting("KTR_LAUNCHER"), **options)


def gallery_setting(description, argv):
    """For a gallery command run outside ctest: reads --programs, --out,
    --work and --dpi, gives the harness the settings ctest would, and answers
    the three folders (the out folder made) and the scale."""
    import argparse
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("--programs", required=True, help="build folder with KtrSetup.exe")
    parser.add_argument("--out", required=True, help="folder for the PNG files")
    parser.add_argument("--work", required=True, help="folder for the medium and the prefix")
    parser.add_argument("--dpi", type=int, default=96,
                        help="display scale in dots per inch (96 is 100 %%)")
    args = parser.parse_args(argv)
    programs = Path(args.programs).resolve()
    work = Path(args.work).resolve()
    out = Path(args.out).resolve()
    out.mkdir(parents=True, exist_ok=True)
    cache = programs / "CMakeCache.txt"
    wine64 = cache.exists() and "mingw-x86_64" in cache.read_text()
    os.environ.update(
        KTR_E2E_DIR=str(work), KTR_LAUNCHER=str(programs / "KtrSetup.exe"),
        KTR_STUB=str(programs / "ktr_stub.exe"), KTR_PROBE=str(programs / "ktr_probe.exe"),
        KTR_WINE="/usr/lib/wine/wine64" if wine64 else "wine",
        KTR_WINEARCH="win64" if wine64 else "win32")
    return programs, work, out, args.dpi


def scale_suffix(dpi):
    """What a gallery picture's name gets at a display scale: nothing at
    100 %, else "@150" and the like."""
    return "" if dpi == 96 else "@%d" % round(dpi * 100 / 96)


def screen_for(dpi):
    """A screen that holds the scaled windows: at 200 % the main menu is
    1316 x 668 pixels."""
    return tuple(max(side, side * dpi // 96) for side in SCREEN)


def fresh_prefix(folder):
    """The prefix under folder, made once and reset to its fresh state."""
    prefix = Prefix(folder)
    if not prefix.ready():
        print("making the Wine prefix %s (once; this takes a while)" % prefix.root, flush=True)
        prefix.create()
    prefix.reset()
    return prefix
