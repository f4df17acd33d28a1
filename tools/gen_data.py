#!/usr/bin/env python3
"""Build the two data files that ship beside Sportello from the public reference tables.

    python3 tools/gen_data.py [DATA_SOURCES]

DATA_SOURCES is the folder that holds comuni.csv, catasto.csv and
sardegna_2026_transcodifica.csv (UTF-8, ';'-separated, one header row).
It defaults to ../shared/data-sources beside the repository root. The tool
rewrites data/codes.dat (municipality directory) and data/codes.cf (cadastral
code table) in the repository, byte for byte from the tables: running it twice
on the same tables gives identical files.

When the tables are refreshed: run the tool, look at `git diff --stat data/`
and at the letter blocks it prints (the directory search scans one fixed block
of list positions per initial letter, so the search's block table must match),
update the reference date in NOTICE and in the README, and commit the data
files together with the tool.

Python 3 standard library only. Exits with status 1 and a message on any
inconsistency instead of writing a doubtful file.
"""

import argparse
import csv
import os
import re
import sys
import unicodedata

ENCODING = "cp1252"
CRLF = "\r\n"

# codes.dat columns (1-based, inclusive): name field 1-40, province 42-59,
# region 61-79, telephone prefix 80-83, then a space and the CAP as the
# last five characters of the line.
DAT_NAME_WIDTH = 40
DAT_PROVINCE_WIDTH = 18
DAT_REGION_WIDTH = 19
DAT_PREFIX_WIDTH = 4
DAT_CAP_WIDTH = 5
DAT_LINE_WIDTH = DAT_NAME_WIDTH + 1 + DAT_PROVINCE_WIDTH + 1 + DAT_REGION_WIDTH + DAT_PREFIX_WIDTH + 1 + DAT_CAP_WIDTH

# codes.cf records: name 20, province 2, cadastral code 4, filler ending in CR LF.
CF_NAME_WIDTH = 20
CF_FILLER = "    " + CRLF
CF_RECORD_SIZE = 32
CF_MAX_ENTRIES = 9000
CF_END_NAME = "END"
FOREIGN_PROVINCE = "EE"

# Initial letters of the directory search, in block order. K, W, X and Y
# have no block: a municipality starting with one of them could never be found.
LETTER_BLOCKS = ["A", "B", "C", "D", "EF", "G", "HIJ", "L", "M", "N", "O",
                 "P", "Q", "R", "S", "T", "U", "V", "Z"]

# Region names as the directory's map table spells them; the source's spelling
# (hyphens, bilingual forms after a slash, accents) is reduced to these.
KIT_REGIONS = {
    "ABRUZZO", "CALABRIA", "CAMPANIA", "EMILIA ROMAGNA", "FRIULI VENEZIA GIULIA",
    "BASILICATA", "LAZIO", "LIGURIA", "LOMBARDIA", "MARCHE", "MOLISE", "PIEMONTE",
    "PUGLIA", "SARDEGNA", "SICILIA", "TOSCANA", "TRENTINO ALTO ADIGE", "UMBRIA",
    "VALLE D'AOSTA", "VENETO",
}

# Telephone prefixes that do not fit the 4-column field, by cadastral code.
# Campione d'Italia is on the Swiss network and is dialled from Italy as
# 0041 91 ...; "0041" (Switzerland's international prefix) tells the reader
# where the call goes, while the Swiss area code 091 alone would read as
# Palermo's prefix.
PREFIX_OVERRIDES = {"B513": "0041"}


class DataError(Exception):
    pass


def fail(message):
    raise DataError(message)


def read_table(path, columns):
    try:
        with open(path, encoding="utf-8", newline="") as f:
            reader = csv.DictReader(f, delimiter=";")
            missing = [c for c in columns if c not in (reader.fieldnames or [])]
            if missing:
                fail(f"{path}: missing columns {', '.join(missing)}")
            rows = []
            for line_no, row in enumerate(reader, start=2):
                if None in row or any(row[c] is None for c in columns):
                    fail(f"{path}:{line_no}: wrong number of fields")
                rows.append({c: row[c].strip() for c in columns})
            return rows
    except OSError as e:
        fail(f"cannot read {path}: {e.strerror}")
    except UnicodeDecodeError as e:
        fail(f"{path}: not UTF-8 ({e})")


