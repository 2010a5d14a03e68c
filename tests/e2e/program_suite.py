#!/usr/bin/env python3
"""End to end, the same cases for each program: the Linux one natively or the Windows one under
Wine, each copied into a folder of its own with its settings beside it.

--help names the settings files, --version the project's version, and an unknown option gets
the usage on standard error and exit code 2, natively without any display.
The report command refuses a missing log with one line on standard error, exit code 1 and no
settings written. Started with -startup against the fake gateway (VERDALIN_GATEWAY_PORT) and
[Export] listen= on a free port, the desktop program serves /metrics and /status.json with the
line at the gateway's rates and neither credential nor the gateway's address; an oversized header
gets 431 and the endpoint answers on, another Host name gets 421, and no Linux socket can share
the endpoint's port.
Usage: program_suite.py BUILD_DIR native|wine
"""

import json
import os
import re
import shutil
import socket
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "linux"))
from program_fixture import (SOURCE, Gateway, ProgramFolder, expect,  # noqa: E402
                             free_port, http_get, wait_for, write_ini)

LOGIN, PASSWORD, STORED_PASSWORD = "metrics-login-q7", "admin", "nA79P5Y="
# Wine's own complaints on standard error, which are none of the program's.
WINE_NOISE = ("Read access denied",)


class Program(ProgramFolder):
    """The program in a folder of its own; under Wine when `wine`, its paths then as Z:\\..."""

    def __init__(self, build, wine):
        self.wine = wine
        name = "verdalin.exe" if wine else "verdalin"
        super().__init__(build, program=None if not wine else os.path.join(build, name))
        if wine:
            self.program_dir = os.path.join(self.root, "program")
            os.makedirs(self.program_dir)
            self.program = shutil.copy2(os.path.join(build, name), self.program_dir)
            self.settings = os.path.join(self.program_dir, "Verdalin_Settings.ini")
            self.presets = os.path.join(self.program_dir, "Verdalin_Presets.ini")
        tools = os.path.join(SOURCE, "tools")
        # The Wine test environment of the build, then the program's own process (exec).
        self.launcher = ("sh", "-c", '. "$0/wine-env.sh" "$1" && "$0/wine-prefix.sh" && shift && '
                         'exec wine "$@"', tools, build) if wine else ()

    def path(self, linux_path):
        return "Z:" + linux_path.replace("/", "\\") if self.wine else linux_path

    def run(self, args):
        """(exit code, standard error lines) of the program run to its end."""
        code, _out, err = self.run_with_output(args)
        return code, err

    def run_with_output(self, args, extra_env=None):
        """(exit code, standard output lines, standard error lines) of the program run to its
        end; files, not pipes: Wine's background processes would hold a pipe open."""
        out, err = (os.path.join(self.root, n) for n in ("out", "err"))
        with open(out, "wb") as out_file, open(err, "wb") as err_file:
            code = subprocess.run(list(self.launcher) + [self.program] + args, timeout=120,
                                  env=self.environment(extra_env), stdin=subprocess.DEVNULL,
                                  stdout=out_file, stderr=err_file).returncode
        out_lines, err_lines = (read_lines(name) for name in (out, err))
        return code, out_lines, [l for l in err_lines if not l.startswith(WINE_NOISE)]


def read_lines(path):
    with open(path, encoding="utf-8", errors="replace") as source:
        return [l.rstrip("\r") for l in source.read().splitlines()]


def project_version():
    with open(os.path.join(SOURCE, "CMakeLists.txt"), encoding="utf-8") as source:
        return re.search(r"project\(Verdalin VERSION ([0-9.]+)", source.read()).group(1)


def command_line_answers(_build, program):
    """--help, --version and an unknown option, natively with no display at all (so no Qt)."""
    no_display = {} if program.wine else {"QT_QPA_PLATFORM": "", "DISPLAY": ""}
    usage = "Usage: verdalin [-startup]"
    cases = (  # arguments, exit code, lines in standard output, standard error's first lines
        (["--help"], 0, [usage, "  " + program.path(program.settings),
                         "  " + program.path(program.presets)], []),
        (["--version"], 0, ["verdalin " + project_version()], []),
        (["--no-such-option"], 2, [], ["verdalin: unknown option '--no-such-option'", usage]),
    )
    for args, want_code, want_out, want_err in cases:
        code, out, err = program.run_with_output(args, no_display)
        expect(code == want_code, "%s: exit code %d, not %d" % (args, code, want_code))
        expect(all(line in out for line in want_out) and bool(out) == bool(want_out),
               "%s: standard output %r" % (args, out))
        expect(err[:len(want_err)] == want_err and bool(err) == bool(want_err),
               "%s: standard error %r" % (args, err))
    expect(not os.path.exists(program.settings), "an option wrote settings")
    print("ok --help, --version and an unknown option: texts, streams and exit codes")


