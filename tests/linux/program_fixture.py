"""Shared pieces of the Linux program's scripted tests: folders, INI files, the fake gateway."""

import http.client
import os
import re
import shutil
import signal
import socket
import subprocess
import tempfile
import time
import urllib.parse
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
MODELS = (("INVENTEL", "inventel", "LiveBox Inventel"),
          ("SAGEM", "sagem", "LiveBox Sagem"),
          ("AH4222", "tecom", "Tecom AH4222"))


def fail(message):
    raise AssertionError(message)


def expect(condition, message):
    if not condition:
        fail(message)


def wait_for(predicate, seconds, what):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.05)
    fail("timed out waiting for " + what)


def write_ini(path, groups):
    """Writes groups [(name, [(key, value)])] the way the program's INI store reads them."""
    with open(path, "wb") as out:
        for name, pairs in groups:
            out.write(b"[" + name.encode() + b"]\r\n")
            for key, value in pairs:
                out.write(key.encode() + b"=" + value.encode() + b"\r\n")


def read_ini(path):
    groups, current = {}, None
    with open(path, "rb") as source:
        for raw in source.read().decode("utf-8").splitlines():
            line = raw.strip()
            if line.startswith("[") and line.endswith("]"):
                current = groups.setdefault(line[1:-1].lower(), {})
            elif current is not None and "=" in line:
                key, value = line.split("=", 1)
                current[key.strip()] = value
    return groups


class Gateway:
    """The fake gateway that tools/with-fake-gateway.sh starts (as `make test` does)."""

    def __init__(self):
        port = os.environ.get("VERDALIN_GATEWAY_PORT")
        expect(port, "VERDALIN_GATEWAY_PORT is not set: run through tools/with-fake-gateway.sh")
        self.port = int(port)

    def control(self, action, **query):
        address = "http://127.0.0.1:%d/_control/%s?%s" % (
            self.port, action, urllib.parse.urlencode(query))
        with urllib.request.urlopen(address, timeout=10) as answer:
            return answer.read().decode("latin-1")

    def page_address(self, page, user, password, tag):
        ident = self.control("credentials", user=user, password=password)
        return "http://127.0.0.1:%d/%s?cred=%s&tag=%s" % (self.port, page, ident.strip(), tag)

    def close(self):
        pass


class ProgramFolder:
    """A temporary folder with a copy of the program (or the given `program`), its INI files and
    a home of its own."""

    def __init__(self, build, program=None):
        self.root = tempfile.mkdtemp(prefix="verdalin-e2e-")
        self.home = os.path.join(self.root, "home")
        self.config = os.path.join(self.home, ".config")
        os.makedirs(self.config)
        if program:
            self.program, self.program_dir = program, os.path.dirname(program)
        else:
            self.program_dir = os.path.join(self.root, "program été")
            os.makedirs(self.program_dir)
            self.program = os.path.join(self.program_dir, "verdalin")
            for name in ("verdalin", "verdalin-headless"):  # the second runs "--headless"
                shutil.copy2(os.path.join(build, name), self.program_dir)
        self.settings = os.path.join(self.program_dir, "Verdalin_Settings.ini")
        self.presets = os.path.join(self.program_dir, "Verdalin_Presets.ini")
        self.process = None
        self.log = None

    def environment(self, extra=None):
        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("DBUS_", "XDG_", "QT_", "DISPLAY", "WAYLAND"))}
        env.update(HOME=self.home, XDG_CONFIG_HOME=self.config, LC_ALL="C",
                   QT_QPA_PLATFORM="offscreen", XDG_RUNTIME_DIR=self.root)
        env.update(extra or {})
        return env

    def start(self, args, extra_env=None, launcher=()):
        """Starts the program with `args`, through the `launcher` command when one is given."""
        self.log = open(os.path.join(self.root, "program.log"), "wb")
        self.process = subprocess.Popen(list(launcher) + [self.program] + args,
                                        env=self.environment(extra_env),
                                        stdout=self.log, stderr=subprocess.STDOUT,
                                        stdin=subprocess.DEVNULL)
        return self.process

    def stop(self, sig=signal.SIGTERM, seconds=15):
        """Ends the program with `sig` and returns its exit code."""
        self.process.send_signal(sig)
        code = self.process.wait(seconds)
        self.process = None
        return code

    def output(self):
        with open(os.path.join(self.root, "program.log"), "rb") as source:
            return source.read().decode("utf-8", "replace")

    def close(self):
        if self.process is not None and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        if self.log:
            self.log.close()
        shutil.rmtree(self.root, ignore_errors=True)


