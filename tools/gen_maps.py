#!/usr/bin/env python3
"""Draw the region maps of the municipality directory: comuni/maps/italia01.png
(plain map of Italy) and italia02.png .. italia21.png (the same map with a
black star inside one region), each 192 x 219 pixels.

Source outline: the npm package @svg-maps/italy 2.0.0 (CC BY 4.0, by Victor
Cazanave, based on the map by MapSVG). It is not kept in the repository;
fetch it and run the tool again with:

    cd "$(mktemp -d)" && npm pack @svg-maps/italy@2.0.0 && tar xzf svg-maps-italy-*.tgz
    python3 /path/to/repo/tools/gen_maps.py "$PWD/package/italy.svg"

Needs: python3 (standard library only) and rsvg-convert from the Debian
package librsvg2-bin. Run with --svg-only to write the SVG files without
rendering them (they go to the directory given by --keep-svg, if any).

It also writes tools/icons/italy-outline.svg, a simplified silhouette of the
whole country (same source and licence) that tools/gen_icons.py draws into
the main window's pictures, so those need no download.
"""

import argparse
import heapq
import math
import os
import re
import subprocess
import sys
import tempfile

WIDTH, HEIGHT = 192, 219
MARGIN = 2.0                         # pixels kept free around the outline
SEA = "#d9e8f5"                      # pale sea behind the land
OUTLINE = "#000000"
OUTLINE_WIDTH = 0.7                  # pixels

# Picture number -> (region as the directory names it, id in italy.svg).
# The order is the one the directory window uses for its pictures.
REGIONS = [
    (2, "ABRUZZO", "abruzzo"),
    (3, "CALABRIA", "calabria"),
    (4, "CAMPANIA", "campania"),
    (5, "EMILIA ROMAGNA", "emilia-romagna"),
    (6, "FRIULI VENEZIA GIULIA", "friuli-venezia-giulia"),
    (7, "BASILICATA", "basilicata"),
    (8, "LAZIO", "lazio"),
    (9, "LIGURIA", "liguria"),
    (10, "LOMBARDIA", "lombardy"),
    (11, "MARCHE", "marche"),
    (12, "MOLISE", "molise"),
    (13, "PIEMONTE", "piedmont"),
    (14, "PUGLIA", "apulia"),
    (15, "SARDEGNA", "sardinia"),
    (16, "SICILIA", "sicily"),
    (17, "TOSCANA", "tuscany"),
    (18, "TRENTINO ALTO ADIGE", "trentino-south-tyrol"),
    (19, "UMBRIA", "umbria"),
    (20, "VALLE D'AOSTA", "aosta-valley"),
    (21, "VENETO", "veneto"),
]

LAMPEDUSA_CUT = 750.0               # source units: rings of Sicily below are dropped

# Soft flat colours; neighbouring regions never share one (see colour_regions).
PALETTE = ["#f3d27a", "#9fd39a", "#f2a38f", "#b7a6dc", "#f7bf80", "#8fcfc4"]

# Star size in pixels: the outer radius follows the room the region leaves
# around its most inland point, between these bounds.
STAR_MAX = 6.0
STAR_MIN = 4.6
STAR_INNER = 0.45                    # inner radius / outer radius


def parse_rings(d):
    """Turn a path made of relative 'm' moves, implicit relative line-tos and
    'z' closes into a list of rings (lists of (x, y))."""
    tokens = re.findall(r"[mMzZ]|-?\d*\.?\d+(?:[eE][-+]?\d+)?", d)
    rings, ring = [], None
    cx = cy = 0.0
    start = (0.0, 0.0)
    i = 0
    cmd = None
    while i < len(tokens):
        t = tokens[i]
        if t in "mM":
            cmd = t
            i += 1
            x, y = float(tokens[i]), float(tokens[i + 1])
            i += 2
            if cmd == "m":
                cx, cy = cx + x, cy + y
            else:
                cx, cy = x, y
            ring = [(cx, cy)]
            rings.append(ring)
            start = (cx, cy)
            cmd = "l" if cmd == "m" else "L"
        elif t in "zZ":
            cx, cy = start
            i += 1
        else:
            x, y = float(tokens[i]), float(tokens[i + 1])
            i += 2
            if cmd == "l":
                cx, cy = cx + x, cy + y
            else:
                cx, cy = x, y
            ring.append((cx, cy))
    return rings


