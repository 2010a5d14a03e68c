#!/usr/bin/env python3
"""Fake DSL devices on loopback for tests, answering from the files of tests/answers/<kind>/<case>/.

Usage: fake_devices.py KIND [options]; KIND is one of
  tr064     a TR-064 box: /tr64desc.xml, SOAP actions at the control URLs the description names,
            HTTP Digest authentication (qop=auth); --tls serves HTTPS with a throwaway certificate
  broadcom  a Broadcom modem's shell ("xdslctl info --stats", "xdslcmd info --stats")
  draytek   a DrayTek router's console ("vdsl status", "adsl status")
  openwrt   an OpenWrt ubus endpoint (JSON-RPC 2.0 at --path, /ubus by default)
broadcom and draytek speak telnet, or SSH with --ssh (password and keyboard-interactive
authentication, a shell channel or an exec request; the host key is kept in --key-dir).

Everything listens on 127.0.0.1 only, on ephemeral ports. The first lines on standard output are
"PORT <n>" (the device) and "CONTROL <m>"; --port-file writes "<n> <m>" to a file as well.

Answers: the case's files (--case, or /case at run time), else the kind folder's own files:
  tr064    <Service>-<Action>.xml per action (a SOAP fault is sent with status 500, a 401 page
           with 401 and a new challenge), tr64desc.xml; a missing action answers fault 401
  broadcom, draytek   answer.txt, the answer of the command
  openwrt  login.json (its session is replaced by a new one), metrics.json; the id of each
           answer is that of its request

Control (HTTP GET on the control port):
  /case?name=N          serve case N from now on
  /next?behaviour=B     the next connection misbehaves (telnet and SSH): silent (never prompts),
                        flood (answers without end), drop (cuts the line mid-answer); each call
                        queues one more
  /stats                JSON: connections (telnet connections, SSH channels), logins (accepted
                        credentials), refused (wrong ones), challenges (tr064), requests
                        (tr064, openwrt)
  /expire               (openwrt) every session expires now
  /hostkey              (ssh) the host key as "ssh-rsa BASE64"
  /new-hostkey          (ssh) a new host key from now on; answers it
  /ping                 "ok"
"""

import argparse
import hashlib
import json
import os
import queue
import re
import secrets
import shutil
import signal
import socket
import socketserver
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import xml.etree.ElementTree as ElementTree
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlsplit

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_ANSWERS = os.path.join(ROOT, "tests", "answers")

# What each command-line kind says and takes.
CONSOLES = {
    "broadcom": {
        "login": b"Login: ", "password": b"Password: ", "prompt": b"# ",
        "banner": b"\r\nBusyBox v1.17.2 built-in shell (ash)\r\n\r\n",
        "commands": ("xdslctl info --stats", "xdslcmd info --stats"),
        "unknown": "-sh: %s: not found\r\n", "refused": b"Login incorrect\r\n",
    },
    "draytek": {
        "login": b"Account:", "password": b"Password: ", "prompt": b"DrayTek> ",
        "banner": b"\r\nType ? for command help\r\n\r\n",
        "commands": ("vdsl status", "adsl status"),
        "unknown": "%% Unknown command: %s\r\n", "refused": b"\r\nLogin failed\r\n",
    },
}
EXIT_COMMANDS = ("exit", "quit", "logout")
FLOOD_LINE = b"Since Link time = 1 days 0 hours 0 min 0 sec\r\n" * 64
IAC, SE, SB, WILL, WONT, DO, DONT = 255, 240, 250, 251, 252, 253, 254
ECHO, SUPPRESS_GO_AHEAD, WINDOW_SIZE = 1, 3, 31
NULL_SESSION = "0" * 32
DIGEST_REALM = "HomeBox SOAP-Auth"