def report_refusal(_build, program):
    missing = program.path("/no/such.csv")
    code, lines = program.run(["--report", missing, "--no-open"])
    expect(code == 1, "exit code %d, not 1" % code)
    expect(lines == ["verdalin: no data log at " + missing], "standard error: %r" % lines)
    expect(not os.path.exists(program.settings), "the report command wrote settings")
    print("ok --report of a missing log: one line on standard error, exit code 1")


def raw_answer(port, data):
    """The first bytes the endpoint answers to DATA, b"" when it closes without an answer."""
    with socket.create_connection(("127.0.0.1", port), timeout=5) as sock:
        try:
            sock.sendall(data)
            return sock.recv(100)
        except OSError:
            return b""


def port_shared(port):
    """Whether a socket asking to share the port (as SO_REUSEPORT lets two Linux programs) gets
    it."""
    with socket.socket() as probe:
        probe.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        probe.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEPORT, 1)
        try:
            probe.bind(("127.0.0.1", port))
            probe.listen()
            return True
        except OSError:
            return False


def metrics(port):
    try:
        return http_get(port, "/metrics", timeout=3)[2].decode("utf-8")
    except OSError:
        return ""


def endpoint_of_a_polling_program(_build, program):
    gateway = Gateway()
    cred = gateway.control("credentials", user=LOGIN, password=PASSWORD).strip()
    address = "http://127.0.0.1:%d/inventel?cred=%s&tag=e2e-metrics" % (gateway.port, cred)
    port = free_port()
    write_ini(program.presets, [("Index", [("total", "1"), ("1", "A")]),
                                ("A", [("type", "INVENTEL"), ("label", "A")])])
    write_ini(program.settings, [
        ("Settings", [("url", address), ("login", LOGIN), ("delay", "3600"), ("preset", "0"),
                      ("crypted_password", STORED_PASSWORD),
                      ("output_file", program.path(os.path.join(program.root, "log.csv")))]),
        ("Export", [("listen", "127.0.0.1:%d" % port)])])
    process = program.start(["-startup"], launcher=program.launcher)
    wait_for(lambda: "dsl_up 1\n" in metrics(port) or process.poll() is not None, 40,
             "dsl_up 1 in /metrics")
    text = metrics(port)
    for line in ("dsl_up 1\n", 'dsl_datarate{direction="down"} 17904000\n',
                 'dsl_datarate{direction="up"} 1023000\n', 'verdalin_polls_total{result="ok"} 1\n'):
        expect(line in text, "%r in /metrics: %s" % (line, program.output()))
    status, _headers, body = http_get(port, "/status.json")
    sample = json.loads(body)["sample"]
    expect(status == 200 and (sample["down_kbps"], sample["up_kbps"], sample["device"]) ==
           (17904, 1023, "LiveBox Inventel"), "the gateway's rates: %d %r" % (status, sample))
    for secret in (LOGIN, PASSWORD, STORED_PASSWORD, cred, "e2e-metrics", ":%d" % gateway.port,
                   program.root):
        expect(secret not in text and secret not in body.decode(), "%r is served" % secret)
    huge = raw_answer(port, b"GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Big: " +
                      b"a" * 100000 + b"\r\n\r\n")
    expect(huge == b"" or huge.startswith(b"HTTP/1.1 431 "), "an oversized header: %r" % huge)
    rebound = raw_answer(port, b"GET /status.json HTTP/1.1\r\nHost: evil.example\r\n\r\n")
    expect(rebound.startswith(b"HTTP/1.1 421 "), "another Host name: %r" % rebound)
    expect(not port_shared(port), "the endpoint's port is shared")
    expect("dsl_up 1\n" in metrics(port), "the endpoint answers on")
    print("ok endpoint: the line at 17904/1023, no secret, 431, 421, the port its own")


