#!/usr/bin/env python3
"""End to end: the built program, copied with its INI files into a temporary folder, started with
-startup against the fake gateway for each gateway model; then ended with SIGTERM.

Checks the CSV rows (dates vary: their shape; the values byte for byte), the credentials the
gateway received, Runs and LastRun, and the settings written at the end.
Usage: e2e_startup_test.py BUILD_DIR
"""

import json
import os
import re
import signal
import stat
import subprocess
import sys
import time

from program_fixture import (MODELS, SOURCE, Gateway, ProgramFolder, check_last_run, expect,
                             read_ini, store_password, wait_for, write_ini)

sys.path.insert(0, os.path.join(SOURCE, "tools"))
import gateway_pages  # noqa: E402

HEADER = ("Date;Connected;Mode:Type;Upstream_kbps;Downstream_kbps;Attenuation_local;"
          "Attenuation_distant;SNR_local;SNR_distant;CRC_errors;Device;Firmware\r\n")
ROW_DATE = re.compile(r"^\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2};")
ROWS_WANTED = 3


def expected_row_tail(model, device):
    """The row after its date, for the gateway's default line values (a semicolon in the
    firmware text becomes a comma, so that the row keeps its columns)."""
    v = gateway_pages.LineValues()
    line_type = "" if model == "tecom" else v.line_type
    crc = 0 if model == "tecom" else v.crc_errors
    return ';1;"%s:%s";%d;%d;%.2f;%.2f;%.2f;%.2f;%d;"%s";"%s"\r\n' % (
        v.mode, line_type, round(v.upstream), round(v.downstream), v.attenuation_down,
        v.attenuation_up, v.snr_down, v.snr_up, crc, device, v.firmware.replace(";", ","))


def read_rows(path):
    if not os.path.exists(path):
        return []
    with open(path, "rb") as source:
        text = source.read().decode("utf-8")
    return text.splitlines(keepends=True)


def run_model(build, gateway, index, model):
    kind, page, device = model
    folder = ProgramFolder(build)
    try:
        user, password = "monitor", "Pa55!w*rd-" + page
        tag = "e2e-" + page
        address = gateway.page_address(page, user, password, tag)
        presets = []
        for i, (other_kind, other_page, other_device) in enumerate(MODELS, 1):
            presets.append(("P%d" % i, [
                ("type", other_kind), ("label", other_device),
                ("URL", address if other_kind == kind else "http://127.0.0.1:9/none"),
                ("login", user), ("password", password), ("downmax", "20000")]))
        write_ini(folder.presets, [("Index", [("total", "3"), ("1", "P1"), ("2", "P2"),
                                              ("3", "P3")])] + presets)
        output = os.path.join(folder.root, "données 漢字", "log €.CsV")
        os.makedirs(os.path.dirname(output))
        stored = store_password(build, password)
        write_ini(folder.settings, [
            ("Settings", [("downstream", "20000"), ("login", user), ("delay", "1"),
                          ("url", address), ("output_file", output), ("preset", str(index)),
                          ("crypted_password", stored)]),
            ("Statistics", [("LastRun", "2001/01/01-00:00"), ("Runs", "4")])])
        os.chmod(folder.settings, 0o640)

        folder.start(["-startup"])
        wait_for(lambda: len(read_rows(output)) >= 1 + ROWS_WANTED or
                 folder.process.poll() is not None, 30, "%d CSV rows (%s)" % (ROWS_WANTED, page))
        expect(folder.process.poll() is None, "the program runs: " + folder.output())
        expect(folder.stop() == 0, "SIGTERM ends the program with exit code 0")

        rows = read_rows(output)
        expect(rows[0] == HEADER, "the CSV starts with its header: %r" % rows[0])
        tail = expected_row_tail(page, device)
        for row in rows[1:]:
            expect(ROW_DATE.match(row), "a row starts with its date: %r" % row)
            expect(row[len("yyyy/mm/dd hh:ii:ss"):] == tail,
                   "row values for %s:\n  got  %r\n  want %r" % (page, row, tail))

        received = {f: gateway.control("last-auth", tag=tag, field=f)
                    for f in ("user", "password", "count")}
        expect(received["user"] == user and received["password"] == password,
               "the gateway received the credentials: %r" % received)
        expect(int(received["count"]) >= ROWS_WANTED, "one request per poll: %r" % received)

        ini = read_ini(folder.settings)
        statistics, settings = ini["statistics"], ini["settings"]
        expect(statistics["Runs"] == "5", "Runs counts this start: %r" % statistics)
        check_last_run(statistics["LastRun"])
        want = {"downstream": "20000", "login": user, "delay": "1", "url": address,
                "output_file": output, "preset": str(index), "crypted_password": stored}
        expect(settings == want, "settings written at the end:\n  %r\n  %r" % (settings, want))
        expect(stat.S_IMODE(os.stat(folder.settings).st_mode) == 0o640,
               "an existing settings file keeps its permissions")
        expect(stat.S_IMODE(os.stat(output).st_mode) == 0o644,
               "a new CSV log takes 0666 less the umask (022)")
        print("ok %s: %d rows, credentials, statistics and settings" % (page, len(rows) - 1))
    finally:
        folder.close()


