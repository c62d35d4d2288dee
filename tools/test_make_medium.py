#!/usr/bin/env python3
"""The medium generator lays out what the launcher expects: every key in
every language's file, in that language's code page and section, the 22
skin bitmaps as 24-bit pictures of their sizes, every program, and the
requested faults."""
import configparser
import struct
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import make_medium  # noqa: E402


def bitmap_header(path):
    data = path.read_bytes()
    magic, _, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
    _, width, height, _, bits, compression = struct.unpack_from("<IiiHHI", data, 14)
    return magic, width, height, bits, compression, len(data) - offset


class GeneratorTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.temp = tempfile.TemporaryDirectory()
        root = Path(cls.temp.name)
        cls.stub = root / "stub.exe"
        cls.stub.write_bytes(b"MZ stub")
        cls.medium = make_medium.build(root / "medium", cls.stub, launcher=cls.stub)

    @classmethod
    def tearDownClass(cls):
        cls.temp.cleanup()

    def path(self, relative):
        return make_medium.windows_path(self.medium, relative)

    def test_catalogue_read_from_the_launcher_sources(self):
        self.assertEqual(len(make_medium.KEYS), 48)
        self.assertEqual(len(set(make_medium.KEYS)), 48)
        self.assertEqual(sorted(make_medium.KEY_USE), sorted(make_medium.KEYS))
        self.assertEqual(len(make_medium.SKIN_BITMAPS), 22)
        self.assertIn(("ButtonExit.bmp", 67, 28), make_medium.SKIN_BITMAPS)

    def test_multilang_files_in_their_code_pages(self):
        for language in make_medium.LANGUAGES:
            with self.subTest(language.name):
                raw = self.path("ImgData\\%s\\MultiLang.ini" % language.name).read_bytes()
                parser = configparser.ConfigParser(interpolation=None)
                parser.optionxform = str
                parser.read_string(raw.decode(language.code_page))
                self.assertEqual(parser.sections(), [language.name])
                section = parser[language.name]
                self.assertEqual(sorted(section), sorted(make_medium.keys_of(language)))
                for key in make_medium.keys_of(language):
                    self.assertTrue(section[key], key)
                    self.assertIn(make_medium.expected_text(language.name, key), raw)
                self.assertEqual(section["RES_LANG"], language.name)

    def test_skins_are_24_bit_bitmaps_of_the_layout_sizes(self):
        for language in make_medium.LANGUAGES:
            for file, width, height in make_medium.SKIN_BITMAPS:
                magic, w, h, bits, compression, size = bitmap_header(
                    self.path("imgdata\\%s\\%s" % (language.name, file)))
                self.assertEqual((magic, w, h, bits, compression), (b"BM", width, height, 24, 0))
                self.assertEqual(size, ((width * 3 + 3) & ~3) * height)

    def test_test_colours_tell_every_bitmap_apart(self):
        colours = list(make_medium.TEST_COLOURS.values())
        self.assertEqual(len(colours), 4 * 22)
        self.assertEqual(len(set(colours)), len(colours))
        for where, colour in make_medium.TEST_COLOURS.items():
            self.assertEqual(make_medium.identify_colour(colour), where)
        self.assertIsNone(make_medium.identify_colour((0, 0, 0)))

    def test_programs_documents_and_alerts(self):
        for program in ["imgdata\\RadOzevO.exe", "Install\\KTR-Client\\Install.exe",
                        "Install\\InstallBuild\\InstallBuild.exe", "Run Sentova\\revuvez.exe",
                        "Install\\KTR-Server\\ServerSetup.exe", "Install\\Component\\CompSetup.exe",
                        "Help\\KtrHelp.exe", "KtrSetup.exe"]:
            self.assertEqual(self.path(program).read_bytes(), b"MZ stub", program)
        for language in make_medium.LANGUAGES:
            self.assertTrue(self.path("imgdata\\" + language.alert).read_bytes())
            manual = make_medium.medium_texts.TEXTS[language.name]["RES_MANUAL"]
            self.assertTrue(self.path(manual).is_file())
        # "ImgData" and "imgdata" are one folder, as on Windows.
        self.assertEqual([p.name for p in self.medium.iterdir() if p.name.lower() == "imgdata"],
                         ["ImgData"])

    def test_stub_windows_only_on_the_demo_medium(self):
        roles = make_medium.program_roles()
        for program, role in roles.items():
            self.assertTrue(role, program)
            self.assertFalse(self.path(program).with_suffix(".ini").exists(),
                             "a test-style stub with settings: %s" % program)
        self.assertEqual(len(roles), 7)
        ini = make_medium.demo_stub_ini("KTR server installer").decode("ascii")
        self.assertEqual(ini.splitlines(), ["[stub]", "window=1", "role=KTR server installer"])

    def test_demo_texts_fit_their_pictures(self):
        import demo_skin
        points = demo_skin.break_points("KTR サーバーを開きます。")
        self.assertNotIn(len("KTR サーバーを開きます"), points, "a line begins with 。")
        self.assertNotIn(2, points, "a break inside a Latin word")
        self.assertEqual(demo_skin.break_points("설치 방법"), [3, 5], "Korean breaks at blanks")
        width = 358 - 40
        for language, labels in demo_skin.LABELS.items():
            for file, (_, body) in labels["content"].items():
                lines = demo_skin.wrap(body, width, demo_skin.BODY_SIZE)
                with self.subTest(language=language, file=file):
                    self.assertEqual("".join(lines).replace(" ", ""), body.replace(" ", ""))
                    self.assertLessEqual(len(lines) * demo_skin.BODY_LINE, 143 - 54)
                    widths = demo_skin.measure(lines, demo_skin.BODY_SIZE)
                    self.assertLessEqual(max(widths), width)
                    # A word alone before a long line is a break in the wrong place.
                    self.assertTrue(all(len(line) > 4 for line in lines[:-1]), lines)
            for label in labels["entries"]:
                size = demo_skin.label_size(label, 172)
                room = 172 - demo_skin.LABEL_LEFT - demo_skin.LABEL_RIGHT
                self.assertLessEqual(
                    demo_skin.measure([demo_skin.ACTIVE_MARKER + label], size)[0], room, label)

    def test_faults_on_request(self):
        with tempfile.TemporaryDirectory() as folder:
            medium = make_medium.build(Path(folder) / "m", self.stub,
                                       drop=["imgdata\\korean\\button1.bmp"],
                                       corrupt=["IMGDATA\\ENGLISH\\Button3.bmp"],
                                       no_multilang=["JAPANESE"])
            korean = make_medium.windows_path(medium, "imgdata\\KOREAN")
            self.assertFalse((korean / "Button1.bmp").exists())
            self.assertTrue((korean / "Button2.bmp").exists())
            corrupt = make_medium.windows_path(medium, "imgdata\\ENGLISH\\Button3.bmp")
            self.assertEqual(corrupt.read_bytes(), make_medium.CORRUPT_BITMAP)
            self.assertFalse(make_medium.windows_path(
                medium, "ImgData\\JAPANESE\\MultiLang.ini").exists())
            self.assertTrue(make_medium.windows_path(
                medium, "ImgData\\CHINESE\\MultiLang.ini").exists())
            with self.assertRaises(SystemExit):
                make_medium.build(Path(folder) / "n", self.stub, drop=["no\\such\\file"])


if __name__ == "__main__":
    unittest.main(verbosity=2)
