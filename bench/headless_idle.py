#!/usr/bin/env python3
"""The idle headless program: how often its threads wake between polls, and its memory.

Starts the fake gateway and `PROGRAM --headless --config DIR` with the metrics endpoint on and
a poll delay of an hour: after the first poll and a settling pause it counts each thread's context
switches (voluntary and not, from /proc) and CPU time over IDLE_SECONDS (default 60), scaled to
one minute, then prints the resident memory (VmRSS now, VmHWM its peak). No scrape is made while
counting.
Usage: headless_idle.py PROGRAM   (the Linux build's is build/linux/verdalin)
"""

import os
import sys
import time

from headless_fixture import get, measure, wait_for

SECONDS = float(os.environ.get("IDLE_SECONDS", "60"))
SETTLE = float(os.environ.get("IDLE_SETTLE", "5"))


def threads(pid):
    """{thread id: (name, context switches, CPU seconds)}."""
    found = {}
    for tid in os.listdir("/proc/%d/task" % pid):
        base = "/proc/%d/task/%s/" % (pid, tid)
        try:
            name = open(base + "comm").read().strip()
            switches = 0
            for line in open(base + "status"):
                if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                    switches += int(line.split()[1])
            cpu = int(open(base + "schedstat").read().split()[0]) / 1e9
        except OSError:
            continue  # the thread ended meanwhile
        found[int(tid)] = (name, switches, cpu)
    return found


def memory(pid):
    values = {}
    for line in open("/proc/%d/status" % pid):
        key, _, rest = line.partition(":")
        if key in ("VmRSS", "VmHWM"):
            values[key] = int(rest.split()[0])
    return values


def idle(headless):
    """(threads before, threads after, memory, still running) over the idle time."""
    pid = headless.process.pid
    wait_for(lambda: '"result":"ok"' in (get(headless.port, "/status.json") or ""), 30,
             "the first poll")
    time.sleep(SETTLE)
    before = threads(pid)
    time.sleep(SECONDS)
    return before, threads(pid), memory(pid), headless.process.poll() is None


def main():
    before, after, sizes, alive = measure("/script/inventel?steps=up", 3600, idle)
    if not alive:
        raise SystemExit("the program ended while idle")
    scale = 60.0 / SECONDS
    total = 0.0
    print("idle headless program, %.0f s counted, per minute:" % SECONDS)
    for tid in sorted(after):
        name, switches, cpu = after[tid]
        was = before.get(tid, (name, 0, 0.0))
        wakeups = (switches - was[1]) * scale
        total += wakeups
        print("  thread %-7d %-16s %7.1f wake-ups %8.3f ms CPU%s"
              % (tid, name, wakeups, (cpu - was[2]) * 1000 * scale,
                 "" if tid in before else " (new)"))
    print("  all %d threads     %7.1f wake-ups" % (len(after), total))
    print("memory: VmRSS %d kB, VmHWM %d kB" % (sizes["VmRSS"], sizes["VmHWM"]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
