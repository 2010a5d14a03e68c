#!/usr/bin/env python3
"""CPU per poll of each device kind with its session kept, and the logins the device sees.

Usage: device_polls.py PROGRAM [POLLS]
Runs `PROGRAM --headless` against each fake device of tools/fake_devices.py (TR-064, OpenWrt,
Broadcom over telnet and SSH, DrayTek over telnet) polling every second, for POLLS polls (20 by
default), and prints for each: the program's CPU time per poll (user + system, from /proc), the
device's logins and connections over the run, and the logins per ten polls.
"""

import json
import os
import subprocess
import sys
import time
import urllib.request

from headless_fixture import HERE, Headless, wait_for

DEVICES = os.path.join(os.path.dirname(HERE), "tools", "fake_devices.py")
# kind, case, preset type, address, fake options
KINDS = (
    ("tr064", "adsl2plus-up", "TR064", "http://127.0.0.1:%d", ()),
    ("openwrt", "vdsl2-up", "OPENWRT", "http://127.0.0.1:%d/ubus", ()),
    ("broadcom", "vdsl2-showtime", "BROADCOM", "telnet://127.0.0.1:%d", ()),
    ("broadcom", "vdsl2-showtime", "BROADCOM", "ssh://127.0.0.1:%d", ("--ssh",)),
    ("draytek", "vdsl-showtime", "DRAYTEK", "telnet://127.0.0.1:%d", ()),
)


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid, encoding="ascii") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def rows(headless):
    try:
        with open(os.path.join(headless.folder, "log.csv"), encoding="latin-1") as log:
            return sum(1 for _ in log) - 1
    except OSError:
        return 0


def measure(program, kind, case, preset, address, options, polls):
    folder = "/tmp/verdalin-bench-%s-%d" % (kind, os.getpid())
    port_file = folder + "-ports"
    device = subprocess.Popen([sys.executable, DEVICES, kind, "--case", case, "--port-file",
                               port_file, "--password", "admin"] + list(options),
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        wait_for(lambda: os.path.exists(port_file) and os.path.getsize(port_file) > 0, 20,
                 "the fake device")
        with open(port_file, encoding="ascii") as ports:
            port, control = (int(n) for n in ports.read().split())
        stored = subprocess.run([program, "--scramble-password"], input=b"admin",
                                capture_output=True, check=True).stdout.decode().strip()
        headless = Headless(program, address % port, 1, kind=preset,
                            credentials="login=admin\r\ncrypted_password=%s\r\n" % stored)
        try:
            wait_for(lambda: rows(headless) >= 1, 30, "a first row")
            start, first = cpu_seconds(headless.process.pid), rows(headless)
            wait_for(lambda: rows(headless) >= first + polls, polls * 3 + 30, "the polls")
            done = rows(headless) - first
            per_poll = (cpu_seconds(headless.process.pid) - start) / done
        finally:
            headless.close()
        with urllib.request.urlopen("http://127.0.0.1:%d/stats" % control, timeout=5) as answer:
            stats = json.loads(answer.read())
        return per_poll, done + first, stats
    finally:
        device.terminate()
        device.wait(10)
        if os.path.exists(port_file):
            os.remove(port_file)


def main():
    if len(sys.argv) not in (2, 3):
        raise SystemExit(__doc__)
    program = os.path.abspath(sys.argv[1])
    polls = int(sys.argv[2]) if len(sys.argv) == 3 else 20
    for kind, case, preset, address, options in KINDS:
        scheme = address.split(":")[0]
        try:
            per_poll, total, stats = measure(program, kind, case, preset, address, options, polls)
        except (AssertionError, RuntimeError, OSError, subprocess.SubprocessError) as error:
            print("%-8s %-6s failed: %s" % (preset, scheme, error))
            continue
        print("%-8s %-6s %6.2f ms CPU per poll; %d polls: %d logins, %d connections "
              "(%.1f logins per ten polls)" % (preset, scheme, per_poll * 1000, total,
                                               stats["logins"], stats["connections"],
                                               stats["logins"] * 10.0 / total))
    return 0


if __name__ == "__main__":
    sys.exit(main())
