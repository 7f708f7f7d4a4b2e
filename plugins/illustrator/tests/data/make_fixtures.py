#!/usr/bin/python3
"""Writes the import test fixtures of this folder (kept for reference; the
files are committed and the tests do not run this script).

Two independent writers make the files:
  * cairo (python3-cairo) writes EPS: cairo_*.eps
  * Ghostscript's ps2ai.ps turns PostScript into Illustrator 3 files: gs_*.ai

Each text fixture gets a .expect file with the writer's own outline path in
page points (y up) at full precision, as an oracle for the tests:
    tol <points>            tolerance of the file's printed numbers
    M x y | L x y | C x1 y1 x2 y2 x3 y3 | Z   path elements
    P                       painting operator (ends the path, fills)

Run:  /usr/bin/python3 make_fixtures.py   (needs python3-cairo and ghostscript)
"""
import glob
import math
import os
import subprocess
import tempfile

import cairo

HERE = os.path.dirname(os.path.abspath(__file__))
PAGE_W, PAGE_H = 200.0, 150.0


def eps(name, draw):
    surface = cairo.PSSurface(os.path.join(HERE, name), PAGE_W, PAGE_H)
    surface.set_eps(True)
    ctx = cairo.Context(surface)
    draw(ctx)
    surface.finish()


def write_expect(name, tol, elements):
    with open(os.path.join(HERE, name), "w") as out:
        out.write("tol %g\n" % tol)
        for e in elements:
            out.write(" ".join([e[0]] + ["%.9f" % v for v in e[1:]]) + "\n")


def cairo_fixtures():
    # Rectangle 100 x 50 at (10, 20) in cairo's y-down space.
    def rect(ctx):
        ctx.rectangle(10, 20, 100, 50)
        ctx.fill()

    # Circle of radius 50 about (100, 75), stroked.
    def circle(ctx):
        ctx.arc(100, 75, 50, 0, 2 * math.pi)
        ctx.close_path()
        ctx.set_line_width(1)
        ctx.stroke()

    # Square 160 x 110 with a square hole 80 x 50, one even-odd fill.
    def hole(ctx):
        ctx.move_to(20, 20)
        ctx.line_to(180, 20)
        ctx.line_to(180, 130)
        ctx.line_to(20, 130)
        ctx.close_path()
        ctx.move_to(60, 50)
        ctx.line_to(60, 100)
        ctx.line_to(140, 100)
        ctx.line_to(140, 50)
        ctx.close_path()
        ctx.set_fill_rule(cairo.FILL_RULE_EVEN_ODD)
        ctx.fill()

    # Outlines of "DO": lines and curves, three closed contours.
    oracle = []

    def text(ctx):
        ctx.select_font_face("DejaVu Sans", cairo.FONT_SLANT_NORMAL, cairo.FONT_WEIGHT_NORMAL)
        ctx.set_font_size(48)
        ctx.move_to(20, 100)
        ctx.text_path("DO")
        for kind, pts in ctx.copy_path():
            flip = [v if i % 2 == 0 else PAGE_H - v for i, v in enumerate(pts)]
            if kind == cairo.PATH_MOVE_TO:
                oracle.append(["M"] + flip)
            elif kind == cairo.PATH_LINE_TO:
                oracle.append(["L"] + flip)
            elif kind == cairo.PATH_CURVE_TO:
                oracle.append(["C"] + flip)
            else:
                oracle.append(["Z"])
        ctx.fill()
        oracle.append(["P"])

    eps("cairo_rect.eps", rect)
    eps("cairo_circle.eps", circle)
    eps("cairo_hole.eps", hole)
    eps("cairo_text.eps", text)
    # cairo prints path numbers with three decimals.
    write_expect("cairo_text.expect", 0.0006, oracle)


GS_SOURCES = {
    # Rectangle 100 x 50 at (72, 72).
    "gs_rect": "newpath 72 72 moveto 172 72 lineto 172 122 lineto 72 122 lineto closepath fill\n",
    # Circle of radius 50 about (300, 300), stroked.
    "gs_circle": "newpath 300 300 50 0 360 arc closepath stroke\n",
    # Square 200 x 150 with a hole 100 x 70, drawn in a translated space.
    "gs_hole": "gsave 40 60 translate newpath 0 0 moveto 200 0 lineto 200 150 lineto 0 150 lineto closepath\n"
    "50 40 moveto 50 110 lineto 150 110 lineto 150 40 lineto closepath eofill grestore\n",
}
GS_TEXT = "/Helvetica findfont 48 scalefont setfont newpath 100 400 moveto (DO) false charpath\n"


def ps2ai_path():
    found = sorted(glob.glob("/usr/share/ghostscript/*/lib/ps2ai.ps"))
    if not found:
        raise SystemExit("ps2ai.ps not found: install ghostscript")
    return found[-1]


def gs_fixtures():
    converter = ps2ai_path()
    sources = dict(GS_SOURCES)
    sources["gs_text"] = GS_TEXT + "fill\n"
    with tempfile.TemporaryDirectory() as tmp:
        for name, body in sources.items():
            src = os.path.join(tmp, name + ".ps")
            with open(src, "w") as f:
                f.write("%!PS\n" + body + "showpage\n")
            with open(os.path.join(HERE, name + ".ai"), "wb") as out:
                subprocess.run(["gs", "-q", "-dNODISPLAY", "-dNOSAFER", converter, src], stdout=out, check=True)
        # Oracle of the text: Ghostscript's own path of the same outlines.
        dump = os.path.join(tmp, "dump.ps")
        with open(dump, "w") as f:
            # The identity transform ps2ai sets, so the glyphs meet the same grid.
            f.write("%!PS\nmatrix identmatrix setmatrix\n" + GS_TEXT)
            f.write("/p { 30 string cvs print ( ) print } def\n"
                    "{ (M ) print 2 array astore { p } forall (\\n) print }\n"
                    "{ (L ) print 2 array astore { p } forall (\\n) print }\n"
                    "{ (C ) print 6 array astore { p } forall (\\n) print }\n"
                    "{ (Z\\n) print } pathforall (P\\n) print\n")
        text = subprocess.run(["gs", "-q", "-dNODISPLAY", "-dNOSAFER", "-dBATCH", dump],
                              capture_output=True, text=True, check=True).stdout
    elements = []
    for row in text.split("\n"):
        parts = row.split()
        if parts:
            elements.append([parts[0]] + [float(v) for v in parts[1:]])
    # ps2ai prints three decimals; Ghostscript's reals are single precision.
    write_expect("gs_text.expect", 0.0006, elements)


if __name__ == "__main__":
    cairo_fixtures()
    gs_fixtures()
