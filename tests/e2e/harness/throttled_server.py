"""Serves the files of a folder on 127.0.0.1 at a limited rate, so that a download lasts
long enough to watch its progress or to cancel it. Records every path asked for."""
import http.server
import threading
import time
from pathlib import Path


class ThrottledServer:
    def __init__(self, root, seconds=4.0, chunks=40):
        self.root = Path(root)
        self.seconds = seconds
        self.chunks = chunks
        self.paths = []
        server = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                server.paths.append(self.path)
                target = server.root / self.path.lstrip("/").split("?")[0]
                if not target.is_file():
                    self.send_error(404)
                    return
                data = target.read_bytes()
                self.send_response(200)
                self.send_header("Content-Length", str(len(data)))
                self.send_header("Content-Type", "application/octet-stream")
                self.end_headers()
                step = max(1, -(-len(data) // server.chunks))
                try:
                    for start in range(0, len(data), step):
                        self.wfile.write(data[start:start + step])
                        self.wfile.flush()
                        time.sleep(server.seconds / server.chunks)
                except (BrokenPipeError, ConnectionResetError):
                    pass

            def log_message(self, *args):
                pass

        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.httpd.daemon_threads = True
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)

    @property
    def url(self):
        return f"http://127.0.0.1:{self.httpd.server_address[1]}"

    def __enter__(self):
        self.thread.start()
        return self

    def __exit__(self, *exc):
        self.httpd.shutdown()
        self.httpd.server_close()
