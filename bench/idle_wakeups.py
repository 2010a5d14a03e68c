#!/usr/bin/env python3
"""How often the idle Linux program's main thread wakes, and the CPU it takes, per idle minute.

Runs the program under Xvfb with a notification-area host, monitoring off, twice: with the window
shown, and with the window minimised into the tray. For each it counts the main thread's context
switches (voluntary and not, from /proc) and its CPU time over IDLE_SECONDS (default 60) after a
settling pause, and prints them scaled to one minute. Goal: at most one wake-up and under 1 ms of
CPU per idle minute.
Usage: idle_wakeups.py BUILD_DIR [PROGRAM]   (PROGRAM defaults to BUILD_DIR/verdalin)
"""

import os
import shutil
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "tests", "linux"))

from program_fixture import ProgramFolder, wait_for, write_ini  # noqa: E402
from tray_test import Session, TrayHost, Xvfb  # noqa: E402

SECONDS = float(os.environ.get("IDLE_SECONDS", "60"))
SETTLE = float(os.environ.get("IDLE_SETTLE", "40"))  # start-up's one-off timers are over by then


def main_thread_counters(pid):
    """(context switches, CPU seconds) of the process's main thread so far."""
    switches = 0
    with open("/proc/%d/task/%d/status" % (pid, pid)) as status:
        for line in status:
            if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                switches += int(line.split()[1])
    with open("/proc/%d/task/%d/schedstat" % (pid, pid)) as schedstat:
        on_cpu_ns = int(schedstat.read().split()[0])  # nanoseconds, not clock ticks
    return switches, on_cpu_ns / 1e9


def measure(pid):
    time.sleep(SETTLE)
    switches, cpu = main_thread_counters(pid)
    time.sleep(SECONDS)
    switches_after, cpu_after = main_thread_counters(pid)
    scale = 60.0 / SECONDS
    return (switches_after - switches) * scale, (cpu_after - cpu) * 1000 * scale


def run(build, program, tray_host, xvfb, minimise):
    folder = ProgramFolder(build)
    if program:  # another build of the program, for a before-and-after figure
        shutil.copy2(program, folder.program)
    host = None
    try:
        # Monitoring stays off: no "-startup", no START. The address is never polled.
        write_ini(folder.settings, [("Settings", [("url", "http://127.0.0.1:9/never")])])
        session = Session(build, tray_host, folder, xvfb.display)
        host = TrayHost(tray_host, session.env)
        folder.start([], {"DISPLAY": xvfb.display, "QT_QPA_PLATFORM": "xcb"})
        host.wait_dock()
        wait_for(session.visible, 15, "the main window")
        if minimise:
            session.minimise()
            wait_for(lambda: not session.visible(), 10, "the window to go to the tray")
        return measure(folder.process.pid)
    finally:
        if host:
            host.close()
        folder.close()


def main():
    build = os.path.abspath(sys.argv[1])
    program = os.path.abspath(sys.argv[2]) if len(sys.argv) > 2 else None
    tray_host = os.path.join(build, "linux", "tray_host")
    xvfb = Xvfb()
    try:
        for label, minimise in (("window shown", False), ("window in the tray", True)):
            wakeups, cpu_ms = run(build, program, tray_host, xvfb, minimise)
            print("%-20s %6.1f wake-ups and %6.2f ms CPU per idle minute (main thread, %.0f s)"
                  % (label, wakeups, cpu_ms, SECONDS))
    finally:
        xvfb.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
