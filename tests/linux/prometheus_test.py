#!/usr/bin/env python3
"""A real Prometheus scrapes the headless program on a scripted line: what it stores equals what
the fake gateway served and what the line did; promtool finds nothing wrong in /metrics.

Needs Debian's prometheus package (tools/install-deps.sh installs it); fails without it.
Usage: prometheus_test.py BUILD_DIR
"""

import json
import os
import shutil
import subprocess
import sys
import urllib.parse

from program_fixture import (SOURCE, Gateway, HeadlessFolder, end_process, expect, fail,
                             free_port, http_get, wait_for)

sys.path.insert(0, os.path.join(SOURCE, "tools"))
import gateway_pages  # noqa: E402

CONFIG = """global:
  scrape_interval: 1s
  scrape_timeout: 1s
  evaluation_interval: 1s
scrape_configs:
  - job_name: verdalin
    static_configs:
      - targets: ["127.0.0.1:%d"]
"""


def tool(name):
    found = shutil.which(name) or ("/usr/bin/" + name if os.path.exists("/usr/bin/" + name)
                                   else None)
    if not found:
        fail("%s is not installed: tools/install-deps.sh (make deps) installs Debian's "
             "prometheus package, which brings it" % name)
    return found


class Prometheus:
    """/usr/bin/prometheus on a loopback port, its storage in FOLDER, scraping SCRAPED."""

    def __init__(self, folder, scraped):
        self.port = free_port()
        config = os.path.join(folder, "prometheus.yml")
        with open(config, "w") as out:
            out.write(CONFIG % scraped)
        self.log = open(os.path.join(folder, "prometheus.log"), "wb")
        self.process = subprocess.Popen(
            [tool("prometheus"), "--config.file=" + config,
             "--storage.tsdb.path=" + os.path.join(folder, "tsdb"),
             "--web.listen-address=127.0.0.1:%d" % self.port],
            stdout=self.log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)

    def output(self):
        with open(self.log.name, "rb") as source:
            return source.read().decode("utf-8", "replace")[-3000:]

    def query(self, expression):
        """The values of an instant query, one per series."""
        status, _headers, body = http_get(
            self.port, "/api/v1/query?" + urllib.parse.urlencode({"query": expression}))
        expect(status == 200, "a query answers 200: %d %r" % (status, body[:200]))
        return [float(r["value"][1]) for r in json.loads(body)["data"]["result"]]

    def ready(self):
        expect(self.process.poll() is None, "prometheus runs:\n" + self.output())
        try:
            return http_get(self.port, "/-/ready", timeout=1)[0] == 200
        except OSError:
            return False

    def close(self):
        end_process(self.process)
        self.log.close()


def main():
    build = os.path.abspath(sys.argv[1])
    promtool = tool("promtool")
    tool("prometheus")
    gateway = Gateway()
    folder = HeadlessFolder(build)
    prometheus = None
    try:
        folder.start_line(build, gateway, "prometheus", "up,up,down,down,up", "ops", "pw-Q2")
        prometheus = Prometheus(folder.root, folder.port)
        folder.wait_for_endpoint()
        wait_for(lambda: "SYNC_BACK" in folder.output(), 30, "the line's events")

        body = http_get(folder.port, "/metrics")[2]
        checked = subprocess.run([promtool, "check", "metrics"], input=body, capture_output=True,
                                 timeout=30)
        expect(checked.returncode == 0, "promtool check metrics: %d %r" % (
            checked.returncode, (checked.stdout + checked.stderr).decode()))

        wait_for(prometheus.ready, 30, "prometheus to be ready")
        v = gateway_pages.LineValues()
        want = {"up{job=\"verdalin\"}": 1, "dsl_up": 1,
                "dsl_datarate{direction=\"down\"}": v.downstream * 1000,
                "verdalin_resyncs_total": 1}
        got = {}

        def stored():
            got.update({expression: prometheus.query(expression) for expression in want})
            return all(got[e] == [value] for e, value in want.items())
        try:
            wait_for(stored, 20, "prometheus to store the line's values")
        except AssertionError:
            fail("prometheus holds %r, the line gives %r\n%s" % (got, want, prometheus.output()))
        expect(folder.stop() == 0, "SIGTERM ends the program with 0")
        print("ok prometheus: %s; promtool check metrics passes" % ", ".join(
            "%s = %g" % (e, value) for e, value in want.items()))
    finally:
        if prometheus:
            prometheus.close()
        folder.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
