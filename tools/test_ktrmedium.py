#!/usr/bin/env python3
"""ktrmedium on real media: the demo medium and the end-to-end tests' medium
pass the check clean; each single fault of the table gives exactly its one
finding and exit code; the disc image is the same bytes twice, carries the
autorun and refuses a broken medium.

Usage: test_ktrmedium.py KTRMEDIUM"""
import json
import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import make_medium  # noqa: E402

TOOL = None


def run(*args):
    done = subprocess.run([TOOL, *map(str, args)], capture_output=True, timeout=300)
    return done.returncode, done.stdout, done.stderr


def check(root):
    code, out, err = run("check", "--json", root)
    if code == 2:
        raise AssertionError(err.decode(errors="replace"))
    report = json.loads(out)
    return code, [(f["severity"], f["kind"], f["language"], f["file"], f["key"])
                  for f in report["findings"]]


def ini(language):
    return "ImgData\\%s\\MultiLang.ini" % language


def set_value(language, key, value):
    """The fault: one line of a MultiLang.ini given other bytes, or removed."""
    def apply(root):
        path = make_medium.windows_path(root, ini(language))
        lines = path.read_bytes().split(b"\r\n")
        prefix = key.encode() + b"="
        index = next((i for i, line in enumerate(lines) if line.startswith(prefix)), None)
        if index is None:
            lines.insert(1, prefix + value)
        elif value is None:
            del lines[index]
        else:
            lines[index] = prefix + value
        path.write_bytes(b"\r\n".join(lines))
    return apply


def drop(relative):
    return lambda root: make_medium.windows_path(root, relative).unlink()


def put(relative, data):
    return lambda root: make_medium.write(make_medium.windows_path(root, relative), data)


def skin_of_size(width, height):
    return make_medium.flat_bmp(width, height, (1, 2, 3))


def prefix_bom(language):
    def apply(root):
        path = make_medium.windows_path(root, ini(language))
        path.write_bytes(b"\xef\xbb\xbf" + path.read_bytes())
    return apply


