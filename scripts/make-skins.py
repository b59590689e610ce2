#!/usr/bin/env python3
"""Draws the shipped skins (data/Skins/<name>/) with ImageMagick: the 860x530
background of the main window, a four-state strip (normal, mouse over,
pressed or checked, disabled) for every bitmap button, and SkinSetting.xml.
Run it after changing a colour or a place; the results are committed.
"""
import os
import subprocess

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "Skins")
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"

SKINS = {
    "Default": dict(bg1="#2a3038", bg2="#161a1f", panel="#1e2329", edge="#3a434e", text="#e6e9ed",
                    accent="#2f7fd1", face="#39424d", over="#46525f", down="#2b323a", off="#2c3137",
                    glyph="#e6e9ed", offglyph="#6b737c", start_over="#4d9be6", start_down="#245f9e",
                    colour=5131854),
    # The window's labels are light whatever the skin, so skins stay dark.
    "Midnight": dict(bg1="#14263d", bg2="#0a1220", panel="#10203a", edge="#2b4a70", text="#e8f0fa",
                     accent="#d9822b", face="#1d3556", over="#274670", down="#15284a", off="#172a44",
                     glyph="#e8f0fa", offglyph="#5d7391", start_over="#eb9a4a", start_down="#a9621c",
                     colour=3809040),
}

# id: (left, top, width, height, glyph, label) -- label drawn into the image
BUTTONS = {
    1000: (50, 58, 104, 40, "+", "Video"),
    1001: (160, 58, 104, 40, "◉", "DVD"),
    1002: (270, 58, 104, 40, "−", "Remove"),
    1019: (380, 58, 104, 40, "⚙", "Options"),
    1005: (740, 8, 30, 22, "◐", ""),
    1004: (772, 8, 30, 22, "?", ""),
    1039: (804, 8, 24, 22, "–", ""),
    1041: (830, 8, 24, 22, "×", ""),
    1014: (553, 345, 36, 28, "▶", ""),
    1015: (593, 345, 36, 28, "■", ""),
    1064: (633, 345, 36, 28, "◘", ""),
    1065: (673, 345, 36, 28, "▤", ""),
    1010: (525, 439, 65, 21, "", ""),
    1012: (440, 469, 70, 21, "", ""),
    1013: (525, 469, 65, 21, "", ""),
    1017: (640, 420, 170, 70, "▶", "Start"),
}


def run(*args):
    subprocess.run(["convert", *args], check=True)


def state(path, w, h, fill, glyph_colour, glyph, label, accent=None):
    """One state: a rounded face on magenta, with a glyph and a label."""
    # No antialiasing of the shape: a blended edge pixel would be neither
    # magenta (outside) nor face; the glyphs are drawn smooth afterwards.
    draw = ["-size", f"{w}x{h}", "xc:magenta", "+antialias", "-fill", fill, "-stroke", accent or "#00000000",
            "-draw", f"roundrectangle 0,0 {w - 1},{h - 1} 5,5"]
    draw += ["-antialias"]
    if glyph and label:
        size = 20 if h >= 60 else 15
        draw += ["-stroke", "none", "-fill", glyph_colour, "-font", FONT, "-pointsize", str(size),
                 "-gravity", "West", "-annotate", f"+{10 if h < 60 else 28}+0", glyph,
                 "-font", BOLD, "-pointsize", str(22 if h >= 60 else 12),
                 "-annotate", f"+{32 if h < 60 else 62}+0", label]
    elif glyph:
        draw += ["-stroke", "none", "-fill", glyph_colour, "-font", FONT,
                 "-pointsize", str(min(h - 6, 16)), "-gravity", "Center", "-annotate", "+0+0", glyph]
    run(*draw, "-type", "TrueColor", f"BMP3:{path}")


def strip(folder, ident, place, s):
    left, top, w, h, glyph, label = place
    start = ident == 1017
    faces = [(s["accent"] if start else s["face"], "#ffffff" if start else s["glyph"]),
             (s["start_over"] if start else s["over"], "#ffffff" if start else s["glyph"]),
             (s["start_down"] if start else s["down"], "#ffffff" if start else s["glyph"]),
             (s["off"], s["offglyph"])]
    parts = []
    for k, (fill, colour) in enumerate(faces):
        part = os.path.join(folder, f".state{k}.bmp")
        state(part, w, h, fill, colour, glyph, label, s["edge"])
        parts.append(part)
    run(*parts, "+append", "-type", "TrueColor", f"BMP3:{os.path.join(folder, f'btn{ident}.bmp')}")
    for p in parts:
        os.remove(p)


def background(folder, s):
    draw = ["-size", "860x530", f"gradient:{s['bg1']}-{s['bg2']}",
            # title bar, name, panels of the source list and the preview
            "-fill", s["panel"], "-stroke", s["edge"],
            "-draw", "roundrectangle 44,105 525,381 4,4",
            "-draw", "roundrectangle 545,100 815,395 4,4",
            "-draw", "roundrectangle 44,400 600,500 4,4",
            "-fill", s["accent"], "-stroke", "none", "-draw", "rectangle 0,0 859,1",
            "-fill", s["text"], "-font", BOLD, "-pointsize", "15", "-annotate", "+18+25", "Quorvane Pro",
            "-fill", "#000000", "-draw", "rectangle 550,123 810,305"]
    run(*draw, "-quality", "92", os.path.join(folder, "background.jpg"))


def description(folder, s):
    lines = ['<?xml version="1.0" encoding="UTF-8"?>', "<AppSetting>", "  <MainDlgSetting>",
             f"    <Custom><CtlBkColor>{s['colour']}</CtlBkColor></Custom>",
             "    <BackGround><szFilePath>background.jpg</szFilePath></BackGround>", "    <BmpButtons>"]
    for ident, (left, top, w, h, _, _) in BUTTONS.items():
        lines.append(f"      <BmpButton><BmpButtonID>{ident}</BmpButtonID><szFilePath>btn{ident}.bmp"
                     f"</szFilePath><left>{left}</left><top>{top}</top><length>{w}</length>"
                     f"<height>{h}</height><ButtonType>0</ButtonType><ButtonShowHide>0"
                     "</ButtonShowHide></BmpButton>")
    lines += ["    </BmpButtons>", "    <BmpStatics />", "    <WindowsPos>",
              "      <WindowPos><ControlID>1006</ControlID><left>50</left><top>111</top>"
              "<length>470</length><height>265</height></WindowPos>",
              "    </WindowsPos>", "  </MainDlgSetting>", "</AppSetting>", ""]
    with open(os.path.join(folder, "SkinSetting.xml"), "w", encoding="utf-8") as f:
        f.write("\n".join(lines))


for name, s in SKINS.items():
    folder = os.path.join(ROOT, name)
    os.makedirs(folder, exist_ok=True)
    background(folder, s)
    for ident, place in BUTTONS.items():
        strip(folder, ident, place, s)
    description(folder, s)
    print("skin", name, "written to", folder)
