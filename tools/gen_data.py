#!/usr/bin/env python3
"""Build the data files that ship beside Sportello from the public reference tables.

    python3 tools/gen_data.py [--output FOLDER] [DATA_SOURCES]

DATA_SOURCES is the folder that holds comuni.csv, catasto.csv,
sardegna_2026_transcodifica.csv, comuni_bilingui.csv, anpr_archivio_comuni.csv,
province.csv and stati_cessati.csv (UTF-8, one header row). It defaults to
../shared/data-sources beside the repository root. The tool writes codes.dat
(municipality directory), codes.cf (cadastral code table) and luoghi.dat (the
other names and the postal codes of the municipalities) into data/ of the
repository, or into FOLDER, byte for byte from the tables:
running it twice on the same tables gives identical files. tools/dati_aggiornati.sh
(run by the test suite) checks that the committed files are what it writes.

codes.cf holds every period of the ANPR archive (tools/storia.py reads it and
adds the events after it), joined into runs of one name, each run under every
province sigla its municipality ever had; the foreign states of catasto.csv,
valid today and ceased, with their other names; and the apostrophe spellings
of today's names. A record carries the last year of validity of its name
(blank while valid), or the year after it for a name that ended on 31
December, for readers that know years only. After the END record come the
days: a line "#PERIODI 1", one line per record "first;last;marks;successor;
whole name" (days as YYYYMMDD, 00000000 for a name there before the archive
tells of it, 99991231 for one that lasts; marks T for a province of the
name's own time, A for an end known by its year, C for a foreign code ceased
on a day not known), then "#PROVINCE" and "SIGLA;name" lines, the first of a
sigla its name to show (ISTAT's, and tools/dati/nomi_province.csv). The file
is ordered by end date, the entries valid today last: today's comune answers
a lookup without a date, and the name a decoded code shows (today's name, the
last name of a suppressed comune, a state's main name) is the last entry of
its code. The tool reads the file back and checks every current comune,
every period of the archive on its first and last day under every sigla of
its code, every row of catasto.csv and the name each code shows.

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
import functools
import os
import re
import sys
import unicodedata
from dataclasses import dataclass, replace

from storia import OPEN_END, OPEN_START, HistoryError, build_history

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
# After the END record, where readers of the records alone stop: the days of
# every record, in record order, then the province names.
CF_APPENDIX_MARK = "#PERIODI 1"
CF_PROVINCES_MARK = "#PROVINCE"

# Foreign states that ISTAT lists as ceased, with the year they ceased (ISTAT
# gives no day). The other ceased foreign codes have no known year and carry
# none.
CEASED_STATE_YEARS = {"Z105": "1992", "Z111": "1990", "Z118": "2003", "Z135": "1991", "Z157": "2006",
                      "Z250": "1990"}

# Keys of foreign codes that no name of theirs reaches, where a plain name
# serves better than the name cut to 15 characters with the code after it.
FOREIGN_KEYS = {"Z111": "GERMANIA EST"}

# Short names of at most 20 characters for foreign codes whose names are one
# text once cut to 20 characters, found beside their whole names.
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


@functools.lru_cache(maxsize=None)
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


def load_history(folder, tools_dir, comuni, catasto, previous_sigla):
    """The sources of the days in codes.cf: the ANPR archive with the events after it, the province names
    (province.csv and tools/dati/nomi_province.csv), the known ends of ceased states
    (tools/dati/fine_stati.csv) and ISTAT's successors of the ceased states (stati_cessati.csv)."""
    history = build_history(folder, comuni, catasto, previous_sigla, upper)
    for p in history.periods:
        try:
            p.name.encode(ENCODING)
        except UnicodeEncodeError:
            fail(f"anpr_archivio_comuni.csv {p.code} {p.name!r}: not representable in Windows-1252")
    try:
        with open(os.path.join(folder, "province.csv"), encoding="utf-8", newline="") as f:
            province_table = list(csv.DictReader(f))
        with open(os.path.join(folder, "stati_cessati.csv"), encoding="utf-8", newline="") as f:
            ceased_rows = list(csv.DictReader(f))
    except OSError as e:
        fail(f"cannot read the province or ceased state table of {folder}: {e.strerror}")
    names_table = read_table(os.path.join(tools_dir, "dati", "nomi_province.csv"), ["sigla", "nome", "fonte"])
    ends_table = read_table(os.path.join(tools_dir, "dati", "fine_stati.csv"),
                            ["codice", "ultimo_giorno", "poi", "fonte"])
    state_ends = {}
    for r in ends_table:
        check_field(r["codice"], r"Z[0-9]{3}", "fine_stati.csv codice")
        check_field(r["ultimo_giorno"], r"[0-9]{4}-[0-9]{2}-[0-9]{2}", "fine_stati.csv " + r["codice"])
        if not r["fonte"]:
            fail(f"fine_stati.csv {r['codice']}: no source")
        state_ends[r["codice"]] = r
    ceased_states = {}
    for r in ceased_rows:
        if re.fullmatch(r"Z[0-9]{3}", r["registry_code"]):
            ceased_states.setdefault(r["registry_code"], []).append(r["name_new"])
    return history, province_lines(comuni, province_table, names_table), state_ends, ceased_states


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
SECOND_KEY, HISTORIC_SIGLA, OTHER_NAME, MAIN_NAME = 0, 1, 2, 3


