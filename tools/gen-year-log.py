#!/usr/bin/env python3
"""Writes a realistic data log: one row a minute for a year (525,600 polls, about 55 MB).

The line drifts through the day and the seasons, retrains a dozen times (a few minutes out of sync
and a new rate), has short SNR dips, a few gateway outages (gaps of minutes), two stretches with
the program stopped (gaps of hours) and one gateway reboot that restarts the CRC counter.

usage: gen-year-log.py OUT.csv [--days N] [--start YYYY/MM/DD] [--form en|fr|de|ch|paren]
                        [--encoding utf-8|cp1252]
"""
import argparse
import datetime
import math
import random

# Decimal separator, thousands separator and negative form of the locales a log may come from.
FORMS = {
    "en": (".", ",", "- {}"),
    "fr": (",", "\u202f", "- {}"),
    "de": (",", ".", "-{}"),
    "ch": (".", "'", "-{}"),
    "paren": (".", ",", "({})"),
}
START_DAYS = 20089  # 2025/01/01 as days since 1970, unless --start says otherwise
HEADER = ("Date;Connected;Mode:Type;Upstream_kbps;Downstream_kbps;Attenuation_local;"
          "Attenuation_distant;SNR_local;SNR_distant;CRC_errors;Device;Firmware")


def locale_number(value, form):
    decimal, thousands, negative = FORMS[form]
    whole, cents = divmod(round(abs(value) * 100), 100)
    digits = str(whole) if whole else ""
    groups = []
    while len(digits) > 3:
        groups.insert(0, digits[-3:])
        digits = digits[:-3]
    text = thousands.join([digits] + groups if digits else groups) + decimal + "%02d" % cents
    return negative.format(text) if value < 0 and round(abs(value) * 100) else text


def stamp(minute):
    days, rest = divmod(minute, 1440)
    y, m, d = civil(START_DAYS + days)
    return "%04d/%02d/%02d %02d:%02d:09" % (y, m, d, rest // 60, rest % 60)


def civil(days):
    z = days + 719468
    era = z // 146097
    doe = z - era * 146097
    yoe = (doe - doe // 1460 + doe // 36524 - doe // 146096) // 365
    doy = doe - (365 * yoe + yoe // 4 - yoe // 100)
    mp = (5 * doy + 2) // 153
    d = doy - (153 * mp + 2) // 5 + 1
    m = mp + 3 if mp < 10 else mp - 9
    return yoe + era * 400 + (m <= 2), m, d


def plan(minutes, rng):
    """Minutes with no row (outages, program stopped) and the events of the year."""
    silent = set()
    for _ in range(6):  # gateway outages of 3 to 20 minutes
        start = rng.randrange(minutes - 30)
        silent.update(range(start, start + rng.randint(3, 20)))
    for _ in range(2):  # the computer off for a few hours
        start = rng.randrange(minutes - 600)
        silent.update(range(start, start + rng.randint(180, 540)))
    retrains = {rng.randrange(minutes): rng.randint(2, 6) for _ in range(12)}
    dips = set(rng.randrange(minutes) for _ in range(25))
    reboot = rng.randrange(minutes // 2, minutes - 100)
    silent.update(range(reboot, reboot + 4))
    return silent, retrains, dips, reboot


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out")
    parser.add_argument("--days", type=int, default=365)
    parser.add_argument("--form", choices=sorted(FORMS), default="en")
    parser.add_argument("--encoding", choices=["utf-8", "cp1252"], default="utf-8")
    parser.add_argument("--start", help="the first day, YYYY/MM/DD (default 2025/01/01)")
    args = parser.parse_args()
    if args.start:
        global START_DAYS
        first = datetime.datetime.strptime(args.start, "%Y/%m/%d").date()
        START_DAYS = (first - datetime.date(1970, 1, 1)).days
    rng = random.Random(20251207)
    minutes = args.days * 1440
    silent, retrains, dips, reboot = plan(minutes, rng)
    num = lambda value: locale_number(value, args.form)
    down, up, crc, out_of_sync = 17904, 1023, 0, 0
    rows = [HEADER]
    for minute in range(minutes):
        if minute in silent:
            continue
        if minute == reboot + 4:
            crc = 0
        if minute in retrains:
            out_of_sync = retrains[minute]
            down = rng.choice([15872, 16800, 17904, 18432])
        if out_of_sync:
            out_of_sync -= 1
            rows.append('%s;0;":";0;0;.00;.00;.00;.00;0;"LiveBox Inventel";"V4.05.10,B2"'
                        % stamp(minute))
            continue
        day_phase = math.sin((minute % 1440) / 1440 * 2 * math.pi - 2.2)
        season = math.sin(minute / minutes * 2 * math.pi)
        snr_down = 8.0 + 1.3 * day_phase + 0.6 * season + rng.gauss(0, 0.15)
        if minute in dips:
            snr_down = rng.choice([2.1, 4.7, -1.5])
        snr_up = 11.2 + 0.4 * day_phase + rng.gauss(0, 0.1)
        crc += rng.choice([0] * 30 + [1, 1, 2, 3, 5]) + (40 if minute in dips else 0)
        rows.append('%s;1;"G.992.5 (ADSL2+):Interleaved";%d;%d;%s;%s;%s;%s;%d;'
                    '"LiveBox Inventel";"V4.05.10,B2"'
                    % (stamp(minute), up, down, num(23.5 + 0.2 * season), num(12.0),
                       num(snr_down), num(snr_up), crc))
    with open(args.out, "w", encoding=args.encoding, newline="") as out:
        out.write("\r\n".join(rows) + "\r\n")


if __name__ == "__main__":
    main()
