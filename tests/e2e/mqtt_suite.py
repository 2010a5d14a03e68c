#!/usr/bin/env python3
"""The MQTT publisher against a real broker (Debian's mosquitto, on loopback ports of its own, with
a password file and a TLS listener whose CA is made here), end to end.

native|wine: the desktop program (-startup) publishes the state of its first poll, "online" and
the discovery messages, and "offline" when it ends. headless: the same over mqtts://, then an
event, the last will after a kill, a fresh "online" after the broker restarts, the announcements
again after homeassistant/status "online", a refused password and a wrong CA each said once, and
polls at their pace while the broker never answers.
Usage: mqtt_suite.py BUILD_DIR native|wine|headless
"""

import getpass
import json
import os
import re
import socket
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from program_suite import LOGIN, PASSWORD, STORED_PASSWORD, Program  # noqa: E402
from program_fixture import (Gateway, HeadlessFolder, expect, free_port,  # noqa: E402
                             http_get, parse_metrics, wait_for, write_ini)

MQTT_USER, MQTT_PASSWORD = "ha-user", "mqtt-secret-5k"
STORED = {MQTT_PASSWORD: "qBsFSlW+ooqPeGgCGJk=", "wrong": "shz/RI8="}  # as the program scrambles
# key: (component, device_class, unit, state_class, diagnostic)
EXPECTED = {
    "rate_down_kbps": ("sensor", "data_rate", "kbit/s", "measurement", False),
    "rate_up_kbps": ("sensor", "data_rate", "kbit/s", "measurement", False),
    "snr_margin_down_db": ("sensor", None, "dB", "measurement", False),
    "attenuation_up_db": ("sensor", None, "dB", "measurement", True),
    "crc_errors": ("sensor", None, None, "total_increasing", True),
    "resyncs_total": ("sensor", None, None, "total_increasing", False),
    "quality_percent": ("sensor", None, "%", "measurement", False),
    "time": ("sensor", "timestamp", None, None, True),
    "in_sync": ("binary_sensor", "connectivity", None, None, False),
}
NOT_GIVEN = ("attainable_down_kbps", "crc_errors_far")  # the Inventel page has neither


def run(*args):
    subprocess.run(args, check=True, capture_output=True)


