#!/usr/bin/env python3
"""The pointer and the keyboard reach the launcher through X: moving onto an
entry shows its active picture and its content picture, moving back onto the
background restores the normal ones, and Alt+F4 closes the main window. A
second launcher beside the first hovers while another program reads the
pictures it loads."""
import e2e_case
import harness


class PointerTest(e2e_case.E2ECase):

    def wait_for_bitmaps(self, left, top, expected, what):
        def shown():
            screen = self.screenshot(what)
            found = {name: screen.bitmap_at(left + x, top + y)
                     for name, (x, y) in POINTS.items()}
            return found if found == expected else None
        return harness.wait_until(shown, 30, interval=1, what=what)

    def test_hover_and_alt_f4(self):
        launcher = self.start_launcher("en_US.UTF-8")
        main = launcher.wait_for_window("TMainForm")
        left, top = main.client[:2]
        normal = {"entry": ("ENGLISH", "Button1.bmp"), "content": ("ENGLISH", "ContentEmpty.bmp")}
        lit = {"entry": ("ENGLISH", "ButtonAct1.bmp"),
               "content": ("ENGLISH", "ContentManual.bmp")}
        self.display.move(left + 20, top + 20)
        self.wait_for_bitmaps(left, top, normal, "normal")
        self.display.move(left + 438 + 80, top + 138 + 12)
        self.wait_for_bitmaps(left, top, lit, "manual highlighted")
        self.display.move(left + 300, top + 60)
        self.wait_for_bitmaps(left, top, normal, "back to normal")

        self.display.click(left + 300, top + 60)  # the background: focus, no action
        self.display.key("alt+F4")
        self.assertEqual(launcher.wait_for_exit(), 0)

    def test_second_launcher_hovers_while_its_pictures_are_read(self):
        medium = self.medium()
        first = self.start_launcher("en_US.UTF-8", medium=medium)
        first_main = first.wait_for_window("TMainForm")
        # The pictures of the manual's highlight, read by another program as
        # an indexer or a picture viewer would: shared with readers.
        skin = medium / "imgdata" / "ENGLISH"
        hold = self.folder / "reading"
        reader = first.probe.hold_open(hold, [skin / "ButtonAct1.bmp",
                                              skin / "ContentManual.bmp"])
        try:
            second = harness.Launcher(self.prefix, self.display, medium, "en_US.UTF-8")
            self.addCleanup(second.close)
            main = second.wait_for_window("TMainForm", exclude=(first_main.hwnd,))
            left, top = main.client[:2]
            lit = {"entry": ("ENGLISH", "ButtonAct1.bmp"),
                   "content": ("ENGLISH", "ContentManual.bmp")}
            self.display.move(left + 20, top + 20)
            self.display.move(left + 438 + 80, top + 138 + 12)
            self.wait_for_bitmaps(left, top, lit, "second launcher highlighted")
            boxes = [w for w in first.windows() if w.class_name == "#32770" and w.visible]
            self.assertEqual(boxes, [], "an error box while the pictures were being read")
        finally:
            hold.unlink(missing_ok=True)
            reader.wait(30)


POINTS = {"entry": (438 + 150, 138 + 5), "content": (44 + 300, 140 + 100)}

if __name__ == "__main__":
    e2e_case.main()