class DeviceState:
    """The case served, the credentials, the counters and the queued misbehaviours."""

    def __init__(self, args):
        self.lock = threading.Lock()
        self.kind = args.kind
        self.answers = args.answers
        self.case = args.case
        self.user = args.user
        self.password = args.password
        self.session_timeout = args.session_timeout
        self.counters = {"connections": 0, "logins": 0, "refused": 0, "challenges": 0,
                         "requests": 0}
        self.behaviours = []
        self.sessions = {}  # ubus session: expiry (monotonic seconds)
        self.nonces = set()
        self.host_key = None
        self.key_dir = args.key_dir

    def count(self, name):
        with self.lock:
            self.counters[name] += 1

    def answer(self, name):
        """The bytes of the case's file NAME (else the kind folder's), or None."""
        with self.lock:
            case = self.case
        for folder in (os.path.join(self.answers, self.kind, case),
                       os.path.join(self.answers, self.kind)):
            path = os.path.join(folder, name)
            if os.path.isfile(path):
                with open(path, "rb") as data:
                    return data.read()
        return None

    def next_behaviour(self):
        with self.lock:
            self.count_unlocked("connections")
            return self.behaviours.pop(0) if self.behaviours else "normal"

    def count_unlocked(self, name):
        self.counters[name] += 1


# --- the command-line kinds: one dialogue over telnet or an SSH channel ------------------------


class TelnetLink:
    """A telnet connection: option negotiation, IAC sequences removed from what comes in."""

    def __init__(self, connection):
        self.connection = connection
        self.pending = b""

    def send(self, data):
        self.connection.sendall(data.replace(bytes([IAC]), bytes([IAC, IAC])))

    def negotiate(self):
        self.connection.sendall(bytes([IAC, WILL, ECHO, IAC, WILL, SUPPRESS_GO_AHEAD,
                                       IAC, DO, WINDOW_SIZE]))

    def receive(self):
        """The next bytes without telnet commands; b"" once the client has gone."""
        data = self.connection.recv(4096)
        if not data:
            return b""
        data, self.pending = self.pending + data, b""
        kept = bytearray()
        i = 0
        while i < len(data):
            if data[i] != IAC:
                kept.append(data[i])
                i += 1
                continue
            if i + 1 >= len(data):
                self.pending = data[i:]
                break
            command = data[i + 1]
            if command == IAC:
                kept.append(IAC)
                i += 2
            elif command in (WILL, WONT, DO, DONT):
                if i + 2 >= len(data):
                    self.pending = data[i:]
                    break
                i += 3
            elif command == SB:
                end = data.find(bytes([IAC, SE]), i)
                if end < 0:
                    self.pending = data[i:]
                    break
                i = end + 2
            else:
                i += 2
        return bytes(kept) or b"\0"  # a packet of commands only is no end of the connection


class ChannelLink:
    """An SSH session channel."""

    def __init__(self, channel):
        self.channel = channel

    def send(self, data):
        self.channel.sendall(data)

    def receive(self):
        return self.channel.recv(4096)


