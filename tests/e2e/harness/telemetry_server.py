"""The three telemetry servers in one, on 127.0.0.1 with a port chosen at run time: it answers
the session-init with a configurable reply and keeps every request in order (method, path,
query, decoded form fields) for assertions.

Modes:
  up      answers every request (the default)
  down    nothing listens: the port was free and is closed again
  silent  accepts connections and reads each request (so it is still recorded), never answers

The wire does not say whether an action was a flow's final one; flow() calls the program's
final actions "end" by name."""
import http.server
import socket
import threading
import time
import urllib.parse

INIT_PATH = "/installer/init_v2.php"
ACTION_PATH = "/api/flow/action"
LOGGING_PATH = "/ulc.php"
SESSION_ID = "wk-5e55-10n"
VALID_REPLY = f"{SESSION_ID}\n1\n2\n1".encode()
FINAL_ACTIONS = {"InstallBroken", "InstallCancelled", "InstallFinishedButton"}


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def _decode_form(body):
    """Form fields as a dict; a body that is not valid escaped UTF-8 raises, as it should."""
    text = body.decode("ascii")
    return dict(urllib.parse.parse_qsl(text, keep_blank_values=True, encoding="utf-8", errors="strict"))


class TelemetryServer:
    def __init__(self, mode="up", init_reply=VALID_REPLY, init_status=200):
        if mode not in ("up", "down", "silent"):
            raise ValueError(mode)
        self.mode = mode
        self.init_reply = init_reply
        self.init_status = init_status
        self._lock = threading.Lock()
        self._log = []
        self._held = []  # silent mode: connections kept open, never answered
        self._stopping = threading.Event()
        self.httpd = None
        self.listener = None
        self.port = None

    # Recording
    def record(self, method, target, headers, body):
        parts = urllib.parse.urlsplit(target)
        entry = {"method": method, "path": parts.path, "target": target,
                 "query": urllib.parse.parse_qsl(parts.query, keep_blank_values=True),
                 "content_type": headers.get("Content-Type"), "body": body, "time": time.monotonic()}
        try:
            entry["form"] = _decode_form(body) if method == "POST" else {}
        except (UnicodeDecodeError, ValueError) as e:
            entry["form"] = {"<undecodable>": repr(e)}
        with self._lock:
            self._log.append(entry)

    def requests(self, path=None):
        with self._lock:
            return [r for r in self._log if path is None or r["path"] == path]

    def flow(self):
        """The flow records in order as (kind, flow or action name, attributes)."""
        return [(kind, name, attrs) for kind, name, attrs, _ in self.flow_records()]

    def flow_records(self):
        """As flow(), with each record's session_id (None for the session-init)."""
        out = []
        for r in self.requests():
            if r["path"] not in (INIT_PATH, ACTION_PATH):
                continue
            fields = dict(r["form"])
            attrs = {k[len("attributes["):-1]: v for k, v in fields.items() if k.startswith("attributes[")}
            if r["path"] == INIT_PATH:
                out.append(("start", fields.get("flow"), attrs, None))
            else:
                name = fields.get("action")
                out.append(("end" if name in FINAL_ACTIONS else "action", name, attrs, fields.get("session_id")))
        return out

    def logging(self):
        """The unified-logging requests as their request targets ("/ulc.php?ev=...")."""
        return [r["target"] for r in self.requests(LOGGING_PATH)]

    def events(self):
        return [dict(r["query"]).get("ev") for r in self.requests(LOGGING_PATH)]

    def wait_for(self, condition, timeout=30):
        """Waits until condition(self) is true; returns its last value."""
        deadline = time.monotonic() + timeout
        while True:
            value = condition(self)
            if value or time.monotonic() > deadline:
                return value
            time.sleep(0.1)

    # Addresses
    @property
    def url(self):
        return f"http://127.0.0.1:{self.port}"

    def settings(self):
        """The build settings that send all telemetry here."""
        return {"InstallerWebServer": self.url, "StatisticsServer": self.url, "TrackingServer": self.url}

    # Life
    def start(self):
        if self.mode == "down":
            self.port = free_port()
        elif self.mode == "silent":
            self.listener = socket.create_server(("127.0.0.1", 0))
            self.port = self.listener.getsockname()[1]
            threading.Thread(target=self._accept_silently, daemon=True).start()
        else:
            self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), _handler(self))
            self.httpd.daemon_threads = True
            self.port = self.httpd.server_address[1]
            threading.Thread(target=self.httpd.serve_forever, daemon=True).start()
        return self

    def stop(self):
        self._stopping.set()
        if self.httpd:
            self.httpd.shutdown()
            self.httpd.server_close()
            self.httpd = None
        if self.listener:
            self.listener.close()
            self.listener = None
        with self._lock:
            held, self._held = self._held, []
        for connection in held:
            connection.close()

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    def _accept_silently(self):
        while not self._stopping.is_set():
            try:
                connection, _ = self.listener.accept()
            except OSError:
                return
            with self._lock:
                self._held.append(connection)
            threading.Thread(target=self._read_silently, args=(connection,), daemon=True).start()

    def _read_silently(self, connection):
        """Reads one request to its end and records it; the answer never comes."""
        data = b""
        try:
            while b"\r\n\r\n" not in data:
                chunk = connection.recv(65536)
                if not chunk:
                    return
                data += chunk
            head, body = data.split(b"\r\n\r\n", 1)
            lines = head.decode("latin-1").split("\r\n")
            method, target, _ = lines[0].split(" ", 2)
            headers = dict(line.split(": ", 1) for line in lines[1:] if ": " in line)
            length = int(headers.get("Content-Length", "0"))
            while len(body) < length:
                chunk = connection.recv(65536)
                if not chunk:
                    break
                body += chunk
            self.record(method, target, headers, body)
        except OSError:
            pass


def _handler(server):
    class Handler(http.server.BaseHTTPRequestHandler):
        def log_message(self, *args):
            pass

        def _body(self):
            length = int(self.headers.get("Content-Length") or 0)
            return self.rfile.read(length) if length else b""

        def _answer(self, status, data=b""):
            self.send_response(status)
            self.send_header("Content-Type", "text/plain; charset=utf-8")
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            self.wfile.write(data)

        def do_POST(self):
            server.record("POST", self.path, self.headers, self._body())
            parts = urllib.parse.urlsplit(self.path)
            if parts.path == INIT_PATH:
                # A client may name its own reply, hex-encoded, for a table of cases.
                chosen = dict(urllib.parse.parse_qsl(parts.query, keep_blank_values=True)).get("reply")
                self._answer(server.init_status, bytes.fromhex(chosen) if chosen is not None else server.init_reply)
            elif parts.path == ACTION_PATH:
                self._answer(200, b"OK")
            else:
                self._answer(404, b"no such path")

        def do_GET(self):
            server.record("GET", self.path, self.headers, b"")
            self._answer(200, b"")

    return Handler
