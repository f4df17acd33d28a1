#!/usr/bin/env python3
"""Render the pictures of the main window, the about window and the euro
converter's arrow buttons from the SVG sources in tools/icons/, and the
program's icon in the sizes of the desktop's icon theme (packaging/icone/).

    python3 tools/gen_icons.py

Needs: python3 (standard library only), rsvg-convert (Debian package
librsvg2-bin), the Tango icons (Debian package tango-icon-theme, public
domain, read from /usr/share/icons/Tango) and, for the euro sign and other
text if any, the fonts Liberation Sans (fonts-liberation2) or DejaVu Sans.

In an SVG source, the link of an <image> may be "@tango:PATH" for a Tango
icon under /usr/share/icons/Tango (a PNG, or an SVG of scalable/) or
"@icon:FILE.svg" for another source of tools/icons/. Before rendering they
are inlined as PNG data URIs, an SVG being rendered first at the size of its
<image> (rsvg-convert reads no files outside the SVG's own folder, and
scales a nested SVG as a bitmap).
"""

import base64
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
ICONS = os.path.join(HERE, "icons")
TANGO = "/usr/share/icons/Tango"

# (source in tools/icons, picture in the repository, width, height)
PICTURES = [
    ("sportello.svg", "app/images/sportello.png", 32, 32),
    ("sportello.svg", "app/images/about.png", 33, 33),
    ("centro.svg", "app/images/centro.png", 208, 139),
    ("comuni.svg", "app/images/comuni.png", 32, 32),
    ("codicefiscale.svg", "app/images/codicefiscale.png", 32, 32),
    ("partitaiva.svg", "app/images/partitaiva.png", 32, 32),
    ("euro.svg", "app/images/euro.png", 32, 32),
    ("prefissi.svg", "app/images/prefissi.png", 32, 32),
    ("info.svg", "app/images/info.png", 32, 32),
    ("verifica.svg", "app/images/verifica.png", 32, 32),
    ("tabella.svg", "app/images/tabella.png", 32, 32),
]

# The program's icon for the hicolor theme: packaging/icone/<size>.png, installed
# under the application ID beside the SVG source itself (the scalable one). The
# window icon, app/images/sportello.png, comes from the same source.
ICON = "sportello.svg"
ICON_SIZES = [16, 24, 32, 48, 64, 128, 256]
PICTURES += [(ICON, "packaging/icone/%d.png" % n, n, n) for n in ICON_SIZES]

# Tango icons used as they are.
COPIES = [
    ("24x24/actions/go-next.png", "euroconv/images/freccia_destra.png"),
    ("24x24/actions/go-previous.png", "euroconv/images/freccia_sinistra.png"),
    ("32x32/actions/system-log-out.png", "app/images/esci.png"),
]


def data_uri(path, mime):
    with open(path, "rb") as f:
        return "data:%s;base64,%s" % (mime, base64.b64encode(f.read()).decode())


def render(svg_text, w, h, tmp):
    """PNG bytes of an SVG text rendered to fit w x h pixels, keeping its
    aspect ratio (the <image> that shows it centres it)."""
    fd, src = tempfile.mkstemp(suffix=".svg", dir=tmp)
    with os.fdopen(fd, "w", encoding="utf-8") as f:
        f.write(svg_text)
    out = src[:-4] + ".png"
    subprocess.run(["rsvg-convert", "-a", "-w", str(w), "-h", str(h), "-o", out,
                    src], check=True)
    with open(out, "rb") as f:
        return f.read()


def resolve(svg_name, tmp, depth=0):
    """The SVG text of a source with its @tango: and @icon: references inlined.
    A referenced SVG is rendered to a PNG of its <image>'s own size first, so
    it stays sharp whatever size it was drawn for."""
    if depth > 4:
        sys.exit("icon references nest too deep at " + svg_name)
    with open(os.path.join(ICONS, svg_name), encoding="utf-8") as f:
        text = f.read()

    def repl(m):
        elem = m.group(0)
        kind, ref = m.group(1), m.group(2)
        if kind == "tango":
            path = os.path.join(TANGO, ref)
            if not os.path.exists(path):
                sys.exit("missing Tango icon %s (install tango-icon-theme)" % path)
            with open(path, encoding="utf-8", errors="replace") as f:
                inner = f.read() if ref.endswith(".svg") else None
            if inner is None:
                return elem.replace("@%s:%s" % (kind, ref),
                                    data_uri(path, "image/png"))
        else:
            inner = resolve(ref, tmp, depth + 1)
        size = dict(re.findall(r'\b(width|height)="([\d.]+)"', elem))
        png = render(inner, round(float(size["width"])),
                     round(float(size["height"])), tmp)
        uri = "data:image/png;base64," + base64.b64encode(png).decode()
        return elem.replace("@%s:%s" % (kind, ref), uri)

    return re.sub(r'<image\b[^>]*?"@(tango|icon):([A-Za-z0-9_./-]+)"[^>]*>', repl, text)


def main():
    if not shutil.which("rsvg-convert"):
        sys.exit("rsvg-convert not found (install librsvg2-bin)")
    tmp = tempfile.mkdtemp()
    try:
        for src, out, w, h in PICTURES:
            svg = os.path.join(tmp, src)
            with open(svg, "w", encoding="utf-8") as f:
                f.write(resolve(src, tmp))
            dest = os.path.join(ROOT, out)
            os.makedirs(os.path.dirname(dest), exist_ok=True)
            subprocess.run(["rsvg-convert", "-w", str(w), "-h", str(h),
                            "-o", dest, svg], check=True)
            print("wrote %s (%dx%d)" % (out, w, h))
        for src, out in COPIES:
            shutil.copyfile(os.path.join(TANGO, src), os.path.join(ROOT, out))
            print("copied Tango %s to %s" % (src, out))
    finally:
        shutil.rmtree(tmp)


if __name__ == "__main__":
    main()
