#!/usr/bin/env python3
"""The headless program as a server runs it: no display at all, a scripted line behind a login,
the metrics endpoint on loopback.

Checks the CSV rows, the event lines on standard error, the endpoint's pages against the fake
gateway's values, that no credential, address or path shows in any of them, hostile clients
(the program's memory read from /proc meanwhile), a second program on the same port, the Grafana
dashboard's series, Basic authentication, the Host header, the [Export] settings the endpoint
refuses to start with, the end on SIGTERM and SIGINT, the dates of a run whose clock is past
2038 (through faketime), the start line, and settings that name no gateway (exit 2, no request).
Usage: headless_test.py BUILD_DIR
"""

import base64
import glob
import json
import os
import re
import signal
import socket
import sys
import threading
import time

from hostile_clients import ATTACKS, measure
from program_fixture import (SOURCE, Gateway, HeadlessFolder, expect, fail, http_get,
                             parse_metrics, read_ini, store_password, wait_for, write_ini)

sys.path.insert(0, os.path.join(SOURCE, "tools"))
import gateway_pages  # noqa: E402

USER, PASSWORD = "ops-7Kq", "Pw-9#xZ!q"
STEPS = "up,up,down,down,up"
PAGES = ("/", "/metrics", "/status.json", "/report")
# The program's resident memory under any attack, in MB (about 15 when idle).
RSS_BOUND_MB = 64


def rows(path):
    if not os.path.exists(path):
        return []
    with open(path, "rb") as source:
        return source.read().decode("utf-8").splitlines()


def expected_samples():
    """The series the fake gateway's line values give, after one loss of sync."""
    v = gateway_pages.LineValues()
    return {
        ("dsl_up", ()): 1,
        ("dsl_datarate", (("direction", "down"),)): v.downstream * 1000,
        ("dsl_datarate", (("direction", "up"),)): v.upstream * 1000,
        ("dsl_line_attenuation_db", (("direction", "down"),)): v.attenuation_down,
        ("dsl_line_attenuation_db", (("direction", "up"),)): v.attenuation_up,
        ("dsl_signal_to_noise_margin_db", (("direction", "down"),)): v.snr_down,
        ("dsl_signal_to_noise_margin_db", (("direction", "up"),)): v.snr_up,
        ("dsl_errors_total", (("err", "crc"), ("loc", "near"))): v.crc_errors,
        # The sample keeps the firmware as the CSV row does: a semicolon becomes a comma.
        ("dsl_info", (("device", "LiveBox Inventel"),
                      ("firmware", v.firmware.replace(";", ",")))): 1,
        ("dsl_line_info", (("mode", v.mode), ("type", v.line_type))): 1,
        ("verdalin_poll_success", ()): 1,
        ("verdalin_resyncs_total", ()): 1,
        ("verdalin_events_total", (("event", "SYNC_LOST"),)): 1,
        ("verdalin_events_total", (("event", "SYNC_BACK"),)): 1,
        ("verdalin_subscribed_max_datarate", ()): 20000 * 1000,
    }


def start_line(folder):
    """The line said at the start (it names the data log's path on purpose), and the rest."""
    lines = folder.output().splitlines()
    said = [l for l in lines if l.startswith("verdalin: monitoring ")]
    return (said or [None])[0], "\n".join(l for l in lines if l not in said)


def secrets_absent(folder, text, where):
    for secret in (PASSWORD, USER, "cred=", "/script/", folder.root):
        expect(secret not in text, "%r shows in %s" % (secret, where))


