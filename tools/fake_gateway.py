#!/usr/bin/env python3
"""A fake ADSL gateway on loopback for tests and the demo (Python standard library only).

Listens on 127.0.0.1 only, on an ephemeral port unless --port is given; the first line on
standard output is "PORT <n>", and --port-file writes the port to a file as well.

Pages (those marked * ask for HTTP Basic authentication):
  * /inventel /sagem /tecom   status pages; ?size=N pads to about N bytes, ?disconnected=1
  * /live/<model>             a simulated line whose values drift and sometimes lose sync
    /script/<model>?tag=T&steps=S1,S2,...
                              a scripted line, one step per request of tag T (the last step
                              stays): up, down (out of sync), gone (no answer: the connection
                              closes), junk (a page without values), rate=N (in sync at N kbit/s
                              down), snr=X (in sync with an X dB down margin), crc=N; with
                              ?cred=ID it asks for credentials as the status pages do
  * /bare401                  a status page whose 401 answer carries no challenge
    /empty                    200 with an empty body
    /big?size=N[&chunked=1]   N bytes of numbered 16-byte records "%015d\\n" (default 10240)
    /slow?delay=S             a small page after S seconds (default --slow-delay)
    /hang                     reads the request and never answers
    /trickle                  a 200 header, then one body byte every 0.2 s without end
    /stall                    a 200 header and 3000 of the 100000 bytes announced, then nothing
    /redirect?to=PATH         302 to PATH on this gateway (or to an absolute address)
    /chain?left=N             302 to /chain?left=N-1 (a relative address) until N is 0, then a
                              small page "end of the chain"
    /short                    a 200 announcing 1000 bytes, 500 sent, then the connection closed
    /reset                    a 200 announcing 1000 bytes, 500 sent, then the connection reset
    /badchunk                 a chunked 200 whose second chunk is cut off by a close
Webhook receiver (POST; each body is kept under its tag, the request's head as for last-auth):
    /_hook/<tag>              answers 200
    /_hook500/<tag>           answers 500
    /_hookslow/<tag>?delay=S  answers 200 after S seconds (default --slow-delay)
    /_hookhang/<tag>          reads the request and never answers
    /_hookmoved/<tag>         answers 302 to /_hook/<tag>-moved
The gateway listens on a second port too (/_control/second-port), to tell where credentials go.
Authenticated pages take ?cred=ID (credentials registered through the control endpoint,
otherwise --user/--password) and ?tag=T (the request is remembered under T).
Control:
    /_control/credentials?user=U&password=P   registers credentials, answers their ID
    /_control/last-auth?tag=T[&field=F]       JSON about the last request tagged T; with F
        (present, user, password, agent, pragma, cache_control, content_type, count) only that
        value, raw
    /_control/hooks?tag=T                     the bodies posted under T, oldest first, as a JSON
        list of strings: each body's bytes as they came, only quotes, backslashes and control
        characters escaped
    /_control/ping                            "ok"
    /_control/second-port                     the second listening port
Query values are percent-decoded as Latin-1, so every byte can be given.
"""

import argparse
import base64
import json
import os
import select
import socket
import struct
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from dataclasses import replace
from urllib.parse import parse_qs, urlsplit

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import gateway_pages  # noqa: E402

UNAUTHORIZED_PAGE = (
    "<html>\n<head><title>401 Unauthorized</title></head>\n<body>\n"
    "<h1>Unauthorized</h1>\n<p>Access to this gateway needs a valid login and password.</p>\n"
    "</body>\n</html>\n")
NOT_FOUND_PAGE = "<html><body><h1>404 Not Found</h1></body></html>\n"


class GatewayState:
    """What the gateway expects and remembers, shared by the request threads."""

    def __init__(self, user, password, slow_delay, drop_every, drop_for):
        self.lock = threading.Lock()
        self.credentials = {"": (user, password)}
        self.last = {}
        self.steps = {}
        self.slow_delay = slow_delay
        self.drop_every = drop_every
        self.drop_for = drop_for
        self.started = time.monotonic()
        self.hooks = {}  # tag: the bodies posted to the webhook receiver

    def register(self, user, password):
        with self.lock:
            ident = "c%d" % len(self.credentials)
            self.credentials[ident] = (user, password)
            return ident

    def expected(self, ident):
        with self.lock:
            return self.credentials.get(ident, self.credentials[""])

    def remember(self, tag, record):
        with self.lock:
            count = self.last.get(tag, {}).get("count", 0) + 1
            self.last[tag] = dict(record, count=count)

    def keep_hook(self, tag, body):
        with self.lock:
            self.hooks.setdefault(tag, []).append(body)

    def hook_bodies(self, tag):
        with self.lock:
            return list(self.hooks.get(tag, []))

    def recall(self, tag):
        with self.lock:
            return dict(self.last.get(tag, {"present": False, "count": 0}))


