"""A package server that misbehaves on purpose, on 127.0.0.1 with a port chosen at run time.

The first path segment chooses the behaviour, the query its numbers; every other
segment only names the case, so that each test can look up its own requests:

  /file/NAME?size=N              the resource, with ETag, Last-Modified and byte ranges
  /drop/NAME?size=N&after=M      first request: headers for all of it, then M bytes and a
                                 dropped connection; later requests are served properly
  /badrange/NAME?size&after      as drop, then 206 whose Content-Range starts at 0
  /badlength/NAME?size&after     as drop, then 206 with the whole size as Content-Length
  /ignorerange/NAME?size&after   as drop, then 200 with the whole resource
  /changing/NAME?size&after&size2  as drop, then another version (other bytes, size, ETag),
                                 honouring If-Range as a real server does
  /status/NAME?code=404          that status on every attempt
  /nolength/NAME?size=N          no Content-Length; the body ends with the connection
  /slow/NAME?size=N&chunk=C&delay=S  the body in chunks with pauses
  /pac/NAME?to=HOST:PORT         a proxy auto-config script sending everything to HOST:PORT
  /echo/NAME                     the request headers as the body; X-Connection names the
                                 TCP connection
  /_log?path=P                   how many requests P received (not itself recorded)

A run-wide default behaviour can be given for paths whose first segment is unknown.
The resource bytes follow pattern_byte(), which the C++ side computes the same way."""
import http.server
import itertools
import json
import socket
import sys
import threading
import time
import urllib.parse

DEFAULT_SIZE = 1 << 20


def pattern(size, version=0):
    """Byte i is (i * 131 + i // 4096 + version * 97) mod 256."""
    block = bytes((j * 131) & 0xFF for j in range(256)) * 16
    parts = []
    for k in range((size + 4095) // 4096):
        shift = (k + version * 97) & 0xFF
        parts.append(block.translate(bytes((x + shift) & 0xFF for x in range(256))))
    return b"".join(parts)[:size]


class FaultServer:
    def __init__(self, default_behaviour="file"):
        self.default_behaviour = default_behaviour
        self._lock = threading.Lock()
        self._log = []
        self._seen = {}
        self._patterns = {}
        self._connections = itertools.count(1)
        self.httpd = None
        self.thread = None

    # Recording
    def record(self, method, path, headers, connection):
        with self._lock:
            self._log.append({"method": method, "path": path, "headers": dict(headers.items()),
                              "connection": connection, "time": time.monotonic()})
            self._seen[path] = self._seen.get(path, 0) + 1
            return self._seen[path]

    def requests(self, path=None):
        """Recorded requests in order, for one path (without its query) or all."""
        with self._lock:
            return [r for r in self._log if path is None or urllib.parse.urlsplit(r["path"]).path == path]

    def body(self, size, version=0):
        key = (size, version)
        with self._lock:
            if key not in self._patterns:
                self._patterns[key] = pattern(size, version)
            return self._patterns[key]

    # Life
    def start(self):
        server = self

        class Handler(FaultHandler):
            owner = server

        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.httpd.daemon_threads = True
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()
        return self

    @property
    def url(self):
        return f"http://127.0.0.1:{self.httpd.server_address[1]}"

    def stop(self):
        if self.httpd:
            self.httpd.shutdown()
            self.httpd.server_close()
            self.httpd = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()


class FaultHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    owner = None

    def setup(self):
        super().setup()
        self.connection_id = next(self.owner._connections)

    def log_message(self, *args):
        pass

    def do_GET(self):
        split = urllib.parse.urlsplit(self.path)
        query = {k: v[0] for k, v in urllib.parse.parse_qs(split.query).items()}
        if split.path == "/_log":
            self.send_bytes(200, str(len(self.owner.requests(query.get("path")))).encode())
            return
        nth = self.owner.record("GET", self.path, self.headers, self.connection_id)
        segments = split.path.strip("/").split("/")
        behaviour = segments[0] if segments[0] in BEHAVIOURS else self.owner.default_behaviour
        try:
            BEHAVIOURS[behaviour](self, query, nth)
        except (ConnectionError, BrokenPipeError):
            self.close_connection = True  # the client gave up on this answer, as it may

    # Answers
    def send_bytes(self, status, data, headers=None, length=True):
        self.send_response(status)
        for name, value in (headers or {}).items():
            self.send_header(name, value)
        if length:
            self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def drop_after(self, data, after, headers):
        """Announces all of data, sends `after` bytes and drops the connection."""
        self.send_response(200)
        for name, value in headers.items():
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data[:after])
        self.wfile.flush()
        self.close_connection = True
        try:
            self.connection.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass

    def serve_resource(self, data, validators, honour_if_range=True):
        """A plain resource with single byte ranges, as nginx answers them."""
        size = len(data)
        wanted = self.headers.get("Range")
        if_range = self.headers.get("If-Range")
        if wanted and honour_if_range and if_range is not None and if_range not in validators.values():
            wanted = None
        if wanted and wanted.startswith("bytes=") and wanted.endswith("-"):
            first = int(wanted[6:-1])
            if first >= size:
                self.send_bytes(416, b"", {"Content-Range": f"bytes */{size}"})
                return
            self.send_bytes(206, data[first:], {**validators, "Content-Range": f"bytes {first}-{size - 1}/{size}"})
            return
        self.send_bytes(200, data, validators)


