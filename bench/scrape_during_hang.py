#!/usr/bin/env python3
"""How long a scrape of /metrics takes while the headless program's poll hangs.

Starts the fake gateway and `PROGRAM --headless --config DIR` polling the gateway's /hang route
(which reads the request and never answers), then, while that first poll waits, times SCRAPES
(default 50) GETs of /metrics, each on a new connection, and prints the median and the longest.
Goal: every scrape under 50 ms.
Usage: scrape_during_hang.py PROGRAM   (the Linux build's is build/linux/verdalin)
"""

import os
import statistics
import sys
import time

from headless_fixture import get, measure

SCRAPES = int(os.environ.get("SCRAPES", "50"))
GOAL_MS = 50.0


def scrapes(headless):
    """The time of each scrape, in milliseconds, while the first poll hangs."""
    time.sleep(1.0)  # the poll has started and waits for the gateway
    times = []
    for _ in range(SCRAPES):
        started = time.perf_counter()
        body = get(headless.port, "/metrics")
        times.append((time.perf_counter() - started) * 1000)
        if body is None or "verdalin_poll_success" not in body:
            raise SystemExit("a scrape got no metrics")
        time.sleep(0.1)
    # The fetch gives up after 20 s: every scrape fell inside the hanging poll.
    if '"result":null' not in (get(headless.port, "/status.json") or ""):
        print("warning: the poll ended during the scrapes")
    return times


def main():
    times = measure("/hang", 3600, scrapes)
    worst = max(times)
    print("/metrics during a hanging poll: median %.2f ms, longest %.2f ms over %d scrapes (goal %s)"
          % (statistics.median(times), worst, len(times), "met" if worst < GOAL_MS else "missed"))
    return 0 if worst < GOAL_MS else 1


if __name__ == "__main__":
    sys.exit(main())
