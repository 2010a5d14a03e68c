#!/usr/bin/env python3
"""The Windows program's metrics endpoint under Wine, scraped from the Linux side over loopback.

verdalin.exe runs with "-startup" from a folder of its own whose settings turn the endpoint on
and poll the fake gateway (VERDALIN_GATEWAY_PORT) with a login and password: /metrics and
/status.json show the line in sync at the gateway's rates, and hold neither credential nor the
gateway's address. A hostile client (an oversized header) gets 431 and the endpoint answers on;
another Host name gets 421; no Linux socket can bind the endpoint's port beside it. Usage: metrics_under_wine.py BUILD_DIR (in the Wine session, with the gateway).
"""

import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request

LOGIN = "metrics-login-q7"
STORED_PASSWORD = "nA79P5Y="  # "admin" as the settings file keeps it


def get(url, timeout=3.0):
    try:
        with urllib.request.urlopen(url, timeout=timeout) as answer:
            return answer.status, answer.read().decode("utf-8")
    except OSError:
        return None, ""


def raw_answer(port, data):
    """The first bytes the endpoint answers to DATA, b"" when it closes without an answer."""
    with socket.create_connection(("127.0.0.1", port), timeout=5) as sock:
        try:
            sock.sendall(data)
            return sock.recv(100)
        except OSError:
            return b""


def port_taken(port):
    """Whether a socket that asks to share the port (as SO_REUSEPORT lets two Linux programs)
    is refused it."""
    with socket.socket() as probe:
        probe.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        probe.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEPORT, 1)
        try:
            probe.bind(("127.0.0.1", port))
            probe.listen()
            return False
        except OSError:
            return True


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def expect(condition, message):
    if not condition:
        raise AssertionError(message)


def main():
    build = os.path.abspath(sys.argv[1])
    gateway = int(os.environ.get("VERDALIN_GATEWAY_PORT", "0"))
    if not gateway:
        print("skipped: run under tools/with-fake-gateway.sh")
        return 0
    _, cred = get("http://127.0.0.1:%d/_control/credentials?user=%s&password=admin"
                  % (gateway, LOGIN))
    expect(cred, "the gateway registers the credentials")
    folder = tempfile.mkdtemp(prefix="verdalin-metrics-")
    program = None
    try:
        shutil.copy2(os.path.join(build, "verdalin.exe"), folder)
        port = free_port()
        page = "/inventel?cred=%s&tag=wine-metrics" % cred
        with open(os.path.join(folder, "Verdalin_Presets.ini"), "wb") as out:
            out.write(b"[Index]\r\ntotal=1\r\n1=A\r\n[A]\r\ntype=INVENTEL\r\nlabel=A\r\n")
        with open(os.path.join(folder, "Verdalin_Settings.ini"), "wb") as out:
            out.write(("[Settings]\r\nurl=http://127.0.0.1:%d%s\r\nlogin=%s\r\n"
                       "crypted_password=%s\r\ndelay=3600\r\npreset=0\r\noutput_file=%s\r\n"
                       "[Export]\r\nlisten=127.0.0.1:%d\r\n"
                       % (gateway, page, LOGIN, STORED_PASSWORD, "Z:" + folder.replace("/", "\\")
                          + "\\log.csv", port)).encode())
        # Files, not pipes: Wine's background processes would hold a pipe open.
        with open(os.path.join(folder, "wine.out"), "wb") as log:
            program = subprocess.Popen(["wine", os.path.join(folder, "verdalin.exe"), "-startup"],
                                       stdin=subprocess.DEVNULL, stdout=log, stderr=log)
        base = "http://127.0.0.1:%d" % port
        deadline = time.monotonic() + 30
        metrics = ""
        while time.monotonic() < deadline and "dsl_up 1\n" not in metrics:
            time.sleep(0.2)
            expect(program.poll() is None, "the program ended early")
            metrics = get(base + "/metrics")[1]
        expect("dsl_up 1\n" in metrics, "dsl_up 1 in /metrics:\n" + metrics)
        for line in ('dsl_datarate{direction="down"} 17904000\n',
                     'dsl_datarate{direction="up"} 1023000\n',
                     'verdalin_polls_total{result="ok"} 1\n'):
            expect(line in metrics, "%r in /metrics" % line)
        status_code, status = get(base + "/status.json")
        expect(status_code == 200, "/status.json answers 200")
        sample = json.loads(status)["sample"]
        expect((sample["down_kbps"], sample["up_kbps"], sample["device"]) ==
               (17904, 1023, "LiveBox Inventel"), "the gateway's rates: %r" % sample)
        for secret in (LOGIN, STORED_PASSWORD, "admin", cred, "wine-metrics", ":%d" % gateway,
                       folder):
            expect(secret not in metrics and secret not in status, "%r is not served" % secret)
        huge = raw_answer(port, b"GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Big: " +
                          b"a" * 100000 + b"\r\n\r\n")
        expect(huge == b"" or huge.startswith(b"HTTP/1.1 431 "), "an oversized header: %r" % huge)
        rebound = raw_answer(port, b"GET /status.json HTTP/1.1\r\nHost: evil.example\r\n\r\n")
        expect(rebound.startswith(b"HTTP/1.1 421 "), "another Host name: %r" % rebound)
        expect(port_taken(port), "the endpoint's port is its own")
        expect("dsl_up 1\n" in get(base + "/metrics")[1], "the endpoint answers on")
        print("ok: /metrics and /status.json from the Windows program, the line at 17904/1023; "
              "431 for an oversized header, 421 for another Host, the port its own")
        return 0
    finally:
        if program and program.poll() is None:
            program.terminate()  # the launcher's process is the program's own under Wine
            try:
                program.wait(15)
            except subprocess.TimeoutExpired:
                program.kill()
                program.wait()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