class Dialogue:
    """The console of a command-line kind over a link: login (telnet only), prompt, commands."""

    def __init__(self, state, link, behaviour):
        self.state = state
        self.link = link
        self.behaviour = behaviour
        self.console = CONSOLES[state.kind]
        self.buffer = b""
        self.after_cr = False

    def read_line(self, echo=True):
        """The next line without its end (CR, LF, CR LF or CR NUL), or None once gone."""
        while True:
            if self.after_cr and self.buffer[:1] in (b"\n", b"\0"):
                self.buffer = self.buffer[1:]  # the rest of a CR LF cut in two
            match = re.search(rb"\r\n|\r\0|\r|\n", self.buffer)
            if match:
                line, self.buffer = self.buffer[:match.start()], self.buffer[match.end():]
                self.after_cr = match.group() == b"\r"
                if echo:
                    self.link.send(line + b"\r\n")
                return line.replace(b"\0", b"").decode("latin-1")
            data = self.link.receive()
            if not data:
                return None
            self.buffer += data

    def wait_until_gone(self):
        while self.link.receive():
            pass

    def login(self):
        """Asks for the login and password, three tries; true once they fit."""
        for _ in range(3):
            self.link.send(self.console["login"])
            user = self.read_line()
            if user is None:
                return False
            self.link.send(self.console["password"])
            password = self.read_line(echo=False)
            if password is None:
                return False
            self.link.send(b"\r\n")
            if (user.strip(), password) == (self.state.user, self.state.password):
                self.state.count("logins")
                return True
            self.state.count("refused")
            self.link.send(self.console["refused"])
        return False

    def answer(self, command):
        """The answer to one command line, as the console sends it."""
        words = " ".join(command.split())
        if words in self.console["commands"]:
            return self.state.answer("answer.txt") or b""
        return (self.console["unknown"] % words.split(" ")[0]).encode("latin-1")

    def send_answer(self, data):
        """False when the connection is to end after it."""
        if self.behaviour == "drop":
            self.link.send(data[:len(data) // 2])
            return False
        if self.behaviour == "flood":
            while True:
                self.link.send(data + FLOOD_LINE)
        self.link.send(data)
        return True

    def run(self, with_login):
        if self.behaviour == "silent":
            return self.wait_until_gone()
        if with_login and not self.login():
            return None
        self.link.send(self.console["banner"] + self.console["prompt"])
        while True:
            command = self.read_line()
            if command is None or command.strip() in EXIT_COMMANDS:
                return None
            if command.strip() and not self.send_answer(self.answer(command)):
                return None
            self.link.send(self.console["prompt"])


class TelnetHandler(socketserver.BaseRequestHandler):
    def handle(self):
        state = self.server.state
        link = TelnetLink(self.request)
        behaviour = state.next_behaviour()
        try:
            if behaviour != "silent":
                link.negotiate()
            Dialogue(state, link, behaviour).run(with_login=True)
        except OSError:
            pass


class ConsoleServer(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def serve_ssh(state, listener):
    """Accepts SSH connections on LISTENER, each in a thread of its own."""
    import paramiko  # Debian's python3-paramiko; only the SSH device needs it

    class Server(paramiko.ServerInterface):
        """Authentication and channel requests; each shell or exec request is queued."""

        def __init__(self):
            self.requests = queue.Queue()
            self.username = ""

        def get_allowed_auths(self, username):
            return "password,keyboard-interactive"

        def check_auth_password(self, username, password):
            return self.decide(username, password)

        def check_auth_interactive(self, username, submethods):
            self.username = username
            return paramiko.InteractiveQuery("", "", ("Password: ", False))

        def check_auth_interactive_response(self, responses):
            return self.decide(self.username, responses[0] if responses else "")

        def decide(self, username, password):
            if (username, password) == (state.user, state.password):
                state.count("logins")
                return paramiko.AUTH_SUCCESSFUL
            state.count("refused")
            return paramiko.AUTH_FAILED

        def check_channel_request(self, kind, chanid):
            if kind == "session":
                return paramiko.OPEN_SUCCEEDED
            return paramiko.OPEN_FAILED_ADMINISTRATIVELY_PROHIBITED

        def check_channel_pty_request(self, *args):
            return True

        def check_channel_shell_request(self, channel):
            self.requests.put((channel, None))
            return True

        def check_channel_exec_request(self, channel, command):
            self.requests.put((channel, command.decode("latin-1")))
            return True

    def run_channel(channel, command):
        try:
            dialogue = Dialogue(state, ChannelLink(channel), state.next_behaviour())
            if command is None:
                dialogue.run(with_login=False)
            elif dialogue.behaviour != "silent":
                dialogue.send_answer(dialogue.answer(command))
                channel.send_exit_status(0)
            else:
                dialogue.wait_until_gone()
            channel.close()
        except (OSError, EOFError, paramiko.SSHException):
            pass

    def session(connection):
        transport = paramiko.Transport(connection)
        # Without a moduli file paramiko offers group exchange yet cannot serve it: a client that
        # prefers it (libssh2 on Windows' own cryptography) would fail.
        options = transport.get_security_options()
        options.kex = [k for k in options.kex if "group-exchange" not in k]
        try:
            with state.lock:
                transport.add_server_key(state.host_key)
            server = Server()
            transport.start_server(server=server)
            while transport.is_active():
                try:
                    channel, command = server.requests.get(timeout=0.2)
                except queue.Empty:
                    continue
                threading.Thread(target=run_channel, args=(channel, command), daemon=True).start()
        except (OSError, EOFError, paramiko.SSHException):
            pass
        finally:
            transport.close()

    while True:
        connection, _ = listener.accept()
        threading.Thread(target=session, args=(connection,), daemon=True).start()


def new_host_key(state):
    import paramiko
    key = paramiko.RSAKey.generate(2048)
    key.write_private_key_file(os.path.join(state.key_dir, "host_rsa_key"))
    with state.lock:
        state.host_key = key
    return key


def load_host_key(state):
    import paramiko
    path = os.path.join(state.key_dir, "host_rsa_key")
    if os.path.isfile(path):
        state.host_key = paramiko.RSAKey.from_private_key_file(path)
    else:
        new_host_key(state)


def public_key_text(state):
    with state.lock:
        key = state.host_key
    return "%s %s" % (key.get_name(), key.get_base64())


# --- TR-064 ---------------------------------------------------------------------------------


def soap_fault(code, text):
    return ('<?xml version="1.0"?>\n<s:Envelope xmlns:s="http://schemas.xmlsoap.org/soap/envelope/"'
            ' s:encodingStyle="http://schemas.xmlsoap.org/soap/encoding/">\n<s:Body>\n<s:Fault>\n'
            '<faultcode>s:Client</faultcode>\n<faultstring>UPnPError</faultstring>\n<detail>\n'
            '<UPnPError xmlns="urn:dslforum-org:control-1-0">\n<errorCode>%d</errorCode>\n'
            '<errorDescription>%s</errorDescription>\n</UPnPError>\n</detail>\n</s:Fault>\n'
            '</s:Body>\n</s:Envelope>\n' % (code, text)).encode()


def control_urls(description):
    """The description's control URLs and the service type of each."""
    urls = {}
    try:
        root = ElementTree.fromstring(description)
    except ElementTree.ParseError:
        return urls
    for service in root.iter():
        if not service.tag.endswith("}service") and service.tag != "service":
            continue
        fields = {child.tag.split("}")[-1]: (child.text or "").strip() for child in service}
        if fields.get("controlURL"):
            urls[fields["controlURL"]] = fields.get("serviceType", "")
    return urls


def digest_fields(header):
    return dict((k, v1 or v2) for k, v1, v2 in
                re.findall(r'(\w+)=(?:"([^"]*)"|([^\s,]*))', header[len("Digest "):]))


def md5(text):
    return hashlib.md5(text.encode("latin-1")).hexdigest()


class DeviceHttpHandler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "HomeBox UPnP/1.0"

    def log_message(self, fmt, *args):
        pass

    def send(self, status, body, content_type="text/xml; charset=\"utf-8\"", headers=()):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)

    def read_body(self):
        return self.rfile.read(int(self.headers.get("Content-Length", "0")))

    # TR-064

    def challenge(self):
        state = self.server.state
        nonce = secrets.token_hex(16)
        with state.lock:
            state.nonces.add(nonce)
            state.count_unlocked("challenges")
        header = 'Digest realm="%s", nonce="%s", algorithm=MD5, qop="auth"' % (DIGEST_REALM, nonce)
        self.send(401, b"<HTML><HEAD><TITLE>401 Unauthorized</TITLE></HEAD></HTML>\n",
                  "text/html", [("WWW-Authenticate", header)])

    def digest_fits(self):
        """Whether the request's Digest credentials are the expected ones (counted)."""
        state = self.server.state
        header = self.headers.get("Authorization", "")
        if not header.startswith("Digest "):
            return None
        given = digest_fields(header)
        with state.lock:
            known = given.get("nonce") in state.nonces
        first = md5("%s:%s:%s" % (state.user, DIGEST_REALM, state.password))
        second = md5("POST:%s" % given.get("uri", ""))
        expected = md5(":".join([first, given.get("nonce", ""), given.get("nc", ""),
                                 given.get("cnonce", ""), "auth", second]))
        fits = (known and given.get("qop") == "auth" and given.get("username") == state.user
                and given.get("response") == expected)
        state.count("logins" if fits else "refused")
        return fits

    def tr064_get(self, path):
        if path != "/tr64desc.xml":
            return self.send(404, b"", "text/html")
        self.send(200, self.server.state.answer("tr64desc.xml") or b"")

    def tr064_post(self, path):
        state = self.server.state
        self.read_body()
        state.count("requests")
        service = control_urls(state.answer("tr64desc.xml") or b"").get(path)
        if service is None:
            return self.send(404, b"", "text/html")
        if not self.digest_fits():
            return self.challenge()
        service_type, _, action = self.headers.get("SOAPAction", "").strip('"').partition("#")
        if service_type != service:
            return self.send(500, soap_fault(401, "Invalid Action"))
        name = "%s-%s.xml" % (service.split(":")[-2], action)
        body = state.answer(name)
        if body is None:
            return self.send(500, soap_fault(401, "Invalid Action"))
        if b"401 Unauthorized" in body:
            return self.challenge()
        self.send(500 if b"Fault>" in body else 200, body)

    # ubus

    def ubus_answer(self, request):
        """The answer to one JSON-RPC request, as bytes."""
        state = self.server.state
        ident = request.get("id")
        params = request.get("params") or []
        if request.get("method") != "call" or len(params) < 3:
            return self.rpc_error(ident, -32601, "Method not found")
        session, target = params[0], (params[1], params[2])
        args = params[3] if len(params) > 3 and isinstance(params[3], dict) else {}
        if target == ("session", "login"):
            return self.ubus_login(ident, args)
        if not self.session_valid(session):
            return self.with_id(b'{"jsonrpc":"2.0","id":1,"result":[6]}', ident)
        body = state.answer("metrics.json") if target == ("dsl", "metrics") else None
        if body is None:
            return self.rpc_error(ident, -32000, "Object not found")
        return self.with_id(body, ident)

    def ubus_login(self, ident, args):
        state = self.server.state
        if (args.get("username"), args.get("password")) != (state.user, state.password):
            state.count("refused")
            return self.with_id(b'{"jsonrpc":"2.0","id":1,"result":[6]}', ident)
        body = state.answer("login.json") or b'{"jsonrpc":"2.0","id":1,"result":[0,{}]}'
        answer = json.loads(body)
        result = answer.get("result") or []
        if len(result) == 2 and isinstance(result[1], dict):
            session = secrets.token_hex(16)
            result[1]["ubus_rpc_session"] = session
            result[1]["timeout"] = result[1]["expires"] = state.session_timeout
            with state.lock:
                state.sessions[session] = time.monotonic() + state.session_timeout
                state.count_unlocked("logins")
        else:
            state.count("refused")
        answer["id"] = ident
        return json.dumps(answer).encode()

    def session_valid(self, session):
        state = self.server.state
        if session == NULL_SESSION:
            return state.user == ""
        with state.lock:
            return state.sessions.get(session, 0) > time.monotonic()

    @staticmethod
    def with_id(body, ident):
        return re.sub(rb'"id"\s*:\s*[^,}\s]+', b'"id": ' + json.dumps(ident).encode(), body,
                      count=1)

    @staticmethod
    def rpc_error(ident, code, message):
        return json.dumps({"jsonrpc": "2.0", "id": ident,
                           "error": {"code": code, "message": message}}).encode()

    def ubus_post(self, path):
        state = self.server.state
        body = self.read_body()
        state.count("requests")
        if path != self.server.ubus_path:
            return self.send(404, b"", "text/html")
        try:
            request = json.loads(body)
        except ValueError:
            return self.send(200, self.rpc_error(None, -32700, "Parse error"), "application/json")
        self.send(200, self.ubus_answer(request if isinstance(request, dict) else {}),
                  "application/json")

    def do_GET(self):
        path = urlsplit(self.path).path
        if self.server.state.kind == "tr064":
            return self.tr064_get(path)
        self.send(404, b"", "text/html")

    def do_POST(self):
        path = urlsplit(self.path).path
        if self.server.state.kind == "tr064":
            return self.tr064_post(path)
        self.ubus_post(path)


class DeviceHttpServer(ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        if not isinstance(sys.exc_info()[1], (ConnectionError, ssl.SSLError)):
            super().handle_error(request, client_address)


# --- control --------------------------------------------------------------------------------


class ControlHandler(BaseHTTPRequestHandler):
    def log_message(self, fmt, *args):
        pass

    def reply(self, status, text):
        body = text.encode()
        self.send_response(status)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        state = self.server.state
        parts = urlsplit(self.path)
        query = {k: v[-1] for k, v in parse_qs(parts.query, keep_blank_values=True).items()}
        action = parts.path.strip("/")
        if action == "ping":
            return self.reply(200, "ok")
        if action == "stats":
            with state.lock:
                return self.reply(200, json.dumps(state.counters))
        if action == "case":
            if not os.path.isdir(os.path.join(state.answers, state.kind, query.get("name", ""))):
                return self.reply(404, "no such case")
            with state.lock:
                state.case = query["name"]
            return self.reply(200, state.case)
        if action == "next":
            if query.get("behaviour") not in ("silent", "flood", "drop", "normal"):
                return self.reply(400, "behaviour: silent, flood, drop or normal")
            with state.lock:
                state.behaviours.append(query["behaviour"])
            return self.reply(200, "ok")
        if action == "expire":
            with state.lock:
                state.sessions.clear()
            return self.reply(200, "ok")
        if action in ("hostkey", "new-hostkey") and state.host_key is not None:
            if action == "new-hostkey":
                new_host_key(state)
            return self.reply(200, public_key_text(state))
        self.reply(404, "unknown")


# --- start ----------------------------------------------------------------------------------


def tls_context(folder):
    """A server context with a throwaway self-signed certificate for 127.0.0.1."""
    key, certificate = os.path.join(folder, "tls.key"), os.path.join(folder, "tls.crt")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                    "-subj", "/CN=127.0.0.1", "-keyout", key, "-out", certificate],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(certificate, key)
    return context


def start_device(state, args, folder):
    """Starts the device's server in a thread; gives its port."""
    if state.kind in ("tr064", "openwrt"):
        server = DeviceHttpServer(("127.0.0.1", 0), DeviceHttpHandler)
        server.state, server.ubus_path = state, args.path
        if args.tls:
            server.socket = tls_context(folder).wrap_socket(server.socket, server_side=True)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        return server.server_address[1]
    if args.ssh:
        load_host_key(state)
        listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        listener.bind(("127.0.0.1", 0))
        listener.listen(16)
        threading.Thread(target=serve_ssh, args=(state, listener), daemon=True).start()
        return listener.getsockname()[1]
    server = ConsoleServer(("127.0.0.1", 0), TelnetHandler)
    server.state = state
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server.server_address[1]


def run_with_paramiko():
    """Starts this script again with Debian's Python when this one lacks paramiko (a Python of
    its own earlier on PATH)."""
    try:
        import paramiko  # noqa: F401
    except ImportError:
        system = "/usr/bin/python3"
        if os.path.realpath(sys.executable) != os.path.realpath(system) and os.path.exists(system):
            os.execv(system, [system, os.path.abspath(__file__), *sys.argv[1:]])
        raise


def main(argv):
    parser = argparse.ArgumentParser(description="Fake DSL devices on 127.0.0.1.")
    parser.add_argument("kind", choices=("tr064", "broadcom", "draytek", "openwrt"))
    parser.add_argument("--case", default=None, help="the case served first")
    parser.add_argument("--answers", default=DEFAULT_ANSWERS, help="the answer folders")
    parser.add_argument("--user", default="admin", help="expected login (default admin)")
    parser.add_argument("--password", default="admin", help="expected password (default admin)")
    parser.add_argument("--ssh", action="store_true", help="broadcom, draytek: SSH, not telnet")
    parser.add_argument("--tls", action="store_true", help="tr064: HTTPS")
    parser.add_argument("--path", default="/ubus", help="openwrt: the endpoint's path")
    parser.add_argument("--session-timeout", type=int, default=300, help="openwrt: seconds")
    parser.add_argument("--key-dir", help="ssh: where the host key is kept (default: temporary)")
    parser.add_argument("--port-file", help="also write '<port> <control port>' to this file")
    args = parser.parse_args(argv)
    if args.ssh:
        run_with_paramiko()
    if args.case is None:
        args.case = {"tr064": "vdsl2-up", "openwrt": "vdsl2-up", "broadcom": "vdsl2-showtime",
                     "draytek": "vdsl-showtime"}[args.kind]

    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    folder = tempfile.mkdtemp(prefix="fake-device-")
    try:
        if args.key_dir is None:
            args.key_dir = folder
        state = DeviceState(args)
        port = start_device(state, args, folder)
        control = ThreadingHTTPServer(("127.0.0.1", 0), ControlHandler)
        control.daemon_threads = True
        control.state = state
        if args.port_file:
            with open(args.port_file + ".tmp", "w") as out:
                out.write("%d %d\n" % (port, control.server_address[1]))
            os.replace(args.port_file + ".tmp", args.port_file)
        print("PORT %d\nCONTROL %d" % (port, control.server_address[1]), flush=True)
        control.serve_forever(poll_interval=0.2)
    except KeyboardInterrupt:
        pass
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
