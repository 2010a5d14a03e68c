#!/usr/bin/env python3
"""End to end for each program (natively or under Wine): the BROADCOM kind read from the fake
Broadcom shell over telnet and over SSH (natively) by the monitor, one poll a second.

Checks the CSV rows against the answer's values, one login and one connection over ten polls, the
host key learnt into the settings file, and, once the device shows another host key, the status
text, no row, no credential sent and the stored key left alone.
Usage: command_line_suite.py BUILD_DIR native|wine
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from program_suite import LOGIN, PASSWORD, STORED_PASSWORD, Program, metrics  # noqa: E402
from program_fixture import (end_process, expect, free_port, read_ini, wait_for,  # noqa: E402
                             write_ini)
from fake_devices_test import Fake  # noqa: E402

POLLS = 10
# The row the fake's vdsl2-showtime answer gives, after the date.
ROW = ';1;"VDSL2 Annex B:Profile 17a";40000;100000;9.60;.00;12.90;11.00;1044;"Broadcom";""'


def rows(path):
    if not os.path.exists(path):
        return []
    with open(path, encoding="utf-8") as source:
        return source.read().splitlines()[1:]


def start(program, address, groups=()):
    """The headless monitor on ADDRESS with the settings (and GROUPS) beside it; the data log's
    path."""
    log = os.path.join(program.root, "log.csv")
    program.port = free_port()
    write_ini(program.presets, [("Index", [("total", "1"), ("1", "A")]),
                                ("A", [("type", "BROADCOM"), ("label", "Broadcom")])])
    write_ini(program.settings, [
        ("Settings", [("url", address), ("login", LOGIN), ("delay", "1"), ("preset", "0"),
                      ("crypted_password", STORED_PASSWORD),
                      ("output_file", program.path(log))]),
        ("Export", [("listen", "127.0.0.1:%d" % program.port)])] + list(groups))
    # The Windows program has no headless mode: its window, monitoring from the start.
    config = program.path(os.path.dirname(program.settings))
    args = ["-startup"] if program.wine else ["--headless", "--config", config]
    program.start(args, launcher=program.launcher)
    return log


def ten_polls_one_login(program, fake, scheme):
    log = start(program, "%s://127.0.0.1:%d" % (scheme, fake.port))
    wait_for(lambda: len(rows(log)) >= POLLS or program.process.poll() is not None, 90,
             "%d rows over %s" % (POLLS, scheme))
    written = rows(log)
    expect(len(written) >= POLLS and all(r.endswith(ROW) for r in written),
           "the answer's values in every row: %r %s" % (written, program.output()))
    stats = fake.stats()
    expect((stats["logins"], stats["connections"]) == (1, 1), "one session: %r" % stats)
    for secret in (LOGIN, PASSWORD + "\n", STORED_PASSWORD):
        expect(secret not in program.output(), "%r in the output" % secret)
    end_process(program.process)
    program.process = None
    print("ok %s: %d rows, 1 login, 1 connection" % (scheme, len(written)))


def changed_host_key(build, program, fake):
    ten_polls_one_login(program, fake, "ssh")
    key = "127.0.0.1:%d" % fake.port
    learnt = read_ini(program.settings).get("ssh host keys", {}).get(key, "")
    expect(learnt.startswith("SHA256:") and "=" not in learnt, "the key learnt: %r" % learnt)
    fake.control("new-hostkey")
    again = Program(build, program.wine)
    try:
        log = start(again, "ssh://127.0.0.1:%d" % fake.port, [("SSH host keys", [(key, learnt)])])
        # The Windows program's status line is in its window: its failed polls instead.
        wait_for(lambda: "SSH HOST KEY CHANGED: 127.0.0.1" in again.output() if not program.wine
                 else 'verdalin_polls_total{result="unreachable"} 3' in metrics(again.port), 60,
                 "the changed key said")
        expect(rows(log) == [] and fake.stats()["logins"] == 1, "no row, no login")
        stored = read_ini(again.settings).get("ssh host keys", {}).get(key)
        expect(stored == learnt, "the stored key is kept: %r" % stored)
    finally:
        again.close()
    print("ok ssh: a changed host key is said, no row, no credential sent")


def main():
    build, wine = os.path.abspath(sys.argv[1]), sys.argv[2] == "wine"
    os.umask(0o022)
    # Under Wine, libssh2's key exchange over Windows' own cryptography finds no Diffie-Hellman
    # there and goes on without one, which the device refuses: SSH is checked natively only.
    for scheme in ("telnet",) if wine else ("telnet", "ssh"):
        extra = ["--ssh"] if scheme == "ssh" else []
        program = Program(build, wine)
        try:
            with Fake("broadcom", "--user", LOGIN, "--password", PASSWORD, *extra) as fake:
                if scheme == "ssh":
                    changed_host_key(build, program, fake)
                else:
                    ten_polls_one_login(program, fake, scheme)
        finally:
            program.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