def upper(text):
    """Upper case as the Windows-1252 code page has it: a letter whose upper
    case is missing there (or is two letters, like ß) stays as it is."""
    out = []
    for ch in text:
        up = ch.upper()
        if len(up) != 1:
            up = ch
        else:
            try:
                up.encode(ENCODING)
            except UnicodeEncodeError:
                up = ch
        out.append(up)
    return "".join(out)


def fold(text):
    """Text without accents, for sorting and for the plain spellings."""
    decomposed = unicodedata.normalize("NFD", text)
    return unicodedata.normalize("NFC", "".join(c for c in decomposed if not unicodedata.combining(c)))


def apostrophe_spelling(name):
    """The spelling of documents written without accented letters: an accented
    vowel that ends a word becomes the plain vowel and an apostrophe (AGLIÈ ->
    AGLIE'), any other accented letter loses its accent (CHÂTILLON -> CHATILLON)."""
    out = []
    for i, ch in enumerate(name):
        plain = fold(ch)
        if plain == ch:
            out.append(ch)
            continue
        next_is_letter = i + 1 < len(name) and name[i + 1].isalpha()
        if plain in "AEIOU" and not next_is_letter:
            out.append(plain + "'")
        else:
            out.append(plain)
    return "".join(out)


def sort_key(name, province):
    # Alphabetical with the accents folded; space, apostrophe and hyphen sort
    # before letters, so SAN ... comes before SANT'... and SANTA ...
    return (fold(name), name, province)


def cut(text, width):
    return text[:width]


def pad(text, width):
    if len(text) > width:
        fail(f"internal: {text!r} is wider than {width}")
    return text + " " * (width - len(text))


def encode(text, what, bad):
    try:
        return text.encode(ENCODING)
    except UnicodeEncodeError:
        bad.append(f"{what}: {text!r}")
        return b""


def region_text(source_name):
    """The directory's text for a region: the part before a slash (the Italian
    name of a bilingual form), upper case, no accents, hyphens as spaces."""
    text = upper(fold(source_name.split("/")[0]))
    text = " ".join(text.replace("-", " ").split())
    if text not in KIT_REGIONS:
        fail(f"region {source_name!r} has no entry in the map table (read as {text!r})")
    return text


def check_field(value, pattern, what):
    if not re.fullmatch(pattern, value):
        fail(f"{what}: unexpected value {value!r}")


def check_name(name, what):
    if not name or name != name.strip() or any(unicodedata.category(c).startswith("C") for c in name):
        fail(f"{what}: unusable name {name!r}")


# ---------------------------------------------------------------------------
# Sources

def load_sources(folder):
    comuni = read_table(os.path.join(folder, "comuni.csv"),
                        ["istat", "nome", "sigla", "provincia", "regione", "catastale", "cap", "prefisso"])
    catasto = read_table(os.path.join(folder, "catasto.csv"),
                         ["nome", "sigla", "catastale", "attivo", "fine_validita"])
    sardegna = read_table(os.path.join(folder, "sardegna_2026_transcodifica.csv"),
                          ["catastale", "nome", "sigla_2026", "sigla_precedente"])

    seen_codes = set()
    for r in comuni:
        what = f"comuni.csv {r['istat']} {r['nome']!r}"
        check_name(r["nome"], what)
        check_name(r["provincia"], what)
        check_name(r["regione"], what)
        check_field(r["sigla"], r"[A-Z]{2}", what + " sigla")
        check_field(r["catastale"], r"[A-Z][0-9]{3}", what + " catastale")
        check_field(r["cap"], r"[0-9]{5}", what + " cap")
        check_field(r["prefisso"], r"0[0-9]{1,5}", what + " prefisso")
        if r["catastale"] in seen_codes:
            fail(f"{what}: cadastral code {r['catastale']} occurs twice")
        seen_codes.add(r["catastale"])

    for r in catasto:
        what = f"catasto.csv {r['nome']!r} {r['catastale']}"
        check_name(r["nome"], what)
        check_field(r["sigla"], r"[A-Z]{2}", what + " sigla")
        check_field(r["catastale"], r"[A-Z][0-9]{3}", what + " catastale")
        check_field(r["attivo"], r"[01]", what + " attivo")
        check_field(r["fine_validita"], r"([0-9]{4}-[0-9]{2}-[0-9]{2})?", what + " fine_validita")

    # The current comuni of the cadastral table must be those of the directory.
    current = {r["catastale"]: r for r in catasto if r["attivo"] == "1" and r["sigla"] != FOREIGN_PROVINCE}
    for r in comuni:
        c = current.get(r["catastale"])
        if c is None:
            fail(f"{r['nome']} ({r['catastale']}) is in comuni.csv but not current in catasto.csv")
        if c["nome"] != upper(r["nome"]) or c["sigla"] != r["sigla"]:
            fail(f"{r['catastale']}: comuni.csv has {r['nome']} ({r['sigla']}), "
                 f"catasto.csv has {c['nome']} ({c['sigla']})")
    if len(current) != len(comuni):
        extra = sorted(set(current) - seen_codes)
        fail(f"catasto.csv has current comuni missing from comuni.csv: {', '.join(extra)}")

    by_code = {r["catastale"]: r for r in comuni}
    previous_sigla = {}
    for r in sardegna:
        what = f"sardegna_2026_transcodifica.csv {r['nome']!r}"
        check_field(r["sigla_precedente"], r"[A-Z]{2}", what + " sigla_precedente")
        home = by_code.get(r["catastale"])
        if home is None or home["sigla"] != r["sigla_2026"]:
            fail(f"{what}: {r['catastale']} ({r['sigla_2026']}) is not a current comune of comuni.csv")
        previous_sigla[r["catastale"]] = r["sigla_precedente"]

    return comuni, catasto, previous_sigla