def load_regions(svg_path):
    text = open(svg_path, encoding="utf-8").read()
    out = {}
    for m in re.finditer(r"<path\b(.*?)/>", text, re.S):
        attrs = m.group(1)
        rid = re.search(r'\bid="([^"]+)"', attrs).group(1)
        d = re.search(r'\bd="([^"]+)"', attrs).group(1)
        out[rid] = parse_rings(d)
    # Lampedusa lies so far south that keeping it would shrink the whole map
    # by a tenth for one dot; it is left out.
    out["sicily"] = [r for r in out.get("sicily", [])
                     if min(y for _, y in r) < LAMPEDUSA_CUT]
    missing = [r for _, _, r in REGIONS if r not in out]
    if missing:
        sys.exit("italy.svg lacks the regions: " + ", ".join(missing))
    return out


def fit_transform(regions):
    xs = [x for rings in regions.values() for r in rings for x, _ in r]
    ys = [y for rings in regions.values() for r in rings for _, y in r]
    x0, x1, y0, y1 = min(xs), max(xs), min(ys), max(ys)
    s = min((WIDTH - 2 * MARGIN) / (x1 - x0), (HEIGHT - 2 * MARGIN) / (y1 - y0))
    ox = (WIDTH - s * (x1 - x0)) / 2 - s * x0
    oy = (HEIGHT - s * (y1 - y0)) / 2 - s * y0
    return lambda p: (ox + s * p[0], oy + s * p[1])


def seg_dist2(px, py, a, b):
    ax, ay = a
    dx, dy = b[0] - ax, b[1] - ay
    if dx or dy:
        t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)
        t = max(0.0, min(1.0, t))
        ax, ay = ax + t * dx, ay + t * dy
    return (px - ax) ** 2 + (py - ay) ** 2


def signed_dist(px, py, rings):
    """Distance from (px, py) to the region's outline, negative outside
    (even-odd rule over all rings, so holes count as outside)."""
    inside = False
    best = math.inf
    for r in rings:
        n = len(r)
        for i in range(n):
            a, b = r[i], r[i - 1]
            if (a[1] > py) != (b[1] > py) and \
                    px < (b[0] - a[0]) * (py - a[1]) / (b[1] - a[1]) + a[0]:
                inside = not inside
            best = min(best, seg_dist2(px, py, a, b))
    d = math.sqrt(best)
    return d if inside else -d


def pole_of_inaccessibility(rings, precision=0.05):
    """The inside point farthest from the outline (the 'polylabel' search:
    quad-tree cells in a priority queue ordered by their best possible
    distance)."""
    xs = [x for r in rings for x, _ in r]
    ys = [y for r in rings for _, y in r]
    x0, y0, x1, y1 = min(xs), min(ys), max(xs), max(ys)
    size = min(x1 - x0, y1 - y0)
    h = size / 2
    heap = []

    def push(cx, cy, h):
        d = signed_dist(cx, cy, rings)
        heapq.heappush(heap, (-(d + h * math.sqrt(2)), cx, cy, h, d))

    x = x0
    while x < x1:
        y = y0
        while y < y1:
            push(x + h, y + h, h)
            y += size
        x += size
    # Start from the centroid of the largest ring's vertices as a fallback.
    big = max(rings, key=len)
    bx = sum(p[0] for p in big) / len(big)
    by = sum(p[1] for p in big) / len(big)
    best = (signed_dist(bx, by, rings), bx, by)
    while heap:
        maxd, cx, cy, h, d = heapq.heappop(heap)
        if d > best[0]:
            best = (d, cx, cy)
        if -maxd - best[0] <= precision:
            continue
        h /= 2
        for sx in (-1, 1):
            for sy in (-1, 1):
                push(cx + sx * h, cy + sy * h, h)
    return best[1], best[2], best[0]