@dataclass(frozen=True)
class Entry:
    key: tuple      # (name cut to 20 characters, province)
    code: str
    year: str       # the record's year field: last year of validity, "" when valid today or not known
    start: str      # first day of the name (YYYY-MM-DD), OPEN_START when it was there before the archive
    end: str        # last day of the name, OPEN_END while it lasts
    kind: int
    valid: bool     # the code is valid today
    name: str       # the name before the cut
    flags: str = ""  # T: the province was the name's own at the time; A: the end is known by its year only;
                     # C: a foreign code no longer valid whose end is not known
    successor: str = ""  # the code that took the place over when the name ended its code's life
    behind: bool = False  # a foreign state that does not answer a lookup without a date for its key


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


def end_year(last_day):
    """The year field of a name that ended on last_day: its year, or the year
    after for 31 December, as the name was valid at the end of its last year
    (readers that know years only answer an entry for births before it)."""
    if not last_day or last_day == OPEN_END:
        return ""
    year = int(last_day[:4])
    return str(year + 1 if last_day.endswith("-12-31") else year)


def file_order(e):
    # Entries with an end in the order of their ends, then those valid today;
    # among these the codes no longer valid first; then by kind and name. So
    # today's municipality comes after every other entry of its key, and the
    # shown name after every other entry of its code.
    until = "" if e.end == OPEN_END else e.end
    return (until == "", until, not e.behind, e.valid, e.kind, sort_key(*e.key), e.code)


def by_key(ordered):
    groups = {}
    for e in ordered:
        groups.setdefault(e.key, []).append(e)
    return groups


def put(entries, e):
    """The same key, code, days and name twice is one entry, of the higher kind and with the flags of both."""
    ident = (e.key, e.code, e.start, e.end, e.name)
    old = entries.get(ident)
    if old is not None:
        flags = "".join(sorted(set(old.flags) | set(e.flags)))
        e = replace(e if e.kind > old.kind else old, flags=flags)
    entries[ident] = e