def first_start(build):
    """No INI files at all, no -startup: nothing is polled (the default address is never
    fetched), and the settings file the program creates is readable by its owner only."""
    folder = ProgramFolder(build)
    try:
        with open(os.path.join(folder.config, "user-dirs.dirs"), "w") as out:
            out.write('XDG_DOCUMENTS_DIR="$HOME/Mes Documents"\n')
        folder.start([])
        wait_for(lambda: os.path.exists(folder.settings), 20, "the statistics of the first start")
        expect(folder.process.poll() is None, "the program runs: " + folder.output())
        expect(folder.stop(signal.SIGHUP) == 0, "SIGHUP ends the program with exit code 0")
        ini = read_ini(folder.settings)
        expect(ini["statistics"]["Runs"] == "1", "a first start counts 1: %r" % ini)
        check_last_run(ini["statistics"]["LastRun"])
        settings = ini["settings"]
        expect(settings["url"] == "http://192.168.1.1/adslstats.html", "default address")
        expect(settings["login"] == "admin" and settings["delay"] == "300", "defaults: %r" % settings)
        expect(settings["output_file"] == folder.home + "/Mes Documents/Verdalin_Data.CsV",
               "the output file is in the XDG documents folder: %r" % settings["output_file"])
        expect(settings["preset"] == "-1", "no presets: no selection")
        expect(settings["crypted_password"] == "Zk3+Tw8=", "the default password round trip")
        expect(stat.S_IMODE(os.stat(folder.settings).st_mode) == 0o600,
               "a new settings file is readable by its owner only")
        expect(not os.path.exists(folder.presets), "the presets file is never created")
        print("ok first start: defaults, owner-only settings file")
    finally:
        folder.close()


def short_delays(build, gateway):
    """A delay of 0 or below polls once a second, never without a pause."""
    for delay in ("-5", "0"):
        folder = ProgramFolder(build)
        try:
            output = os.path.join(folder.root, "log.csv")
            write_ini(folder.settings, [("Settings", [
                ("url", gateway.page_address("inventel", "u", "p", "delay" + delay)),
                ("login", "u"), ("crypted_password", store_password(build, "p")),
                ("delay", delay), ("output_file", output)])])
            folder.start(["-startup"])
            wait_for(lambda: len(read_rows(output)) >= 2, 20, "the first poll (delay %s)" % delay)
            time.sleep(3.5)
            polls = len(read_rows(output)) - 1
            expect(folder.stop() == 0, "SIGTERM ends the program")
            expect(2 <= polls <= 6, "delay %s polls once a second: %d polls in 3.5 s" % (delay, polls))
            print("ok delay %s: %d polls in about 3.5 s" % (delay, polls))
        finally:
            folder.close()


ROW = ('2026/12/07 10:0%d:00;1;"G.992.5 (ADSL2+):Interleaved";1023;17904;23,50;12,00;6,40;'
       '11,20;%d;"LiveBox Inventel";"V4.05.10,B2"\r\n')


