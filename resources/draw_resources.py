#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draws Lumaport's pictures into this folder with ImageMagick's convert.

The pictures are committed; the build never runs this. Run it again after changing a drawing:

    /usr/bin/python3 resources/draw_resources.py

Small pictures are drawn at eight times their size and averaged down, which gives clean edges at 22 pixels.
"""

import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
CONVERT = "/usr/bin/convert"
FONTS = "/usr/share/fonts/truetype/dejavu"
SANS_BOLD = os.path.join(FONTS, "DejaVuSans-Bold.ttf")
SERIF_BOLD = os.path.join(FONTS, "DejaVuSerif-Bold.ttf")

# Oversampling of the drawings; each is averaged down to its real size.
SCALE = 8

DARK_RED = "#8b0000"
FOLDER = "#f2c14e"
FOLDER_EDGE = "#9c7414"
FOLDER_BACK = "#dca532"
PAPER = "#ffffff"
PAPER_EDGE = "#5a6470"
GREEN = "#2e8b3a"
GREEN_EDGE = "#1c5a25"
RED = "#d42a2a"
RED_EDGE = "#7a1010"



class Drawing:
    """Collects convert drawing arguments in the picture's own pixel units."""

    def __init__(self, scale=SCALE):
        self.scale = scale
        self.args = []

    def _n(self, value):
        return f"{value * self.scale:g}"

    def _points(self, points):
        return " ".join(f"{self._n(x)},{self._n(y)}" for x, y in points)

    def _paint(self, fill, stroke, width):
        self.args += ["-fill", fill or "none", "-stroke", stroke or "none", "-strokewidth", self._n(width)]

    def _draw(self, primitive):
        self.args += ["-draw", "stroke-linejoin round stroke-linecap round " + primitive]

    def polygon(self, points, fill, stroke=None, width=1.0):
        self._paint(fill, stroke, width)
        self._draw("polygon " + self._points(points))

    def polyline(self, points, stroke, width=1.0):
        self._paint(None, stroke, width)
        self._draw("polyline " + self._points(points))

    def rect(self, x0, y0, x1, y1, fill, stroke=None, width=1.0, radius=0):
        self._paint(fill, stroke, width)
        corners = f"{self._n(x0)},{self._n(y0)} {self._n(x1)},{self._n(y1)}"
        if radius:
            self._draw(f"roundrectangle {corners} {self._n(radius)},{self._n(radius)}")
        else:
            self._draw(f"rectangle {corners}")

    def circle(self, cx, cy, r, fill, stroke=None, width=1.0):
        self._paint(fill, stroke, width)
        self._draw(f"circle {self._n(cx)},{self._n(cy)} {self._n(cx + r)},{self._n(cy)}")

    def line(self, x0, y0, x1, y1, stroke, width=1.0):
        self._paint(None, stroke, width)
        self._draw(f"line {self._n(x0)},{self._n(y0)} {self._n(x1)},{self._n(y1)}")


class SvgDrawing:
    """The same drawing calls as Drawing, written as SVG elements in the picture's own units."""

    def __init__(self):
        self.elements = []

    @staticmethod
    def _paint(fill, stroke, width):
        paint = f'fill="{fill or "none"}"'
        if stroke:
            paint += f' stroke="{stroke}" stroke-width="{width:g}" stroke-linejoin="round" stroke-linecap="round"'
        return paint

    def polygon(self, points, fill, stroke=None, width=1.0):
        coordinates = " ".join(f"{x:g},{y:g}" for x, y in points)
        self.elements.append(f'<polygon points="{coordinates}" {self._paint(fill, stroke, width)}/>')

    def rect(self, x0, y0, x1, y1, fill, stroke=None, width=1.0, radius=0):
        self.elements.append(f'<rect x="{x0:g}" y="{y0:g}" width="{x1 - x0:g}" height="{y1 - y0:g}" '
                             f'rx="{radius:g}" {self._paint(fill, stroke, width)}/>')

    def circle(self, cx, cy, r, fill, stroke=None, width=1.0):
        self.elements.append(f'<circle cx="{cx:g}" cy="{cy:g}" r="{r:g}" {self._paint(fill, stroke, width)}/>')

    def write(self, name, size):
        with open(os.path.join(HERE, name), "w", encoding="utf-8") as f:
            f.write(f'<svg xmlns="http://www.w3.org/2000/svg" width="{size}" height="{size}" '
                    f'viewBox="0 0 {size} {size}">\n')
            for element in self.elements:
                f.write(f"  {element}\n")
            f.write("</svg>\n")