def municipal_entries(entries, history, shown, valid_codes, comuni):
    """Every run of every municipality under its name and each province sigla its code ever had, so that a
    sigla of any time finds it; the sigla of the time is flagged. Second keys: the apostrophe spelling of
    today's names. Returns the second keys that could not be added, as notes."""
    for code, r in shown.items():
        if r["sigla"] != FOREIGN_PROVINCE and not history.runs_of(code):
            fail(f"{code} ({r['nome']}) has no period in the archive")
    mains = {}
    for run in history.runs:
        r = shown.get(run.code)
        if r is None:
            fail(f"{run.code} ({run.name}) is in the archive but not in catasto.csv")
        last = max(o.end for o in history.runs_of(run.code))
        for sigla in history.siglas[run.code]:
            main = run.name == upper(r["nome"]) and run.end == last and sigla == r["sigla"]
            kind = MAIN_NAME if main else OTHER_NAME if sigla in run.siglas else HISTORIC_SIGLA
            e = Entry(cf_key(run.name, sigla), run.code, end_year(run.end), run.start, run.end, kind,
                      run.code in valid_codes, run.name, "T" if sigla in run.siglas else "", run.successor)
            put(entries, e)
            if main:
                mains[run.code] = mains.get(run.code, 0) + 1
    wrong = [c for c, r in shown.items() if r["sigla"] != FOREIGN_PROVINCE and mains.get(c) != 1]
    if wrong:
        fail(f"no single entry shows the name of {', '.join(sorted(wrong))}")

    taken = {}
    for e in entries.values():
        taken.setdefault(e.key, set()).add(e.code)
    conflicts = []
    for c in comuni:
        code = c["catastale"]
        name = apostrophe_spelling(upper(c["nome"]))
        if name == upper(c["nome"]):
            continue
        run = next(o for o in history.runs_of(code) if o.name == upper(c["nome"]) and o.end == OPEN_END)
        for sigla in history.siglas[code]:
            key = cf_key(name, sigla)
            if taken.get(key, {code}) != {code}:
                conflicts.append((key, code, sorted(taken[key])))
                continue
            put(entries, Entry(key, code, "", run.start, run.end, SECOND_KEY, True, name,
                               "T" if sigla in run.siglas else ""))
    return conflicts


def foreign_ends(catasto, state_ends, ceased_states):
    """The last day, flags and successor of every foreign code: valid ones have none; the ceased ones of
    tools/dati/fine_stati.csv end on their day; those of ISTAT's list of ceased states in their year; the
    others are flagged as ceased on a day not known. The successor is the state of the table or the one
    ISTAT names when it names one."""
    names = {upper(r["nome"]): r["catastale"] for r in catasto if r["sigla"] == FOREIGN_PROVINCE and r["attivo"] == "1"}
    valid = set(names.values())
    result = {}
    for code in {r["catastale"] for r in catasto if r["sigla"] == FOREIGN_PROVINCE}:
        if code in valid:
            result[code] = (OPEN_END, "", "")
        elif code in state_ends:
            r = state_ends[code]
            after = names.get(upper(r["poi"]), "") if r["poi"] else ""
            if r["poi"] and not after:
                fail(f"fine_stati.csv {code}: {r['poi']} is not a state valid today")
            result[code] = (r["ultimo_giorno"], "", after)
        elif code in CEASED_STATE_YEARS:
            after = {names.get(upper(n)) for n in ceased_states.get(code, [])}
            result[code] = (CEASED_STATE_YEARS[code] + "-12-31", "A",
                            next(iter(after)) if len(after) == 1 and None not in after else "")
        else:
            result[code] = (OPEN_END, "C", "")
    return result


