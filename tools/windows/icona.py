#!/usr/bin/env python3
"""Write a Windows icon (.ico) holding the given PNG pictures as they are.

    python3 tools/windows/icona.py OUT.ico 16.png 24.png ... 256.png

Each PNG becomes one image of the icon (Windows Vista and later read PNG
images inside an icon), at its own size, at most 256 pixels a side. The
build makes the program's icon from packaging/icone/ with it.
"""

import struct
import sys


def lato(png):
    if png[:8] != b"\x89PNG\r\n\x1a\n" or png[12:16] != b"IHDR":
        raise ValueError("not a PNG")
    return struct.unpack(">II", png[16:24])


def icona(pngs):
    testata = struct.pack("<HHH", 0, 1, len(pngs))
    voci = b""
    posto = 6 + 16 * len(pngs)
    for png in pngs:
        larghezza, altezza = lato(png)
        if larghezza > 256 or altezza > 256:
            raise ValueError("larger than 256 pixels")
        # 256 is written as 0; one plane, 32 bits a pixel.
        voci += struct.pack("<BBBBHHII", larghezza % 256, altezza % 256, 0, 0, 1, 32, len(png), posto)
        posto += len(png)
    return testata + voci + b"".join(pngs)


def main(argv):
    if len(argv) < 3:
        sys.stderr.write("uso: icona.py USCITA.ico IMMAGINE.png...\n")
        return 2
    pngs = []
    for nome in argv[2:]:
        with open(nome, "rb") as f:
            pngs.append(f.read())
    try:
        dati = icona(pngs)
    except ValueError as e:
        sys.stderr.write("icona.py: %s\n" % e)
        return 1
    with open(argv[1], "wb") as f:
        f.write(dati)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
