"""The history of the municipalities for tools/gen_data.py: every period of every municipality with its
first and last day and its province, from the ANPR archive and the events after it.

A period is what the archive calls one: a code, a name and a province sigla from a first day to a last day,
both included. A run is the time a code bore one name, across the province changes of that time: the
lookups of codes.cf are made of runs. Python 3 standard library only.
"""

import csv
import datetime
import os
import re
from dataclasses import dataclass, field

OPEN_START = "0000-01-01"
OPEN_END = "9999-12-31"

# The archive's last update: ends after it come from catasto.csv (the events of 2026).
ARCHIVE_DATE = "2024-05-31"
# Municipalities created after the archive, with their first day (SOURCES.md of the reference tables, 1.1:
# Castegnero Nanto from the merger of Castegnero and Nanto on 21 February 2026).
NEW_CODE_START = {"M439": "2026-02-21"}
# Successors the archive cannot tell: an incorporation after it into a municipality that goes on (SOURCES.md,
# 1.1: Lirio into Montalto Pavese on 31 January 2026).
KNOWN_SUCCESSORS = {"E608": "F417"}
# The Sardinian provinces of 2026 (sardegna_2026_transcodifica.csv): the sigla of before ends the day before.
SARDINIA_FIRST_DAY = "2026-01-01"


class HistoryError(Exception):
    pass


@dataclass
class Period:
    code: str
    name: str
    sigla: str
    start: str
    end: str


@dataclass
class Run:
    code: str
    name: str
    start: str
    end: str
    siglas: list  # the siglas of the time, in order
    successor: str = ""  # the code that took the place over when the run ended the code's life
    created: bool = False  # the code's first day is an event of the archive (a merger, a new municipality)


@dataclass
class History:
    periods: list
    runs: list
    siglas: dict = field(default_factory=dict)  # code -> every sigla it had, in order of time
    by_code: dict = field(default_factory=dict)  # code -> its runs

    def runs_of(self, code):
        return self.by_code.get(code, [])


def day(text):
    return datetime.date.fromisoformat(text)


def day_after(text):
    return text if text == OPEN_END else (day(text) + datetime.timedelta(days=1)).isoformat()


def day_before(text):
    return text if text == OPEN_START else (day(text) - datetime.timedelta(days=1)).isoformat()


def load_archive(folder):
    """The periods of anpr_archivio_comuni.csv (',' separated, quoted where needed), the 28 without a code
    left out."""
    path = os.path.join(folder, "anpr_archivio_comuni.csv")
    columns = ["institution_date", "end_date", "registry_code", "name_it", "provincial_code"]
    try:
        with open(path, encoding="utf-8", newline="") as f:
            reader = csv.DictReader(f)
            missing = [c for c in columns if c not in (reader.fieldnames or [])]
            if missing:
                raise HistoryError(f"{path}: missing columns {', '.join(missing)}")
            periods = []
            for line_no, row in enumerate(reader, start=2):
                if None in row or any(row[c] is None for c in columns):
                    raise HistoryError(f"{path}:{line_no}: wrong number of fields")
                code = row["registry_code"].strip()
                if code == "ND":
                    continue
                p = Period(code, row["name_it"].strip(), row["provincial_code"].strip(),
                           row["institution_date"].strip(), row["end_date"].strip())
                what = f"{path}:{line_no}"
                if not re.fullmatch(r"[A-Z][0-9]{3}", p.code) or not re.fullmatch(r"[A-Z]{2}", p.sigla):
                    raise HistoryError(f"{what}: unexpected code or sigla {p.code!r} {p.sigla!r}")
                try:
                    if day(p.start) > day(p.end):
                        raise HistoryError(f"{what}: the period ends before it starts")
                except ValueError:
                    raise HistoryError(f"{what}: unexpected dates {p.start!r} {p.end!r}") from None
                if not p.name or p.name != p.name.upper() or p.name != p.name.strip():
                    raise HistoryError(f"{what}: unusable name {p.name!r}")
                periods.append(p)
            return periods
    except OSError as e:
        raise HistoryError(f"cannot read {path}: {e.strerror}") from None


