"""nginx serving one folder on 127.0.0.1, with a port chosen at run time: the real
package server, byte ranges included. Its config, pid, logs and temp folders live in
a folder of its own; it runs in the foreground and is stopped by stop(). Given a
certificate and its key (make_certificate), it serves https instead."""
import shutil
import socket
import ssl
import subprocess
import tempfile
import time
import urllib.request
from pathlib import Path

NGINX = "/usr/sbin/nginx"

CONFIG = """\
daemon off;
master_process off;
worker_processes 1;
pid {run}/nginx.pid;
error_log {run}/error.log warn;
events {{ worker_connections 64; }}
http {{
    access_log {run}/access.log;
    client_body_temp_path {run}/body;
    proxy_temp_path {run}/proxy;
    fastcgi_temp_path {run}/fastcgi;
    uwsgi_temp_path {run}/uwsgi;
    scgi_temp_path {run}/scgi;
    default_type application/octet-stream;
    server {{
        listen 127.0.0.1:{port}{tls};
        root {root};
        location / {{ }}
    }}
}}
"""


def _free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def make_certificate(directory, name="127.0.0.1"):
    """A self-signed certificate for the loopback address (PEM key and certificate, and
    the certificate in DER for the Windows side); returns (cert.pem, key.pem, cert.der)."""
    directory = Path(directory)
    directory.mkdir(parents=True, exist_ok=True)
    cert, key, der = directory / "server-cert.pem", directory / "server-key.pem", directory / "server-cert.der"
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "30", "-subj", f"/CN={name}",
                    "-addext", f"subjectAltName=IP:{name},DNS:{name}", "-addext", "extendedKeyUsage=serverAuth",
                    "-keyout", str(key), "-out", str(cert)], check=True, capture_output=True, timeout=60)
    subprocess.run(["openssl", "x509", "-in", str(cert), "-outform", "DER", "-out", str(der)], check=True,
                   capture_output=True, timeout=60)
    return cert, key, der


class PackageServer:
    def __init__(self, root, certificate=None, key=None):
        self.root = Path(root).resolve()
        self.certificate = certificate
        self.key = key
        self.run_dir = None
        self.proc = None
        self.port = None

    @property
    def url(self):
        return f"{'https' if self.certificate else 'http'}://127.0.0.1:{self.port}"

    def start(self, attempts=5):
        self.run_dir = Path(tempfile.mkdtemp(prefix="nginx-"))
        for _ in range(attempts):
            self.port = _free_port()
            config = self.run_dir / "nginx.conf"
            tls = (f" ssl;\n        ssl_certificate {self.certificate};\n        ssl_certificate_key {self.key}"
                   if self.certificate else "")
            config.write_text(CONFIG.format(run=self.run_dir, port=self.port, root=self.root, tls=tls))
            self.proc = subprocess.Popen([NGINX, "-c", str(config), "-p", str(self.run_dir)],
                                         stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                         stderr=open(self.run_dir / "stderr.log", "ab"))
            if self._wait_ready():
                return self
            self.stop_process()  # most likely the port was taken in between
        raise RuntimeError("nginx did not start: " + self.log())

    def _wait_ready(self, timeout=10):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            if self.proc.poll() is not None:
                return False
            try:
                urllib.request.urlopen(self.url + "/", timeout=1, context=self._client_context()).close()
                return True
            except urllib.error.HTTPError:
                return True  # answering, if only with 403/404
            except OSError:
                time.sleep(0.05)
        return False

    def _client_context(self):
        return ssl.create_default_context(cafile=str(self.certificate)) if self.certificate else None

    def log(self):
        texts = []
        for name in ("stderr.log", "error.log"):
            p = self.run_dir / name
            if p.exists():
                texts.append(p.read_text(errors="replace"))
        return "\n".join(texts)

    def access_log(self):
        p = self.run_dir / "access.log"
        return p.read_text(errors="replace").splitlines() if p.exists() else []

    def stop_process(self):
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(5)
        self.proc = None

    def stop(self):
        self.stop_process()
        if self.run_dir:
            shutil.rmtree(self.run_dir, ignore_errors=True)
            self.run_dir = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()