class Broker:
    """mosquitto with a password file: plain on `port`, TLS on `tls_port` (certificate for
    127.0.0.1 signed by ca.crt); other.crt is a CA that signed nothing here."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="verdalin-mqtt-")
        self.port, self.tls_port = free_port(), free_port()
        self.file = lambda name: os.path.join(self.dir, name)
        run("mosquitto_passwd", "-b", "-c", self.file("passwd"), MQTT_USER, MQTT_PASSWORD)
        for ca in ("ca", "other"):
            run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                "/CN=Test " + ca, "-keyout", self.file(ca + ".key"), "-out", self.file(ca + ".crt"))
        run("openssl", "req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1",
            "-keyout", self.file("server.key"), "-out", self.file("server.csr"))
        with open(self.file("san"), "w", encoding="ascii") as out:
            out.write("subjectAltName=IP:127.0.0.1\n")
        run("openssl", "x509", "-req", "-in", self.file("server.csr"), "-CA", self.file("ca.crt"),
            "-CAkey", self.file("ca.key"), "-CAcreateserial", "-days", "2", "-extfile",
            self.file("san"), "-out", self.file("server.crt"))
        with open(self.file("mosquitto.conf"), "w", encoding="ascii") as out:
            # Run as root, mosquitto would become user "mosquitto", who cannot read these files.
            out.write("user %s\n" % getpass.getuser())
            out.write("per_listener_settings false\nallow_anonymous false\npassword_file %s\n"
                      "listener %d 127.0.0.1\nlistener %d 127.0.0.1\ncafile %s\ncertfile %s\n"
                      "keyfile %s\n" % (self.file("passwd"), self.port, self.tls_port,
                                        self.file("ca.crt"), self.file("server.crt"),
                                        self.file("server.key")))
        self.process = None
        self.start()

    def start(self):
        self.process = subprocess.Popen(["mosquitto", "-c", self.file("mosquitto.conf")],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for(lambda: socket.socket().connect_ex(("127.0.0.1", self.port)) == 0, 10,
                 "the broker")

    def stop(self):
        self.process.terminate()
        self.process.wait(10)

    def client(self, tool, *args):
        return [tool, "-h", "127.0.0.1", "-p", str(self.port), "-u", MQTT_USER, "-P",
                MQTT_PASSWORD] + list(args)

    def retained(self, topic):
        """{topic: payload} of the retained messages under `topic`."""
        out = subprocess.run(self.client("mosquitto_sub", "-t", topic, "-v", "--retained-only",
                                         "-W", "1"), capture_output=True, text=True).stdout
        return dict(line.split(" ", 1) for line in out.splitlines() if " " in line)

    def publish(self, topic, payload, retain=False):
        run(*self.client("mosquitto_pub", "-t", topic, "-m", payload, *(["-r"] if retain else [])))

    def close(self):
        if self.process.poll() is None:
            self.stop()
        subprocess.run(["rm", "-rf", self.dir], check=False)


def mqtt_group(broker, password=MQTT_PASSWORD, tls=False, ca=""):
    address = "mqtts://127.0.0.1:%d" % broker.tls_port if tls else "mqtt://127.0.0.1:%d" % broker.port
    return ("MQTT", [("broker", address), ("user", MQTT_USER), ("ca_file", ca),
                     ("crypted_password", STORED[password]),
                     ("topic", "verdalin/e2e")])


def wait_retained(broker, topic, check, what):
    return wait_for(lambda: check(broker.retained(topic).get(topic)), 40, what)


def check_published(broker, secrets):
    state = json.loads(wait_retained(broker, "verdalin/e2e/state",
                                     lambda p: p and '"in_sync":true' in p and p, "the state"))
    expect((state["rate_down_kbps"], state["rate_up_kbps"], state["in_sync"], state["device"]) ==
           (17904, 1023, True, "LiveBox Inventel"), "the gateway's values: %r" % state)
    expect(re.match(r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d$", state["time"]), state["time"])
    expect("attainable_down_kbps" not in state, "a value the page lacks is left out")
    expect(broker.retained("verdalin/e2e/availability") == {"verdalin/e2e/availability": "online"},
           "online")
    configs = broker.retained("homeassistant/#")
    ids = set()
    for key, (component, device_class, unit, state_class, diagnostic) in EXPECTED.items():
        config = json.loads(configs["homeassistant/%s/e2e/%s/config" % (component, key)])
        got = (config.get("device_class"), config.get("unit_of_measurement"),
               config.get("state_class"), config.get("entity_category") == "diagnostic")
        expect(got == (device_class, unit, state_class, diagnostic), "%s: %r" % (key, got))
        expect(config["state_topic"] == "verdalin/e2e/state" and key in config["value_template"]
               and config["availability_topic"] == "verdalin/e2e/availability", repr(config))
        expect(config["device"]["identifiers"] == ["verdalin_e2e"] and
               config["device"]["name"] == "DSL line" and
               config["device"]["model"] == "LiveBox Inventel" and
               config["origin"]["name"] == "Verdalin", repr(config["device"]))
        ids.add(config["unique_id"])
    expect(len(ids) == len(EXPECTED), "unique ids: %r" % ids)
    for key in NOT_GIVEN:
        expect(not any("/%s/" % key in topic for topic in configs), key + " is announced")
    everything = json.dumps(configs) + json.dumps(state)
    for secret in secrets:
        expect(secret not in everything, "%r is published" % secret)


def desktop(build, wine, tls=False):
    """The state, discovery and availability; mqtts:// refused by the Windows program, said."""
    broker, program = Broker(), Program(build, wine)
    try:
        gateway = Gateway()
        cred = gateway.control("credentials", user=LOGIN, password=PASSWORD).strip()
        write_ini(program.presets, [("Index", [("total", "1"), ("1", "A")]),
                                    ("A", [("type", "INVENTEL"), ("label", "A")])])
        write_ini(program.settings, [
            ("Settings", [("url", "http://127.0.0.1:%d/inventel?cred=%s&tag=e2e-mqtt" %
                           (gateway.port, cred)), ("login", LOGIN), ("delay", "3600"),
                          ("preset", "0"), ("crypted_password", STORED_PASSWORD),
                          ("output_file", program.path(os.path.join(program.root, "log.csv")))]),
            mqtt_group(broker, tls=tls, ca=program.path(broker.file("ca.crt")) if tls else "")])
        program.start(["-startup"], launcher=program.launcher)
        if tls:
            events = os.path.join(program.root, "Verdalin_Events.csv")
            wait_for(lambda: os.path.exists(events) and "MQTT_FAILED" in open(events).read(), 40,
                     "MQTT_FAILED")
            with open(events, encoding="utf-8") as log:
                text = log.read()
                expect("MQTT_FAILED;\"reason=no_tls\"" in text, "mqtts:// said refused: " + text)
            print("ok desktop: mqtts:// refused without TLS, said")
            return
        check_published(broker, (LOGIN, PASSWORD, MQTT_PASSWORD, cred, ":%d" % gateway.port))
        program.stop()
        wait_retained(broker, "verdalin/e2e/availability", lambda p: p == "offline",
                      "offline after a normal exit")
        print("ok desktop: state, online, discovery, offline at the end")
    finally:
        program.close()
        broker.close()


