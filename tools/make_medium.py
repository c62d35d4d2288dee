#!/usr/bin/env python3
"""Lays out an installation medium for the launcher: the four MultiLang.ini
files, a skin folder per language, the notice templates, a manual and a copy
of the stub program under the name of every program the launcher starts.

Two styles:
  test  every bitmap one flat colour from TEST_COLOURS, distinct per bitmap
        and language, so that a screenshot tells which bitmap is on screen;
        files can be dropped or corrupted to provoke the failure paths.
  demo  a medium that looks like the product (drawn with ImageMagick), whose
        stub programs show a small window saying what they stand for and
        what they were given (an INI with window=1 and role=... beside each
        copy; the test style leaves the stubs windowless).

The key catalogue and the skin bitmaps are read from lang/keys.h and
medium/medium.h, so the medium follows the launcher's own lists.

Usage: make_medium.py OUT --stub STUB.EXE [--style test|demo] [--launcher EXE]
                      [--drop PATH]... [--corrupt PATH]... [--no-multilang LANG]...
"""
import argparse
import os
import re
import shutil
import struct
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import medium_texts  # noqa: E402

ROOT = Path(__file__).resolve().parent.parent


class Language:
    def __init__(self, index, name, code_page, alert, tag):
        self.index = index
        self.name = name
        self.code_page = code_page
        self.alert = alert
        self.tag = tag

    def encode(self, text):
        return text.encode(self.code_page)


# Language index order of the launcher.
LANGUAGES = [
    Language(0, "KOREAN", "cp949", "Alert.alt", "KOR"),
    Language(1, "ENGLISH", "cp1252", "Eng_Alert.alt", "ENG"),
    Language(2, "JAPANESE", "cp932", "Jap_Alert.alt", "JPN"),
    Language(3, "CHINESE", "cp936", "Chi_Alert.alt", "CHS"),
]
BY_NAME = {language.name: language for language in LANGUAGES}

# Programs that lie on every medium at fixed places.
FIXED_PROGRAMS = [
    "imgdata\\RadOzevO.exe",
    "Install\\KTR-Client\\Install.exe",
    "Install\\InstallBuild\\InstallBuild.exe",
    "Run Sentova\\revuvez.exe",
]
# Keys whose value names a program or command line to put a stub under.
PROGRAM_KEYS = ["RES_CLIENT_INSTALL", "RES_SERVER_INSTALL", "RES_CODE_X_INSTALL",
                "RES_HELPCLI", "RES_GHOSTCLI"]
LAUNCHER_NAME = "KtrSetup.exe"

# What each stub stands for, in the demo medium's stub windows: the fixed
# programs by path, the others by the key that names them.
FIXED_ROLES = {
    "imgdata\\RadOzevO.exe": "user-information change tool",
    "Install\\KTR-Client\\Install.exe": "KTR client installer",
    "Install\\InstallBuild\\InstallBuild.exe": "builder of custom client installers",
    "Run Sentova\\revuvez.exe": "Sentova lightweight virus scanner",
}
KEY_ROLES = {
    "RES_CLIENT_INSTALL": "KTR client installer",
    "RES_SERVER_INSTALL": "KTR server installer",
    "RES_CODE_X_INSTALL": "extra component for older Windows",
    "RES_HELPCLI": "KTR help",
    "RES_GHOSTCLI": "KTR help",
}


def read_keys():
    """The RES_ keys in the order of lang/keys.h."""
    text = (ROOT / "lang" / "keys.h").read_text()
    block = text[text.index("#define KTR_LANG_KEYS"):]
    block = block[:block.index("\n\n")]
    return re.findall(r"X\((RES_[A-Z0-9_]+)\)", block)


def read_skin_bitmaps():
    """(file, width, height) of medium.h's kSkinBitmaps, in its order."""
    text = (ROOT / "medium" / "medium.h").read_text()
    names = dict(re.findall(r"constexpr std::string_view (k\w+) = \"([^\"]+)\";", text))
    table = text[text.index("kSkinBitmaps"):]
    table = table[:table.index("}};")]
    bitmaps = []
    for name, width, height in re.findall(r"\{(k\w+|\"[^\"]+\"), (\d+), (\d+)\}", table):
        file = names[name] if name.startswith("k") else name.strip('"')
        bitmaps.append((file, int(width), int(height)))
    return bitmaps


def read_key_use():
    """{key: use} of tools/ktrmedium/key_use.h, the languages that read each key."""
    text = (ROOT / "tools" / "ktrmedium" / "key_use.h").read_text()
    return dict(re.findall(r"\{lang::(RES_[A-Z0-9_]+), KeyUse::(k\w+),", text))


def keys_of(language):
    """The keys that language reads, in catalogue order: the checker warns of
    any other key in its MultiLang.ini."""
    if language.index == 0:
        return [key for key in KEYS if KEY_USE[key] != "kOtherLanguages"]
    return [key for key in KEYS if KEY_USE[key] != "kKoreanOnly"]


KEYS = read_keys()
KEY_USE = read_key_use()
SKIN_BITMAPS = read_skin_bitmaps()


def _test_colours():
    # Red steps by bitmap, green by language, blue fixed at a value that no
    # system colour of Wine's default scheme has.
    colours = {}
    for language in LANGUAGES:
        for number, (file, _, _) in enumerate(SKIN_BITMAPS):
            colours[(language.name, file)] = (16 + 10 * number, 40 + 60 * language.index, 90)
    return colours


TEST_COLOURS = _test_colours()


def identify_colour(rgb):
    """(language, bitmap file) whose test colour is rgb, or None."""
    for where, colour in TEST_COLOURS.items():
        if tuple(rgb) == colour:
            return where
    return None


