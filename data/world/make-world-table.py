#!/usr/bin/env python3
"""Writes the world table ../세계시간표.txt (cp949) from regions.txt and the system's tz database.

For each region it takes the zone's offsets over this year and the next: the lower one is the
region's standard time (its offset from Korean time, UTC+9, in minutes); when there is a
higher one, daylight saving, the (start rule, end rule) pair that gives exactly the zone's
changes is looked up in the rule tables below. A region whose zone no pair expresses is refused,
and so the table is not written. It also names every zone of the tz database that the clocks
cannot show, and why, and checks that the table covers every standard offset in use.

The rule tables mirror shell/world/dst_rules.cpp; the world tests compare the written table with
the tz database at every half hour of this year and the next, so the two cannot drift apart.

    python3 data/world/make-world-table.py [--year YEAR]
"""

import argparse
import datetime as dt
import sys
import zoneinfo
from pathlib import Path

HERE = Path(__file__).resolve().parent
SOURCE = HERE / "regions.txt"
TABLE = HERE.parent / "세계시간표.txt"
KOREA = 9 * 60  # minutes east of UTC
GROUPS = 8
MAX_NAME_BYTES = 79

LAST, ON_OR_AFTER, FIXED = "last", "on-or-after", "fixed"
SUN, THU, FRI = 6, 3, 4  # Python's weekday numbers

# (month, pick, day, weekday, minutes from the day's midnight in standard time, flag).
# Start rules: flag = daylight saving begins in the autumn and lasts into the next year.
# End rules: flag = daylight saving ends at the instant (rules 1-10 keep it through the instant).
START_RULES = {
    1: (4, ON_OR_AFTER, 1, SUN, 120, False),
    2: (3, LAST, 0, SUN, 120, False),
    3: (3, LAST, 0, SUN, 60, False),
    4: (3, LAST, 0, SUN, 180, False),
    5: (3, LAST, 0, SUN, 0, False),
    6: (10, ON_OR_AFTER, 2, SUN, 0, True),
    7: (4, LAST, 0, SUN, 120, False),
    8: (10, ON_OR_AFTER, 10, SUN, 0, True),
    9: (4, FIXED, 1, SUN, 0, False),
    10: (3, FIXED, 29, SUN, 0, False),
    11: (5, FIXED, 1, SUN, 0, False),
    12: (10, LAST, 0, SUN, 120, True),
    13: (10, ON_OR_AFTER, 1, SUN, 0, True),
    14: (3, ON_OR_AFTER, 8, SUN, 120, False),
    15: (3, ON_OR_AFTER, 8, SUN, 0, False),
    16: (3, LAST, 0, SUN, -60, False),
    17: (3, LAST, 0, SUN, -2 * 1440 + 120, False),
    18: (4, LAST, 0, FRI, 0, False),
    19: (9, ON_OR_AFTER, 2, SUN, 0, True),
    20: (9, ON_OR_AFTER, 2, SUN, -120, True),
    21: (10, ON_OR_AFTER, 1, SUN, 120, True),
    22: (9, LAST, 0, SUN, 120, True),
    23: (9, LAST, 0, SUN, 165, True),
}
END_RULES = {
    1: (10, LAST, 0, SUN, 120, False),
    2: (10, LAST, 0, SUN, 180, False),
    3: (10, LAST, 0, SUN, 0, False),
    4: (10, LAST, 0, SUN, 60, False),
    5: (2, ON_OR_AFTER, 12, SUN, 0, False),
    6: (3, ON_OR_AFTER, 10, SUN, 0, False),
    7: (10, FIXED, 1, SUN, 0, False),
    8: (9, FIXED, 6, SUN, 0, False),
    9: (3, LAST, 0, SUN, 120, False),
    10: (3, ON_OR_AFTER, 16, SUN, 0, False),
    11: (11, ON_OR_AFTER, 1, SUN, 60, True),
    12: (11, ON_OR_AFTER, 1, SUN, 0, True),
    13: (10, LAST, 0, SUN, 60, True),
    14: (10, LAST, 0, SUN, 120, True),
    15: (10, LAST, 0, SUN, 180, True),
    16: (10, LAST, 0, SUN, 0, True),
    17: (10, LAST, 0, SUN, -60, True),
    18: (10, LAST, 0, THU, 23 * 60, True),
    19: (4, ON_OR_AFTER, 2, SUN, -60, True),
    20: (4, ON_OR_AFTER, 2, SUN, -180, True),
    21: (4, ON_OR_AFTER, 1, SUN, 120, True),
    22: (4, ON_OR_AFTER, 1, SUN, 165, True),
}

