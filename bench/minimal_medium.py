#!/usr/bin/env python3
"""Writes the least medium on which the launcher starts in English: an
ImgData\\ENGLISH\\MultiLang.ini with the keys the main menu reads at start-up
and the skin folder with every bitmap of medium/medium.h in its layout size,
24 bits per pixel. scripts/bench.sh uses it when tools/make_medium.py is not
there.

Usage: minimal_medium.py OUT
"""
import re
import struct
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
SKIN = "ENGLISH"
TEXTS = {
    "RES_LANG": SKIN,
    "RES_MAINFORM": "KTR Setup",
    "RES_TITLE": "KTR Installation",
}


def skin_bitmaps():
    """(file, width, height) of every entry of kSkinBitmaps."""
    header = (ROOT / "medium" / "medium.h").read_text()
    names = dict(re.findall(r'constexpr std::string_view (k\w+) = "([^"]+\.bmp)";', header))
    table = header[header.index("kSkinBitmaps"):]
    table = table[:table.index("}};")]
    rows = re.findall(r'\{\s*(k\w+|"[^"]+")\s*,\s*(\d+)\s*,\s*(\d+)\s*\}', table)
    return [(names[n] if n.startswith("k") else n.strip('"'), int(w), int(h)) for n, w, h in rows]


def bmp24(width, height, seed):
    stride = (width * 3 + 3) // 4 * 4
    rows = []
    for y in range(height):
        row = bytearray(stride)
        for x in range(width):
            row[3 * x:3 * x + 3] = bytes(((x * 96 // width + 0x80) & 0xFF,
                                          (y * 128 // height + seed * 13 + 0x40) & 0xFF,
                                          ((x + y) * 64 // (width + height) + 0x20) & 0xFF))
        rows.append(bytes(row))
    pixels = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + pixels


def main():
    if len(sys.argv) != 2:
        raise SystemExit(__doc__)
    out = Path(sys.argv[1])
    ini = out / "ImgData" / "ENGLISH" / "MultiLang.ini"
    ini.parent.mkdir(parents=True, exist_ok=True)
    lines = ["[ENGLISH]"] + ["%s=%s" % item for item in TEXTS.items()]
    ini.write_bytes(("\r\n".join(lines) + "\r\n").encode("cp1252"))
    skin = out / "imgdata" / SKIN
    skin.mkdir(parents=True, exist_ok=True)
    bitmaps = skin_bitmaps()
    if len(bitmaps) != 22:
        raise SystemExit("medium/medium.h lists %d skin bitmaps, not 22" % len(bitmaps))
    for seed, (name, width, height) in enumerate(bitmaps):
        (skin / name).write_bytes(bmp24(width, height, seed))


if __name__ == "__main__":
    main()