def check_pages(folder, started):
    """The four pages, HEAD, and what they hold against the gateway's values."""
    answers = {page: http_get(folder.port, page) for page in PAGES}
    for page, (status, _headers, body) in answers.items():
        expect(status == 200, "%s answers 200: %d" % (page, status))
        secrets_absent(folder, body.decode("utf-8"), page)
    status, _headers, body = http_get(folder.port, "/metrics", method="HEAD")
    expect(status == 200 and body == b"", "HEAD /metrics: %d %r" % (status, body[:40]))

    samples = parse_metrics(answers["/metrics"][2].decode("utf-8"))
    for key, want in expected_samples().items():
        expect(key in samples and abs(samples[key] - want) < 1e-6,
               "%s: %r, the gateway's %r" % (key, samples.get(key), want))
    polls = samples[("verdalin_polls_total", (("result", "ok"),))]
    expect(polls >= len(rows(folder.data_log)) - 2, "polls counted: %r" % polls)
    changed = samples[("verdalin_last_sync_change_timestamp_seconds", ())]
    expect(started - 1 <= changed <= time.time() + 1, "the last sync change is now: %r" % changed)

    status = json.loads(answers["/status.json"][2])
    expect(status["sample"]["down_kbps"] == 17904 and status["sample"]["connected"] is True and
           status["resyncs"]["total"] == 1 and status["last_poll"]["result"] == "ok",
           "the status: %r" % status)
    expect([e["event"] for e in status["events"]] == ["SYNC_LOST", "SYNC_BACK"],
           "the status' events: %r" % status["events"])
    expect(b'id="verdalin-summary"' in answers["/report"][2], "/report is the history report")
    return samples


def check_dashboard(samples):
    """Every series the dashboard asks for, with its label values, is one the program exports."""
    with open(os.path.join(SOURCE, "resources", "verdalin-grafana.json")) as source:
        board = json.load(source)
    expect([i["name"] for i in board["__inputs"]] == ["DS_PROMETHEUS"], "one datasource input")
    names = {name for name, _ in samples}
    asked = 0
    for panel in board["panels"]:
        expect(panel["datasource"]["uid"] == "${DS_PROMETHEUS}",
               "%s: its datasource" % panel["title"])
        for target in panel["targets"]:
            for name, matchers in re.findall(r'\b((?:dsl|verdalin)_[a-z_]+)(?:\{([^}]*)\})?',
                                             target["expr"]):
                labels = set(re.findall(r'(\w+)="([^"]*)"', matchers))
                expect(name in names, "%s: %s is exported" % (panel["title"], name))
                expect(any(n == name and labels <= set(l) for n, l in samples),
                       "%s: a %s series with %r" % (panel["title"], name, labels))
                asked += 1
    return asked


def answer_of(sock, seconds=5):
    """The head of the server's answer (and what came with it), or b"" for a close or a reset;
    fails when neither comes within SECONDS."""
    sock.settimeout(seconds)
    got = b""
    try:
        while b"\r\n\r\n" not in got:
            chunk = sock.recv(65536)
            if not chunk:
                break
            got += chunk
    except ConnectionResetError:
        pass
    except socket.timeout:
        fail("an answer or a close within %d s, got %r" % (seconds, got[:80]))
    return got


def raw_request(port, data, seconds=5):
    with socket.create_connection(("127.0.0.1", port), timeout=seconds) as sock:
        try:
            sock.sendall(data)
        except (BrokenPipeError, ConnectionResetError):
            return b""
        return answer_of(sock, seconds)


def refused(answer):
    """A 4xx answer or none at all."""
    return answer == b"" or re.match(rb"HTTP/1\.[01] 4\d\d ", answer)


def metrics_quickly(folder, what):
    started = time.monotonic()
    status, _headers, _body = http_get(folder.port, "/metrics", timeout=1)
    seconds = time.monotonic() - started
    expect(status == 200 and seconds < 1,
           "/metrics after %s: %d in %.2f s" % (what, status, seconds))
    return seconds