def foreign_entries(entries, catasto, shown, valid_codes, ends):
    for r in catasto:
        if r["sigla"] != FOREIGN_PROVINCE:
            continue
        code = r["catastale"]
        end, flags, after = ends[code]
        year = CEASED_STATE_YEARS.get(code, "") if "A" in flags else end_year(end)
        put(entries, Entry(cf_key(r["nome"], r["sigla"]), code, year, OPEN_START, end,
                           MAIN_NAME if shown[code] is r else OTHER_NAME, code in valid_codes, upper(r["nome"]),
                           flags, after))

    # Foreign codes whose shown names meet once cut: a short name of
    # DISPLAY_NAMES of their own beside their whole names.
    for code, display in DISPLAY_NAMES.items():
        r = shown[code]
        end, flags, after = ends[code]
        if len(display) > CF_NAME_WIDTH or any(k[0] == (display, r["sigla"]) for k in entries):
            fail(f"the name {display!r} of {code} is too long or taken")
        put(entries, Entry((display, r["sigla"]), code, "", OPEN_START, end, SECOND_KEY, code in valid_codes, display,
                           flags, after, behind=True))
    for code, key in FOREIGN_KEYS.items():
        r = shown[code]
        end, flags, after = ends[code]
        put(entries, Entry((key, r["sigla"]), code, CEASED_STATE_YEARS.get(code, ""), OPEN_START, end, SECOND_KEY,
                           code in valid_codes, key, flags, after, behind=True))

    # A foreign key that leads to two states: without a date the state valid
    # today answers, then a main name over another one; the others stand before it.
    groups = by_key(sorted(entries.values(), key=file_order))
    shared = []
    for key, group in groups.items():
        if key[1] != FOREIGN_PROVINCE or len({e.code for e in group}) == 1:
            continue
        winner = max(group, key=lambda e: (e.valid, e.kind, e.name))
        for e in group:
            if e.code != winner.code:
                shared.append((key, e.code, winner.code))
                entries[(e.key, e.code, e.start, e.end, e.name)] = replace(e, behind=True)
    return shared


class CfTable:
    """codes.cf read back as the program reads it: the records up to END, the appendix of days after it, and
    the lookups of a name and province on a day."""

    def __init__(self, data):
        text = data.decode(ENCODING)
        self.entries = []
        pos = 0
        while True:
            record = text[pos:pos + CF_RECORD_SIZE]
            assert len(record) == CF_RECORD_SIZE and record.endswith(CRLF), repr(record)
            assert "\r" not in record[:-2] and "\n" not in record[:-2], repr(record)
            pos += CF_RECORD_SIZE
            name = record[0:20].strip()
            if name == CF_END_NAME:
                break
            year = record[26:30]
            assert re.fullmatch(r"[0-9]{4}| {4}", year), repr(record)
            self.entries.append([name, record[20:22].strip(), record[22:26].strip(), year.strip()])
        lines = text[pos:].split(CRLF)
        assert lines[0] == CF_APPENDIX_MARK and lines[-1] == "", lines[0]
        days = lines[1:1 + len(self.entries)]
        assert len(days) == len(self.entries) and lines[1 + len(self.entries)] == CF_PROVINCES_MARK
        self.provinces = [line.split(";") for line in lines[2 + len(self.entries):-1]]
        assert all(len(p) == 2 and re.fullmatch(r"[A-Z]{2}", p[0]) and p[1] for p in self.provinces)
        for e, line in zip(self.entries, days):
            start, end, flags, successor, whole = line.split(";")
            assert re.fullmatch(r"[0-9]{8}", start) and re.fullmatch(r"[0-9]{8}", end) and start <= end, line
            assert re.fullmatch(r"[TAC]*", flags) and re.fullmatch(r"([A-Z][0-9]{3})?", successor), line
            assert not whole or (len(whole) > CF_NAME_WIDTH and cut(whole, CF_NAME_WIDTH).strip() == e[0]), line
            e += [int(start), int(end), flags, successor, whole or e[0]]
        self.groups = {}
        self.by_code = {}
        for i, e in enumerate(self.entries):
            assert re.fullmatch(r"[A-Z][0-9]{3}", e[2]) and re.fullmatch(r"[A-Z]{2}", e[1]), e
            self.groups.setdefault((e[0], e[1]), []).append(i)
            self.by_code.setdefault(e[2], []).append(i)

    def exists(self, code, day):
        return any(self.entries[i][4] <= day <= self.entries[i][5] for i in self.by_code.get(code, []))

    def pick(self, indexes):
        best = None
        for i in indexes:
            e = self.entries[i]
            if best is None or ("T" in e[6], -e[5]) >= ("T" in self.entries[best][6], -self.entries[best][5]):
                best = i
        return best

    def lookup(self, name, sigla, day=None):
        """The entry for a name and sigla on a day (an int YYYYMMDD): one of the key that covers the day,
        else one whose code existed that day under another name; None when the code did not exist then.
        Of several, one whose sigla was the name's own, then the one ending first, then the last."""
        group = self.groups.get(cf_key(name, sigla), [])
        if len(upper(name)) > CF_NAME_WIDTH:
            group = [i for i in group if self.entries[i][8] == upper(name)]
        if not group:
            return None
        if day is None:
            return group[-1]
        covering = [i for i in group if self.entries[i][4] <= day <= self.entries[i][5]]
        return self.pick(covering or [i for i in group if self.exists(self.entries[i][2], day)])

    def code(self, name, sigla, day=None):
        i = self.lookup(name, sigla, day)
        return "*NOTFOUND*" if i is None else self.entries[i][2]