def headless_line(build, tag, steps, group):
    folder = HeadlessFolder(build)
    folder.start_line(build, Gateway(), tag, steps, "u", "p", groups=[group])
    return folder


def said(folder, reason):
    return len(re.findall("MQTT_FAILED reason=" + reason, folder.output()))


def headless(build):
    broker = Broker()
    try:
        event = subprocess.Popen(broker.client("mosquitto_sub", "-t", "verdalin/e2e/event", "-C",
                                               "1", "-W", "60"), stdout=subprocess.PIPE, text=True)
        folder = headless_line(build, "mqtt-tls", "up,up,down,up",
                               mqtt_group(broker, tls=True, ca=broker.file("ca.crt")))
        check_published(broker, (MQTT_PASSWORD, "mqtt-tls"))
        body = json.loads(event.communicate(timeout=60)[0])
        expect(body["event"] == "SYNC_LOST" and body["device"] == "LiveBox Inventel", repr(body))
        folder.process.kill()
        folder.process.wait()
        wait_retained(broker, "verdalin/e2e/availability", lambda p: p == "offline", "the will")
        folder.close()
        folder = headless_line(build, "mqtt-plain", "up", mqtt_group(broker))
        wait_retained(broker, "verdalin/e2e/availability", lambda p: p == "online", "online")
        broker.stop()
        broker.start()  # without persistence: nothing retained until the program reconnects
        wait_retained(broker, "verdalin/e2e/availability", lambda p: p == "online",
                      "online after the broker's restart")
        topic = "homeassistant/sensor/e2e/rate_down_kbps/config"
        broker.publish(topic, "", retain=True)
        broker.publish("homeassistant/status", "online")
        wait_retained(broker, topic, lambda p: p and "data_rate" in p, "the announcement again")
        folder.stop()
        wait_retained(broker, "verdalin/e2e/availability", lambda p: p == "offline", "offline")
        folder.close()
        print("ok headless: mqtts, an event, the will, reconnection, re-announcement, offline")
        refusals(build, broker)
    finally:
        broker.close()


def refusals(build, broker):
    for group, reason in ((mqtt_group(broker, password="wrong"), "not_authorised"),
                          (mqtt_group(broker, tls=True, ca=broker.file("other.crt")),
                           "certificate")):
        folder = headless_line(build, "mqtt-" + reason, "up", group)
        try:
            wait_for(lambda: said(folder, reason), 20, reason)
            time.sleep(4)  # three more attempts, at 1, 2 and 4 s
            expect(said(folder, reason) == 1, "said once: " + folder.output())
            with open(folder.event_log, encoding="utf-8") as log:
                expect(log.read().count("MQTT_FAILED") == 1, "one row in the event log")
        finally:
            folder.close()
    print("ok refusals: a wrong password and a wrong CA, each said once")


def silent_broker(build):
    """A broker that takes the connection and never answers does not slow the polls."""
    with socket.socket() as silent:
        silent.bind(("127.0.0.1", 0))
        silent.listen(8)
        group = ("MQTT", [("broker", "mqtt://127.0.0.1:%d" % silent.getsockname()[1])])
        folder = headless_line(build, "mqtt-silent", "up", group)
        try:
            folder.wait_for_endpoint()
            start = time.monotonic()
            time.sleep(8)
            metrics = parse_metrics(http_get(folder.port, "/metrics")[2].decode())
            polls = metrics[("verdalin_polls_total", (("result", "ok"),))]
            duration = metrics[("verdalin_poll_duration_seconds", ())]
            elapsed = time.monotonic() - start
            expect(polls >= elapsed - 3 and duration < 1.0, "%d polls in %.1f s, the last %.3f s"
                   % (polls, elapsed, duration))
            print("ok silent broker: %d polls in %.1f s, the last took %.3f s" %
                  (polls, elapsed, duration))
        finally:
            folder.close()


def main():
    build, kind = os.path.abspath(sys.argv[1]), sys.argv[2]
    if kind == "headless":
        headless(build)
        silent_broker(build)
    else:
        desktop(build, kind == "wine")
        if kind == "wine":
            desktop(build, True, tls=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
