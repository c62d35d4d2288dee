#!/usr/bin/env python3
"""The main menu on a display scaled to 200 %: the window takes twice its
size, every skin picture lands where the scaled layout puts it, and the
pointer over each entry (in display pixels) highlights that entry."""
import e2e_case
import harness

DPI = 192
# (normal picture, highlighted picture, layout rectangle), in Tag order.
ENTRIES = [
    ("Button1.bmp", "ButtonAct1.bmp", (438, 138, 172, 24)),
    ("Button2.bmp", "ButtonAct2.bmp", (438, 169, 172, 24)),
    ("Button3.bmp", "ButtonAct3.bmp", (438, 199, 172, 24)),
    ("Button4.bmp", "ButtonAct4.bmp", (438, 230, 172, 24)),
    ("Button5.bmp", "ButtonAct5.bmp", (438, 260, 172, 24)),
    ("ButtonExit.bmp", "ButtonExitAct.bmp", (490, 291, 67, 28)),
]


def px(value):
    return (value * DPI + 48) // 96


class ScalingTest(e2e_case.E2ECase):
    dpi = DPI

    def test_main_menu_at_200_percent(self):
        launcher = self.start_launcher("en_US.UTF-8")
        main = launcher.wait_for_window("TMainForm")
        self.assertEqual(main.client[2:], (1316, 668))
        left, top = main.client[:2]

        def pictures(points, what):
            """Waits until each display point shows the expected picture."""
            def shown():
                screen = self.screenshot(what)
                found = {name: screen.bitmap_at(left + x, top + y)
                         for name, (x, y, _) in points.items()}
                expected = {name: ("ENGLISH", picture)
                            for name, (_, _, picture) in points.items()}
                return found if found == expected else None
            return harness.wait_until(shown, 30, interval=1, what=what)

        # At rest: the first and the last display pixel of every entry show
        # its picture, and the pixel just outside shows the background.
        self.display.move(left + 20, top + 20)
        at_rest = {}
        for normal, _, (x, y, w, h) in ENTRIES:
            at_rest[normal + " first"] = (px(x), px(y), normal)
            at_rest[normal + " last"] = (px(x + w) - 1, px(y + h) - 1, normal)
            at_rest[normal + " outside"] = (px(x) - 1, px(y), "BackgroundEmpty.bmp")
        pictures(at_rest, "at rest")

        for normal, lit, (x, y, w, h) in ENTRIES:
            # Near the entry's bottom right corner: layout hit-testing at
            # unscaled coordinates would miss it.
            self.display.move(left + px(x + w) - 3, top + px(y + h) - 3)
            pictures({"entry": (px(x) + 2, px(y) + 2, lit)}, lit)
            self.display.move(left + 20, top + 20)
            pictures({"entry": (px(x) + 2, px(y) + 2, normal)}, normal)

        self.assertTrue(launcher.probe.close(main))
        self.assertEqual(launcher.wait_for_exit(), 0)


if __name__ == "__main__":
    e2e_case.main()