class FakeDevice:
    """tools/fake_devices.py KIND on loopback, serving `case` first."""

    def __init__(self, root, kind, case, *options):
        port_file = os.path.join(root, "device-ports-%s" % kind)
        self.process = subprocess.Popen(
            [sys.executable, os.path.join(SOURCE, "tools", "fake_devices.py"), kind, "--case",
             case, "--port-file", port_file, "--user", "admin", "--password", PASSWORD] +
            list(options), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for(lambda: os.path.exists(port_file) and os.path.getsize(port_file) > 0, 20,
                 "the fake %s device" % kind)
        with open(port_file, encoding="ascii") as ports:
            self.port, self.control_port = (int(n) for n in ports.read().split())

    def control(self, path):
        return http_get(self.control_port, path, timeout=5)[2].decode("utf-8")

    def close(self):
        self.process.terminate()
        self.process.wait(10)


def rows_of(path):
    try:
        return [l.split(";") for l in read_lines(path)[1:]]
    except OSError:
        return []


def watch_device(program, device, kind_type, address, expected_row, series, attainable):
    """The program with -startup polls the device every second: its CSV rows hold the answer's
    values, /metrics its extra series; the report its attainable rate; the next case's rates give a RETRAIN."""
    port = free_port()
    log = os.path.join(program.root, "log.csv")
    write_ini(program.presets, [("Index", [("total", "1"), ("1", "A")]),
                                ("A", [("type", kind_type), ("label", "A")])])
    write_ini(program.settings, [
        ("Settings", [("url", address), ("login", "admin"), ("delay", "1"), ("preset", "0"),
                      ("crypted_password", STORED_PASSWORD), ("output_file", program.path(log))]),
        ("Export", [("listen", "127.0.0.1:%d" % port)])])
    process = program.start(["-startup"], launcher=program.launcher)
    wait_for(lambda: len(rows_of(log)) >= 3 or process.poll() is not None, 60, "three rows")
    expect(rows_of(log)[0][1:] == expected_row, "the row: %r" % rows_of(log)[:1])
    text = metrics(port)
    for line in series:
        expect(line in text, "%r in /metrics: %s" % (line, text))
    wait_for(lambda: http_get(port, "/report", timeout=5)[0] == 200, 20, "the report")
    report = http_get(port, "/report", timeout=5)[2].decode("utf-8")
    expect(attainable in report, "%r in the report" % attainable)
    device.control("/case?name=vdsl2-up")
    events = os.path.join(program.root, "Verdalin_Events.csv")
    wait_for(lambda: "RETRAIN" in "".join(read_lines(events)) if os.path.exists(events) else 0,
             30, "a RETRAIN event")
    polls = len(rows_of(log))
    stats = json.loads(device.control("/stats"))
    for secret in (PASSWORD, STORED_PASSWORD):
        expect(secret not in text, "%r is served" % secret)
    return polls, stats


def tr064_line(_build, program):
    device = FakeDevice(program.root, "tr064", "adsl2plus-up")
    try:
        polls, stats = watch_device(
            program, device, "TR064", "http://127.0.0.1:%d" % device.port,
            ["1", '"ADSL_2plus:Interleaved"', "1023", "15999", "24.50", "12.80", "6.30", "12.10",
             "31", '"Home Box 7490"', '"113.07.29"'],
            ('dsl_max_datarate{direction="down"} 17984000\n',
             'dsl_errors_total{err="fec",loc="near"} 4410\n',
             'dsl_errors_total{err="crc",loc="far"} 7\n'),
            '"attainable_down_kbps":17984')
        expect(stats["refused"] == 0 and stats["logins"] > 0, "Digest logins: %r" % stats)
        print("ok TR-064: %d polls, rows and extra series, a RETRAIN; %r" % (polls, stats))
    finally:
        device.close()


def main():
    build, wine = os.path.abspath(sys.argv[1]), sys.argv[2] == "wine"
    os.umask(0o022)
    for case in (command_line_answers, report_refusal, endpoint_of_a_polling_program, tr064_line):
        program = Program(build, wine)
        try:
            case(build, program)
        finally:
            program.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
