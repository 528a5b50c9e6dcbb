#!/usr/bin/env python3
"""Draws the updater's skin artwork into updater/res.

Run by hand after changing the artwork (ImageMagick's convert must be on the
PATH); its outputs are committed and compiled in through updater/res/Skin.rc:
the two JPEG backgrounds, the button faces, the icons, the 16-pixel image
strip, the two window outlines ("RGN" region data) and the animated busy
cursor.
"""
import math
import os
import struct
import subprocess
import sys

RES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "updater", "res", "skin")
FONT = "DejaVu-Sans"
BOLD = "DejaVu-Sans-Bold"

# The skin's palette: olive greens on a warm light ground, orange for hover.
DARK = "#3a4414"
OLIVE = "#626c30"
OLIVE_LIGHT = "#8b945b"
GROUND_TOP = "#f4f5ea"
GROUND_BOTTOM = "#dfe3c8"
HOVER = "#c04900"


def convert(args, target):
    subprocess.run(["convert"] + args + [target], check=True)


def out(name):
    return os.path.join(RES, name)


def bmp(name):
    # 24-bit uncompressed, as LoadImage and the bitmap loaders read it.
    return "BMP3:" + out(name)


# --- Window outlines -------------------------------------------------------

def region(width, height):
    """Region data of 8 rectangles with corners cut in steps of 5, 3, 2 and 1
    pixels at the top and 5, 3, 2 at the bottom (the last row of the window
    lies outside the outline)."""
    top = [(5, 0, 1), (3, 1, 2), (2, 2, 3), (1, 3, 5)]
    rects = [(inset, y0, width - inset, y1) for inset, y0, y1 in top]
    rects.append((0, 5, width, height - 3))
    rects += [(2, height - 3, width - 2, height - 2),
              (3, height - 2, width - 3, height - 1),
              (5, height - 1, width - 5, height)]
    data = b"".join(struct.pack("<4i", *r) for r in rects)
    header = struct.pack("<4I4i", 32, 1, len(rects), len(data), 0, 0, width, height)
    return header + data


# --- Backgrounds -------------------------------------------------------------

def title_band(width, title):
    return ["(", "-size", f"{width}x27", f"gradient:{OLIVE}-{DARK}", ")",
            "-geometry", "+0+0", "-composite",
            "-font", BOLD, "-pointsize", "12", "-fill", "white",
            "-annotate", "+14+18", title]


def main_background():
    width, height = 555, 391
    args = ["-size", f"{width}x{height}", f"gradient:{GROUND_TOP}-{GROUND_BOTTOM}"]
    args += title_band(width, "Vexa Kestrel")
    args += [
        # Left band behind the maker's logo button.
        "-fill", OLIVE_LIGHT, "-draw", "roundrectangle 8,140 30,352 4,4",
        "-fill", "#eef0e0", "-draw", "rectangle 10,144 28,348",
        # Heading panel with the model name row.
        "-fill", "#e8ebd6", "-stroke", OLIVE_LIGHT,
        "-draw", "roundrectangle 124,38 537,118 6,6",
        "-stroke", "none", "-fill", OLIVE, "-font", BOLD, "-pointsize", "20",
        "-annotate", "+140+70", "Vexa Kestrel",
        "-fill", OLIVE_LIGHT, "-draw", "rectangle 140,80 520,81",
        # Kestrel wing marks in the heading.
        "-fill", "none", "-stroke", OLIVE_LIGHT, "-strokewidth", "3",
        "-draw", "bezier 430,108 470,60 500,58 525,50",
        "-draw", "bezier 455,110 485,80 505,76 525,72",
        "-stroke", "none", "-strokewidth", "1",
        # Frame of the update list and the status line.
        "-fill", "white", "-stroke", OLIVE_LIGHT,
        "-draw", "rectangle 131,149 529,311",
        "-fill", "#f7f8ef", "-draw", "roundrectangle 131,318 529,339 4,4",
        "-stroke", "none",
        # Footer rule above the buttons.
        "-fill", OLIVE_LIGHT, "-draw", "rectangle 124,346 537,346",
        # Outline.
        "-fill", "none", "-stroke", DARK, "-draw", f"rectangle 0,0 {width - 1},{height - 2}",
        "-quality", "92", "-sampling-factor", "1x1", "-strip",
    ]
    convert(args, out("MainPanel.jpg"))