def run(args):
    subprocess.run([CONVERT] + args, check=True)


def render_small(name, width, height, drawing):
    """Renders an oversampled drawing on a transparent ground and averages it down to width x height."""
    # Without dates in the file, drawing again gives the same bytes.
    run(["-size", f"{width * SCALE}x{height * SCALE}", "xc:none"] + drawing.args
        + ["-scale", f"{width}x{height}!", "-strip", "-define", "png:exclude-chunks=date,time",
           "PNG32:" + os.path.join(HERE, name)])


def folder(d, x0, y0, x1, y1):
    """A manila folder with a tab on the left."""
    d.polygon([(x0, y0 + 1), (x0 + 6, y0 + 1), (x0 + 8, y0 + 3), (x1, y0 + 3), (x1, y1), (x0, y1)],
              FOLDER_BACK, FOLDER_EDGE, 1)
    d.polygon([(x0, y0 + 5), (x1, y0 + 5), (x1, y1), (x0, y1)], FOLDER, FOLDER_EDGE, 1)


def page(d, x0, y0, x1, y1):
    """A sheet of paper with a folded corner and a few lines of text."""
    fold = 4
    d.polygon([(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)], PAPER, PAPER_EDGE, 1)
    d.polygon([(x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold)], "#dde3ea", PAPER_EDGE, 0.8)
    for y in range(int(y0) + 6, int(y1) - 2, 3):
        d.line(x0 + 2.5, y + 0.5, x1 - 3, y + 0.5, "#9aa6b2", 1)


def arrow(d, cx, top, bottom, half_width, head, fill, edge, pointing_up):
    """A thick arrow along x = cx from top to bottom, its head at the end it points to."""
    shaft = half_width * 0.45
    if pointing_up:
        tip, base, neck = top, bottom, top + head
    else:
        tip, base, neck = bottom, top, bottom - head
    d.polygon([(cx, tip), (cx + half_width, neck), (cx + shaft, neck), (cx + shaft, base), (cx - shaft, base),
               (cx - shaft, neck), (cx - half_width, neck)], fill, edge, 1)


def draw_up_folder():
    d = Drawing()
    folder(d, 1.5, 4.5, 20.5, 19.5)
    # A green arrow rising out of the folder: up one level.
    arrow(d, 11, 2.5, 17.5, 6, 6.5, GREEN, GREEN_EDGE, pointing_up=True)
    render_small("up_folder.png", 22, 22, d)


def draw_delete():
    d = Drawing()
    for (x0, y0, x1, y1) in [(5, 5, 17, 17), (17, 5, 5, 17)]:
        d.line(x0, y0, x1, y1, RED_EDGE, 5.2)
    for (x0, y0, x1, y1) in [(5, 5, 17, 17), (17, 5, 5, 17)]:
        d.line(x0, y0, x1, y1, RED, 3.2)
    render_small("delete.png", 22, 22, d)


def draw_new_folder():
    d = Drawing()
    folder(d, 1.5, 5.5, 18.5, 19.5)
    # A green plus in the upper right corner: make one.
    d.circle(16, 6, 4.8, "#ffffff", GREEN_EDGE, 1)
    d.line(16, 3, 16, 9, GREEN, 2)
    d.line(13, 6, 19, 6, GREEN, 2)
    render_small("new_folder.png", 22, 22, d)