def report_command(build):
    """--report writes the history report of the log the settings name, beside it, without a
    window (its refusals are in tests/e2e/program_suite.py)."""
    folder = ProgramFolder(build)
    try:
        log = os.path.join(folder.root, "logs", "Verdalin_Data.CsV")
        os.makedirs(os.path.dirname(log))
        with open(log, "w", newline="") as out:
            out.write(HEADER + "".join(ROW % (i, 10 + i) for i in range(3)))
        write_ini(folder.settings, [("Settings", [("output_file", log)])])
        opened = os.path.join(folder.root, "opened")
        env = folder.environment({"VERDALIN_OPENED": opened})
        env.pop("QT_QPA_PLATFORM")
        env.pop("DISPLAY", None)  # no display at all: the command needs none
        run = subprocess.run([folder.program, "--report"], env=env, capture_output=True,
                             text=True, timeout=60)
        expect(run.returncode == 0, "--report ends with 0: %r" % run.stderr)
        page = os.path.join(folder.root, "logs", "Verdalin_Report.html")
        with open(page, encoding="utf-8") as source:
            html = source.read()
        summary = json.loads(re.search(r'id="verdalin-summary">(.*?)</script>', html, re.S)[1])
        expect(summary["polls"] == 3, "the report counts the log's rows: %r" % summary["polls"])
        # The opener runs detached and may write its note after the program has ended.
        wait_for(lambda: os.path.exists(opened) and open(opened).read().endswith("\n"), 10,
                 "the opener to be asked")
        with open(opened) as source:
            expect(source.read().strip() == page, "the report is opened in the browser")
        expect("Runs" not in open(folder.settings).read(), "--report never touches the settings")
        print("ok --report: the page beside the log, opened")
    finally:
        folder.close()


SCRIPT = "up,up,down,down,up,gone,gone,up,snr=3,snr=9"
SCRIPT_EVENTS = ["SYNC_LOST", "SYNC_BACK", "GATEWAY_UNREACHABLE", "GATEWAY_BACK", "SNR_LOW",
                 "SNR_OK"]


def line_events(build, gateway):
    """A scripted line at one poll a second: the event log holds its events in order, with the
    machine-readable details, and the data log keeps its rows as before."""
    folder = ProgramFolder(build)
    try:
        output = os.path.join(folder.root, "log.csv")
        events = os.path.join(folder.root, "Verdalin_Events.csv")
        address = "http://127.0.0.1:%d/script/inventel?tag=events&steps=%s" % (gateway.port, SCRIPT)
        write_ini(folder.presets, [("Index", [("total", "1"), ("1", "A")]),
                                   ("A", [("type", "INVENTEL"), ("label", "A")])])
        write_ini(folder.settings, [("Settings", [("url", address), ("delay", "1"),
                                                  ("preset", "0"), ("output_file", output)])])
        folder.start(["-startup"])
        wait_for(lambda: len(read_rows(events)) >= 1 + len(SCRIPT_EVENTS), 40, "the events")
        time.sleep(1.5)
        expect(folder.stop() == 0, "SIGTERM ends the program")
        rows = read_rows(events)
        expect(rows[0] == "Date;Event;Detail\r\n", "the event log's header: %r" % rows[0])
        names = [row.split(";")[1] for row in rows[1:]]
        expect(names == SCRIPT_EVENTS, "the events in order: %r" % names)
        expect(re.search(r';SYNC_BACK;"down_kbps=17904 up_kbps=1023 outage_s=[0-9]+"\r\n$', rows[2]),
               "a detail of key=value pairs: %r" % rows[2])
        data = read_rows(output)
        expect(data[0] == HEADER and all(ROW_DATE.match(row) for row in data[1:]),
               "the data log as before")
        print("ok events: %s" % " ".join(names))
    finally:
        folder.close()


def end_during_a_hanging_poll(build, gateway, sig):
    """A signal while the gateway hangs a poll ends the program at once: the fetch is cancelled,
    no row is written, the settings are saved. Returns the seconds from the signal to the end."""
    folder = ProgramFolder(build)
    try:
        output = os.path.join(folder.root, "log.csv")
        hang = "http://127.0.0.1:%d/hang" % gateway.port
        write_ini(folder.settings, [("Settings", [("url", hang), ("delay", "3"),
                                                  ("output_file", output)])])
        folder.start(["-startup"])
        time.sleep(2.0)
        started = time.monotonic()
        expect(folder.stop(sig, 30) == 0, "the signal ends the program with exit code 0")
        seconds = time.monotonic() - started
        expect(not os.path.exists(output), "a cancelled poll writes no row")
        expect(read_ini(folder.settings)["settings"]["delay"] == "3", "the settings are saved")
        return seconds
    finally:
        folder.close()


def main():
    build = os.path.abspath(sys.argv[1])
    os.umask(0o022)
    gateway = Gateway()
    try:
        for index, model in enumerate(MODELS):
            run_model(build, gateway, index, model)
        first_start(build)
        short_delays(build, gateway)
        report_command(build)
        line_events(build, gateway)
        for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            seconds = end_during_a_hanging_poll(build, gateway, sig)
            expect(seconds < 10, "no second poll before the end: %.1f s" % seconds)
            print("ok %s during a hanging poll: ended after %.2f s" % (sig.name, seconds))
    finally:
        gateway.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
