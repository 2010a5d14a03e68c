#!/usr/bin/env python3
"""The headless program's memory and a scrape's time under each attack on its metrics endpoint.

Starts the fake gateway and `PROGRAM --headless --config DIR` going on with a data log of the
last 30 days (one row a minute, so that /report is a page of several hundred KB), then runs each
attack of tests/linux/hostile_clients.py for SECONDS (default 6) while a well-behaved client
scrapes /metrics four times a second, and prints the peak resident memory (VmRSS from /proc) and
the slowest scrape. Goal: under 50 MB and under 1 s for every attack.
Usage: endpoint_attacks.py PROGRAM   (the Linux build's is build/linux/verdalin)
"""

import datetime
import os
import subprocess
import sys
import tempfile

from headless_fixture import HERE, get, measure, wait_for

sys.path.insert(0, os.path.join(os.path.dirname(HERE), "tests", "linux"))
from hostile_clients import ATTACKS, measure as under_attack, rss_mb  # noqa: E402

SECONDS = float(os.environ.get("ATTACK_SECONDS", "6"))
GOAL_MB, GOAL_S = 50.0, 1.0


def month_log(folder):
    """A data log of the 30 days before today."""
    path = os.path.join(folder, "month.csv")
    start = (datetime.date.today() - datetime.timedelta(days=30)).strftime("%Y/%m/%d")
    subprocess.run([sys.executable, os.path.join(os.path.dirname(HERE), "tools",
                                                 "gen-year-log.py"), path, "--days", "30",
                    "--start", start], check=True)
    return path


def attacks(headless):
    pid = headless.process.pid
    report = wait_for(lambda: get(headless.port, "/report", 30), 60, "the history report")
    print("idle: %.1f MB resident; /report is %d KB" % (rss_mb(pid), len(report) // 1024))
    met = True
    for attack in ATTACKS:
        peak, slowest, scrapes, tally = under_attack(pid, headless.port, attack, SECONDS)
        ok = peak < GOAL_MB and slowest < GOAL_S and list(scrapes) == [200]
        met = met and ok
        print("%-26s peak %5.1f MB, slowest scrape %.3f s (%d scrapes), attackers got %s%s"
              % (attack.name, peak, slowest, sum(scrapes.values()),
                 ", ".join("%s x%d" % item for item in sorted(tally.items())),
                 "" if ok else "  <- goal missed"))
    return met


def main():
    with tempfile.TemporaryDirectory(prefix="verdalin-attacks-") as folder:
        met = measure("/script/inventel?steps=up", 3600, attacks, month_log(folder))
    print("goal (under %.0f MB, scrapes under %.0f s): %s" % (GOAL_MB, GOAL_S,
                                                             "met" if met else "missed"))
    return 0 if met else 1


if __name__ == "__main__":
    sys.exit(main())