def as_day(text):
    return 0 if text == OPEN_START else int(text.replace("-", ""))


def province_lines(comuni, province_table, names_table):
    """The province names of the appendix: for every sigla its display name first (the directory's, not cut),
    then the official names and the names people use; each name leads to its sigla."""
    lines = {}
    seen = set()

    def add(sigla, name):
        # A name once per sigla, as the program compares them: letters and digits, no accents, any case.
        form = re.sub(r"[^A-Z0-9]", "", upper(fold(name)))
        if (sigla, form) not in seen:
            seen.add((sigla, form))
            lines.setdefault(sigla, []).append(name)

    for r in comuni:
        display = upper(r["provincia"])
        if len(display) > DAT_PROVINCE_WIDTH and "/" in display:
            display = display.split("/")[0].strip()
        add(r["sigla"], display)
    for r in province_table:
        add(r["motorizzazione_sigla_automobilistica"], upper(r["istat_nome"]))
    for r in names_table:
        if not r["fonte"] or not re.fullmatch(r"[A-Z]{2}", r["sigla"]):
            fail(f"nomi_province.csv {r['nome']}: no source, or {r['sigla']!r} is no sigla")
        add(r["sigla"], upper(r["nome"]) if r["sigla"] not in lines else r["nome"])
    for r in comuni:
        add(r["sigla"], r["provincia"])
    for r in province_table:
        add(r["motorizzazione_sigla_automobilistica"], r["istat_nome"])
        if "/" in r["istat_nome"]:
            for half in r["istat_nome"].split("/"):
                add(r["motorizzazione_sigla_automobilistica"], half.strip())
    return [(sigla, name) for sigla in sorted(lines) for name in lines[sigla]]