# ---------------------------------------------------------------------------
# codes.dat

def build_dat(comuni):
    rows = []
    bad = []
    letters = {letter: i for i, block in enumerate(LETTER_BLOCKS) for letter in block}
    for r in comuni:
        name = upper(r["nome"])
        initial = name[0]
        if initial not in letters:
            fail(f"{r['nome']} ({r['sigla']}) starts with {initial!r}, which has no block in the directory search")
        rows.append((letters[initial], sort_key(name, r["sigla"]), name, r))
    rows.sort(key=lambda t: (t[0], t[1]))

    lines = []
    expected = []
    for _, _, name, r in rows:
        suffix = f" ({r['sigla']})"
        name_field = cut(name, DAT_NAME_WIDTH - len(suffix)).rstrip() + suffix
        province = upper(r["provincia"])
        if len(province) > DAT_PROVINCE_WIDTH and "/" in province:
            # A bilingual name that does not fit keeps its Italian half whole ("VALLE D'AOSTA"), rather
            # than a cut second half ("VALLE D'AOSTA/VALL").
            province = province.split("/")[0].strip()
        province = cut(province, DAT_PROVINCE_WIDTH)
        region = cut(region_text(r["regione"]), DAT_REGION_WIDTH)
        prefix = PREFIX_OVERRIDES.get(r["catastale"], r["prefisso"])
        if len(prefix) > DAT_PREFIX_WIDTH:
            fail(f"{r['nome']} ({r['sigla']}): prefix {prefix} does not fit {DAT_PREFIX_WIDTH} columns; "
                 "add a deliberate value to PREFIX_OVERRIDES")
        line = (pad(name_field, DAT_NAME_WIDTH) + " " + pad(province, DAT_PROVINCE_WIDTH) + " "
                + pad(region, DAT_REGION_WIDTH) + pad(prefix, DAT_PREFIX_WIDTH) + " " + r["cap"])
        lines.append(line)
        expected.append((name_field[:-len(suffix)].rstrip(), r["sigla"], province, region, prefix, r["cap"], name[0]))

    # The reader drops the file's last line, so one empty line follows the last comune.
    data = b"".join(encode(line, "codes.dat", bad) + CRLF.encode() for line in lines) + CRLF.encode()
    if bad:
        fail("not representable in Windows-1252:\n  " + "\n  ".join(bad))
    check_dat(data, expected)
    return data, expected


def check_dat(data, expected):
    """Read the file back the way the directory reads it."""
    text = data.decode(ENCODING)
    assert text.endswith(CRLF + CRLF), "codes.dat must end with one extra empty line"
    lines = text.split(CRLF)
    assert lines[-1] == "" and lines[-2] == ""
    lines = lines[:-2]
    assert len(lines) == len(expected), (len(lines), len(expected))
    for line, (name, sigla, province, region, prefix, cap, _) in zip(lines, expected):
        assert len(line) == DAT_LINE_WIDTH and "\r" not in line and "\n" not in line, line
        field = line[:40].strip()
        assert len(field) >= 5 and field.endswith(")") and field[-5:-3] == " (", line
        assert field[:-5].rstrip() == name and field[-3:-1] == sigla, line
        assert line[40] == " " and line[59] == " ", line
        assert line[41:59] == pad(province, DAT_PROVINCE_WIDTH), line
        assert line[60:79] == pad(region, DAT_REGION_WIDTH), line
        assert line[79:83] == pad(prefix, DAT_PREFIX_WIDTH), line
        assert line[-5:] == cap and line[83] == " ", line
        shown = "FRIULI VENEZIA GIULIA" if line[60:79].lower() == "friuli venezia giul" else line[60:79]
        assert shown.strip() in KIT_REGIONS, line