def decode_basic(header):
    """(user, password) from an Authorization header, or None when there is no Basic one."""
    if not header or not header.startswith("Basic "):
        return None
    try:
        raw = base64.b64decode(header[6:].strip(), validate=True).decode("latin-1")
    except ValueError:
        return None
    user, _, password = raw.partition(":")
    return user, password


class GatewayHandler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "GatewayHTTP/1.0"

    def log_message(self, fmt, *args):
        if self.server.verbose:
            super().log_message(fmt, *args)

    # --- answers --------------------------------------------------------------------------

    def send_page(self, status, text, extra_headers=()):
        body = text.encode("latin-1")
        self.send_response(status)
        self.send_header("Content-Type", "text/html; charset=iso-8859-1")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-cache")
        for name, value in extra_headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)

    def send_chunked(self, text):
        self.send_response(200)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Transfer-Encoding", "chunked")
        self.end_headers()
        data = text.encode("latin-1")
        for start in range(0, len(data), 4096):
            chunk = data[start:start + 4096]
            self.wfile.write(b"%x\r\n%s\r\n" % (len(chunk), chunk))
        self.wfile.write(b"0\r\n\r\n")

    def client_gone(self, seconds):
        """Waits up to SECONDS; true once the client has closed the connection."""
        readable, _, _ = select.select([self.connection], [], [], seconds)
        if not readable:
            return False
        try:
            gone = self.connection.recv(1, socket.MSG_PEEK) == b""
        except OSError:
            return True
        if not gone:
            time.sleep(seconds)  # more request bytes are waiting: nothing to learn from them
        return gone

    # --- authentication -------------------------------------------------------------------

    def remember_request(self, tag):
        """Remembers the request's head under TAG; gives its Basic credentials or None."""
        given = decode_basic(self.headers.get("Authorization"))
        self.server.state.remember(tag, {
            "path": self.path,
            "present": given is not None,
            "user": given[0] if given else "",
            "password": given[1] if given else "",
            "agent": self.headers.get("User-Agent", ""),
            "pragma": self.headers.get("Pragma", ""),
            "cache_control": self.headers.get("Cache-Control", ""),
            "content_type": self.headers.get("Content-Type", ""),
        })
        return given

    def authorized(self, query, challenge=True):
        """Remembers the request's credentials under its tag; answers 401 unless they fit."""
        given = self.remember_request(query.get("tag", ""))
        state = self.server.state
        if given is not None and given == state.expected(query.get("cred", "")):
            return True
        headers = [("WWW-Authenticate", 'Basic realm="Livebox"')] if challenge else []
        self.send_page(401, UNAUTHORIZED_PAGE, headers)
        return False

    # --- pages ----------------------------------------------------------------------------

    def do_GET(self):
        parts = urlsplit(self.path)
        query = {k: v[-1] for k, v in parse_qs(parts.query, keep_blank_values=True,
                                                   encoding="latin-1").items()}
        route = parts.path.rstrip("/") or "/"
        if route.startswith("/_control/"):
            return self.control(route[len("/_control/"):], query)
        handler = self.ROUTES.get(route)
        if handler is None and route.startswith("/live/"):
            handler = GatewayHandler.live_page
        if handler is None and route.startswith("/script/"):
            handler = GatewayHandler.script_page
        if handler is None:
            return self.send_page(404, NOT_FOUND_PAGE)
        try:
            handler(self, route, query)
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True

    def status_page(self, route, query):
        if not self.authorized(query):
            return
        values = gateway_pages.LineValues(connected=query.get("disconnected", "") != "1")
        size = int(query["size"]) if "size" in query else None
        self.send_page(200, gateway_pages.page(route[1:], values, size))

    def live_page(self, route, query):
        model = route[len("/live/"):]
        if model not in gateway_pages.MODELS:
            return self.send_page(404, NOT_FOUND_PAGE)
        if not self.authorized(query):
            return
        state = self.server.state
        values = gateway_pages.drifting_values(time.monotonic() - state.started,
                                               state.drop_every, state.drop_for)
        self.send_page(200, gateway_pages.page(model, values))

    def script_page(self, route, query):
        model = route[len("/script/"):]
        steps = query.get("steps", "up").split(",")
        state = self.server.state
        if "cred" in query and not self.authorized(query):
            return  # a challenge is no step of the line
        with state.lock:
            n = state.steps.get(query.get("tag", ""), 0)
            state.steps[query.get("tag", "")] = n + 1
        step = steps[min(n, len(steps) - 1)]
        if model not in gateway_pages.MODELS or step == "gone":
            self.close_connection = True
            return
        if step == "junk":
            return self.send_page(200, "<html><body>Maintenance in progress</body></html>\n")
        name, _, value = step.partition("=")
        fields = {"down": {"connected": False}, "rate": {"downstream": float(value or 0)},
                  "snr": {"snr_down": float(value or 0)}, "crc": {"crc_errors": int(value or 0)}}
        values = replace(gateway_pages.LineValues(), **fields.get(name, {}))
        self.send_page(200, gateway_pages.page(model, values))

    def bare401_page(self, _route, query):
        if self.authorized(query, challenge=False):
            self.send_page(200, gateway_pages.page("inventel"))

    def empty_page(self, _route, _query):
        self.send_page(200, "")

    def big_page(self, _route, query):
        size = int(query.get("size", "10240"))
        text = "".join("%015d\n" % n for n in range(size // 16 + 1))[:size]
        if query.get("chunked") == "1":
            self.send_chunked(text)
        else:
            self.send_page(200, text)

    def slow_page(self, _route, query):
        delay = float(query.get("delay", self.server.state.slow_delay))
        if not self.client_gone(delay):
            self.send_page(200, "<html><body>slow but here</body></html>\n")

    def hang_page(self, _route, _query):
        while not self.client_gone(0.2):
            pass
        self.close_connection = True

    def trickle_page(self, _route, _query):
        self.send_response(200)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", "100000000")
        self.end_headers()
        while not self.client_gone(0.2):
            self.wfile.write(b"x")
            self.wfile.flush()
        self.close_connection = True

    def stall_page(self, _route, _query):
        self.send_response(200)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", "100000")
        self.end_headers()
        self.wfile.write(b"s" * 3000)
        self.wfile.flush()
        while not self.client_gone(0.2):
            pass
        self.close_connection = True

    def cut_page(self, route, _query):
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        if route == "/badchunk":
            self.send_header("Transfer-Encoding", "chunked")
            self.end_headers()
            self.wfile.write(b"1f4\r\n" + b"c" * 500 + b"\r\n1f4\r\n" + b"c" * 100)
        else:
            self.send_header("Content-Length", "1000")
            self.end_headers()
            self.wfile.write(b"<html>ADSL_DOWNSTREAM=8128<br>\n" + b"x" * 468)
        self.wfile.flush()
        if route == "/reset":  # an RST rather than a FIN
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                       struct.pack("ii", 1, 0))
        self.close_connection = True

    def redirect_page(self, _route, query):
        self.send_page(302, "<html><body>moved</body></html>\n",
                       [("Location", query.get("to", "/inventel"))])

    def chain_page(self, _route, query):
        left = int(query.get("left", "0"))
        if left <= 0:
            return self.send_page(200, "<html><body>end of the chain</body></html>\n")
        self.send_page(302, "<html><body>moved</body></html>\n",
                       [("Location", "chain?left=%d" % (left - 1))])

    ROUTES = {
        "/inventel": status_page, "/sagem": status_page, "/tecom": status_page,
        "/bare401": bare401_page, "/empty": empty_page, "/big": big_page,
        "/slow": slow_page, "/hang": hang_page, "/trickle": trickle_page,
        "/stall": stall_page,
        "/redirect": redirect_page, "/chain": chain_page,
        "/short": cut_page, "/reset": cut_page, "/badchunk": cut_page,
    }

    # --- webhook receiver -----------------------------------------------------------------

    def do_POST(self):
        parts = urlsplit(self.path)
        query = {k: v[-1] for k, v in parse_qs(parts.query, keep_blank_values=True,
                                                   encoding="latin-1").items()}
        kind, _, tag = parts.path.lstrip("/").partition("/")
        answer = self.HOOKS.get(kind)
        if answer is None or not tag:
            return self.send_page(404, NOT_FOUND_PAGE)
        self.remember_request(tag)
        body = self.rfile.read(int(self.headers.get("Content-Length", "0")))
        self.server.state.keep_hook(tag, body)
        try:
            answer(self, tag, query)
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True

    def hook_answer(self, _tag, _query):
        self.send_page(200, "ok\n")

    def hook500_answer(self, _tag, _query):
        self.send_page(500, "<html><body>500 Internal Server Error</body></html>\n")

    def hookmoved_answer(self, tag, _query):
        self.send_page(302, "<html><body>moved</body></html>\n",
                       [("Location", "/_hook/%s-moved" % tag)])

    HOOKS = {
        "_hook": hook_answer, "_hook500": hook500_answer, "_hookslow": slow_page,
        "_hookhang": hang_page, "_hookmoved": hookmoved_answer,
    }

    # --- control --------------------------------------------------------------------------

    def control(self, action, query):
        state = self.server.state
        if action == "ping":
            return self.send_page(200, "ok")
        if action == "second-port":
            return self.send_page(200, str(self.server.second_port))
        if action == "credentials":
            return self.send_page(200, state.register(query.get("user", ""),
                                                      query.get("password", "")))
        if action == "hooks":
            bodies = [body.decode("utf-8", "surrogateescape")
                      for body in state.hook_bodies(query.get("tag", ""))]
            listed = json.dumps(bodies, ensure_ascii=False).encode("utf-8", "surrogateescape")
            return self.send_page(200, listed.decode("latin-1"))
        if action == "last-auth":
            record = state.recall(query.get("tag", ""))
            field = query.get("field")
            if field is None:
                return self.send_page(200, json.dumps(record) + "\n")
            value = record.get(field, "")
            if isinstance(value, bool):
                value = "yes" if value else "no"
            return self.send_page(200, str(value))
        return self.send_page(404, NOT_FOUND_PAGE)


class GatewayServer(ThreadingHTTPServer):
    daemon_threads = True
    verbose = False

    def handle_error(self, request, client_address):
        """Clients that hang up early are part of the tests; anything else is worth a trace."""
        if self.verbose or not isinstance(sys.exc_info()[1], ConnectionError):
            super().handle_error(request, client_address)


def main(argv):
    parser = argparse.ArgumentParser(description="A fake ADSL gateway on 127.0.0.1.")
    parser.add_argument("--port", type=int, default=0, help="port (default: any free one)")
    parser.add_argument("--port-file", help="also write the port to this file")
    parser.add_argument("--user", default="admin", help="expected login (default admin)")
    parser.add_argument("--password", default="admin", help="expected password (default admin)")
    parser.add_argument("--slow-delay", type=float, default=5.0, help="seconds /slow waits")
    parser.add_argument("--drop-every", type=float, default=90.0,
                        help="the simulated line loses sync every this many seconds (0: never)")
    parser.add_argument("--drop-for", type=float, default=12.0,
                        help="and stays out of sync this many seconds")
    parser.add_argument("--verbose", action="store_true", help="log every request on stderr")
    args = parser.parse_args(argv)

    state = GatewayState(args.user, args.password, args.slow_delay, args.drop_every,
                         args.drop_for)
    second = GatewayServer(("127.0.0.1", 0), GatewayHandler)
    server = GatewayServer(("127.0.0.1", args.port), GatewayHandler)
    for each in (server, second):
        each.verbose = args.verbose
        each.state = state
        each.second_port = second.server_address[1]
    threading.Thread(target=second.serve_forever, kwargs={"poll_interval": 0.2},
                     daemon=True).start()
    port = server.server_address[1]
    if args.port_file:
        temporary = args.port_file + ".tmp"
        with open(temporary, "w") as out:
            out.write("%d\n" % port)
        os.replace(temporary, args.port_file)
    print("PORT %d" % port, flush=True)
    try:
        server.serve_forever(poll_interval=0.2)
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