def build_cf(comuni, catasto, history, provinces, state_ends, ceased_states):
    valid_codes = {r["catastale"] for r in catasto if r["attivo"] == "1"}
    shown = display_rows(catasto, valid_codes)
    entries = {}
    second_conflicts = municipal_entries(entries, history, shown, valid_codes, comuni)
    ends = foreign_ends(catasto, state_ends, ceased_states)
    foreign_shared = foreign_entries(entries, catasto, shown, valid_codes, ends)

    # A code that no lookup reaches (every key of its names answers another
    # state) gets one more key: its shown name cut to 15 characters, a space
    # and the code.
    ordered = sorted(entries.values(), key=file_order)
    coded = []
    for code in sorted({r["catastale"] for r in catasto} - reachable(ordered)):
        r = shown[code]
        key = (cut(upper(r["nome"]), CF_NAME_WIDTH - 5).rstrip() + " " + code, r["sigla"])
        if any(k[0] == key for k in entries):
            fail(f"the key {key} for {code} is taken")
        end, flags, after = ends.get(code, (OPEN_END, "", ""))
        e = Entry(key, code, end_year(end) if "A" not in flags else CEASED_STATE_YEARS[code], OPEN_START, end,
                  SECOND_KEY, code in valid_codes, upper(r["nome"]), flags, after, behind=r["sigla"] == FOREIGN_PROVINCE)
        put(entries, e)
        coded.append(e)
    ordered = sorted(entries.values(), key=file_order)
    if len(ordered) > CF_MAX_ENTRIES:
        fail(f"codes.cf would need {len(ordered) - CF_MAX_ENTRIES} entries more than {CF_MAX_ENTRIES}")

    bad = []
    out = bytearray()
    days = []
    for e in ordered:
        record = pad(e.key[0], CF_NAME_WIDTH) + e.key[1] + e.code + pad(e.year, 4) + CRLF
        raw = encode(record, "codes.cf", bad)
        if raw:
            assert len(raw) == CF_RECORD_SIZE, record
        out += raw
        whole = e.name if len(e.name) > CF_NAME_WIDTH and cut(e.name, CF_NAME_WIDTH).strip() == e.key[0] else ""
        days.append(f"{as_day(e.start):08d};{as_day(e.end):08d};{e.flags};{e.successor};{whole}")
    out += (pad(CF_END_NAME, CF_NAME_WIDTH) + "  " + "    " + "    " + CRLF).encode(ENCODING)
    appendix = [CF_APPENDIX_MARK] + days + [CF_PROVINCES_MARK] + [f"{s};{n}" for s, n in provinces]
    out += encode(CRLF.join(appendix) + CRLF, "codes.cf", bad)
    if bad:
        fail("not representable in Windows-1252:\n  " + "\n  ".join(bad))

    data = bytes(out)
    table = CfTable(data)
    check_cf(table, comuni, catasto, shown, history, coded)
    stats = {
        "entries": len(ordered),
        "periods": len(history.periods), "runs": len(history.runs),
        "successors": sum(1 for r in history.runs if r.successor),
        "created": sum(1 for r in history.runs if r.created),
        "current": sum(1 for r in catasto if r["attivo"] == "1" and r["sigla"] != FOREIGN_PROVINCE),
        "foreign": sum(1 for r in catasto if r["sigla"] == FOREIGN_PROVINCE),
        "second": sum(1 for e in ordered if e.kind == SECOND_KEY), "coded": coded,
        "history": {k: g for k, g in by_key(ordered).items() if len({e.code for e in g}) > 1},
        "foreign_shared": foreign_shared, "second_conflicts": second_conflicts,
    }
    return data, stats


def reachable(ordered):
    """The codes that some lookup gives: each key without a date and on the
    first and last day of each of its entries."""
    groups = by_key(ordered)
    table = CfTable.__new__(CfTable)
    table.entries = [[e.key[0], e.key[1], e.code, e.year, as_day(e.start), as_day(e.end), e.flags, e.successor,
                      e.name] for e in ordered]
    table.groups, table.by_code = {}, {}
    for i, e in enumerate(ordered):
        table.groups.setdefault(e.key, []).append(i)
        table.by_code.setdefault(e.code, []).append(i)
    codes = set()
    for key, group in groups.items():
        days = {None} | {as_day(e.start) for e in group} | {as_day(e.end) for e in group}
        for d in days:
            i = table.lookup(key[0], key[1], d)
            if i is not None:
                codes.add(table.entries[i][2])
    return codes


