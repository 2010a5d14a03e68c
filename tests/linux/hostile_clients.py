"""Hostile clients of the metrics endpoint, as the headless test and bench/endpoint_attacks.py run
them: each attack goes on against 127.0.0.1:PORT until told to stop, while the program's memory
(from /proc) and the time of a well-behaved scrape are measured."""

import socket
import threading
import time

from program_fixture import http_get

HOST = b"Host: 127.0.0.1\r\n"


def rss_mb(pid):
    """The process's resident memory, in MB."""
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024.0
    return 0.0


def connect(port):
    sock = socket.create_connection(("127.0.0.1", port), timeout=2)
    sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    return sock


def drain(sock):
    """What the server answered before it closed (b"" after a reset)."""
    got = b""
    try:
        while True:
            chunk = sock.recv(65536)
            if not chunk:
                return got
            got += chunk
    except OSError:
        return got


class Attack:
    """COUNT clients, each running `one(port, stop, tally)` again and again until `stop` is set;
    `tally` counts what the server did to them ("431", "closed", ...)."""

    def __init__(self, name, one, count):
        self.name, self.one, self.count = name, one, count

    def run(self, port, stop, tally):
        lock = threading.Lock()

        def count(what):
            with lock:
                tally[what] = tally.get(what, 0) + 1

        def client():
            while not stop.is_set():
                try:
                    self.one(port, stop, count)
                except OSError:
                    count("refused")
                    time.sleep(0.05)
        threads = [threading.Thread(target=client, daemon=True) for _ in range(self.count)]
        for thread in threads:
            thread.start()
        return threads


def status_of(answer):
    return answer[9:12].decode("latin-1") if answer.startswith(b"HTTP/1.") else "closed"


def endless_header(port, stop, count):
    """A header line that never ends: bytes as fast as the server takes them."""
    with connect(port) as sock:
        sock.sendall(b"GET /metrics HTTP/1.1\r\n" + HOST + b"X-A: ")
        try:
            while not stop.is_set():
                sock.sendall(b"a" * 65536)
        except OSError:
            pass
        count(status_of(drain(sock)))


def oversized(request):
    def attack(port, stop, count):
        with connect(port) as sock:
            try:
                sock.sendall(request)
            except OSError:
                pass
            count(status_of(drain(sock)))
    return attack


def ranges(how_many):
    """The report asked for once per range; the answer read whole, as slowly as TCP allows."""
    request = (b"GET /report HTTP/1.1\r\n" + HOST + b"Range: bytes=0-" + b",0-" * (how_many - 1) +
               b"\r\nConnection: close\r\n\r\n")
    return oversized(request)


def slow_client(port, stop, count):
    """A request a byte a second, until the server cuts it off."""
    with connect(port) as sock:
        for byte in b"GET /metrics HTTP/1.1\r\nX-Slow: " + b"s" * 1000:
            if stop.is_set():
                return
            try:
                sock.send(bytes([byte]))
            except OSError:
                count("cut")
                return
            time.sleep(1)


def many_headers():
    return b"GET /metrics HTTP/1.1\r\n" + HOST + b"".join(
        b"X-%d: 1\r\n" % i for i in range(5000)) + b"\r\n"


ATTACKS = [
    Attack("4 endless header lines", endless_header, 4),
    Attack("a long request line", oversized(b"GET /" + b"a" * 1000000 + b" HTTP/1.1\r\n\r\n"), 4),
    Attack("5000 headers", oversized(many_headers()), 4),
    Attack("a 1 MB header", oversized(b"GET / HTTP/1.1\r\n" + HOST + b"X: " + b"b" * 1000000 +
                                      b"\r\n\r\n"), 4),
    Attack("1300 ranges of /report", ranges(1300), 4),
    Attack("2600 ranges of /report", ranges(2600), 4),
    Attack("64 slow clients", slow_client, 64),
]


def measure(pid, port, attack, seconds, headers=None):
    """Runs `attack` for SECONDS while scraping /metrics four times a second: (peak RSS in MB,
    slowest scrape in seconds, {scrape status: count}, {what the attackers got: count})."""
    stop, tally = threading.Event(), {}
    threads = attack.run(port, stop, tally)
    peak, slowest, scrapes = rss_mb(pid), 0.0, {}
    ends = time.monotonic() + seconds
    while time.monotonic() < ends:
        started = time.monotonic()
        try:
            status = http_get(port, "/metrics", headers=headers, timeout=5)[0]
        except OSError:
            status = 0
        slowest = max(slowest, time.monotonic() - started)
        scrapes[status] = scrapes.get(status, 0) + 1
        peak = max(peak, rss_mb(pid))
        time.sleep(0.25)
    stop.set()
    for thread in threads:
        thread.join(10)
    return peak, slowest, scrapes, tally