def letter_blocks(expected):
    """First and last list position of every block, as the search needs them."""
    blocks = []
    position = 0
    for block in LETTER_BLOCKS:
        count = sum(1 for e in expected if e[6] in block)
        blocks.append((block, position, position + count - 1, count))
        position += count
    return blocks


# ---------------------------------------------------------------------------
# codes.cf

def cf_key(name, province):
    """The (name, province) pair under which the table finds an entry: the
    name upper-cased and cut to 20 characters, trimmed as the loader trims it."""
    return (cut(upper(name), CF_NAME_WIDTH).strip(), province)


def build_cf(comuni, catasto, previous_sigla):
    valid_codes = {r["catastale"] for r in catasto if r["attivo"] == "1"}

    current = sorted(((cf_key(r["nome"], r["sigla"]), r["catastale"]) for r in comuni),
                     key=lambda e: sort_key(*e[0]))
    taken = {}
    for key, code in current:
        if key in taken:
            fail(f"two current comuni share the key {key}: {taken[key]} and {code}")
        taken[key] = code

    foreign = sorted(((cf_key(r["nome"], r["sigla"]), r["catastale"]) for r in catasto
                      if r["sigla"] == FOREIGN_PROVINCE and r["attivo"] == "1"),
                     key=lambda e: sort_key(*e[0]))
    foreign_shared = []
    for key, code in foreign:
        if key in taken:
            foreign_shared.append((key, taken[key], code))
        taken[key] = code

    # Second keys of current comuni: the apostrophe spelling, and the province
    # that Sardinian comuni had until 2025, and both together.
    second = []
    second_conflicts = []
    for r in comuni:
        names = [r["nome"], apostrophe_spelling(upper(r["nome"]))]
        sigle = [r["sigla"], previous_sigla.get(r["catastale"], r["sigla"])]
        for name in names:
            for sigla in sigle:
                key = cf_key(name, sigla)
                if key in taken:
                    if taken[key] != r["catastale"]:
                        second_conflicts.append((key, r["catastale"], taken[key]))
                    continue
                taken[key] = r["catastale"]
                second.append((key, r["catastale"]))
    second.sort(key=lambda e: sort_key(*e[0]))

    room = CF_MAX_ENTRIES - len(current) - len(foreign) - len(second)
    if room < 0:
        fail(f"codes.cf would need {-room} entries more than {CF_MAX_ENTRIES}")

    # Suppressed comuni, most recently suppressed first. A name whose key is
    # already taken would never be found, so it does not use up a slot.
    suppressed_rows = [r for r in catasto
                       if r["sigla"] != FOREIGN_PROVINCE and r["catastale"] not in valid_codes]
    suppressed_rows.sort(key=lambda r: (r["fine_validita"], r["catastale"], r["nome"], r["sigla"]), reverse=True)
    suppressed = []
    shadowed = 0
    left_out = []
    for r in suppressed_rows:
        key = cf_key(r["nome"], r["sigla"])
        if key in taken:
            shadowed += 1
            continue
        if len(suppressed) == room:
            left_out.append(r)
            continue
        taken[key] = r["catastale"]
        suppressed.append((key, r["catastale"], r["fine_validita"]))

    # File order: the lookup returns the last match, so the entries that must
    # win come last: suppressed comuni (oldest first), second keys, foreign
    # states, current comuni.
    ordered = ([(k, c) for k, c, _ in reversed(suppressed)] + second + foreign + current)

    bad = []
    out = bytearray()
    for (name, province), code in ordered:
        record = pad(name, CF_NAME_WIDTH) + province + code + CF_FILLER
        raw = encode(record, "codes.cf", bad)
        if raw:
            assert len(raw) == CF_RECORD_SIZE, record
        out += raw
    out += (pad(CF_END_NAME, CF_NAME_WIDTH) + "  " + "    " + CF_FILLER).encode(ENCODING)
    if bad:
        fail("not representable in Windows-1252:\n  " + "\n  ".join(bad))

    data = bytes(out)
    check_cf(data, comuni, second, len(ordered))
    stats = {
        "current": len(current), "foreign": len(foreign), "second": len(second),
        "suppressed": len(suppressed), "suppressed_rows": len(suppressed_rows),
        "shadowed": shadowed, "left_out": left_out, "oldest": suppressed[-1][2] if suppressed else "",
        "entries": len(ordered), "foreign_shared": foreign_shared, "second_conflicts": second_conflicts,
    }
    return data, stats