def history_background():
    width, height = 450, 300
    args = ["-size", f"{width}x{height}", f"gradient:{GROUND_TOP}-{GROUND_BOTTOM}"]
    args += title_band(width, "Vexa Kestrel")
    args += [
        "-fill", "white", "-stroke", OLIVE_LIGHT, "-draw", "rectangle 17,33 430,255",
        "-stroke", "none", "-fill", OLIVE_LIGHT, "-draw", "rectangle 17,259 430,259",
        "-fill", "none", "-stroke", DARK, "-draw", f"rectangle 0,0 {width - 1},{height - 1}",
        "-quality", "92", "-sampling-factor", "1x1", "-strip",
    ]
    convert(args, out("LogPanel.jpg"))


# --- Buttons -----------------------------------------------------------------

# Face styles: (top colour, bottom colour, text colour, text offset).
FACES = {
    "normal": ("#7f8a45", "#4e5a1e", "white", 0),
    "hover": ("#d8772c", HOVER, "white", 0),
    "pressed": ("#3a4414", "#5c6a28", "#e8ebd6", 1),
    "disabled": ("#d5d7c8", "#b9bcaa", "#8d907f", 0),
}


def caption_button(name, width, height, caption, style):
    top, bottom, text, offset = FACES[style]
    convert(["-size", f"{width}x{height}", "xc:#e4e7d0",
             "(", "-size", f"{width}x{height}", f"gradient:{top}-{bottom}", ")",
             "(", "-size", f"{width}x{height}", "xc:black", "-fill", "white",
             "-draw", f"roundrectangle 0,0 {width - 1},{height - 1} 4,4", ")",
             "-composite",
             "-fill", "none", "-stroke", DARK,
             "-draw", f"roundrectangle 0,0 {width - 1},{height - 1} 4,4",
             "-stroke", "none", "-fill", text, "-font", BOLD, "-pointsize", "11",
             "-gravity", "center", "-annotate", f"+{offset}+{offset}", caption,
             "-alpha", "off"], bmp(name))


def glyph_button(name, size, glyph, style):
    top, bottom, text, offset = FACES[style]
    o = offset
    draw = {
        "close": f"line {5 + o},{5 + o} {12 + o},{12 + o} line {12 + o},{5 + o} {5 + o},{12 + o}",
        "minimise": f"rectangle {5 + o},{11 + o} {12 + o},{12 + o}",
    }[glyph]
    convert(["-size", f"{size}x{size}", f"gradient:{top}-{bottom}",
             "-fill", "none", "-stroke", DARK, "-draw", f"rectangle 0,0 {size - 1},{size - 1}",
             "-stroke", text, "-strokewidth", "2", "-draw", draw, "-alpha", "off"], bmp(name))


def check_button(name, checked, style):
    fill = {"normal": "white", "hover": "#fbe3cf", "pressed": "#d5d7c8"}[style]
    border = HOVER if style == "hover" else OLIVE
    args = ["-size", "9x9", f"xc:{fill}", "-fill", "none", "-stroke", border,
            "-draw", "rectangle 0,0 8,8"]
    if checked:
        args += ["-stroke", DARK, "-draw", "polyline 2,4 3,6 6,2"]
    convert(args + ["-alpha", "off"], bmp(name))


def logo_button(name, style):
    top, bottom, text, offset = FACES[style]
    convert(["-size", "14x196", f"gradient:{top}-{bottom}",
             "-fill", "none", "-stroke", DARK, "-draw", "rectangle 0,0 13,195",
             "-stroke", "none", "-fill", text, "-font", BOLD, "-pointsize", "9",
             "-gravity", "center", "-annotate", f"270x270+{offset}+{offset}", "VEXA  ONLINE",
             "-alpha", "off"], bmp(name))


def buttons():
    # (ids by style, width, height, caption)
    for ids, caption, width in (({"disabled": 142, "normal": 143, "pressed": 144, "hover": 226}, "OK", 67),
                                ({"disabled": 188, "pressed": 189, "normal": 190, "hover": 227}, "Close", 67),
                                ({"disabled": 180, "pressed": 181, "normal": 182, "hover": 228}, "Clear", 68)):
        for style, rid in ids.items():
            caption_button(f"{rid}.bmp", width, 23, caption, style)
    for ids, glyph in (({"pressed": 147, "normal": 148, "hover": 237}, "close"),
                       ({"normal": 149, "pressed": 252, "hover": 251}, "minimise")):
        for style, rid in ids.items():
            glyph_button(f"{rid}.bmp", 18, glyph, style)
    for ids, checked in (({"normal": 194, "pressed": 192, "hover": 239}, True),
                         ({"normal": 191, "pressed": 193, "hover": 238}, False)):
        for style, rid in ids.items():
            check_button(f"{rid}.bmp", checked, style)
    for style, rid in {"normal": 242, "pressed": 243, "hover": 244}.items():
        logo_button(f"{rid}.bmp", style)


# --- Image strip ---------------------------------------------------------------

