#!/usr/bin/env python3
"""Build the data files that ship beside Sportello from the public reference tables.

    python3 tools/gen_data.py [--output FOLDER] [DATA_SOURCES]

DATA_SOURCES is the folder that holds comuni.csv, catasto.csv,
sardegna_2026_transcodifica.csv and comuni_bilingui.csv (UTF-8,
';'-separated, one header row). It defaults to ../shared/data-sources beside
the repository root. The tool writes codes.dat (municipality directory),
codes.cf (cadastral code table) and luoghi.dat (the other names and the
postal codes of the municipalities) into data/ of the repository, or into
FOLDER, byte for byte from the tables:
running it twice on the same tables gives identical files. tools/dati_aggiornati.sh
(run by the test suite) checks that the committed files are what it writes.

codes.cf holds every row of catasto.csv: current comuni, their former names,
suppressed comuni, foreign states valid today and ceased, with their other
names; and the second keys of current comuni (apostrophe spellings, the
Sardinian provinces before 2026). A record carries the last year of validity
of its name (blank while valid), or the year after it for a name that ended
on 31 December: that name was still valid at the end of its last year. The
lookup gives the last entry of a key in file order, or, given a year of
birth, the entry valid at the end of that year, so the file is ordered by end
date, the entries valid today last: today's
comune answers a plain lookup, and the name a decoded code shows (today's
name, the last name of a suppressed comune, a state's main name) is the last
entry of its code. The tool checks both on the file it writes.

luoghi.dat is ours, UTF-8 text with LF line ends: after comment lines
starting with "#", one line per name or postal code, four fields separated
by ";": "A" (another name: the other-language name of a bilingual comune,
its double name, the short forms of tools/dati/forme_brevi.csv, a table of
ours with the source of each row) or "C" (a postal code: every code of
cap_tutti and the directory's own), the name or the code, then the comune's
name as codes.dat has it and its province code. An "A" line of a foreign
state (the names of tools/dati/stati_nomi_comuni.csv, ours too, and the
English names of stati_esteri.csv) gives the state's whole name and EE.

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
from dataclasses import dataclass, replace

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

# codes.cf records: name 20, province 2, cadastral code 4, last year of
# validity 4 (blank when valid today), CR LF.
CF_NAME_WIDTH = 20
CF_RECORD_SIZE = 32
CF_MAX_ENTRIES = 20000
CF_END_NAME = "END"
FOREIGN_PROVINCE = "EE"

# Foreign states that ISTAT lists as ceased, with the year they ceased (ISTAT
# gives no day). The other ceased foreign codes have no known year and carry
# none.
CEASED_STATE_YEARS = {"Z105": "1992", "Z111": "1990", "Z118": "2003", "Z135": "1991", "Z157": "2006",
                      "Z250": "1990"}

# Keys of foreign codes that no name of theirs reaches, where a plain name
# serves better than the name cut to 15 characters with the code after it.
FOREIGN_KEYS = {"Z111": "GERMANIA EST"}

# Names of at most 20 characters for foreign codes whose shown names are one
# text once cut to 20 characters: decoded, each code shows a name of its own.
# The tool stops when two shown names meet without a row here.
DISPLAY_NAMES = {"Z801": "DIP.NORV.ARTICHE", "Z904": "DIP.NORV.ANTARTICHE"}

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
                        ["istat", "nome", "sigla", "provincia", "regione", "catastale", "cap", "cap_tutti",
                         "prefisso"])
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

    bilingui = read_table(os.path.join(folder, "comuni_bilingui.csv"),
                          ["catastale", "nome", "nome_altra_lingua", "nome_completo"])
    return comuni, catasto, previous_sigla, bilingui


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


# Kinds of entry. Among entries that end on the same date they stand in this
# order, so that the name a decoded code shows comes last for its code.
SECOND_KEY, OTHER_NAME, MAIN_NAME = 0, 1, 2


@dataclass(frozen=True)
class Entry:
    key: tuple      # (name cut to 20 characters, province)
    code: str
    year: str       # last year of validity, "" when valid today or not known
    until: str      # last day of validity for the file order, "" as year
    kind: int
    valid: bool     # the code is valid today
    name: str       # the name before the cut
    behind: bool = False  # a foreign state that does not answer for its key


def display_rows(catasto, valid_codes):
    """For every cadastral code, the row whose name a decoded code shows:
    today's name of a current municipality or foreign state (its row valid
    today), the last name of a suppressed municipality, the first row of a
    ceased foreign state (the source lists ISTAT's own name first)."""
    shown = {}
    for r in catasto:
        code = r["catastale"]
        if code in valid_codes:
            if r["attivo"] == "1":
                if code in shown:
                    fail(f"{code} has two rows valid today: {shown[code]['nome']} and {r['nome']}")
                shown[code] = r
        elif r["sigla"] == FOREIGN_PROVINCE:
            shown.setdefault(code, r)
        elif code not in shown or r["fine_validita"] > shown[code]["fine_validita"]:
            shown[code] = r
        elif r["fine_validita"] == shown[code]["fine_validita"]:
            fail(f"{code}: {shown[code]['nome']} and {r['nome']} both end on {r['fine_validita']}; "
                 "which name a decoded code shows is not clear")
    return shown


def last_year(r, valid_codes):
    """The year written in the record: the last year of validity, or the year
    after it for a name that ended on 31 December. The lookup answers an entry
    for births before that year, and an entry that ended on 31 December was
    valid on that day (a merger of 1 January: born in its last year, the old
    code)."""
    if r["sigla"] == FOREIGN_PROVINCE:
        return "" if r["catastale"] in valid_codes else CEASED_STATE_YEARS.get(r["catastale"], "")
    return end_year(r["fine_validita"])


def end_year(last_day):
    if not last_day:
        return ""
    year = int(last_day[:4])
    return str(year + 1 if last_day.endswith("-12-31") else year)


def file_order(e):
    # Entries with an end in the order of their ends, then those valid today;
    # among these the codes no longer valid first; then by kind and name. So
    # today's municipality comes after every other entry of its key, and the
    # shown name after every other entry of its code.
    until = e.until or (e.year + "-12-31" if e.year else "")
    return (until == "", until, not e.behind, e.valid, e.kind, sort_key(*e.key), e.code)


def answer(group, year):
    """What the lookup gives for the entries of one key, in file order: without
    a year (or with one entry) the last; with a year the entry valid at the end
    of that year, the one that ends first among those ending after it (open
    entries last), a later entry winning a tie; the last when none is valid."""
    if year is None or len(group) == 1:
        return group[-1]
    best = None
    for e in group:
        end = int(e.year) if e.year else 10000
        if end > year and (best is None or end <= best[0]):
            best = (end, e)
    return best[1] if best else group[-1]


def reachable(groups):
    """The codes that some lookup gives: each key without a year and with the
    year before each end of its entries."""
    codes = set()
    for group in groups.values():
        years = {None} | {int(e.year) - 1 for e in group if e.year}
        codes |= {answer(group, y).code for y in years}
    return codes


def by_key(ordered):
    groups = {}
    for e in ordered:
        groups.setdefault(e.key, []).append(e)
    return groups


def build_cf(comuni, catasto, previous_sigla):
    valid_codes = {r["catastale"] for r in catasto if r["attivo"] == "1"}
    shown = display_rows(catasto, valid_codes)

    # Every row of the table under its own name and province. The same key,
    # code and year twice is one entry.
    entries = {}
    for r in catasto:
        code = r["catastale"]
        year = last_year(r, valid_codes)
        e = Entry(cf_key(r["nome"], r["sigla"]), code, year, r["fine_validita"],
                  MAIN_NAME if shown[code] is r else OTHER_NAME, code in valid_codes, upper(r["nome"]))
        ident = (e.key, e.code, e.year)
        if ident not in entries or e.kind > entries[ident].kind:
            entries[ident] = e

    # Foreign codes whose different shown names meet once cut (those of
    # FOREIGN_KEYS show that key): each shows its name of DISPLAY_NAMES, and
    # its full name stays a key like its other names.
    meeting = {}
    for code, r in shown.items():
        if r["sigla"] != FOREIGN_PROVINCE or code in FOREIGN_KEYS:
            continue
        meeting.setdefault(cf_key(r["nome"], r["sigla"]), {}).setdefault(upper(r["nome"]), []).append(code)
    for key, names in meeting.items():
        codes = [c for group in names.values() for c in group]
        missing = [c for c in codes if c not in DISPLAY_NAMES] if len(names) > 1 else []
        if missing:
            fail(f"{', '.join(codes)} would all show {key[0]!r}: add names to DISPLAY_NAMES for {', '.join(missing)}")
    for code, display in DISPLAY_NAMES.items():
        r = shown[code]
        main = entries[(cf_key(r["nome"], r["sigla"]), code, last_year(r, valid_codes))]
        entries[(main.key, code, main.year)] = replace(main, kind=OTHER_NAME)
        e = replace(main, key=(display, r["sigla"]))
        if len(display) > CF_NAME_WIDTH or any(k[0] == e.key for k in entries):
            fail(f"the name {display!r} of {code} is too long or taken")
        entries[(e.key, code, e.year)] = e

    # A foreign key that leads to two states: the name of one state says
    # nothing about the date of the other, so the state valid today answers,
    # then a main name over another one. The others stay before it, where
    # they never answer but are still the name of their code; one with a year
    # would answer for births before it and is left out. Their codes get a
    # key of their own below.
    foreign_shared = []
    groups = by_key(sorted(entries.values(), key=file_order))
    for key, group in groups.items():
        if key[1] != FOREIGN_PROVINCE or len({e.code for e in group}) == 1:
            continue
        winner = max(group, key=lambda e: (e.valid, e.kind, e.name))
        for e in group:
            if e.code != winner.code:
                foreign_shared.append((key, e.code, winner.code))
                if e.year:
                    del entries[(e.key, e.code, e.year)]
                else:
                    entries[(e.key, e.code, e.year)] = replace(e, behind=True)

    # Second keys of current comuni: the apostrophe spelling, and the province
    # that Sardinian comuni had until 2025, and both together.
    taken = {}
    for e in entries.values():
        taken.setdefault(e.key, set()).add(e.code)
    second = []
    second_conflicts = []
    for r in comuni:
        names = [r["nome"], apostrophe_spelling(upper(r["nome"]))]
        sigle = [r["sigla"], previous_sigla.get(r["catastale"], r["sigla"])]
        for name in names:
            for sigla in sigle:
                key = cf_key(name, sigla)
                if key in taken:
                    if r["catastale"] not in taken[key]:
                        second_conflicts.append((key, r["catastale"], sorted(taken[key])))
                    continue
                taken[key] = {r["catastale"]}
                e = Entry(key, r["catastale"], "", "", SECOND_KEY, True, upper(name))
                entries[(key, e.code, "")] = e
                second.append(e)

    # A code that no lookup reaches (every key of its names answers another
    # state) gets one more key: its shown name cut to 15 characters, a space
    # and the code, or a plain name of FOREIGN_KEYS.
    ordered = sorted(entries.values(), key=file_order)
    coded = []
    for code in sorted({r["catastale"] for r in catasto} - reachable(by_key(ordered))):
        r = shown[code]
        key = (FOREIGN_KEYS.get(code) or cut(upper(r["nome"]), CF_NAME_WIDTH - 5).rstrip() + " " + code, r["sigla"])
        if key in taken:
            fail(f"the key {key} for {code} is taken")
        taken[key] = {code}
        e = Entry(key, code, last_year(r, valid_codes), r["fine_validita"], SECOND_KEY, code in valid_codes,
                  upper(r["nome"]), behind=r["sigla"] == FOREIGN_PROVINCE)
        entries[(key, code, e.year)] = e
        coded.append(e)
    ordered = sorted(entries.values(), key=file_order)

    if len(ordered) > CF_MAX_ENTRIES:
        fail(f"codes.cf would need {len(ordered) - CF_MAX_ENTRIES} entries more than {CF_MAX_ENTRIES}")

    bad = []
    out = bytearray()
    for e in ordered:
        record = pad(e.key[0], CF_NAME_WIDTH) + e.key[1] + e.code + pad(e.year, 4) + CRLF
        raw = encode(record, "codes.cf", bad)
        if raw:
            assert len(raw) == CF_RECORD_SIZE, record
        out += raw
    out += (pad(CF_END_NAME, CF_NAME_WIDTH) + "  " + "    " + "    " + CRLF).encode(ENCODING)
    if bad:
        fail("not representable in Windows-1252:\n  " + "\n  ".join(bad))

    data = bytes(out)
    history, ties = check_cf(data, comuni, catasto, shown, second + coded, len(ordered))
    stats = {
        "entries": len(ordered),
        "current": sum(1 for r in catasto if r["attivo"] == "1" and r["sigla"] != FOREIGN_PROVINCE),
        "former": sum(1 for r in catasto if r["attivo"] == "0" and r["sigla"] != FOREIGN_PROVINCE
                      and r["catastale"] in valid_codes),
        "suppressed": sum(1 for r in catasto if r["sigla"] != FOREIGN_PROVINCE and r["catastale"] not in valid_codes),
        "foreign": sum(1 for r in catasto if r["sigla"] == FOREIGN_PROVINCE),
        "second": len(second), "coded": coded, "history": history, "ties": ties,
        "foreign_shared": foreign_shared, "second_conflicts": second_conflicts,
    }
    return data, stats


def check_cf(data, comuni, catasto, shown, second, entries):
    """Load the file the way the fiscal code window loads it and look up every
    row of the sources; returns the keys that lead to several codes."""
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
        year = record[26:30]
        assert re.fullmatch(r"[0-9]{4}| {4}", year), repr(record)
        table.append(Entry((name, record[20:22].strip()), record[22:26].strip(), year.strip(), "", 0, False, ""))
    else:
        raise AssertionError("codes.cf has no END record")
    assert len(table) == entries <= CF_MAX_ENTRIES, (len(table), entries)
    for e in table:
        assert re.fullmatch(r"[A-Z][0-9]{3}", e.code) and re.fullmatch(r"[A-Z]{2}", e.key[1]), e

    groups = by_key(table)
    wrong = []

    def expect(key, year, code, what):
        group = groups.get(key)
        found = answer(group, year).code if group else "*NOTFOUND*"
        if found != code:
            wrong.append(f"{what} {key}{'' if year is None else f' born {year}'} gives {found}, not {code}")

    for r in comuni:
        # The window upper-cases what the user typed and keeps its first 20
        # characters; a cut that ends in a space is matched without that space.
        expect((upper(r["nome"])[:CF_NAME_WIDTH].rstrip(), r["sigla"]), None, r["catastale"], "current comune")
    for e in second:
        expect(e.key, None, e.code, "second key")

    # Every row finds its code under its own key, born in the year before its
    # end, unless its code has a key of its own (a foreign key that answers
    # another state, a code that no name reaches). Two codes of one key that
    # end in the same year cannot be told apart by the year: the one that
    # ended first is found under its other names.
    coded = {e.code: e.key for e in second if e.kind == SECOND_KEY and e.key[0].endswith(e.code)}
    coded.update({e.code: e.key for e in second if e.key[0] == FOREIGN_KEYS.get(e.code)})
    coded.update({code: (name, shown[code]["sigla"]) for code, name in DISPLAY_NAMES.items()})
    ties = []
    reached = reachable(groups)
    for r in catasto:
        code = r["catastale"]
        if code in coded:
            expect(coded[code], None, code, "own key")
            continue
        # Born in the last year on whose 31 December the name was valid.
        year = int(end_year(r["fine_validita"])) - 1 if r["fine_validita"] else None
        key = cf_key(r["nome"], r["sigla"])
        group = groups.get(key, [])
        if (group and answer(group, year).code != code and code in reached
                and any(e.code != code and e.year and int(e.year) - 1 == year for e in group)):
            ties.append((key, code))
            continue
        expect(key, year, code, "row")

    # The decode of a code shows the last entry of that code in file order.
    # A code whose shown name was left out shows its own key.
    last = {e.code: e for e in table}
    present = {(e.key, e.code) for e in table}
    for code, r in shown.items():
        key = (DISPLAY_NAMES[code], r["sigla"]) if code in DISPLAY_NAMES else cf_key(r["nome"], r["sigla"])
        if (key, code) not in present:
            key = coded.get(code)
        if code in last and last[code].key != key:
            wrong.append(f"the last entry of {code} is {last[code].key}, not {key}")
    missing = {r["catastale"] for r in catasto} - set(last)
    if missing:
        wrong.append(f"codes without an entry: {', '.join(sorted(missing))}")
    if wrong:
        fail("codes.cf lookups give the wrong code:\n  " + "\n  ".join(wrong))
    return {key: group for key, group in groups.items() if len({e.code for e in group}) > 1}, ties


# ---------------------------------------------------------------------------
# luoghi.dat

def form(text):
    """A name as the program's tolerant search compares it: letters and digits
    only, upper case, accents dropped (Luoghi::forma)."""
    return "".join(c for c in fold(text).upper() if c.isalnum())


def foreign_names(folder, catasto, names_table):
    """The names people give foreign states, for luoghi.dat: the rows of
    tools/dati/stati_nomi_comuni.csv (USA, Olanda...) and the English names of
    stati_esteri.csv, each with a name of the state in catasto.csv or
    FOREIGN_KEYS (for the English names, the current one). A name that catasto.csv already gives
    the state, as the tolerant search compares names, is left out."""
    foreign = [r for r in catasto if r["sigla"] == FOREIGN_PROVINCE]
    known = {form(r["nome"]) for r in foreign} | {form(k) for k in FOREIGN_KEYS.values()}
    names = {r["nome"] for r in foreign} | set(FOREIGN_KEYS.values())
    current = {}
    for r in foreign:
        if r["attivo"] == "1":
            current.setdefault(r["catastale"], r["nome"])
    out = []
    for r in read_table(names_table, ["forma", "stato", "fonte"]):
        if r["stato"] not in names or not r["fonte"]:
            fail(f"stati_nomi_comuni.csv {r['forma']}: {r['stato']} is not a state of catasto.csv, or the row "
                 "has no source")
        if form(r["forma"]) in known:
            fail(f"stati_nomi_comuni.csv {r['forma']}: catasto.csv already has that name")
        known.add(form(r["forma"]))
        out.append((r["forma"], r["stato"]))
    path = os.path.join(folder, "stati_esteri.csv")
    try:
        with open(path, encoding="utf-8", newline="") as f:
            rows = list(csv.DictReader(f))
    except OSError as e:
        fail(f"cannot read {path}: {e.strerror}")
    for r in rows:
        english = (r.get("name_en") or "").strip()
        state = current.get(r.get("registry_code") or "")
        if state is None or not english or form(english) in known:
            continue
        known.add(form(english))
        out.append((english, state))
    return out


def build_luoghi(comuni, bilingui, brevi, stati=()):
    by_code = {r["catastale"]: r for r in comuni}
    by_name = {(upper(r["nome"]), r["sigla"]): r for r in comuni}
    lines = ["# luoghi.dat: other names and postal codes of the comuni of codes.dat, written by tools/gen_data.py",
             "# A;name people write;comune as in codes.dat;province  or  C;postal code;comune;province",
             "# (A;name people write;state as in codes.cf, whole;EE for a foreign state)"]
    seen = set()

    def add(kind, text, r):
        line = f"{kind};{text};{upper(r['nome'])};{r['sigla']}"
        if any(c in text for c in ";\r\n") or not text.strip():
            fail(f"luoghi.dat: unusable {kind} value {text!r}")
        if line not in seen:
            seen.add(line)
            lines.append(line)

    for b in bilingui:
        r = by_code.get(b["catastale"])
        if r is None or r["nome"] != b["nome"]:
            fail(f"comuni_bilingui.csv {b['nome']} ({b['catastale']}) is not a comune of comuni.csv")
        for text in (b["nome_altra_lingua"], b["nome_completo"]):
            if text != b["nome"]:
                add("A", text, r)
    for b in brevi:
        r = by_name.get((upper(b["nome"]), b["sigla"]))
        if r is None or not b["fonte"]:
            fail(f"forme_brevi.csv {b['forma']}: {b['nome']} ({b['sigla']}) is not a comune, or the row has no source")
        add("A", b["forma"], r)
    for text, state in stati:
        add("A", text, {"nome": state, "sigla": FOREIGN_PROVINCE})
    caps = 0
    for r in sorted(comuni, key=lambda r: (r["cap"], sort_key(upper(r["nome"]), r["sigla"]))):
        for cap in sorted(set(r["cap_tutti"].split("|")) | {r["cap"]}):
            check_field(cap, r"[0-9]{5}", f"comuni.csv {r['nome']} cap_tutti")
            add("C", cap, r)
            caps += 1
    return ("\n".join(lines) + "\n").encode("utf-8"), caps


# ---------------------------------------------------------------------------

def main():
    tools_dir = os.path.dirname(os.path.abspath(__file__))
    repo = os.path.dirname(tools_dir)
    parser = argparse.ArgumentParser(description="Build data/codes.dat, data/codes.cf and data/luoghi.dat.")
    parser.add_argument("sources", nargs="?", default=os.path.join(repo, "..", "shared", "data-sources"),
                        help="folder with comuni.csv, catasto.csv, sardegna_2026_transcodifica.csv, "
                             "comuni_bilingui.csv "
                             "(default: ../shared/data-sources beside the repository root)")
    parser.add_argument("-o", "--output", default=os.path.join(repo, "data"),
                        help="folder to write the data files into (default: data/ of the repository)")
    args = parser.parse_args()

    try:
        comuni, catasto, previous_sigla, bilingui = load_sources(os.path.normpath(args.sources))
        brevi = read_table(os.path.join(tools_dir, "dati", "forme_brevi.csv"), ["forma", "nome", "sigla", "fonte"])
        dat, expected = build_dat(comuni)
        cf, stats = build_cf(comuni, catasto, previous_sigla)
        stati = foreign_names(os.path.normpath(args.sources), catasto,
                              os.path.join(tools_dir, "dati", "stati_nomi_comuni.csv"))
        luoghi, caps = build_luoghi(comuni, bilingui, brevi, stati)
    except DataError as e:
        print(f"gen_data: {e}", file=sys.stderr)
        return 1

    try:
        os.makedirs(args.output, exist_ok=True)
        for name, data in (("codes.dat", dat), ("codes.cf", cf), ("luoghi.dat", luoghi)):
            with open(os.path.join(args.output, name), "wb") as f:
                f.write(data)
    except OSError as e:
        print(f"gen_data: cannot write into {args.output}: {e.strerror}", file=sys.stderr)
        return 1

    print(f"codes.dat: {len(expected)} comuni, {len(dat)} bytes")
    print("  letter blocks (first-last list position, count):")
    for block, first, last, count in letter_blocks(expected):
        print(f"    {'/'.join(block):5} {first:5}-{last:<5} {count}")
    print(f"luoghi.dat: {caps} postal codes, {len(luoghi)} bytes")
    print(f"codes.cf: {stats['entries']} entries + END, {len(cf)} bytes")
    print(f"  rows: current comuni {stats['current']}, former names {stats['former']}, "
          f"suppressed comuni {stats['suppressed']}, foreign {stats['foreign']}; "
          f"second keys {stats['second']} (apostrophe spellings, Sardinian provinces before 2026)")
    for key, code, other in stats["foreign_shared"]:
        print(f"  note: foreign {code} shares the key {key} with {other}, which keeps it")
    for e in stats["coded"]:
        print(f"  note: {e.code} ({e.name}, {e.key[1]}) has the key {e.key[0]!r}")
    for key, code, other in stats["second_conflicts"]:
        print(f"  note: second key {key} of {code} not added, it is {', '.join(other)}")
    for key, code in stats["ties"]:
        print(f"  note: {key} was also the name of {code}, which ended in the same year; "
              "it is found under its other names")
    print("  keys that lead to several codes, by the last year of each:")
    for key, group in sorted(stats["history"].items()):
        print(f"    {key[0]} ({key[1]}): " + ", ".join(f"{e.code} {e.year or 'today'}" for e in group))
    return 0


if __name__ == "__main__":
    sys.exit(main())