E, W = "error", "warning"
# name: (fault, (severity, kind, language, file, key) of the one finding, exit code)
FAULTS = {
    "MultiLang.ini missing": (drop(ini("JAPANESE")),
                              (E, "multilang-missing", "JAPANESE", ini("JAPANESE"), ""), 1),
    "section hidden by a UTF-8 mark": (prefix_bom("CHINESE"),
                                       (E, "section-missing", "CHINESE", ini("CHINESE"), ""), 1),
    "key missing": (set_value("ENGLISH", "RES_TITLE", None),
                    (E, "key-missing", "ENGLISH", ini("ENGLISH"), "RES_TITLE"), 1),
    "key empty": (set_value("KOREAN", "RES_USER_CAPTION", b""),
                  (E, "key-empty", "KOREAN", ini("KOREAN"), "RES_USER_CAPTION"), 1),
    "Korean text saved as UTF-8": (set_value("KOREAN", "RES_MAINFORM", "KTR 설치".encode()),
                                   (E, "code-page", "KOREAN", ini("KOREAN"), "RES_MAINFORM"), 1),
    "text cut at the buffer": (set_value("ENGLISH", "RES_ERROR_EXPLOER", b"x" * 3000),
                               (E, "text-too-long", "ENGLISH", ini("ENGLISH"),
                                "RES_ERROR_EXPLOER"), 1),
    "spoken name missing": (set_value("JAPANESE", "RES_NAME_SERVER", None),
                            (W, "name-missing", "JAPANESE", ini("JAPANESE"), "RES_NAME_SERVER"),
                            0),
    "spoken name empty": (set_value("KOREAN", "RES_NAME_EXIT", b""),
                          (W, "name-empty", "KOREAN", ini("KOREAN"), "RES_NAME_EXIT"), 0),
    "description missing, which may be": (set_value("ENGLISH", "RES_DESC_SCAN", None), None, 0),
    "key unused": (set_value("ENGLISH", "RES_MANUEL", b"Manual\\KTR_Manual_ENG.txt"),
                   (W, "key-unused", "ENGLISH", ini("ENGLISH"), "RES_MANUEL"), 0),
    "skin folder missing": (set_value("JAPANESE", "RES_LANG", b"NOSUCH"),
                            (E, "skin-folder", "JAPANESE", ini("JAPANESE"), "RES_LANG"), 1),
    "picture missing": (drop("imgdata\\ENGLISH\\Button3.bmp"),
                        (E, "picture-missing", "ENGLISH", "imgdata\\ENGLISH\\Button3.bmp", ""),
                        1),
    "picture not decodable": (put("imgdata\\KOREAN\\ButtonEmpty.bmp", make_medium.CORRUPT_BITMAP),
                              (E, "picture-invalid", "KOREAN", "imgdata\\KOREAN\\ButtonEmpty.bmp",
                               ""), 1),
    "picture of another size": (put("imgdata\\CHINESE\\ButtonExit.bmp", skin_of_size(60, 28)),
                                (E, "picture-size", "CHINESE", "imgdata\\CHINESE\\ButtonExit.bmp",
                                 ""), 1),
    "picture much larger than needed": (
        put("imgdata\\ENGLISH\\BackgroundEmpty.bmp", skin_of_size(1400, 700)),
        (W, "picture-large", "ENGLISH", "imgdata\\ENGLISH\\BackgroundEmpty.bmp", ""), 0),
    "installer path misspelt": (
        set_value("ENGLISH", "RES_SERVER_INSTALL", b"Install\\KTR-Server\\ServerSetp.exe /lang:ENG"),
        (E, "program-missing", "ENGLISH", ini("ENGLISH"), "RES_SERVER_INSTALL"), 1),
    "manual missing": (drop("Manual\\KTR_Manual_CHS.txt"),
                       (E, "manual-missing", "CHINESE", ini("CHINESE"), "RES_MANUAL"), 1),
    "notice template missing": (drop("imgdata\\Alert.alt"),
                                (W, "alert-missing", "KOREAN", "imgdata\\Alert.alt", ""), 0),
    "tool missing": (drop("imgdata\\RadOzevO.exe"),
                     (E, "tool-missing", "KOREAN", "imgdata\\RadOzevO.exe", ""), 1),
    "launcher missing": (drop("KtrSetup.exe"),
                         (E, "launcher-missing", "", "KtrSetup.exe", ""), 1),
    "names differing in case": (lambda root: (root / "Manual" / "ktr_manual_eng.TXT").touch(),
                                (E, "name-case", "", "Manual\\KTR_Manual_ENG.txt", ""), 1),
    "name too long for a disc": (put("Manual\\" + "n" * 70 + ".txt", b"long"),
                                 (E, "name-disc", "", "Manual\\" + "n" * 70 + ".txt", ""), 1),
}


class MediumCase(unittest.TestCase):
    """The medium of the end-to-end tests (test style, launcher in its root)
    in a folder of the test class's own."""

    @classmethod
    def setUpClass(cls):
        cls.temp = tempfile.TemporaryDirectory()
        cls.root = Path(cls.temp.name)
        stub = cls.root / "stub.exe"
        stub.write_bytes(b"MZ stub")
        cls.medium = make_medium.build(cls.root / "medium", stub, launcher=stub)

    @classmethod
    def tearDownClass(cls):
        cls.temp.cleanup()


