#!/usr/bin/env python3
"""ktrmedium strings on real media: export then import with nothing changed
leaves every MultiLang.ini byte for byte, in PO and XLIFF, after msgcat has
rewrapped the PO files too; the XLIFF written is valid XLIFF 1.2; a changed
value moves only its own bytes; each faulty translation file of the table
gives exactly its error and leaves every file as it was.

Usage: test_ktrmedium_strings.py KTRMEDIUM"""
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import make_medium  # noqa: E402
import medium_texts  # noqa: E402

TOOL = None
# The OASIS schema, as Debian ships it with Symfony's translation component,
# and the schema of the xml: attributes it imports.
SCHEMAS = Path("/usr/share/php/Symfony/Component/Translation/Resources/schemas")


def run(*args):
    done = subprocess.run([TOOL, *map(str, args)], capture_output=True, timeout=300)
    return done.returncode, done.stdout.decode(), done.stderr.decode()


def hashes(medium):
    return {language: hashlib.sha256(make_medium.windows_path(
        medium, "ImgData\\%s\\MultiLang.ini" % language).read_bytes()).hexdigest()
        for language in make_medium.BY_NAME}


def po_quote(text):
    return '"%s"' % text.replace("\\", "\\\\").replace('"', '\\"').replace(
        "\n", "\\n").replace("\t", "\\t")


def translation(folder, language, texts, fmt="po", fuzzy=(), charset="UTF-8"):
    """The generator: a translator's file for one language, {key: text}."""
    english = medium_texts.ENGLISH
    folder.mkdir(parents=True, exist_ok=True)
    if fmt == "po":
        lines = ['msgid ""', 'msgstr ""', po_quote("Content-Type: text/plain; charset=%s\n"
                                                   % charset), ""]
        for key, text in texts.items():
            if key in fuzzy:
                lines.append("#, fuzzy")
            # The template carries English's own texts as its sources.
            source = text if language == "ENGLISH" else english.get(key, text)
            lines += ["msgctxt " + po_quote(key), "msgid " + po_quote(source),
                      "msgstr " + po_quote("" if language == "ENGLISH" else text), ""]
        name = language + (".pot" if language == "ENGLISH" else ".po")
        data = "\n".join(lines).encode(charset)
    else:
        units = "".join('<trans-unit id="%s" xml:space="preserve"><source>%s</source>'
                        '<target%s>%s</target></trans-unit>\n'
                        % (key, english.get(key, text),
                           ' state="needs-review-translation"' if key in fuzzy else "", text)
                        for key, text in texts.items())
        name = language + ".xlf"
        data = ('<?xml version="1.0" encoding="UTF-8"?>\n<xliff version="1.2" '
                'xmlns="urn:oasis:names:tc:xliff:document:1.2">\n<file original="x" '
                'datatype="plaintext" source-language="en"><body>\n%s</body></file></xliff>\n'
                % units).encode()
    (folder / name).write_bytes(data)
    return folder


