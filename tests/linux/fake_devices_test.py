#!/usr/bin/env python3
"""The fake devices of tools/fake_devices.py: each starts, answers from its files, counts its
logins, misbehaves when asked and stops."""

import json
import os
import socket
import subprocess
import sys
import time
import unittest
import urllib.error
import urllib.request

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
FAKE = os.path.join(ROOT, "tools", "fake_devices.py")
ANSWERS = os.path.join(ROOT, "tests", "answers")


class Fake:
    """One fake device process: its port, its control port, stopped on exit."""

    def __init__(self, *args):
        self.process = subprocess.Popen([sys.executable, FAKE, *args], stdout=subprocess.PIPE,
                                        text=True)
        self.process.stdout.reconfigure(line_buffering=True)
        self.port = int(self.process.stdout.readline().split()[1])
        self.control_port = int(self.process.stdout.readline().split()[1])

    def control(self, action):
        url = "http://127.0.0.1:%d/%s" % (self.control_port, action)
        with urllib.request.urlopen(url, timeout=10) as answer:
            return answer.read().decode()

    def stats(self):
        return json.loads(self.control("stats"))

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.process.terminate()
        self.process.wait(10)
        self.process.stdout.close()


def answer_file(kind, case, name):
    with open(os.path.join(ANSWERS, kind, case, name), "rb") as data:
        return data.read()


def receive_until(connection, marker, limit=10):
    """What comes until MARKER (included) or the connection's end."""
    data = b""
    connection.settimeout(limit)
    while not data.endswith(marker):
        chunk = connection.recv(4096)
        if not chunk:
            break
        data += chunk
    return data


class Tr064Box(unittest.TestCase):
    def soap(self, fake, path, action, password="admin"):
        manager = urllib.request.HTTPPasswordMgrWithDefaultRealm()
        manager.add_password(None, "http://127.0.0.1:%d/" % fake.port, "admin", password)
        opener = urllib.request.build_opener(urllib.request.HTTPDigestAuthHandler(manager))
        request = urllib.request.Request(
            "http://127.0.0.1:%d%s" % (fake.port, path), data=b"<s:Envelope/>",
            headers={"Content-Type": 'text/xml; charset="utf-8"',
                     "SOAPAction": "urn:dslforum-org:service:%s" % action})
        try:
            with opener.open(request, timeout=10) as answer:
                return answer.status, answer.read()
        except urllib.error.HTTPError as error:
            return error.code, error.read()

    def test_description_digest_actions_and_faults(self):
        with Fake("tr064") as fake:
            with urllib.request.urlopen("http://127.0.0.1:%d/tr64desc.xml" % fake.port) as page:
                self.assertIn(b"/upnp/control/wandslifconfig1", page.read())
            status, body = self.soap(fake, "/upnp/control/wandslifconfig1",
                                     "WANDSLInterfaceConfig:1#GetInfo")
            self.assertEqual((status, body), (200, answer_file(
                "tr064", "vdsl2-up", "WANDSLInterfaceConfig-GetInfo.xml")))
            self.assertEqual(self.soap(fake, "/upnp/control/wandslifconfig1",
                                       "WANDSLInterfaceConfig:1#GetInfo", "wrong")[0], 401)
            # The action posted to another service's control URL, an unknown path.
            self.assertEqual(self.soap(fake, "/upnp/control/deviceinfo",
                                       "WANDSLInterfaceConfig:1#GetInfo")[0], 500)
            self.assertEqual(self.soap(fake, "/upnp/control/nowhere", "DeviceInfo:1#GetInfo")[0],
                             404)
            fake.control("case?name=fault")
            status, body = self.soap(fake, "/upnp/control/wandslifconfig1",
                                     "WANDSLInterfaceConfig:1#GetInfo")
            self.assertEqual(status, 500)
            self.assertIn(b"<errorCode>501</errorCode>", body)
            stats = fake.stats()
            self.assertEqual(stats["logins"], 3)
            self.assertGreaterEqual(stats["refused"], 1)  # urllib tries a refused digest again
            self.assertGreaterEqual(stats["challenges"], 4)