def adjacency(regions, tol=1.0):
    """Regions whose outlines come within tol pixels of each other."""
    ids = list(regions)
    pts = {r: [p for ring in regions[r] for p in ring] for r in ids}
    adj = {r: set() for r in ids}
    cell = tol
    grid = {}
    for r in ids:
        for x, y in pts[r]:
            grid.setdefault((int(x // cell), int(y // cell)), set()).add(r)
    for r in ids:
        for x, y in pts[r]:
            gx, gy = int(x // cell), int(y // cell)
            for dx in (-1, 0, 1):
                for dy in (-1, 0, 1):
                    for o in grid.get((gx + dx, gy + dy), ()):
                        if o != r:
                            adj[r].add(o)
    return adj


def colour_regions(regions):
    """Greedy colouring, most-constrained region first, choosing among the
    free colours the least used one so the palette stays balanced."""
    adj = adjacency(regions)
    colours = {}
    used = [0] * len(PALETTE)
    order = sorted(regions, key=lambda r: (-len(adj[r]), r))
    for r in order:
        taken = {colours[o] for o in adj[r] if o in colours}
        free = [c for c in range(len(PALETTE)) if c not in taken]
        if not free:
            sys.exit("palette too small for region " + r)
        c = min(free, key=lambda c: (used[c], c))
        colours[r] = c
        used[c] += 1
    return {r: PALETTE[c] for r, c in colours.items()}, adj


def star_points(cx, cy, R):
    pts = []
    for k in range(10):
        a = -math.pi / 2 + k * math.pi / 5
        rad = R if k % 2 == 0 else R * STAR_INNER
        pts.append("%.2f,%.2f" % (cx + rad * math.cos(a), cy + rad * math.sin(a)))
    return " ".join(pts)


def ring_path(ring):
    return "M" + " L".join("%.2f,%.2f" % p for p in ring) + " Z"


def svg_document(regions, colours, star=None):
    out = ['<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" '
           'viewBox="0 0 %d %d">' % (WIDTH, HEIGHT, WIDTH, HEIGHT),
           '<rect width="%d" height="%d" fill="%s"/>' % (WIDTH, HEIGHT, SEA)]
    for rid in sorted(regions):
        d = " ".join(ring_path(r) for r in regions[rid])
        out.append('<path d="%s" fill="%s" fill-rule="evenodd" stroke="%s" '
                   'stroke-width="%.2f" stroke-linejoin="round"/>'
                   % (d, colours[rid], OUTLINE, OUTLINE_WIDTH))
    if star:
        cx, cy, R = star
        out.append('<polygon points="%s" fill="#000000" stroke="#ffffff" '
                   'stroke-width="1.6" stroke-linejoin="round" '
                   'paint-order="stroke"/>' % star_points(cx, cy, R))
    out.append("</svg>\n")
    return "\n".join(out)


def simplify(ring, tol):
    """Douglas-Peucker simplification of a closed ring."""
    if len(ring) < 4:
        return ring
    keep = [False] * len(ring)
    keep[0] = keep[-1] = True
    stack = [(0, len(ring) - 1)]
    while stack:
        a, b = stack.pop()
        best, idx = 0.0, None
        for i in range(a + 1, b):
            d = seg_dist2(ring[i][0], ring[i][1], ring[a], ring[b])
            if d > best:
                best, idx = d, i
        if idx is not None and best > tol * tol:
            keep[idx] = True
            stack += [(a, idx), (idx, b)]
    return [p for p, k in zip(ring, keep) if k]


def ring_area(ring):
    return abs(sum(ring[i - 1][0] * ring[i][1] - ring[i][0] * ring[i - 1][1]
                   for i in range(len(ring)))) / 2


def write_outline(src, path):
    """Silhouette of Italy without inner borders: every region is stroked
    first and filled afterwards, so only the outer half of the outline stays.
    Tuned to be drawn about 30 pixels high (the stroke is then ~1 px)."""
    rings = [simplify(r, 1.2) for rings in src.values() for r in rings
             if ring_area(r) >= 40]
    xs = [x for r in rings for x, _ in r]
    ys = [y for r in rings for _, y in r]
    x0, y0 = min(xs) - 16, min(ys) - 16
    w, h = max(xs) + 16 - x0, max(ys) + 16 - y0
    d = " ".join(ring_path(r) for r in rings)
    with open(path, "w", encoding="utf-8") as f:
        f.write('<svg xmlns="http://www.w3.org/2000/svg" viewBox="%.0f %.0f %.0f %.0f">\n'
                % (x0, y0, w, h))
        f.write("<!-- Silhouette of Italy simplified from @svg-maps/italy 2.0.0 by\n"
                "     Victor Cazanave, based on MapSVG, CC BY 4.0\n"
                "     (https://creativecommons.org/licenses/by/4.0/); written by\n"
                "     tools/gen_maps.py. -->\n")
        f.write('<defs><linearGradient id="g" x1="0" y1="0" x2="1" y2="1">'
                '<stop offset="0" stop-color="#8ae234"/>'
                '<stop offset="1" stop-color="#3f8a06"/></linearGradient>\n'
                '<path id="p" d="%s"/></defs>\n' % d)
        f.write('<use href="#p" fill="none" stroke="#234d05" stroke-width="52" '
                'stroke-linejoin="round"/>\n')
        f.write('<use href="#p" fill="url(#g)"/>\n</svg>\n')


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("italy_svg", help="italy.svg from @svg-maps/italy")
    ap.add_argument("--out", default=os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "comuni", "maps"))
    ap.add_argument("--keep-svg", help="also write the SVG files here")
    ap.add_argument("--svg-only", action="store_true")
    args = ap.parse_args()

    src = load_regions(args.italy_svg)
    outline = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                           "icons", "italy-outline.svg")
    os.makedirs(os.path.dirname(outline), exist_ok=True)
    write_outline(src, outline)
    tf = fit_transform(src)
    regions = {r: [[tf(p) for p in ring] for ring in rings]
               for r, rings in src.items()}
    colours, adj = colour_regions(regions)

    pictures = [(1, "ITALIA", None)]
    for num, name, rid in REGIONS:
        x, y, room = pole_of_inaccessibility(regions[rid])
        R = max(STAR_MIN, min(STAR_MAX, room * 1.05))
        print("%02d %-22s star at (%.1f, %.1f) room %.1f px, radius %.1f px"
              % (num, name, x, y, room, R))
        pictures.append((num, name, (x, y, R)))

    tmp = tempfile.mkdtemp()
    for num, name, star in pictures:
        svg = svg_document(regions, colours, star)
        base = "italia%02d" % num
        svg_path = os.path.join(args.keep_svg or tmp, base + ".svg")
        if args.keep_svg:
            os.makedirs(args.keep_svg, exist_ok=True)
        with open(svg_path, "w", encoding="utf-8") as f:
            f.write(svg)
        if args.svg_only:
            continue
        png = os.path.join(args.out, base + ".png")
        subprocess.run(["rsvg-convert", "-w", str(WIDTH), "-h", str(HEIGHT),
                        "-o", png, svg_path], check=True)
    if not args.svg_only:
        print("wrote %d pictures to %s" % (len(pictures), os.path.normpath(args.out)))


if __name__ == "__main__":
    main()
