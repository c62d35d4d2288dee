#!/usr/bin/env python3
"""The harness's own promises, which every other end-to-end test relies on:
LANG sets the system default locale and ANSI code page, the version setting
sets what GetVersionExA reports, the registry and drive C: read back what a
program wrote, and a reset between tests takes all of it away again."""
import shutil

import e2e_case
import harness

LOCALES = [  # LANG, system default LCID, ANSI code page
    ("ko_KR.UTF-8", "00000412", "949"),
    ("ja_JP.UTF-8", "00000411", "932"),
    ("zh_CN.UTF-8", "00000804", "936"),
    ("zh_TW.UTF-8", "00000404", "950"),
    ("de_DE.UTF-8", "00000407", "1252"),
    ("en_US.UTF-8", "00000409", "1252"),
    ("ko_KR.UTF-8", "00000412", "949"),  # and back: nothing of the last run stays
]
VERSIONS = [  # setting, platform id, major.minor
    ("win95", "1", "4.0"),
    ("win98", "1", "4.10"),
    ("winme", "1", "4.90"),
    ("nt40", "2", "4.0"),
    ("win2k", "2", "5.0"),
    ("winxp", "2", "5.1"),
]


class HarnessTest(e2e_case.E2ECase):

    def info(self, lang):
        return harness.Probe(self.prefix, self.display, lang).info()

    def test_lang_sets_system_locale_and_code_page(self):
        for lang, lcid, code_page in LOCALES:
            with self.subTest(lang):
                self.assertTrue(harness.locale_available(lang), "run scripts/setup.sh")
                self.prefix.stop()
                info = self.info(lang)
                self.assertEqual((info["lcid"], info["acp"]), (lcid, code_page))

    def test_version_setting(self):
        for version, platform, number in VERSIONS:
            with self.subTest(version):
                self.use_version(version, "en_US.UTF-8")
                info = self.info("en_US.UTF-8")
                self.assertEqual((info["platform"], info["version"]), (platform, number))

    def test_registry_and_drive_c_read_back_and_reset(self):
        key = "HKLM\\Software\\KTR\\2.0\\RiduZadent\\General"
        code = self.prefix.run(["reg", "add", key, "/v", "ClientID", "/d", "e2e-1234", "/f"])
        self.assertEqual(code, 0)
        self.assertEqual(self.prefix.reg_query(key, "ClientID"), ("REG_SZ", "e2e-1234"))
        self.assertIsNone(self.prefix.reg_query(key, "Missing"))
        written = self.prefix.drive_c / "RiduZadent" / "RiduZad.exe"
        code = self.prefix.run(["cmd", "/c", "mkdir C:\\RiduZadent && echo x> "
                                "C:\\RiduZadent\\RiduZad.exe"])
        self.assertEqual(code, 0)
        self.assertTrue(written.exists())

        self.prefix.reset()
        self.assertFalse(written.parent.exists())
        self.assertIsNone(self.prefix.reg_query(key, "ClientID"))
        # The prefix itself still works after the reset.
        self.assertEqual(self.info("en_US.UTF-8")["acp"], "1252")

    def test_prefixes_keyed_by_folder_and_architecture(self):
        beside = harness.Prefix(self.folder / "prefix")
        self.assertNotEqual(beside.root, self.prefix.root)
        self.assertNotEqual(beside.snapshot, self.prefix.snapshot)
        self.assertFalse(beside.ready())
        # A finished prefix of the other architecture is not taken either.
        shutil.copytree(self.prefix.snapshot, beside.snapshot)
        for name in harness.Prefix.REGISTRY_FILES:
            beside.root.mkdir(parents=True, exist_ok=True)
            shutil.copy2(self.prefix.root / name, beside.root / name)
        self.assertTrue(beside.ready())
        (beside.snapshot / "arch.txt").write_text("win64" if beside.arch == "win32" else "win32")
        self.assertFalse(beside.ready())


if __name__ == "__main__":
    e2e_case.main()