A_GOOD_CHANGE = ("KOREAN", {"RES_MAINFORM": "KTR 설치"})
# name: (language, {key: text}, format, fuzzy keys, charset, the error as printed)
FAULTS = {
    "best fit only": ("JAPANESE", {"RES_MAINFORM": "KTR 〜 セットアップ"}, "po", (), "UTF-8",
                      'JAPANESE.po: RES_MAINFORM: the character "〜" (U+301C) has no exact '
                      "equivalent in code page 932"),
    "dropped by ICU's own callback": (
        "KOREAN", {"RES_TITLE": "KTR\u200b설치"}, "po", (), "UTF-8",
        'KOREAN.po: RES_TITLE: the character "\u200b" (U+200B) has no exact equivalent in '
        "code page 949"),
    "not in code page 1252": ("ENGLISH", {"RES_ERROR": "Hiba ő"}, "po", (), "UTF-8",
                              'ENGLISH.pot: RES_ERROR: the character "ő" (U+0151) has no exact '
                              "equivalent in code page 1252"),
    "longer than the launcher reads": (
        "KOREAN", {"RES_USER_LBLBASE": "가" * 1024}, "po", (), "UTF-8",
        "KOREAN.po: RES_USER_LBLBASE: the value takes 2048 bytes in code page 949, more than "
        'the 2047 the launcher reads: it would be cut in the middle of the character "가" '
        "(U+AC00)"),
    "line break": ("CHINESE", {"RES_ERROR": "错\n误"}, "po", (), "UTF-8",
                   "CHINESE.po: RES_ERROR: a line break (U+000A) cannot stand in a "
                   "MultiLang.ini value"),
    "control character": ("CHINESE", {"RES_ERROR": "错\t误"}, "xliff", (), "UTF-8",
                          "CHINESE.xlf:4: RES_ERROR: the control character U+0009 cannot "
                          "stand in a MultiLang.ini value"),
    "untranslated": ("JAPANESE", {"RES_ERROR": ""}, "po", (), "UTF-8",
                     "JAPANESE.po: RES_ERROR: untranslated; --allow-untranslated keeps the "
                     "value as it was"),
    "fuzzy": ("JAPANESE", {"RES_ERROR": "エラー!"}, "po", ("RES_ERROR",), "UTF-8",
              "JAPANESE.po: RES_ERROR: marked fuzzy (for review); --allow-untranslated keeps "
              "the value as it was"),
    "needs review": ("JAPANESE", {"RES_ERROR": "エラー!"}, "xliff", ("RES_ERROR",), "UTF-8",
                     "JAPANESE.xlf:4: RES_ERROR: marked fuzzy (for review); "
                     "--allow-untranslated keeps the value as it was"),
    "charset not UTF-8": ("ENGLISH", {"RES_ERROR": "Erreur"}, "po", (), "ISO-8859-1",
                          "ENGLISH.pot: the PO file's charset is ISO-8859-1; only UTF-8 is "
                          "read"),
    "key unknown": ("CHINESE", {"RES_FOO": "错误"}, "po", (), "UTF-8",
                    "CHINESE.po: RES_FOO: not a key of MultiLang.ini"),
    "key the language never reads": ("KOREAN", {"RES_CLIENT_INSTALL": "Install\\x.exe"}, "po",
                                     (), "UTF-8",
                                     "KOREAN.po: RES_CLIENT_INSTALL: KOREAN never reads this "
                                     "key"),
}