class MediumCheckTest(MediumCase):

    def test_end_to_end_and_demo_media_are_clean(self):
        self.assertEqual(check(self.medium), (0, []))
        demo = make_medium.build(self.root / "demo", self.root / "stub.exe", style="demo",
                                 launcher=self.root / "stub.exe")
        self.assertEqual(check(demo), (0, []))

    def test_each_fault_gives_its_one_finding(self):
        for name, (fault, finding, code) in FAULTS.items():
            with self.subTest(name):
                broken = self.root / "broken"
                shutil.rmtree(broken, ignore_errors=True)
                shutil.copytree(self.medium, broken)
                fault(broken)
                self.assertEqual(check(broken), (code, [finding] if finding else []))
        self.assertGreaterEqual(
            len({finding[1] for _, finding, _ in FAULTS.values() if finding}), 19)

    def test_help_goes_to_standard_output_and_a_wrong_command_is_exit_code_2(self):
        for args in (["--help"], ["-h"], ["image", "--help"], ["check", "--json", "--help"]):
            code, out, err = run(*args)
            self.assertEqual((code, err), (0, b""), args)
            self.assertTrue(out.startswith(b"usage:"), args)
        self.assertEqual(run("check", "--help")[1].decode().splitlines(),
                         ["usage: ktrmedium check [--json] FOLDER"])
        for args in ([], ["frobnicate"], ["--json"]):
            code, out, err = run(*args)
            self.assertEqual((code, out), (2, b""), args)
            self.assertTrue(err.startswith(b"usage:"), args)

    def test_a_folder_that_cannot_be_read_is_exit_code_2(self):
        code, _, err = run("check", self.root / "no such folder")
        self.assertEqual(code, 2)
        self.assertIn(b"cannot read", err)

    def test_readable_report_ends_in_its_summary(self):
        broken = self.root / "report"
        shutil.copytree(self.medium, broken)
        drop("imgdata\\RadOzevO.exe")(broken)
        code, out, _ = run("check", broken)
        lines = out.decode().splitlines()
        self.assertEqual(code, 1)
        self.assertEqual(lines[-1], "1 error, 0 warnings in 96 files read: "
                                    "the launcher would fail on this medium")
        korean = lines.index("KOREAN")
        self.assertTrue(lines[korean + 1].startswith("  error    imgdata\\RadOzevO.exe: missing"))


class ImageTest(MediumCase):

    def test_two_images_are_the_same_bytes_with_joliet_and_autorun(self):
        first, second = self.root / "first.iso", self.root / "second.iso"
        self.assertEqual(run("image", "--volume-label", "KTR 2", self.medium, first)[0], 0)
        # Dates of the medium's files play no part.
        (self.medium / "KtrSetup.exe").touch()
        self.assertEqual(run("image", "--volume-label", "KTR 2", self.medium, second)[0], 0)
        data = first.read_bytes()
        self.assertEqual(data, second.read_bytes())
        # The supplementary descriptor with Joliet's UCS-2 escape, label included.
        joliet = data[17 * 2048:18 * 2048]
        self.assertEqual(joliet[:6], b"\x02CD001")
        self.assertEqual(joliet[88:91], b"%/E")
        self.assertEqual(joliet[40:50], "KTR 2".encode("utf-16-be"))
        tree = self.root / "tree"
        subprocess.run(["xorriso", "-osirrox", "on", "-indev", str(first), "-extract", "/",
                        str(tree)], check=True, capture_output=True)
        self.assertEqual((tree / "autorun.inf").read_bytes(),
                         b"[autorun]\r\nopen=KtrSetup.exe\r\nicon=KtrSetup.exe\r\n")
        self.assertFalse((self.medium / "autorun.inf").exists())
        self.assertEqual((tree / "ImgData" / "KOREAN" / "MultiLang.ini").read_bytes(),
                         (self.medium / "ImgData" / "KOREAN" / "MultiLang.ini").read_bytes())

    def test_a_medium_with_errors_is_refused_unless_forced(self):
        broken = self.root / "broken"
        shutil.copytree(self.medium, broken)
        drop("imgdata\\RadOzevO.exe")(broken)
        iso = self.root / "refused.iso"
        code, _, err = run("image", broken, iso)
        self.assertEqual((code, iso.exists()), (1, False))
        self.assertIn(b"refused", err)
        self.assertEqual(run("image", "--force", broken, iso)[0], 1)
        self.assertTrue(iso.exists())
        self.assertEqual(run("image", "--volume-label", "no/slash", self.medium, iso)[0], 2)


if __name__ == "__main__":
    TOOL = sys.argv.pop(1)
    unittest.main()
