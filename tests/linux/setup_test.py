#!/usr/bin/env python3
"""`verdalin --setup` driven through standard input against the fake gateway: the settings it
stores (other groups kept) start the headless program; a bad preset number is asked again, input
that ends early stores nothing, a blank address with no default is asked again, and a refused
password is said and still stored.
Usage: setup_test.py BUILD_DIR
"""

import os
import signal
import subprocess
import sys

from program_fixture import (Gateway, HeadlessFolder, expect, read_ini, store_password,
                             wait_for, write_ini)

USER, PASSWORD = "setup-user", "S3t#up pw"


def run_setup(folder, answers):
    done = subprocess.run([folder.program, "--setup", "--config", folder.config_dir],
                          input=answers.encode(), capture_output=True, timeout=60,
                          env=folder.environment())
    return done.returncode, done.stdout.decode(), done.stderr.decode()


def prepare(folder, url):
    """Two presets, the first naming the fake gateway's page and login, the second neither; a
    settings file holding only an [Export] group."""
    write_ini(folder.presets, [
        ("Index", [("total", "2"), ("1", "A"), ("2", "B")]),
        ("A", [("type", "INVENTEL"), ("label", "LiveBox Inventel"), ("URL", url),
               ("login", USER)]),
        ("B", [("type", "SAGEM"), ("label", "LiveBox Sagem")])])
    write_ini(folder.settings, [("Export", [("listen", "127.0.0.1:%d" % folder.port)])])


def headless_starts(folder):
    folder.start(["--headless", "--config", folder.config_dir])
    wait_for(lambda: "verdalin: monitoring the INVENTEL gateway at 127.0.0.1" in folder.output()
             or folder.process.poll() is not None, 20, "the start line")
    expect(folder.process.poll() is None, "the headless program runs: " + folder.output())
    expect(folder.stop(signal.SIGTERM) == 0, "SIGTERM ends it")


def main():
    build = os.path.abspath(sys.argv[1])
    url = Gateway().page_address("inventel", USER, PASSWORD, "setup")
    # (what, answers, exit code, what standard error says, the preset and password stored or None)
    cases = [
        ("a bad number, then the first preset with its defaults", "9\nx\n1\n\n\n%s\n" % PASSWORD,
         0, ("no preset '9'", "no preset 'x'"), ("0", PASSWORD)),
        ("the second preset, a blank address, a refused password",
         "2\n\n%s\n%s\nwrong\n" % (url, USER), 1,
         ("address is needed", "without the line's values"), ("1", "wrong")),
        ("input ending at the preset", "0\n", 2, ("input ended",), None),
    ]
    for what, answers, code, said, stored in cases:
        folder = HeadlessFolder(build)
        try:
            prepare(folder, url)
            got, out, err = run_setup(folder, answers)
            expect(got == code, "%s: exit code %r\n%s%s" % (what, got, out, err))
            expect(all(s in err for s in said), "%s: %r in %s" % (what, said, err))
            settings = read_ini(folder.settings)
            if stored is None:
                expect(list(settings) == ["export"], what + ": nothing stored")
                continue
            expect(settings["export"] and settings["settings"] == {
                "url": url, "login": USER, "crypted_password": store_password(build, stored[1]),
                "preset": stored[0]}, "%s: %r" % (what, settings))
            if code == 0:
                expect("17904" in out and "LiveBox Inventel" in out, what + ": values " + out)
                headless_starts(folder)
        finally:
            folder.close()
    print("ok setup: %d cases; the stored settings start the headless program" % len(cases))
    return 0


if __name__ == "__main__":
    sys.exit(main())