def end_process(process, seconds=15):
    """Ends a process this script started: SIGTERM, then SIGKILL after `seconds`."""
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(seconds)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def http_get(port, path, method="GET", headers=None, timeout=5):
    """(status, headers, body) of one request to 127.0.0.1:PORT."""
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=timeout)
    try:
        connection.request(method, path, headers=headers or {})
        answer = connection.getresponse()
        return answer.status, dict(answer.getheaders()), answer.read()
    finally:
        connection.close()


def parse_metrics(text):
    """{(name, ((label, value), ...)): value} from a Prometheus text exposition."""
    samples = {}
    for line in text.splitlines():
        if not line or line.startswith("#"):
            continue
        found = re.match(r'^([a-zA-Z_:][a-zA-Z0-9_:]*)(?:\{(.*)\})? (\S+)$', line)
        expect(found, "an exposition line: %r" % line)
        labels = re.findall(r'([a-zA-Z_][a-zA-Z0-9_]*)="((?:[^"\\]|\\.)*)"', found[2] or "")
        samples[(found[1], tuple(sorted(labels)))] = float(found[3])
    return samples


class HeadlessFolder(ProgramFolder):
    """A settings folder for `verdalin --headless --config DIR`, run with no display at all,
    its endpoint on a free loopback port."""

    def __init__(self, build):
        super().__init__(build, program=os.path.join(build, "verdalin"))
        self.config_dir = os.path.join(self.root, "config")
        os.makedirs(self.config_dir)
        self.settings = os.path.join(self.config_dir, "Verdalin_Settings.ini")
        self.presets = os.path.join(self.config_dir, "Verdalin_Presets.ini")
        self.data_log = os.path.join(self.root, "logs", "Verdalin_Data.csv")
        self.event_log = os.path.join(self.root, "logs", "Verdalin_Events.csv")
        os.makedirs(os.path.dirname(self.data_log))
        self.port = free_port()

    def environment(self, extra=None):
        env = super().environment(extra)
        env.pop("QT_QPA_PLATFORM")
        return env

    def start_line(self, build, gateway, tag, steps, user, password, export=(), groups=(),
                   extra_env=None):
        """Starts the headless program on the scripted line STEPS (asking for USER and PASSWORD),
        one poll a second, with [Export] listen= on self.port (unless EXPORT names another), the
        EXPORT pairs, the further GROUPS in its settings and EXTRA_ENV in its environment."""
        ident = gateway.control("credentials", user=user, password=password).strip()
        address = "http://127.0.0.1:%d/script/inventel?cred=%s&tag=%s&steps=%s" % (
            gateway.port, ident, tag, steps)
        write_ini(self.presets, [("Index", [("total", "1"), ("1", "A")]),
                                 ("A", [("type", "INVENTEL"), ("label", "LiveBox Inventel")])])
        self.export = list(export)
        if "listen" not in dict(self.export):
            self.export.insert(0, ("listen", "127.0.0.1:%d" % self.port))
        write_ini(self.settings, [
            ("Settings", [("url", address), ("login", user),
                          ("crypted_password", store_password(build, password)),
                          ("delay", "1"), ("preset", "0"), ("downstream", "20000"),
                          ("output_file", self.data_log)]),
            ("Statistics", [("LastRun", "2001/01/01-00:00"), ("Runs", "7")]),
            ("Export", self.export)] + list(groups))
        return self.start(["--headless", "--config", self.config_dir], extra_env)

    def wait_for_endpoint(self, headers=None):
        def answers():
            expect(self.process.poll() is None, "the program runs: " + self.output())
            try:
                return http_get(self.port, "/", headers=headers, timeout=1)[0] > 0
            except OSError:
                return False
        wait_for(answers, 20, "the metrics endpoint")


def store_password(build, password):
    tool = os.path.join(build, "linux", "verdalin_store_password")
    return subprocess.run([tool, password], check=True, capture_output=True,
                          text=True).stdout.strip()


LAST_RUN = re.compile(r"^\d{4}/\d{2}/\d{2}-\d{2}:\d{2}$")


def check_last_run(value):
    expect(LAST_RUN.match(value), "LastRun has the form yyyy/mm/dd-hh:ii: %r" % value)
    stamp = time.mktime(time.strptime(value, "%Y/%m/%d-%H:%M"))
    expect(abs(time.time() - stamp) < 180, "LastRun is about now: %r" % value)