class CommandLines(unittest.TestCase):
    def log_in(self, fake, password="admin", prompt=b"Login: "):
        connection = socket.create_connection(("127.0.0.1", fake.port), timeout=10)
        self.assertTrue(receive_until(connection, prompt).startswith(b"\xff\xfb\x01"))
        connection.sendall(b"admin\r\n")
        receive_until(connection, b"Password: ")
        connection.sendall(password.encode() + b"\r\n")
        return connection

    def test_telnet_login_answer_and_prompt(self):
        with Fake("broadcom", "--case", "adsl2plus-showtime") as fake:
            with self.log_in(fake, "wrong") as connection:
                self.assertIn(b"Login incorrect", receive_until(connection, b"Login: "))
            with self.log_in(fake) as connection:
                receive_until(connection, b"# ")
                connection.sendall(b"\xff\xfd\x03xdslctl  info --stats\r\n")  # an option first
                answer = receive_until(connection, b"# ")
                self.assertIn(answer_file("broadcom", "adsl2plus-showtime", "answer.txt"), answer)
            self.assertEqual(fake.stats()["logins"], 1)
            self.assertEqual(fake.stats()["refused"], 1)

    def command_answer(self, fake, size):
        """Logs in, gives the status command and reads SIZE bytes or up to the line's end."""
        with self.log_in(fake, prompt=b"Account:") as connection:
            receive_until(connection, b"DrayTek> ")
            connection.sendall(b"vdsl status\r\n")
            data = b""
            while len(data) < size:
                chunk = connection.recv(65536)
                if not chunk:
                    break
                data += chunk
            return data[len(b"vdsl status\r\n"):]

    def test_misbehaving_connections(self):
        with Fake("draytek") as fake:
            whole = answer_file("draytek", "vdsl-showtime", "answer.txt")
            for behaviour in ("silent", "drop", "flood"):
                fake.control("next?behaviour=" + behaviour)
            with socket.create_connection(("127.0.0.1", fake.port), timeout=10) as connection:
                connection.settimeout(0.5)
                self.assertRaises(socket.timeout, connection.recv, 100)
            self.assertEqual(self.command_answer(fake, 10 * len(whole)), whole[:len(whole) // 2])
            flood = self.command_answer(fake, 10 * len(whole))
            self.assertGreaterEqual(len(flood), 10 * len(whole))
            self.assertTrue(flood.startswith(whole) and b"Since Link time" in flood)
            self.assertEqual(fake.stats()["connections"], 3)

    def test_ssh_password_interactive_exec_and_host_key(self):
        import paramiko
        with Fake("draytek", "--ssh", "--case", "adsl-showtime") as fake:
            first_key = fake.control("hostkey")
            client = paramiko.SSHClient()
            client.set_missing_host_key_policy(paramiko.AutoAddPolicy())
            client.connect("127.0.0.1", fake.port, "admin", "admin", look_for_keys=False,
                           allow_agent=False, timeout=10)
            shell = client.invoke_shell()
            receive_until(shell, b"DrayTek> ")
            shell.send(b"adsl status\r")
            self.assertIn(answer_file("draytek", "adsl-showtime", "answer.txt"),
                          receive_until(shell, b"DrayTek> "))
            _, out, _ = client.exec_command("vdsl status")
            self.assertEqual(out.read(), answer_file("draytek", "adsl-showtime", "answer.txt"))
            client.close()

            transport = paramiko.Transport(("127.0.0.1", fake.port))
            transport.connect()
            transport.auth_interactive("admin", lambda title, text, prompts: ["admin"])
            self.assertTrue(transport.is_authenticated())
            remote = transport.get_remote_server_key()
            self.assertEqual("%s %s" % (remote.get_name(), remote.get_base64()), first_key)
            transport.close()
            self.assertNotEqual(fake.control("new-hostkey"), first_key)
            self.assertEqual(fake.stats()["logins"], 2)


class UbusEndpoint(unittest.TestCase):
    def call(self, fake, session, target, args=None, path="/ubus"):
        body = json.dumps({"jsonrpc": "2.0", "id": 42, "method": "call",
                           "params": [session, *target, args or {}]}).encode()
        request = urllib.request.Request("http://127.0.0.1:%d%s" % (fake.port, path), body,
                                         {"Content-Type": "application/json"})
        with urllib.request.urlopen(request, timeout=10) as answer:
            return json.loads(answer.read())

    def test_login_metrics_refusal_and_expiry(self):
        with Fake("openwrt", "--user", "root", "--password", "secret") as fake:
            null = "0" * 32
            self.assertEqual(self.call(fake, null, ("dsl", "metrics"))["result"], [6])
            refused = self.call(fake, null, ("session", "login"),
                                {"username": "root", "password": "wrong"})
            self.assertEqual(refused["result"], [6])
            login = self.call(fake, null, ("session", "login"),
                              {"username": "root", "password": "secret"})
            session = login["result"][1]["ubus_rpc_session"]
            metrics = self.call(fake, session, ("dsl", "metrics"))
            self.assertEqual(metrics["id"], 42)
            self.assertTrue(metrics["result"][1]["up"])
            fake.control("expire")
            self.assertEqual(self.call(fake, session, ("dsl", "metrics"))["result"], [6])
            self.assertEqual((fake.stats()["logins"], fake.stats()["refused"]), (1, 1))

    def test_empty_login_uses_the_null_session(self):
        with Fake("openwrt", "--user", "", "--password", "", "--case", "adsl2plus-up") as fake:
            metrics = self.call(fake, "0" * 32, ("dsl", "metrics"))
            self.assertEqual(metrics["result"][1]["standard"], "G.992.5")


if __name__ == "__main__":
    try:
        import paramiko  # noqa: F401  (Debian's python3-paramiko, for the SSH client)
    except ImportError:
        if os.path.exists("/usr/bin/python3") and sys.executable != "/usr/bin/python3":
            os.execv("/usr/bin/python3", ["/usr/bin/python3", *sys.argv])
    unittest.main()
