"""Runs Windows programs under Wine in throw-away prefixes, each call time-limited.

This machine's kernel runs no 32-bit Linux code, so the 32-bit Wine loader cannot
start: everything runs through the 64-bit loader in a win64 prefix."""
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time
from pathlib import Path

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
DEFAULT_TIMEOUT = 60


class Xvfb:
    """An X server on a free display, for programs that show windows."""

    def __init__(self):
        self.proc = None
        self.display = None

    def start(self):
        for n in range(90, 190):
            if os.path.exists(f"/tmp/.X{n}-lock") or os.path.exists(f"/tmp/.X11-unix/X{n}"):
                continue
            proc = subprocess.Popen(["Xvfb", f":{n}", "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            for _ in range(50):
                if os.path.exists(f"/tmp/.X11-unix/X{n}"):
                    self.proc, self.display = proc, f":{n}"
                    return self
                if proc.poll() is not None:
                    break
                time.sleep(0.1)
            proc.kill()
        raise RuntimeError("no free X display")

    def stop(self):
        if self.proc:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
            self.proc = None


class Prefix:
    def __init__(self, path, display=None):
        self.path = Path(path)
        self.display = display

    @property
    def env(self):
        env = dict(os.environ)
        env.update(WINEPREFIX=str(self.path), WINEDEBUG="-all", WINEARCH="win64",
                   WINEDLLOVERRIDES="mscoree,mshtml=")
        if self.display:
            env["DISPLAY"] = self.display
        return env

    @property
    def drive_c(self):
        return self.path / "drive_c"

    def run(self, args, timeout=DEFAULT_TIMEOUT, check=False, env=None):
        """Runs a program to its end; a hang past the limit kills the prefix's processes."""
        bg = self.start(args, env=env)
        code = bg.wait(timeout)
        out, err = bg.output()
        if check and code != 0:
            raise AssertionError(f"{args} exited {code}\n{out}\n{err}")
        return subprocess.CompletedProcess(args, code, out, err)

    def start(self, args, env=None):
        """Starts a program in the background; use wait() on the result.

        Output goes to files, not pipes: the wineserver and system processes that a
        first program starts inherit its handles and would hold pipes open."""
        full_env = self.env
        full_env.update(env or {})
        out = tempfile.TemporaryFile()
        err = tempfile.TemporaryFile()
        popen = subprocess.Popen([WINE] + [str(a) for a in args], env=full_env, stdin=subprocess.DEVNULL,
                                 stdout=out, stderr=err, start_new_session=True)
        return Background(popen, self, out, err)

    def wait_server(self, timeout=30):
        try:
            subprocess.run([WINESERVER, "-w"], env=self.env, timeout=timeout)
        except subprocess.TimeoutExpired:
            self.kill()

    def keep_server(self):
        """Keeps the wineserver running between calls, which spares each short call the
        prefix's start of about two seconds."""
        subprocess.run([WINESERVER, "-p"], env=self.env, timeout=30)
        self.run(["cmd", "/c", "exit"])

    def kill(self):
        subprocess.run([WINESERVER, "-k"], env=self.env, timeout=30,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    # Registry, through the prefix's own reg.exe.
    def reg_add(self, key, name=None, kind="REG_SZ", data=None):
        args = ["reg", "add", key, "/f"]
        if name is not None:
            args += ["/v", name, "/t", kind]
            if data is not None:
                args += ["/d", data]
        self.run(args, check=True)

    def reg_delete(self, key):
        self.run(["reg", "delete", key, "/f"])

    def reg_values(self, key):
        """The values of one key as {name: (type, text)}; None when the key is missing."""
        proc = self.run(["reg", "query", key])
        if proc.returncode != 0:
            return None
        values = {}
        for line in proc.stdout.splitlines():
            m = re.match(r"^    (\S.*?)    (REG_\w+)    ?(.*)$", line)
            if m:
                values[m.group(1)] = (m.group(2), m.group(3).strip())
        return values

    @staticmethod
    def windows_path(host_path):
        return "Z:" + str(Path(host_path).resolve()).replace("/", "\\")


class Background:
    def __init__(self, popen, prefix, out, err):
        self.popen = popen
        self.prefix = prefix
        self.out = out
        self.err = err

    def wait(self, timeout=DEFAULT_TIMEOUT):
        try:
            return self.popen.wait(timeout=timeout)
        except subprocess.TimeoutExpired as e:
            os.killpg(self.popen.pid, signal.SIGKILL)
            self.prefix.kill()
            raise AssertionError(f"program did not end within {timeout}s") from e

    def output(self):
        texts = []
        for f in (self.out, self.err):
            f.seek(0)
            texts.append(f.read().decode("utf-8", "replace"))
        return texts

    def running(self):
        return self.popen.poll() is None


def make_base_prefix(path, display):
    """Creates a fresh prefix with the settings every test relies on."""
    path = Path(path)
    if path.exists():
        shutil.rmtree(path)
    path.parent.mkdir(parents=True, exist_ok=True)
    prefix = Prefix(path, display)
    boot = prefix.run(["wineboot", "-i"], timeout=180)
    if boot.returncode != 0:
        raise RuntimeError("wineboot failed: " + boot.stderr)
    prefix.wait_server()
    # A crash must end the program, not wait for a dialog; windows get frames on one desktop.
    prefix.reg_add(r"HKCU\Software\Wine\WineDbg", "ShowCrashDialog", "REG_DWORD", "0")
    prefix.reg_add(r"HKCU\Software\Wine\Explorer", "Desktop", "REG_SZ", "Default")
    prefix.reg_add(r"HKCU\Software\Wine\Explorer\Desktops", "Default", "REG_SZ", "1024x768")
    prefix.wait_server()
    return prefix


def copy_prefix(base, path):
    path = Path(path)
    if path.exists():
        shutil.rmtree(path)
    path.parent.mkdir(parents=True, exist_ok=True)
    shutil.copytree(base.path, path, symlinks=True)
    return Prefix(path, base.display)