def draw_send_file():
    d = Drawing()
    page(d, 2.5, 1.5, 15.5, 21.5)
    arrow(d, 19.5, 3, 20, 6, 7, GREEN, GREEN_EDGE, pointing_up=True)
    render_small("send_file.png", 26, 23, d)


def draw_receive_file():
    d = Drawing()
    page(d, 2.5, 1.5, 15.5, 21.5)
    arrow(d, 19.5, 3, 20, 6, 7, "#2f6fc2", "#173c70", pointing_up=False)
    render_small("receive_file.png", 26, 23, d)


def icon(d):
    # A photograph on a dark red tile with an arrow carrying it up to the web, in a 64 unit square.
    d.rect(2, 2, 62, 62, DARK_RED, "#5c0000", 1.5, radius=12)
    d.rect(9, 11, 47, 45, "#ffffff", "#3a0000", 1.5, radius=2)
    d.rect(12.5, 14.5, 43.5, 41.5, "#7fb8e8", None, 0)
    d.circle(35.5, 21.5, 3.6, "#ffd23c", None, 0)
    d.polygon([(12.5, 41.5), (12.5, 35), (21, 25), (29, 34), (33, 30), (43.5, 41.5)], "#3f9b48", None, 0)
    arrow(d, 48.5, 24, 57, 10.5, 11, "#ffffff", "#3a0000", pointing_up=True)


def draw_icon():
    # The window's own, and the desktop's in the sizes its icon theme asks for.
    for size, name in [(64, "icon.png"), (48, "icon-48.png"), (128, "icon-128.png"), (256, "icon-256.png")]:
        d = Drawing(scale=SCALE * size / 64)
        icon(d)
        render_small(name, size, size, d)
    d = SvgDrawing()
    icon(d)
    d.write("icon.svg", 64)


def draw_banner():
    # 391 x 99: light grey ground, the slogan in small dark red letters on top, the name large below it.
    run(["-size", "391x99", "gradient:#ececec-#cfcfcf",
         "-fill", DARK_RED, "-font", SANS_BOLD, "-pointsize", "12", "-gravity", "north",
         "-annotate", "+0+7", "Put your pictures on the web \u2013 upload, link and share",
         "-font", SERIF_BOLD, "-pointsize", "54",
         "-fill", "#00000030", "-annotate", "+2+30", "Lumaport",
         "-fill", DARK_RED, "-annotate", "+0+28", "Lumaport",
         "-strip", "-quality", "92", "-sampling-factor", "1x1", os.path.join(HERE, "splash_banner.jpg")])


def draw_no_preview():
    # Shown stretched in square boxes when there is nothing to preview; plain and quiet.
    size = 384
    d = Drawing(scale=1)
    d.rect(10, 10, 373, 373, None, "#b4b9be", 3)
    # A picture glyph: frame, sun and hills, struck through.
    d.rect(112, 88, 272, 208, "#f4f5f6", "#9aa1a8", 8, radius=10)
    d.circle(222, 126, 13, "#b4b9be", None, 0)
    d.polygon([(120, 200), (120, 178), (160, 134), (198, 176), (214, 160), (264, 200)], "#b4b9be", None, 0)
    d.line(100, 226, 284, 70, "#f4f5f6", 20)
    d.line(100, 226, 284, 70, "#8b9096", 9)
    run(["-size", f"{size}x{size}", "xc:#e4e6e8"] + d.args
        + ["-fill", "#6e747a", "-stroke", "none", "-font", SANS_BOLD, "-pointsize", "38", "-gravity", "north",
           "-annotate", "+0+250", "No Preview",
           "-strip", "-quality", "90", os.path.join(HERE, "noPreview.jpg")])


def main():
    if not os.access(CONVERT, os.X_OK):
        sys.exit(f"{CONVERT} is missing; install ImageMagick")
    draw_icon()
    draw_banner()
    draw_no_preview()
    draw_up_folder()
    draw_delete()
    draw_new_folder()
    draw_send_file()
    draw_receive_file()


if __name__ == "__main__":
    main()