class StringsCase(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.temp = tempfile.TemporaryDirectory()
        cls.root = Path(cls.temp.name)
        stub = cls.root / "stub.exe"
        stub.write_bytes(b"MZ stub")
        cls.medium = make_medium.build(cls.root / "medium", stub, launcher=stub)
        cls.before = hashes(cls.medium)

    @classmethod
    def tearDownClass(cls):
        cls.temp.cleanup()

    def fresh(self, name):
        copy = self.root / name
        shutil.rmtree(copy, ignore_errors=True)
        shutil.copytree(self.medium, copy)
        return copy

    def test_export_then_import_changes_no_byte(self):
        demo = make_medium.build(self.root / "demo", self.root / "stub.exe", style="demo",
                                 launcher=self.root / "stub.exe")
        for medium in (self.fresh("e2e"), demo):
            before = hashes(medium)
            for fmt in ("po", "xliff"):
                with self.subTest(medium=medium.name, format=fmt):
                    out = self.root / ("out-%s-%s" % (medium.name, fmt))
                    code, _, err = run("strings", "export", medium, out, "--format", fmt)
                    self.assertEqual((code, err), (0, ""))
                    if fmt == "po":
                        # A tool that rewraps every line, as editors do.
                        for po in out.glob("*.po*"):
                            subprocess.run(["msgcat", "--width=24", "-o", po, po], check=True)
                    code, out_text, err = run("strings", "import", medium, out)
                    self.assertEqual((code, err), (0, ""))
                    self.assertEqual(out_text.count("unchanged"), 4)
                    self.assertEqual(hashes(medium), before)
            for language, digest in sorted(before.items()):
                print("%s %s %s" % (medium.name, language, digest))
        self.assertEqual(run("check", demo)[0], 0)

    def test_written_xliff_is_valid_xliff_1_2(self):
        out = self.root / "xliff"
        self.assertEqual(run("strings", "export", self.medium, out, "--format", "xliff")[0], 0)
        catalog = self.root / "catalog.xml"
        catalog.write_text(
            '<catalog xmlns="urn:oasis:names:tc:entity:xmlns:xml:catalog">'
            '<system systemId="http://www.w3.org/2001/xml.xsd" uri="%s"/></catalog>'
            % (SCHEMAS / "xml.xsd").as_uri())
        files = sorted(out.glob("*.xlf"))
        self.assertEqual(len(files), 4)
        done = subprocess.run(["xmllint", "--noout", "--nonet", "--schema",
                               SCHEMAS / "xliff-core-1.2-strict.xsd", *files],
                              capture_output=True, text=True,
                              env=dict(os.environ, XML_CATALOG_FILES=str(catalog)))
        self.assertEqual(done.returncode, 0, done.stderr)
        # The schema does refuse what is not XLIFF.
        broken = self.root / "broken.xlf"
        broken.write_text(files[0].read_text().replace(' id="RES_ERROR"', ""))
        done = subprocess.run(["xmllint", "--noout", "--nonet", "--schema",
                               SCHEMAS / "xliff-core-1.2-strict.xsd", broken],
                              capture_output=True, env=dict(os.environ,
                                                            XML_CATALOG_FILES=str(catalog)))
        self.assertNotEqual(done.returncode, 0)

    def test_a_changed_value_moves_only_its_own_bytes(self):
        medium = self.fresh("edited")
        ini = make_medium.windows_path(medium, "ImgData\\ENGLISH\\MultiLang.ini")
        # Everything a hand-edited file may have: a comment, blanks around
        # "=", blank lines, another section before and after, a quoted
        # value, LF line ends and no final line end.
        original = ("; edited by hand\n[OTHER]\nRES_ERROR=Other\n\n[english]\n"
                    "RES_ERROR  =  Error\n\n" +
                    "".join("%s=%s\n" % (key, medium_texts.ENGLISH[key])
                            for key in make_medium.keys_of(make_medium.BY_NAME["ENGLISH"])
                            if key not in ("RES_ERROR", "RES_TITLE", "RES_CODE_X")) +
                    'RES_TITLE="KTR Installation"\n[KOREAN]\nRES_ERROR=x\n'
                    "RES_MAINFORM = KTR Setup").encode("cp1252")
        ini.write_bytes(original)
        texts = {"RES_ERROR": "Fehler", "RES_TITLE": " KTR ", "RES_CODE_X": "Weiter?"}
        code, out, err = run("strings", "import", medium,
                             translation(self.root / "edit", "ENGLISH", texts))
        self.assertEqual((code, err), (0, ""), out)
        expected = original.replace(b"RES_ERROR  =  Error", b"RES_ERROR  =  Fehler").replace(
            b'RES_TITLE="KTR Installation"', b'RES_TITLE=" KTR "\nRES_CODE_X=Weiter?')
        self.assertEqual(ini.read_bytes(), expected)
        self.assertEqual(hashes(medium)["KOREAN"], self.before["KOREAN"])
        # The old texts back give the old bytes back (the added key stays).
        texts = {"RES_ERROR": "Error", "RES_TITLE": "KTR Installation"}
        self.assertEqual(run("strings", "import", medium,
                             translation(self.root / "back", "ENGLISH", texts))[0], 0)
        self.assertEqual(ini.read_bytes(), original.replace(
            b'RES_TITLE="KTR Installation"', b'RES_TITLE="KTR Installation"\nRES_CODE_X=Weiter?'))

    def test_each_faulty_file_gives_its_error_and_changes_nothing(self):
        medium = self.fresh("faulty")
        for name, (language, texts, fmt, fuzzy, charset, error) in FAULTS.items():
            with self.subTest(name):
                folder = self.root / "faulty-in"
                shutil.rmtree(folder, ignore_errors=True)
                if language != A_GOOD_CHANGE[0]:
                    translation(folder, *A_GOOD_CHANGE)
                translation(folder, language, texts, fmt, fuzzy, charset)
                code, _, err = run("strings", "import", medium, folder)
                print("%-32s %s" % (name, err.splitlines()[0] if err else ""))
                self.assertEqual((code, err), (1, "error: %s\n1 error: no MultiLang.ini "
                                                  "changed\n" % error))
                self.assertEqual(hashes(medium), self.before)
                self.assertEqual(list(medium.rglob("*.ktrmedium-part")), [])
        # Allowed, an untranslated entry keeps its value and the rest goes in.
        folder = translation(self.root / "allowed", "JAPANESE",
                             {"RES_ERROR": "", "RES_TITLE": "KTR インストール!"})
        code, out, err = run("strings", "import", "--allow-untranslated", medium, folder)
        self.assertEqual((code, err), (0, "warning: JAPANESE.po: RES_ERROR: untranslated: the "
                                          "value is kept as it was\n"))
        self.assertEqual(run("check", medium), (0, run("check", medium)[1], ""))


    def test_export_refuses_bytes_that_do_not_come_back(self):
        medium = self.fresh("one-way")
        ini = make_medium.windows_path(medium, "ImgData\\JAPANESE\\MultiLang.ini")
        # NEC's row 13 and IBM's extension share this kanji: Windows writes it
        # back as 0xFA 0x5C.
        ini.write_bytes(ini.read_bytes().replace("エラー".encode("cp932"), b"\xed\x40"))
        out = self.root / "one-way-out"
        code, _, err = run("strings", "export", medium, out)
        self.assertEqual((code, err), (1, 'error: ImgData\\JAPANESE\\MultiLang.ini: RES_ERROR: '
                                          'the bytes 0xED 0x40 at byte 0 decode to the character '
                                          '"纊" (U+7E8A), which code page 932 writes as other '
                                          'bytes\n1 error: nothing written\n'))
        self.assertFalse(out.exists())

    def test_a_file_that_cannot_be_written_changes_none(self):
        medium = self.fresh("unwritable")
        # Chinese is written after Korean: its temporary name is taken.
        make_medium.windows_path(medium, "ImgData\\CHINESE\\MultiLang.ini.ktrmedium-part").mkdir()
        folder = translation(self.root / "unwritable-in", *A_GOOD_CHANGE)
        translation(folder, "CHINESE", {"RES_ERROR": "错"})
        code, _, err = run("strings", "import", medium, folder)
        self.assertEqual(code, 2, err)
        self.assertIn("cannot write", err)
        self.assertEqual(hashes(medium), self.before)
        self.assertEqual([p.name for p in medium.rglob("*.ktrmedium-*")],
                         ["MultiLang.ini.ktrmedium-part"])


class CommandLineTest(unittest.TestCase):

    def test_usage_errors_are_exit_code_2(self):
        self.assertEqual(run("strings")[0], 2)
        self.assertEqual(run("strings", "export", "/nonexistent-medium", "/tmp/x")[0], 2)
        empty = Path(tempfile.mkdtemp())
        try:
            self.assertEqual(run("strings", "import", empty, empty)[0], 2)
        finally:
            shutil.rmtree(empty)


if __name__ == "__main__":
    TOOL = sys.argv.pop(1)
    unittest.main()