def expected_text(language, key):
    """The bytes a launcher in that language reads for key."""
    return BY_NAME[language].encode(medium_texts.TEXTS[language][key])


def bmp_bytes(width, height, rows):
    """A 24-bit BI_RGB bitmap, bottom-up; rows: top-down lists of (r, g, b)."""
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        pixels += line
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(pixels), 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + bytes(pixels)


def flat_bmp(width, height, colour):
    return bmp_bytes(width, height, [[colour] * width for _ in range(height)])


# A file named .bmp that no decoder accepts: the magic and then too little.
CORRUPT_BITMAP = b"BM\x36\x00\x00\x00\x00\x00\x00\x00not a bitmap"


def windows_path(root, relative):
    """The file that a Windows path relative to root names. As on Windows,
    letter case does not matter: an existing entry of another case is taken
    ("imgdata" finds "ImgData"), so the medium has one folder of each name."""
    path = Path(root)
    for part in relative.replace("/", "\\").split("\\"):
        if not part:
            continue
        candidate = path / part
        if not candidate.exists() and path.is_dir():
            for entry in path.iterdir():
                if entry.name.lower() == part.lower():
                    candidate = entry
                    break
        path = candidate
    return path


def write(path, data):
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(data)


def crlf(text):
    return text.replace("\r\n", "\n").replace("\n", "\r\n")


def multilang_ini(language):
    texts = medium_texts.TEXTS[language.name]
    missing = [key for key in KEYS if key not in texts]
    if missing:
        raise SystemExit("no %s text for %s" % (language.name, ", ".join(missing)))
    lines = ["[%s]" % language.name] + ["%s=%s" % (key, texts[key]) for key in keys_of(language)]
    return language.encode(crlf("\n".join(lines) + "\n"))


def program_of(command_line):
    """The program path at the head of a medium-relative command line."""
    match = re.match(r"(.+?\.exe)(\s|$)", command_line, re.IGNORECASE)
    return match.group(1) if match else command_line


def program_roles():
    """{medium-relative program: what it stands for} of every stub copy."""
    roles = dict(FIXED_ROLES)
    for language in LANGUAGES:
        for key in PROGRAM_KEYS:
            program = program_of(medium_texts.TEXTS[language.name][key])
            if not any(program.lower() == known.lower() for known in roles):
                roles[program] = KEY_ROLES[key]
    return roles


def demo_stub_ini(role):
    """The settings that make a stub copy show its window (see ktr_stub.cpp)."""
    return crlf("[stub]\nwindow=1\nrole=%s\n" % role).encode("ascii")


def build(out, stub, style="test", launcher=None, drop=(), corrupt=(), no_multilang=(),
          skin_names=None):
    """Writes a medium into out (emptied first) and returns its root."""
    out = Path(out)
    if out.exists():
        shutil.rmtree(out)
    out.mkdir(parents=True)
    stub = Path(stub)
    skin_names = skin_names or {}

    for language in LANGUAGES:
        texts = medium_texts.TEXTS[language.name]
        if language.name not in no_multilang and "all" not in no_multilang:
            write(windows_path(out, "ImgData\\%s\\MultiLang.ini" % language.name),
                  multilang_ini(language))
        skin = skin_names.get(language.name, texts["RES_LANG"])
        skin_dir = windows_path(out, "imgdata\\" + skin)
        if style == "demo":
            import demo_skin
            demo_skin.draw(skin_dir, language, texts, SKIN_BITMAPS)
        else:
            for file, width, height in SKIN_BITMAPS:
                write(skin_dir / file, flat_bmp(width, height, TEST_COLOURS[(language.name, file)]))
        write(windows_path(out, "imgdata\\" + language.alert),
              language.encode(crlf(medium_texts.ALERTS[language.name])))
        write(windows_path(out, texts["RES_MANUAL"]),
              language.encode(crlf(medium_texts.MANUALS[language.name])))

    stub_bytes = stub.read_bytes()
    for program, role in sorted(program_roles().items()):
        copy = windows_path(out, program)
        write(copy, stub_bytes)
        if style == "demo":
            write(copy.with_suffix(".ini"), demo_stub_ini(role))
    if launcher:
        write(out / LAUNCHER_NAME, Path(launcher).read_bytes())

    for relative in corrupt:
        write(windows_path(out, relative), CORRUPT_BITMAP)
    for relative in drop:
        target = windows_path(out, relative)
        if target.is_dir():
            shutil.rmtree(target)
        elif target.exists():
            target.unlink()
        else:
            raise SystemExit("nothing to drop at %s" % relative)
    return out


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("out", help="folder to write the medium into (emptied first)")
    parser.add_argument("--stub", required=True, help="the stub program (ktr_stub.exe)")
    parser.add_argument("--style", choices=("test", "demo"), default="test")
    parser.add_argument("--launcher", help="KtrSetup.exe to put into the medium's root")
    parser.add_argument("--drop", action="append", default=[],
                        help="medium-relative path to leave out (file or folder)")
    parser.add_argument("--corrupt", action="append", default=[],
                        help="medium-relative path to write as an invalid bitmap")
    parser.add_argument("--no-multilang", action="append", default=[], metavar="LANG",
                        help="leave out that language's MultiLang.ini (or 'all')")
    args = parser.parse_args(argv)
    root = build(args.out, args.stub, args.style, args.launcher, args.drop, args.corrupt,
                 [name.upper() if name != "all" else name for name in args.no_multilang])
    print(os.fspath(root))


if __name__ == "__main__":
    main()