def _numbers(query):
    size = int(query.get("size", DEFAULT_SIZE))
    return size, int(query.get("after", size // 3))


def _validators(tag):
    return {"ETag": f'"{tag}"', "Last-Modified": "Mon, 07 Dec 2026 10:00:00 GMT"}


def b_file(h, query, nth):
    size, _ = _numbers(query)
    h.serve_resource(h.owner.body(size), _validators(f"v0-{size}"))


def _dropping(answer_later):
    def behaviour(h, query, nth):
        size, after = _numbers(query)
        data = h.owner.body(size)
        if nth == 1:
            h.drop_after(data, after, _validators(f"v0-{size}"))
        else:
            answer_later(h, query, data, size)
    return behaviour


def _bad_range(h, query, data, size):
    first = int(h.headers.get("Range", "bytes=0-")[6:-1])
    length = size - first
    h.send_bytes(206, data[:length], {**_validators(f"v0-{size}"), "Content-Range": f"bytes 0-{length - 1}/{size}"})


def _bad_length(h, query, data, size):
    if h.headers.get("Range"):
        first = int(h.headers["Range"][6:-1])
        h.send_bytes(206, data[:size], {**_validators(f"v0-{size}"),
                                         "Content-Range": f"bytes {first}-{size - 1}/{size}"})
    else:
        h.send_bytes(200, data, _validators(f"v0-{size}"))


def b_changing(h, query, nth):
    size, after = _numbers(query)
    if nth == 1:
        h.drop_after(h.owner.body(size), after, _validators(f"v0-{size}"))
        return
    size2 = int(query.get("size2", size))
    h.serve_resource(h.owner.body(size2, version=1), _validators(f"v1-{size2}"))


def b_status(h, query, nth):
    code = int(query.get("code", 404))
    h.send_bytes(code, f"status {code}\n".encode())


def b_nolength(h, query, nth):
    size, _ = _numbers(query)
    h.send_response(200)
    h.send_header("Connection", "close")
    h.end_headers()
    h.wfile.write(h.owner.body(size))
    h.close_connection = True


def b_slow(h, query, nth):
    size, _ = _numbers(query)
    chunk = int(query.get("chunk", 65536))
    delay = float(query.get("delay", 0.2))
    data = h.owner.body(size)
    h.send_response(200)
    h.send_header("Content-Length", str(size))
    h.end_headers()
    try:
        for start in range(0, size, chunk):
            h.wfile.write(data[start:start + chunk])
            h.wfile.flush()
            time.sleep(delay)
    except OSError:
        h.close_connection = True


def b_echo(h, query, nth):
    text = "".join(f"{name}: {value}\n" for name, value in h.headers.items())
    h.send_bytes(200, text.encode(), {"X-Connection": str(h.connection_id), "Content-Type": "text/plain"})


def b_pac(h, query, nth):
    script = f'function FindProxyForURL(url, host) {{ return "PROXY {query["to"]}"; }}\n'
    h.send_bytes(200, script.encode(), {"Content-Type": "application/x-ns-proxy-autoconfig"})


BEHAVIOURS = {
    "pac": b_pac,
    "file": b_file,
    "drop": _dropping(lambda h, q, data, size: h.serve_resource(data, _validators(f"v0-{size}"))),
    "badrange": _dropping(_bad_range),
    "badlength": _dropping(_bad_length),
    "ignorerange": _dropping(lambda h, q, data, size: h.send_bytes(200, data, _validators(f"v0-{size}"))),
    "changing": b_changing,
    "status": b_status,
    "nolength": b_nolength,
    "slow": b_slow,
    "echo": b_echo,
}


if __name__ == "__main__":
    with FaultServer(sys.argv[1] if len(sys.argv) > 1 else "file") as s:
        print(s.url, flush=True)
        try:
            while True:
                time.sleep(1)
        except KeyboardInterrupt:
            print(json.dumps(s.requests(), indent=1))
