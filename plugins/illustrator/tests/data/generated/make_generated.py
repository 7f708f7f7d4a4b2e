#!/usr/bin/python3
"""Writes the generated path files of this folder (kept for reference; the
files are committed and the tests do not run this script).

Each file is a seeded random mix of what the reader understands and what it
must pass over: every path and state operator (also in relative and word
forms), closing by h and by filling painters, rectangles, lone and repeated
segments, curves that do not move or end where they start, numbers of every
spelling (plain, signed, exponent, more than 15 digits, malformed), strings,
hex strings, procedures and comments between the operators, and LF, CRLF and
CR line ends. Their golden shapes (golden/generated/*.shapes) were written by
the importer as it stood before straight runs were thinned while reading.

Run:  /usr/bin/python3 make_generated.py
"""
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))


def number(rng):
    kind = rng.randrange(10)
    if kind == 0:
        return "%d" % rng.randrange(-50, 450)
    if kind in (1, 2, 3):
        return "%.3f" % rng.uniform(-100.0, 2000.0)
    if kind == 4:
        return "%.6f" % rng.uniform(0.0, 50.0)
    if kind == 5:
        return repr(rng.uniform(0.0, 3000.0))  # up to 17 significant digits
    if kind == 6:
        return ".%d" % rng.randrange(1000)
    if kind == 7:
        return rng.choice(["+3.5", "-0", "1e2", "2E-1", "-.25", "007.50", "0.000000000000000001"])
    if kind == 8:
        return "%.1f" % rng.randrange(100)
    return "%d." % rng.randrange(300)


def write(seed, count):
    rng = random.Random(seed)
    ends = ["\n", "\r\n", "\r"][seed % 3]
    out = ["%!PS-Adobe-3.0 EPSF-3.0", "%%BoundingBox: 0 0 2000 2000", "%%EndSetup"]
    line = []
    start = ["10", "10"]

    def op(*words):
        line.extend(words)
        if rng.randrange(3) == 0:
            out.append(" ".join(line))
            line.clear()

    def n(k):
        return [number(rng) for _ in range(k)]

    for _ in range(count):
        k = rng.randrange(30)
        if k < 3:
            start = n(2)
            op(*start, rng.choice(["m", "moveto"]))
        elif k < 8:
            op(*n(2), rng.choice(["l", "L", "lineto"]))
        elif k == 8:
            op(*start, "l")  # back to the subpath's start
        elif k < 11:
            op(*n(6), rng.choice(["c", "C", "curveto"]))
        elif k == 11:
            op(*n(4), rng.choice(["v", "V"]))
        elif k == 12:
            op(*n(4), rng.choice(["y", "Y"]))
        elif k == 13:
            op(*start, *n(2), *start, "c")  # a curve that ends where it starts
        elif k == 14:
            op(*(start * 3), "c")  # a curve that does not move
        elif k == 15:
            op(rng.choice(["h", "H", "closepath"]))
        elif k == 16:
            op(*n(4), "re")
        elif k == 17:
            op(*n(2), rng.choice(["rlineto", "rmoveto"]))
        elif k == 18:
            op(*n(6), "rcurveto")
        elif k == 19:
            m = ["%.3f" % rng.uniform(-1.5, 1.5) for _ in range(4)] + n(2)
            op(rng.choice(["q", "gsave"]), *m, rng.choice(["cm", "concat"]))
        elif k == 20:
            op(rng.choice(["Q", "grestore"]))
        elif k == 21:
            if rng.randrange(2):
                op(*n(2), "translate")
            else:
                op("%.2f" % rng.uniform(0.5, 2.0), "%.2f" % rng.uniform(0.5, 2.0), "scale")
        elif k == 22:
            op(number(rng), "rotate")
        elif k == 23:
            op("0 0 0 1 k 1 w 4 M")
        elif k == 24:
            op(rng.choice(["(a (nested) string \\) here)", "<00ff 7f>", "{ 1 2 l 3 4 m }", "/Name", "[1 0 0 1 5 5]"]))
        elif k == 25:
            op(*n(2), "1.2.3", "-", "l")  # malformed numbers are operators
        elif k == 26:
            out.append(" ".join(line + ["% a comment 1 2 l"]))
            line.clear()
        else:
            op(rng.choice(["f", "F", "f*", "S", "s", "b", "B", "B*", "n", "N", "fill", "stroke", "eofill", "newpath"]))
    out.append(" ".join(line))
    out.append("%%EOF")
    with open(os.path.join(HERE, "generated_%02d.eps" % seed), "w", newline="") as f:
        f.write(ends.join(out) + ends)


for seed in range(1, 9):
    write(seed, 120 * seed)