SECOND = dt.timedelta(seconds=1)
UTC = dt.timezone.utc


def rule_instant(rule, year):
    """The rule's instant in `year`, a naive datetime in local standard time."""
    month, pick, day, weekday, minutes, _ = rule
    if pick == FIXED:
        date = dt.date(year, month, day)
    elif pick == LAST:
        date = (dt.date(year + month // 12, month % 12 + 1, 1)) - dt.timedelta(days=1)
        while date.weekday() != weekday:
            date -= dt.timedelta(days=1)
    else:
        date = dt.date(year, month, day)
        while date.weekday() != weekday:
            date += dt.timedelta(days=1)
    return dt.datetime(date.year, date.month, date.day) + dt.timedelta(minutes=minutes)


def is_dst(start, end, t):
    """The program's test: is standard time t (naive) in daylight saving?"""
    s_rule, e_rule = START_RULES[start], END_RULES[end]
    s = rule_instant(s_rule, t.year)
    e = rule_instant(e_rule, t.year) - (SECOND if e_rule[5] else dt.timedelta(0))
    if s_rule[5]:
        return dt.datetime(t.year, 1, 1) <= t <= e or s <= t <= dt.datetime(t.year, 12, 31, 23, 59, 59)
    return s <= t <= e


def rule_changes(start, end, years):
    """Standard times at which the program's answer may change."""
    points = []
    for year in years:
        points.append(rule_instant(START_RULES[start], year))
        e_rule = END_RULES[end]
        points.append(rule_instant(e_rule, year) + (dt.timedelta(0) if e_rule[5] else SECOND))
        points.append(dt.datetime(year, 1, 1))
    return points


def offset_minutes(zone, instant):
    return int(instant.astimezone(zone).utcoffset().total_seconds()) // 60


def zone_changes(zone, first, last):
    """UTC instants in [first, last) at which the zone's offset changes, to the second."""
    step = dt.timedelta(hours=3)
    changes = []
    t = first
    before = offset_minutes(zone, t)
    while t < last:
        after_t = t + step
        after = offset_minutes(zone, after_t)
        if after != before:
            lo, hi = t, after_t
            while hi - lo > SECOND:
                mid = lo + (hi - lo) / 2
                mid = mid.replace(microsecond=0)
                if offset_minutes(zone, mid) == before:
                    lo = mid
                else:
                    hi = mid
            changes.append(hi)
            before = after
        t = after_t
    return changes


class Refused(Exception):
    pass


def derive(zone_name, year):
    """(offset from Korean time in minutes, start rule, end rule) for a zone, or Refused."""
    zone = zoneinfo.ZoneInfo(zone_name)
    first = dt.datetime(year, 1, 1, tzinfo=UTC) - dt.timedelta(days=2)
    last = dt.datetime(year + 2, 1, 1, tzinfo=UTC) + dt.timedelta(days=2)
    changes = zone_changes(zone, first, last)
    offsets = {offset_minutes(zone, first)} | {offset_minutes(zone, c) for c in changes}
    standard = min(offsets)
    if len(offsets) == 1:
        return standard - KOREA, 0, 0
    if len(offsets) > 2:
        raise Refused("its offsets are " + ", ".join(map(str, sorted(offsets))) + " minutes")
    saving = max(offsets) - standard
    if saving != 60:
        raise Refused(f"its daylight saving is {saving} minutes, not one hour")

    def tz_dst(u):
        return offset_minutes(zone, u) != standard

    local_std = dt.timedelta(minutes=standard)
    years = range(year - 1, year + 3)
    checks = [first] + changes + [c - SECOND for c in changes]
    for start in START_RULES:
        for end in END_RULES:
            points = [p - local_std for p in rule_changes(start, end, years)]
            points = [p.replace(tzinfo=UTC) for p in points]
            candidates = checks + [p for p in points if first <= p < last]
            candidates += [p - SECOND for p in candidates]
            if all(is_dst(start, end, (u + local_std).replace(tzinfo=None)) == tz_dst(u)
                   for u in candidates if first <= u < last):
                return standard - KOREA, start, end
    shown = ", ".join(c.astimezone(zone).strftime("%Y-%m-%d %H:%M") for c in changes[:4])
    raise Refused(f"no rule pair gives its changes ({shown} ...)")


def read_source():
    groups = []
    names = set()
    for number, line in enumerate(SOURCE.read_text(encoding="utf-8").splitlines(), 1):
        line = line.strip()
        if not line or line.startswith("#"):
            continue
        if line.startswith("[") and line.endswith("]"):
            groups.append((line[1:-1], []))
            continue
        fields = line.split()
        if len(fields) != 2 or not groups:
            sys.exit(f"regions.txt:{number}: expected 'name zone' inside a [group]")
        name, zone = fields
        if name in names:
            sys.exit(f"regions.txt:{number}: {name} is listed twice")
        names.add(name)
        groups[-1][1].append((number, name, zone))
    if len(groups) != GROUPS:
        sys.exit(f"regions.txt: {len(groups)} groups, the table needs {GROUPS}")
    for group, _ in groups:
        check_token(group, "group " + group)
    for _, regions in groups:
        for number, name, _ in regions:
            check_token(name, f"regions.txt:{number}")
    return groups


def check_token(text, where):
    try:
        encoded = text.encode("cp949")
    except UnicodeEncodeError:
        sys.exit(f"{where}: {text} has a character cp949 cannot hold")
    if len(encoded) > MAX_NAME_BYTES:
        sys.exit(f"{where}: {text} is {len(encoded)} bytes in cp949, at most {MAX_NAME_BYTES}")


def all_zones():
    return sorted(z for z in zoneinfo.available_timezones()
                  if not z.startswith(("posix/", "right/")) and z not in ("Factory", "localtime"))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--year", type=int, default=dt.date.today().year,
                        help="the first of the two years the rules must hold for (default: this year)")
    args = parser.parse_args()

    groups = read_source()
    derived = {}
    refused = []
    for _, regions in groups:
        for number, name, zone in regions:
            if zone in derived:
                continue
            try:
                derived[zone] = derive(zone, args.year)
            except zoneinfo.ZoneInfoNotFoundError:
                refused.append(f"regions.txt:{number}: {name} ({zone}): no such zone in the tz database")
            except Refused as why:
                refused.append(f"regions.txt:{number}: {name} ({zone}): {why}")
    if refused:
        print("Refused, the table is not written:", *refused, sep="\n  ", file=sys.stderr)
        return 1

    left_out = {}
    standard_offsets = {}
    for zone in all_zones():
        try:
            offset, _, _ = derive(zone, args.year)
            standard_offsets.setdefault(offset, []).append(zone)
        except Refused as why:
            left_out[zone] = str(why)
    print("Zones the clocks cannot show, so no region follows them:")
    for zone, why in left_out.items():
        print(f"  {zone}: {why}")
    covered = {derived[zone][0] for zone in derived}
    missing = sorted(set(standard_offsets) - covered)
    if missing:
        for offset in missing:
            utc = offset + KOREA
            print(f"No region at UTC{utc // 60:+03d}:{abs(utc) % 60:02d}, used by "
                  + ", ".join(standard_offsets[offset]), file=sys.stderr)
        return 1

    lines = []
    count = 0
    for group, regions in groups:
        lines.append(f"{group} {len(regions)}")
        for _, name, zone in regions:
            offset, start, end = derived[zone]
            lines.append(f"{name} {offset} {start} {end}")
            count += 1
    TABLE.write_bytes(("\n".join(lines) + "\n").encode("cp949"))
    print(f"Wrote {TABLE.name}: {count} regions in {GROUPS} groups, "
          f"{len(covered)} standard offsets, rules for {args.year} and {args.year + 1}.")
    return 0


if __name__ == "__main__":
    sys.exit(main())