def check_cf(data, comuni, second, entries):
    """Load the file the way the fiscal code window loads it and look every
    current comune up under its own name and province."""
    assert len(data) % CF_RECORD_SIZE == 0
    text = data.decode(ENCODING)
    table = []
    for pos in range(0, len(text), CF_RECORD_SIZE):
        record = text[pos:pos + CF_RECORD_SIZE]
        assert len(record) == CF_RECORD_SIZE and record.endswith(CRLF), repr(record)
        assert "\r" not in record[:-2] and "\n" not in record[:-2], repr(record)
        name = record[0:20].strip()
        if name == CF_END_NAME:
            assert pos + CF_RECORD_SIZE == len(text), "END must be the last record"
            break
        table.append((name, record[20:22].strip(), record[22:26].strip()))
    else:
        raise AssertionError("codes.cf has no END record")
    assert len(table) == entries <= CF_MAX_ENTRIES, (len(table), entries)

    lookup = {}
    for name, province, code in table:
        assert re.fullmatch(r"[A-Z][0-9]{3}", code) and re.fullmatch(r"[A-Z]{2}", province), (name, province, code)
        lookup[(name, province)] = code

    wrong = []
    for r in comuni:
        # The window upper-cases what the user typed and keeps its first 20
        # characters; a cut that ends in a space is matched without that space.
        key = (upper(r["nome"])[:CF_NAME_WIDTH].rstrip(), r["sigla"])
        found = lookup.get(key, "*NOTFOUND*")
        if found != r["catastale"]:
            wrong.append(f"{r['nome']} ({r['sigla']}) gives {found}, not {r['catastale']}")
    for key, code in second:
        if lookup.get(key) != code:
            wrong.append(f"second key {key} gives {lookup.get(key)}, not {code}")
    if wrong:
        fail("codes.cf lookups give the wrong code:\n  " + "\n  ".join(wrong))


# ---------------------------------------------------------------------------

def main():
    tools_dir = os.path.dirname(os.path.abspath(__file__))
    repo = os.path.dirname(tools_dir)
    parser = argparse.ArgumentParser(description="Build data/codes.dat and data/codes.cf.")
    parser.add_argument("sources", nargs="?", default=os.path.join(repo, "..", "shared", "data-sources"),
                        help="folder with comuni.csv, catasto.csv, sardegna_2026_transcodifica.csv "
                             "(default: ../shared/data-sources beside the repository root)")
    args = parser.parse_args()

    try:
        comuni, catasto, previous_sigla = load_sources(os.path.normpath(args.sources))
        dat, expected = build_dat(comuni)
        cf, stats = build_cf(comuni, catasto, previous_sigla)
    except DataError as e:
        print(f"gen_data: {e}", file=sys.stderr)
        return 1

    out_dir = os.path.join(repo, "data")
    os.makedirs(out_dir, exist_ok=True)
    for name, data in (("codes.dat", dat), ("codes.cf", cf)):
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(data)

    print(f"codes.dat: {len(expected)} comuni, {len(dat)} bytes")
    print("  letter blocks (first-last list position, count):")
    for block, first, last, count in letter_blocks(expected):
        print(f"    {'/'.join(block):5} {first:5}-{last:<5} {count}")
    print(f"codes.cf: {stats['entries']} entries + END, {len(cf)} bytes")
    print(f"  current comuni {stats['current']}, foreign codes {stats['foreign']}, "
          f"second keys {stats['second']}, suppressed {stats['suppressed']} of {stats['suppressed_rows']} "
          f"(down to {stats['oldest']}; {stats['shadowed']} under a key already taken, "
          f"{len(stats['left_out'])} left out for room"
          + (f", the newest of them ended {stats['left_out'][0]['fine_validita']})" if stats["left_out"] else ")"))
    for key, first, second in stats["foreign_shared"]:
        print(f"  note: foreign {first} and {second} share the key {key}; the lookup returns {second}")
    for key, code, other in stats["second_conflicts"]:
        print(f"  note: second key {key} of {code} not added, it is {other}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