def check_cf(table, comuni, catasto, shown, history, coded):
    """Look up in the file as written every current municipality, every period
    of the archive on its first and last day, every sigla a code ever had, and
    every row of catasto.csv; and check the name each code shows."""
    wrong = []

    def expect(name, sigla, when, code, what):
        found = table.code(name, sigla, when)
        if found != code:
            wrong.append(f"{what} {name} ({sigla}){'' if when is None else f' on {when}'} gives {found}, not {code}")

    for r in comuni:
        expect(upper(r["nome"]), r["sigla"], None, r["catastale"], "current comune")
        expect(upper(r["nome"]), r["sigla"], 20260901, r["catastale"], "current comune")
    # Two municipalities of one name and province on the same day are told
    # apart by nothing in a lookup: those days are left out.
    for p in history.periods:
        for when in (p.start, p.end):
            d = as_day(when) if when != OPEN_END else 20260901
            codes = {i for i in table.groups.get(cf_key(p.name, p.sigla), [])
                     if table.entries[i][4] <= d <= table.entries[i][5]}
            if len({table.entries[i][2] for i in codes}) > 1:
                continue
            expect(p.name, p.sigla, d, p.code, "period")
    for run in history.runs:
        for sigla in history.siglas[run.code]:
            d = as_day(run.end) if run.end != OPEN_END else 20260901
            codes = {table.entries[i][2] for i in table.groups.get(cf_key(run.name, sigla), [])
                     if table.entries[i][4] <= d <= table.entries[i][5]}
            if len(codes) == 1:
                expect(run.name, sigla, d, run.code, "sigla of any time")
    own = {e.code: e.key for e in coded}
    own.update({code: (name, shown[code]["sigla"]) for code, name in FOREIGN_KEYS.items()})
    own.update({code: (name, shown[code]["sigla"]) for code, name in DISPLAY_NAMES.items()})
    for r in catasto:
        code = r["catastale"]
        if code in own:
            expect(own[code][0], own[code][1], None, code, "own key")
            continue
        if r["sigla"] == FOREIGN_PROVINCE:
            # ceased states on the last day they are known to have been there
            end = table.entries[table.by_code[code][-1]][5]
            expect(upper(r["nome"]), r["sigla"], min(end, 20260901), code, "foreign row")
        elif r["fine_validita"]:
            expect(upper(r["nome"]), r["sigla"], as_day(r["fine_validita"]), code, "row")
    # The decode of a code shows the last entry of that code in file order.
    for code, r in shown.items():
        last = table.entries[table.by_code[code][-1]]
        key = cf_key(r["nome"], r["sigla"])
        if (last[0], last[1]) != key:
            wrong.append(f"the last entry of {code} is {last[0]} ({last[1]}), not {key}")
    missing = {r["catastale"] for r in catasto} - set(table.by_code)
    if missing:
        wrong.append(f"codes without an entry: {', '.join(sorted(missing))}")
    if wrong:
        fail("codes.cf lookups give the wrong code:\n  " + "\n  ".join(wrong[:40]) +
             (f"\n  ... {len(wrong) - 40} more" if len(wrong) > 40 else ""))


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
        history, provinces, state_ends, ceased_states = load_history(os.path.normpath(args.sources), tools_dir,
                                                                     comuni, catasto, previous_sigla)
        cf, stats = build_cf(comuni, catasto, history, provinces, state_ends, ceased_states)
        stati = foreign_names(os.path.normpath(args.sources), catasto,
                              os.path.join(tools_dir, "dati", "stati_nomi_comuni.csv"))
        luoghi, caps = build_luoghi(comuni, bilingui, brevi, stati)
    except (DataError, HistoryError) as e:
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
    print(f"codes.cf: {stats['entries']} entries + END and their days, {len(cf)} bytes")
    print(f"  archive: {stats['periods']} periods in {stats['runs']} runs of a name, {stats['created']} municipalities "
          f"made by an event, {stats['successors']} ends with the municipality that took the place over")
    print(f"  current comuni {stats['current']}, foreign rows {stats['foreign']}; second keys {stats['second']}")
    for key, code, other in stats["foreign_shared"]:
        print(f"  note: foreign {code} shares the key {key} with {other}, which answers without a date")
    for e in stats["coded"]:
        print(f"  note: {e.code} ({e.name}, {e.key[1]}) has the key {e.key[0]!r}")
    for key, code, other in stats["second_conflicts"]:
        print(f"  note: second key {key} of {code} not added, it is {', '.join(other)}")
    print(f"  keys that lead to several codes over time: {len(stats['history'])}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