def add_events(periods, comuni, catasto, previous_sigla, upper):
    """The events after the archive: the ends of 2026 (catasto.csv), the new municipalities, the Sardinian
    provinces of 2026 and the renames whose day is not known (today's name for as long as the former one)."""
    by_code = {}
    for p in periods:
        by_code.setdefault(p.code, []).append(p)

    def open_periods(code):
        return [p for p in by_code.get(code, []) if p.end == OPEN_END]

    for r in catasto:
        if r["sigla"] == "EE" or r["attivo"] == "1" or r["fine_validita"] <= ARCHIVE_DATE:
            continue
        ending = open_periods(r["catastale"])
        if not ending:
            raise HistoryError(f"{r['catastale']} ({r['nome']}) ends on {r['fine_validita']} but has no open period")
        for p in ending:
            p.end = r["fine_validita"]

    current = {r["catastale"]: r for r in comuni}
    for code, r in sorted(current.items()):
        if code not in by_code:
            if code not in NEW_CODE_START:
                raise HistoryError(f"{code} ({r['nome']}) is not in the archive: give its first day in NEW_CODE_START")
            p = Period(code, upper(r["nome"]), r["sigla"], NEW_CODE_START[code], OPEN_END)
            periods.append(p)
            by_code[code] = [p]
        if code in previous_sigla:
            for p in open_periods(code):
                if p.sigla != previous_sigla[code]:
                    raise HistoryError(f"{code}: the archive gives {p.sigla}, the Sardinian table {previous_sigla[code]}")
                if p.sigla != r["sigla"]:
                    p.end = day_before(SARDINIA_FIRST_DAY)
                    q = Period(code, p.name, r["sigla"], SARDINIA_FIRST_DAY, OPEN_END)
                    periods.append(q)
                    by_code[code].append(q)
        now = open_periods(code)
        if not now or any(p.sigla != r["sigla"] for p in now):
            raise HistoryError(f"{code} ({r['nome']}): the open periods are not in {r['sigla']}")
        name = upper(r["nome"])
        if name not in {p.name for p in now}:
            first = min(now, key=lambda p: p.start)
            q = Period(code, name, r["sigla"], first.start, OPEN_END)
            periods.append(q)
            by_code[code].append(q)
    extra = sorted(c for c, ps in by_code.items() if c not in current and any(p.end == OPEN_END for p in ps))
    if extra:
        raise HistoryError(f"open periods of codes that are not current comuni: {', '.join(extra)}")
    return periods


def name_runs(periods):
    """The runs of every code: the periods of one name joined while each starts by the day after the end of the
    one before."""
    by_code_name = {}
    for p in periods:
        by_code_name.setdefault((p.code, p.name), []).append(p)
    runs = []
    for (code, name), ps in sorted(by_code_name.items()):
        ps.sort(key=lambda p: (p.start, p.end))
        current = None
        for p in ps:
            if current and p.start <= day_after(current.end):
                current.end = max(current.end, p.end)
                if p.sigla not in current.siglas:
                    current.siglas.append(p.sigla)
            else:
                current = Run(code, name, p.start, p.end, [p.sigla])
                runs.append(current)
    runs.sort(key=lambda r: (r.code, r.start, r.end, r.name))
    return runs


def mark_creations(history):
    """A code whose first period starts the day after (or on the day) another code of its province ended was
    made by an event: before that day it did not exist. The others were there before the archive tells of
    them (annexed, or in it from its first day): their first runs are open at the start."""
    ends = set()
    for p in history.periods:
        ends.add((p.sigla, p.end, p.code))
    by_sigla_end = {}
    for sigla, end, code in ends:
        by_sigla_end.setdefault((sigla, end), set()).add(code)
    first = {}
    for p in history.periods:
        if p.code not in first or p.start < first[p.code].start:
            first[p.code] = p
    for r in history.runs:
        p = first[r.code]
        if r.start != p.start:
            continue
        before = by_sigla_end.get((p.sigla, day_before(p.start)), set()) | by_sigla_end.get((p.sigla, p.start), set())
        if before - {p.code}:
            r.created = True
        else:
            r.start = OPEN_START


def find_successors(history):
    """For every run that ended its code's life (for good or until the code came back), the municipality that
    took the place over, when the archive tells it: the one code of the province with a period starting the
    day after (or else on the day); of several, the one whose name holds the ended name, or else the one that
    bears the name of an earlier successor of the same code. None when still ambiguous."""
    starts = {}
    for p in history.periods:
        starts.setdefault((p.sigla, p.start), {}).setdefault(p.code, p.name)
    last_sigla = {}
    for p in sorted(history.periods, key=lambda p: p.start):
        last_sigla[(p.code, p.name, p.end)] = p.sigla
    earlier = {}
    for r in sorted(history.runs, key=lambda r: (r.code, r.end)):
        if r.end == OPEN_END:
            continue
        after = day_after(r.end)
        if any(o.code == r.code and o is not r and o.start <= after <= o.end for o in history.runs_of(r.code)):
            continue  # renamed: the code goes on
        sigla = last_sigla.get((r.code, r.name, r.end), r.siglas[-1])
        candidates = {}
        for when in (after, r.end):
            candidates = {c: n for c, n in starts.get((sigla, when), {}).items() if c != r.code}
            if candidates:
                break
        chosen = None
        if len(candidates) == 1:
            chosen = next(iter(candidates))
        elif candidates:
            holding = [c for c, n in candidates.items() if re.search(r"(?<!\w)" + re.escape(r.name) + r"(?!\w)", n)]
            again = [c for c, n in candidates.items() if n in earlier.get(r.code, set())]
            if len(holding) == 1:
                chosen = holding[0]
            elif len(again) == 1:
                chosen = again[0]
        chosen = KNOWN_SUCCESSORS.get(r.code, chosen) if r.end > ARCHIVE_DATE else chosen
        if chosen:
            r.successor = chosen
            earlier.setdefault(r.code, set()).add(candidates.get(chosen, ""))


def build_history(folder, comuni, catasto, previous_sigla, upper):
    periods = add_events(load_archive(folder), comuni, catasto, previous_sigla, upper)
    history = History(periods, name_runs(periods))
    for p in sorted(periods, key=lambda p: (p.start, p.end)):
        siglas = history.siglas.setdefault(p.code, [])
        if p.sigla not in siglas:
            siglas.append(p.sigla)
    for r in history.runs:
        history.by_code.setdefault(r.code, []).append(r)
    mark_creations(history)
    find_successors(history)
    return history