def strip_cell(index):
    """Drawing commands of one 16 x 16 image, offset to its cell. White is the
    mask colour of the lists and black that of the header, so neither is used
    inside an image."""
    x = index * 16

    def at(cmd):
        return cmd.format(x=x, **{f"x{i}": x + i for i in range(17)})

    green, red, blue, grey = "#3f7d1c", "#b8231b", "#2f5f9e", "#5b5f52"
    cells = [
        # 0 BIOS: a chip.
        [("fill", grey)] + [at("rectangle {x1},%d {x14},%d" % (y, y)) for y in (4, 7, 10)] +
        [("fill", OLIVE), at("rectangle {x3},2 {x12},13"), ("fill", "#d9a400"),
         at("rectangle {x5},4 {x6},5")],
        # 1 drivers: an expansion card.
        [("fill", blue), at("rectangle {x1},4 {x14},11"), ("fill", "#d9a400"),
         at("rectangle {x3},12 {x12},13"), ("fill", "#dfe8f4"), at("rectangle {x3},6 {x7},9")],
        # 2 applications: a program window.
        [("fill", OLIVE), at("rectangle {x1},2 {x14},13"), ("fill", "#f7f8ef"),
         at("rectangle {x2},5 {x13},12")],
        # 3 an update package (BIOS rows of the list, hotfix rows of the history).
        [("fill", "#a8742c"), at("rectangle {x2},5 {x13},14"), ("fill", "#c99a52"),
         at("rectangle {x1},3 {x14},6"), ("fill", "#7a4f16"), at("rectangle {x7},3 {x8},14")],
        # 4 a driver update: card with an arrow.
        [("fill", blue), at("rectangle {x1},7 {x14},13"), ("fill", green),
         at("polygon {x8},0 {x13},5 {x10},5 {x10},8 {x6},8 {x6},5 {x3},5")],
        # 5 an application update: window with an arrow.
        [("fill", OLIVE), at("rectangle {x1},5 {x14},14"), ("fill", "#f7f8ef"),
         at("rectangle {x2},8 {x13},13"), ("fill", green),
         at("polygon {x8},0 {x12},4 {x10},4 {x10},7 {x6},7 {x6},4 {x4},4")],
        # 6 a hotfix, also the busy row: downward arrow into a tray.
        [("fill", green), at("polygon {x8},11 {x13},6 {x10},6 {x10},1 {x6},1 {x6},6 {x3},6"),
         ("fill", grey), at("rectangle {x2},12 {x13},14")],
        # 7 failure: red disc with a cross.
        [("fill", red), at("circle {x8},8 {x8},1"), ("stroke", "#fbe9e7"),
         at("line {x5},5 {x11},11"), at("line {x11},5 {x5},11")],
        # 8 success: green disc with a tick.
        [("fill", green), at("circle {x8},8 {x8},1"), ("stroke", "#eef7e6"),
         at("polyline {x4},8 {x7},11 {x12},5")],
        # 9 this computer: monitor on a stand.
        [("fill", grey), at("rectangle {x1},2 {x14},11"), ("fill", "#9ec3ea"),
         at("rectangle {x3},4 {x12},9"), ("fill", grey), at("rectangle {x6},12 {x9},13"),
         at("rectangle {x3},14 {x12},14")],
    ]
    args = []
    for step in cells[index]:
        if isinstance(step, tuple):
            args += ["-" + step[0], step[1]]
            if step[0] == "fill":
                args += ["-stroke", "none"]
            else:
                args += ["-strokewidth", "2"]
        else:
            args += ["-draw", step]
    return args + ["-strokewidth", "1"]


def image_strip():
    args = ["-size", "160x16", "xc:white", "+antialias"]
    for index in range(10):
        args += strip_cell(index)
    convert(args + ["-alpha", "off"], bmp("131.bmp"))


# --- Icons and the busy cursor -----------------------------------------------

def rgba(args, size):
    data = subprocess.run(["convert"] + args + ["-depth", "8", "rgba:-"], check=True,
                          stdout=subprocess.PIPE).stdout
    assert len(data) == size * size * 4
    return data


