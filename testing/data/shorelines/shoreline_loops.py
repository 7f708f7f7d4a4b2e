#!/usr/bin/env python3
"""Joins the binned shoreline pieces that `gmt coast -M -W` dumps into closed loops
and scales them to millimetres.

Usage: gmt coast -R<w/e/s/n> -Dl -W1 -M | shoreline_loops.py <mm per degree of latitude>

The pieces of one polygon meet end to start on the bin borders; loops that close keep
their level-1 (land) shoreline, anything left open (cut by the region border) is dropped.
Coordinates are projected equirectangularly about the region's middle latitude, x and y
in mm from the lower left corner of the loops' box, rounded to 1e-4 mm. Output: one loop
per block, a '>' line with its point count, then 'x y' lines; the first point is not
repeated at the end.
"""
import math
import sys


def main():
    scale = float(sys.argv[1])
    pieces, cur = [], None
    for line in sys.stdin:
        line = line.strip()
        if not line:
            continue
        if line.startswith('>'):
            cur = [] if 'Level 1' in line else None
            if cur is not None:
                pieces.append(cur)
            continue
        if cur is not None:
            lon, lat = map(float, line.split()[:2])
            cur.append((round(lon, 9), round(lat, 9)))
    by_start = {}
    for i, p in enumerate(pieces):
        if len(p) >= 2:
            by_start.setdefault(p[0], []).append(i)
    used, loops = set(), []
    for i, p in enumerate(pieces):
        if i in used or len(p) < 2:
            continue
        used.add(i)
        ring = list(p)
        while ring[-1] != ring[0]:
            nxt = [j for j in by_start.get(ring[-1], []) if j not in used]
            if not nxt:
                ring = None
                break
            used.add(nxt[0])
            ring.extend(pieces[nxt[0]][1:])
        if ring and len(ring) > 3:
            ring.pop()
            # Drop repeated points.
            clean = [q for k, q in enumerate(ring) if q != ring[k - 1]]
            loops.append(clean)
    if not loops:
        sys.exit('no closed loop')
    lat0 = sum(q[1] for l in loops for q in l) / sum(len(l) for l in loops)
    k = math.cos(math.radians(lat0))
    xs = [q[0] * k for l in loops for q in l]
    ys = [q[1] for l in loops for q in l]
    x0, y0 = min(xs), min(ys)
    loops.sort(key=len, reverse=True)
    for l in loops:
        print('> %d' % len(l))
        for lon, lat in l:
            print('%.4f %.4f' % ((lon * k - x0) * scale, (lat - y0) * scale))


main()
