"""Shared pieces of the scripts that measure the headless program: the fake gateway, a settings
folder and the program started on it."""

import os
import shutil
import subprocess
import sys
import tempfile
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
GATEWAY = os.path.join(os.path.dirname(HERE), "tools", "fake_gateway.py")
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "tests", "linux"))
from program_fixture import end_process, free_port, wait_for  # noqa: E402


def get(port, path, timeout=5.0):
    """The body of a GET on the program's endpoint; None when it does not answer."""
    try:
        with urllib.request.urlopen("http://127.0.0.1:%d%s" % (port, path), timeout=timeout) as r:
            return r.read().decode("utf-8")
    except OSError:
        return None


class Gateway:
    """tools/fake_gateway.py on loopback, an ephemeral port."""

    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix="verdalin-gw-")
        port_file = os.path.join(self.folder, "port")
        self.process = subprocess.Popen([sys.executable, GATEWAY, "--port-file", port_file],
                                        stdout=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        self.port = int(wait_for(lambda: os.path.exists(port_file) and open(port_file).read().strip(),
                                 10, "the fake gateway"))

    def close(self):
        end_process(self.process, 10)
        shutil.rmtree(self.folder, ignore_errors=True)


class Headless:
    """`PROGRAM --headless --config DIR` with a settings file of its own and the endpoint on."""

    def __init__(self, program, url, delay, data_log=None, kind="INVENTEL", credentials=""):
        self.folder = tempfile.mkdtemp(prefix="verdalin-headless-")
        self.port = free_port()
        if data_log:  # the log the program goes on with
            shutil.copy(data_log, os.path.join(self.folder, "log.csv"))
        with open(os.path.join(self.folder, "Verdalin_Presets.ini"), "wb") as out:
            out.write(("[Index]\r\ntotal=1\r\n1=A\r\n[A]\r\ntype=%s\r\nlabel=A\r\n" % kind).encode())
        with open(os.path.join(self.folder, "Verdalin_Settings.ini"), "wb") as out:
            out.write(("[Settings]\r\nurl=%s\r\ndelay=%d\r\npreset=0\r\noutput_file=%s\r\n%s"
                       "[Export]\r\nlisten=127.0.0.1:%d\r\n"
                       % (url, delay, os.path.join(self.folder, "log.csv"), credentials,
                          self.port)).encode())
        self.process = subprocess.Popen([program, "--headless", "--config", self.folder],
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        wait_for(lambda: get(self.port, "/metrics", 1.0) is not None, 15, "the endpoint")

    def close(self):
        end_process(self.process)
        shutil.rmtree(self.folder, ignore_errors=True)


def measure(route, delay, body, data_log=None):
    """Runs `body(headless)` on `sys.argv[1] --headless` polling the fake gateway's `route` every
    `delay` seconds (going on with the DATA_LOG file when given), and returns what it returns;
    both processes are ended afterwards."""
    if len(sys.argv) != 2:
        raise SystemExit(sys.modules["__main__"].__doc__)
    program = os.path.abspath(sys.argv[1])
    gateway = Gateway()
    try:
        headless = Headless(program, "http://127.0.0.1:%d%s" % (gateway.port, route), delay,
                            data_log)
        try:
            return body(headless)
        finally:
            headless.close()
    finally:
        gateway.close()
