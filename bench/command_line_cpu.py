#!/usr/bin/env python3
"""CPU time per poll of the headless program reading the fake Broadcom shell over telnet and
over SSH, one poll a second with the session kept: the program's user and system time over
POLLS polls after the first few (the session's opening left out).
Usage: command_line_cpu.py BUILD_DIR/verdalin-headless [POLLS]
"""

import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "tests", "linux"))
from fake_devices_test import Fake  # noqa: E402
from program_fixture import end_process, free_port, wait_for  # noqa: E402

STORED_ADMIN = "nA79P5Y="  # "admin" as the settings file keeps it
WARM_UP = 3


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def rows(path):
    return sum(1 for _ in open(path)) - 1 if os.path.exists(path) else 0


def per_poll(program, scheme, polls):
    with Fake("broadcom", *(["--ssh"] if scheme == "ssh" else [])) as fake, \
            tempfile.TemporaryDirectory() as folder:
        log = os.path.join(folder, "log.csv")
        with open(os.path.join(folder, "Verdalin_Presets.ini"), "w") as out:
            out.write("[Index]\ntotal=1\n1=A\n[A]\ntype=BROADCOM\nlabel=A\n")
        with open(os.path.join(folder, "Verdalin_Settings.ini"), "w") as out:
            out.write("[Settings]\nurl=%s://127.0.0.1:%d\nlogin=admin\ncrypted_password=%s\n"
                      "delay=1\npreset=0\noutput_file=%s\n[Export]\nlisten=127.0.0.1:%d\n"
                      % (scheme, fake.port, STORED_ADMIN, log, free_port()))
        process = subprocess.Popen([program, "--headless", "--config", folder],
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        try:
            wait_for(lambda: rows(log) >= WARM_UP, 30, "the first rows")
            start, first = cpu_seconds(process.pid), rows(log)
            wait_for(lambda: rows(log) >= first + polls, polls + 30, "the polls")
            spent, done = cpu_seconds(process.pid) - start, rows(log) - first
        finally:
            end_process(process)
        return spent / done, fake.stats()["logins"]


def main():
    program = os.path.abspath(sys.argv[1])
    polls = int(sys.argv[2]) if len(sys.argv) > 2 else 30
    for scheme in ("telnet", "ssh"):
        seconds, logins = per_poll(program, scheme, polls)
        print("%-6s %.2f ms CPU per poll (%d polls, %d login)" % (scheme, seconds * 1000, polls,
                                                                  logins))


if __name__ == "__main__":
    main()