def hostile_clients(folder):
    """Oversized requests, odd methods and paths, many clients: each gets a 4xx or a close,
    nothing shows a credential or a path, and /metrics answers at once afterwards."""
    port = folder.port
    answers = []
    huge = [
        b"GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Big: " + b"a" * 100000 + b"\r\n\r\n",
        b"GET /" + b"a" * 100000 + b" HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n",
        b"GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Big: " + b"a" * 100000,  # never ends its line
    ]
    for data in huge:
        answers.append(raw_request(port, data))
        expect(refused(answers[-1]), "an oversized request: %r" % answers[-1][:80])
    for path in ("/../../etc/passwd", "/%2e%2e/%2e%2e/etc/passwd", "/metrics/../../etc/passwd",
                 "//etc/passwd", "/report/../../../etc/passwd"):
        answers.append(raw_request(port, b"GET %s HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n" % path.encode()))
        expect(refused(answers[-1]), "%s: %r" % (path, answers[-1][:80]))
    for method in ("POST", "PUT", "DELETE", "OPTIONS", "TRACE", "PATCH", "CONNECT"):
        data = b"%s /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 4\r\n\r\nbody" % method.encode()
        answers.append(raw_request(port, data))
        expect(refused(answers[-1]), "%s: %r" % (method, answers[-1][:80]))
    for answer in answers:
        secrets_absent(folder, answer.decode("latin-1"), "a hostile client's answer")
        expect(b"root:" not in answer, "no local file in an answer")
    metrics_quickly(folder, "oversized requests")

    # 200 clients at once: each gets its page or a close, none waits past its time limit.
    def crowd_member(results):
        try:
            results.append(raw_request(port, b"GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                                              b"Connection: close\r\n\r\n", 15))
        except OSError as error:
            results.append(repr(error).encode())
    results = []
    crowd = [threading.Thread(target=crowd_member, args=(results,)) for _ in range(200)]
    for member in crowd:
        member.start()
    for member in crowd:
        member.join()
    served = sum(1 for r in results if r.startswith(b"HTTP/1.1 200 "))
    expect(served + sum(1 for r in results if refused(r)) == 200,
           "each of 200 clients served or closed: %r" % [r[:40] for r in results if
                                                          not r.startswith(b"HTTP/1.1 200 ")])
    expect(folder.process.poll() is None, "the program stays up: " + folder.output())
    return served, metrics_quickly(folder, "200 clients at once")


def attacks(folder):
    """Each attack in turn: the program's memory stays bounded and a scrape made meanwhile is
    answered within a second; oversized requests get 414 or 431 (or a close), slow clients are
    cut off."""
    figures = []
    for attack in ATTACKS:
        seconds = 8 if "slow" in attack.name else 3
        peak, slowest, scrapes, tally = measure(folder.process.pid, folder.port, attack, seconds)
        expect(peak < RSS_BOUND_MB, "%s: %.1f MB resident" % (attack.name, peak))
        expect(list(scrapes) == [200] and slowest < 1,
               "%s: scrapes %r, the slowest %.2f s" % (attack.name, scrapes, slowest))
        expect(folder.process.poll() is None, "the program stays up: " + folder.output())
        got = set(tally) - {"refused"}
        if "slow" in attack.name:
            expect(tally.get("cut", 0) >= attack.count, "%s: cut off %r" % (attack.name, tally))
        elif "1300 ranges" in attack.name:
            expect(got == {"200"}, "%s: the whole page, once: %r" % (attack.name, tally))
        else:
            expect(got and got <= {"414", "431", "closed"}, "%s: %r" % (attack.name, tally))
        figures.append("%s %.0f MB, %.2f s" % (attack.name, peak, slowest))
    return figures


def one_port_one_program(build, gateway, folder):
    """A second program told to listen on the first one's port says it cannot, and every scrape
    still reaches the first (whose line is up; the second's is down)."""
    second = HeadlessFolder(build)
    try:
        second.port = folder.port
        second.start_line(build, gateway, "headless-second", "down", USER, PASSWORD)
        line = "verdalin: metrics endpoint: cannot listen on 127.0.0.1:%d" % folder.port
        wait_for(lambda: line in second.output(), 20, "the second program's refusal")
        wait_for(lambda: rows(second.data_log), 10, "the second program's first poll")
        expect(second.output().count(line) == 1, "said once: " + second.output())
        ups = [parse_metrics(http_get(folder.port, "/metrics")[2].decode())[("dsl_up", ())]
               for _ in range(20)]
        expect(ups == [1] * 20, "every scrape reaches the first program: %r" % ups)
        expect(second.process.poll() is None, "the second program monitors on")
    finally:
        second.close()
def monitored_line(build, gateway):
    folder = HeadlessFolder(build)
    try:
        started = time.time()
        folder.start_line(build, gateway, "headless", STEPS, USER, PASSWORD)
        folder.wait_for_endpoint()
        wait_for(lambda: "SYNC_BACK" in folder.output() or folder.process.poll() is not None,
                 30, "the line's events")
        wait_for(lambda: len(rows(folder.data_log)) >= 6, 10, "a poll after the events")
        expect(folder.process.poll() is None, "the program runs: " + folder.output())

        lines = folder.output().splitlines()
        for event in ("SYNC_LOST", "SYNC_BACK"):
            expect(any(re.match(r"^verdalin: %s \S.*: " % event, l) for l in lines),
                   "a %s line on standard error: %r" % (event, lines))
        data = rows(folder.data_log)
        expect(data[0].startswith("Date;Connected;") and len(data) >= 6, "CSV rows: %r" % data)
        expect([row.split(";")[1] for row in data[1:6]] == ["1", "1", "0", "0", "1"],
               "the rows follow the line: %r" % data)
        expect(gateway.control("last-auth", tag="headless", field="password") == PASSWORD,
               "the gateway received the password")

        samples = check_pages(folder, started)
        asked = check_dashboard(samples)
        print("ok headless: %d rows, events on stderr, pages match the gateway, dashboard "
              "asks for %d series" % (len(data) - 1, asked))
        served, seconds = hostile_clients(folder)
        print("ok hostile clients: refused; %d of 200 at once served; /metrics answers afterwards "
              "in %.3f s" % (served, seconds))
        print("ok attacks (peak resident memory, slowest scrape): " + "; ".join(attacks(folder)))
        one_port_one_program(build, gateway, folder)
        print("ok one port, one program: the second says it cannot listen")

        ended = time.monotonic()
        expect(folder.stop(signal.SIGTERM, 10) == 0, "SIGTERM ends the program with 0")
        seconds = time.monotonic() - ended
        expect(seconds < 5, "SIGTERM ends the program at once: %.2f s" % seconds)
        print("ok SIGTERM: ended in %.2f s" % seconds)
        secrets_absent(folder, start_line(folder)[1], "standard error")
        want = ("verdalin: monitoring the INVENTEL gateway at 127.0.0.1:%d, data log %s, "
                "metrics on http://127.0.0.1:%d/" % (gateway.port, folder.data_log, folder.port))
        expect(start_line(folder)[0] == want, "the start line: %r" % start_line(folder)[0])
        ini = read_ini(folder.settings)
        expect(ini["statistics"]["Runs"] == "8", "Runs counts the start: %r" % ini["statistics"])
        expect(ini["export"] == dict(folder.export), "[Export] kept: %r" % ini["export"])
    finally:
        folder.close()


def authenticated_endpoint(build, gateway):
    """[Export] user= and crypted_password=: every page asks for them, the scheme in any case;
    only the Host names that lead here are answered; SIGINT ends as SIGTERM."""
    folder = HeadlessFolder(build)
    try:
        export = [("user", "scraper"), ("crypted_password", store_password(build, "sc-R4pe")),
                  ("hosts", "metrics.test")]
        folder.start_line(build, gateway, "headless-auth", "up", USER, PASSWORD, export)
        folder.wait_for_endpoint()
        token = base64.b64encode(b"scraper:sc-R4pe").decode()
        good = "Basic " + token
        bad = "Basic " + base64.b64encode(b"scraper:wrong").decode()
        for page in PAGES:
            status, headers, body = http_get(folder.port, page)
            expect(status == 401 and headers.get("WWW-Authenticate", "").startswith("Basic"),
                   "%s without credentials: %d %r" % (page, status, headers))
            expect(b"sc-R4pe" not in body, "the password stays out of the 401")
            expect(http_get(folder.port, page, headers={"Authorization": bad})[0] == 401,
                   "%s with a wrong password" % page)
        wait_for(lambda: rows(folder.data_log), 10, "a first poll")
        for page in PAGES:
            status, _headers, body = http_get(folder.port, page, headers={"Authorization": good})
            expect(status == 200, "%s with credentials: %d" % (page, status))
            expect(b"sc-R4pe" not in body and b"scraper" not in body, "no credential in " + page)
        for scheme in ("basic", "BASIC"):
            status = http_get(folder.port, "/metrics",
                              headers={"Authorization": scheme + " " + token})[0]
            expect(status == 200, "the scheme %s: %d" % (scheme, status))
        # A page of another site whose name now points here (DNS rebinding) reads nothing.
        for host, want in (("evil.example:%d" % folder.port, 421), ("evil.example", 421),
                           ("localhost:%d" % folder.port, 200), ("metrics.test", 200)):
            for page in ("/status.json", "/report"):
                status, _headers, body = http_get(
                    folder.port, page, headers={"Host": host, "Authorization": good})
                expect(status == want, "%s from Host %s: %d" % (page, host, status))
        ended = time.monotonic()
        expect(folder.stop(signal.SIGINT, 10) == 0 and time.monotonic() - ended < 5,
               "SIGINT ends the program with 0 at once")
        expect("sc-R4pe" not in folder.output(), "the endpoint's password stays out of stderr")
        secrets_absent(folder, start_line(folder)[1], "standard error")
        ini = read_ini(folder.settings)
        expect(ini["statistics"]["Runs"] == "8" and ini["export"] == dict(folder.export),
               "settings saved on SIGINT: %r" % ini)
        print("ok Basic authentication: 401 without, 200 with, any case of the scheme; 421 for "
              "another Host; SIGINT saves the settings")
    finally:
        folder.close()


def hook_messages(gateway, tag):
    return [json.loads(body) for body in json.loads(gateway.control("hooks", tag=tag))]


def check_dates(stamps, pattern, what):
    expect(stamps and all(isinstance(s, str) and re.match(pattern, s) for s in stamps),
           "%s: %r" % (what, stamps))


def clock_past_2038(build, gateway):
    """A run on 2040/03/01: the CSV rows, the event log, the webhook, /status.json, /report and
    LastRun all carry that date. libfaketime (Debian's faketime) is preloaded into the program
    itself, its threaded build, the monotonic clock left alone so that waits keep their length:
    the `faketime` command would run the program as its child and not pass SIGTERM on."""
    found = glob.glob("/usr/lib/*/faketime/libfaketimeMT.so.1")
    expect(found, "libfaketime is installed (tools/install-deps.sh)")
    fake_clock = {"LD_PRELOAD": found[0], "FAKETIME": "@2040-03-01 12:00:00",
                  "FAKETIME_DONT_FAKE_MONOTONIC": "1", "TZ": "UTC"}
    stamp = r"^2040/03/01 12:0\d:\d\d"
    folder = HeadlessFolder(build)
    try:
        hook = "http://127.0.0.1:%d/_hook/headless-2040" % gateway.port
        folder.start_line(build, gateway, "headless-2040", "up,down,up", USER, PASSWORD,
                          groups=[("Alerts", [("webhook", hook)])], extra_env=fake_clock)
        folder.wait_for_endpoint()
        wait_for(lambda: len(rows(folder.data_log)) >= 4 and len(rows(folder.event_log)) >= 3,
                 30, "three polls and two events")
        wait_for(lambda: len(hook_messages(gateway, "headless-2040")) >= 2, 10,
                 "two webhook messages")
        hooks = hook_messages(gateway, "headless-2040")
        status = json.loads(http_get(folder.port, "/status.json")[2])
        summary = re.search(rb'id="verdalin-summary">(.*?)</script>',
                            http_get(folder.port, "/report")[2])
        expect(folder.stop(signal.SIGTERM, 10) == 0, "SIGTERM ends the program with 0")

        check_dates(rows(folder.data_log)[1:], stamp + ";", "CSV rows")
        events = [r.split(";") for r in rows(folder.event_log)[1:]]
        expect([e[1] for e in events] == ["SYNC_LOST", "SYNC_BACK"], "events: %r" % events)
        check_dates([e[0] for e in events], stamp + "$", "event log")
        expect([h["event"] for h in hooks] == ["SYNC_LOST", "SYNC_BACK"], "hooks: %r" % hooks)
        check_dates([h["time"] for h in hooks], stamp + "$", "webhook")
        check_dates([e["time"] for e in status["events"]], stamp + "$", "/status.json")
        expect(status["last_poll"]["unix_time"] >= 2214216000, "unix time: %r" % status)
        summary = json.loads(summary[1]) if summary else {}
        check_dates([summary.get("first"), summary.get("made")], stamp + "$", "/report")
        last_run = read_ini(folder.settings)["statistics"]["LastRun"]
        check_dates([last_run], r"^2040/03/01-12:0\d$", "LastRun")
        print("ok clock past 2038: %d rows, events, webhook, pages and LastRun of %s" %
              (len(rows(folder.data_log)) - 1, last_run))
    finally:
        folder.close()


def refused_settings(build, gateway):
    """[Export] settings the endpoint does not start with are said on standard error, and the
    program monitors on without it; an endpoint open beyond loopback without a password is said
    (only inside the loopback-only namespace, where no other address exists to listen on)."""
    garbled = store_password(build, "pw") + "!"
    cases = [([("user", "me")], "user= without crypted_password= in [Export]: not started"),
             ([("crypted_password", store_password(build, "pw"))],
              "crypted_password= without user= in [Export]: not started"),
             ([("user", "me"), ("crypted_password", garbled)],
              "crypted_password= in [Export] is not a stored password")]
    if os.environ.get("VERDALIN_LOOPBACK_ONLY") == "inside":
        cases.append(([("listen", "0.0.0.0:%d")], "is open beyond this computer without a password"))
    for export, said in cases:
        folder = HeadlessFolder(build)
        try:
            export = [(k, v % folder.port if k == "listen" else v) for k, v in export]
            folder.start_line(build, gateway, "headless-refused", "up", USER, PASSWORD, export)
            wait_for(lambda: rows(folder.data_log), 20, "a first poll")
            expect(folder.output().count("verdalin: metrics endpoint: ") == 1 and
                   said in folder.output(), "%r is said once: %s" % (said, folder.output()))
            listening = export[0][0] == "listen"
            try:
                http_get(folder.port, "/metrics", timeout=1)
                answered = True
            except OSError:
                answered = False
            expect(answered == listening, "%r: endpoint answering %s" % (export, answered))
        finally:
            folder.close()
    print("ok refused settings: %d cases said on standard error" % len(cases))


def unconfigured_gateway(build, gateway):
    """Settings that name no gateway: the program says what is missing and where to set it, and
    ends with 2 having sent no request and written nothing. Settings naming no output file: the
    logs go into the settings folder, never the desktop's default in the home folder."""
    def settings(url=True, preset=True):
        pairs = [("url", gateway.page_address("inventel", USER, PASSWORD, "headless-unset"))] * url
        return [("Settings", pairs + [("preset", "0")] * preset + [("delay", "1")])]
    def requests():
        return int(gateway.control("last-auth", tag="headless-unset", field="count") or 0)
    cases = [("an empty folder", None, "no settings file"),
             ("no address", settings(url=False), "no gateway address (url=)"),
             ("no preset", settings(preset=False), "no preset chosen (preset=)"),
             ("all there", settings(), None)]
    for what, groups, missing in cases:
        folder = HeadlessFolder(build)
        try:
            if groups:
                write_ini(folder.settings,
                          groups + [("Export", [("listen", "127.0.0.1:%d" % folder.port)])])
            before = os.listdir(folder.config_dir)
            folder.start(["--headless", "--config", folder.config_dir])
            if missing:
                code = folder.process.wait(20)
                said = folder.output()
                expect(code == 2, "%s: exit code %r: %s" % (what, code, said))
                expect(missing in said and folder.settings in said and "url=" in said and
                       "preset=0  LiveBox Inventel (INVENTEL)" in said, "%s: %s" % (what, said))
                expect(os.listdir(folder.config_dir) == before, what + ": nothing written")
                expect(requests() == 0, what + ": no request reached the gateway")
            else:
                own_log = os.path.join(folder.config_dir, "Verdalin_Data.CsV")
                wait_for(lambda: rows(own_log) or folder.process.poll() is not None, 20,
                         "a row in the settings folder")
                expect(own_log in (start_line(folder)[0] or ""), "the start line names the log")
                expect(folder.stop(signal.SIGTERM) == 0, what + ": SIGTERM ends it")
                expect(not os.path.exists(os.path.join(folder.home, "Verdalin_Data.CsV")),
                       "nothing in the desktop's default place")
            folder.process = None
        finally:
            folder.close()
    expect(requests() >= 1, "the configured run polled: %d" % requests())
    print("ok unconfigured gateway: %d cases exit 2 without a request; the logs default to the "
          "settings folder" % (len(cases) - 1))


def main():
    build = os.path.abspath(sys.argv[1])
    gateway = Gateway()
    monitored_line(build, gateway)
    authenticated_endpoint(build, gateway)
    clock_past_2038(build, gateway)
    refused_settings(build, gateway)
    unconfigured_gateway(build, gateway)
    return 0


if __name__ == "__main__":
    sys.exit(main())