def dib(pixels, size):
    """BITMAPINFOHEADER + 32-bit bottom-up BGRA + AND mask, as icon and cursor
    files hold each image."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    for y in reversed(range(size)):
        row = pixels[y * size * 4:(y + 1) * size * 4]
        rows.append(b"".join(bytes((row[i + 2], row[i + 1], row[i], row[i + 3]))
                             for i in range(0, len(row), 4)))
    mask_row_bytes = ((size + 31) // 32) * 4
    mask = []
    for y in reversed(range(size)):
        row = bytearray(mask_row_bytes)
        for x in range(size):
            if pixels[(y * size + x) * 4 + 3] < 128:
                row[x // 8] |= 0x80 >> (x % 8)
        mask.append(bytes(row))
    return header + b"".join(rows) + b"".join(mask)


def icon_file(images, kind=1, hotspot=(0, 0)):
    """ICO (kind 1) or CUR (kind 2) file of (size, pixels) images."""
    entries = b""
    blobs = b""
    offset = 6 + 16 * len(images)
    for size, pixels in images:
        blob = dib(pixels, size)
        planes, bits = (1, 32) if kind == 1 else hotspot
        entries += struct.pack("<BBBBHHII", size, size, 0, 0, planes, bits, len(blob), offset)
        blobs += blob
        offset += len(blob)
    return struct.pack("<HHH", 0, kind, len(images)) + entries + blobs


def updater_icon(size):
    s = size / 32
    return ["-size", f"{size}x{size}", "xc:none",
            "-fill", OLIVE, "-draw", f"roundrectangle 0,0 {size - 1},{size - 1} {5 * s},{5 * s}",
            "-fill", "white", "-draw",
            f"polygon {4 * s},{20 * s} {16 * s},{8 * s} {28 * s},{14 * s} {17 * s},{14 * s} {10 * s},{22 * s}",
            "-fill", "#f2a35e", "-draw",
            f"polygon {10 * s},{24 * s} {22 * s},{24 * s} {16 * s},{29 * s}"]


def history_icon(size):
    s = size / 32
    lines = " ".join(f"rectangle {8 * s},{y * s} {22 * s},{y * s + max(1, s)}" for y in (10, 15, 20))
    return ["-size", f"{size}x{size}", "xc:none",
            "-fill", "#f7f8ef", "-stroke", OLIVE, "-strokewidth", str(max(1, 2 * s)),
            "-draw", f"rectangle {4 * s},{2 * s} {26 * s},{29 * s}",
            "-stroke", "none", "-fill", OLIVE_LIGHT, "-draw", lines,
            "-fill", "#3f7d1c", "-draw", f"circle {24 * s},{24 * s} {24 * s},{17 * s}",
            "-stroke", "white", "-strokewidth", str(max(1, 2 * s)), "-fill", "none",
            "-draw", f"polyline {20 * s},{24 * s} {23 * s},{27 * s} {28 * s},{21 * s}"]


def icons():
    for name, drawer in (("128.ico", updater_icon), ("273.ico", history_icon)):
        images = [(size, rgba(drawer(size), size)) for size in (16, 32, 48)]
        with open(out(name), "wb") as f:
            f.write(icon_file(images))


def busy_cursor():
    """15 frames of a ring of dots whose bright head runs round, packed as a
    RIFF "ACON" animated cursor (anih header, LIST fram of icon chunks)."""
    size, frames = 32, 15
    chunks = []
    for frame in range(frames):
        args = ["-size", f"{size}x{size}", "xc:none"]
        for dot in range(10):
            angle = 2 * math.pi * (dot / 10.0 + frame / frames)
            cx = 16 + 10 * math.cos(angle)
            cy = 16 + 10 * math.sin(angle)
            shade = (dot + 1) / 10.0
            colour = "#%02x%02x%02x" % tuple(int(255 - (255 - c) * shade) for c in (0x62, 0x6c, 0x30))
            radius = 1.5 + 1.5 * shade
            args += ["-fill", colour, "-draw", f"circle {cx:.1f},{cy:.1f} {cx + radius:.1f},{cy:.1f}"]
        cursor = icon_file([(size, rgba(args, size))], kind=2, hotspot=(16, 16))
        chunks.append(b"icon" + struct.pack("<I", len(cursor)) + cursor + (b"\0" if len(cursor) % 2 else b""))
    # Header size, frames, steps, width, height, bits, planes, rate (1/60 s), AF_ICON.
    anih = struct.pack("<9I", 36, frames, frames, 0, 0, 0, 0, 8, 1)
    body = b"ACON" + b"anih" + struct.pack("<I", len(anih)) + anih
    fram = b"fram" + b"".join(chunks)
    body += b"LIST" + struct.pack("<I", len(fram)) + fram
    with open(out("173.ani"), "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)


def main():
    os.makedirs(RES, exist_ok=True)
    with open(out("MainPanel.rgn"), "wb") as f:
        f.write(region(555, 390))
    with open(out("LogPanel.rgn"), "wb") as f:
        f.write(region(450, 300))
    main_background()
    history_background()
    buttons()
    image_strip()
    icons()
    busy_cursor()
    return 0


if __name__ == "__main__":
    sys.exit(main())
