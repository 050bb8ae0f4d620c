"""Runs Windows programs under Wine in throw-away prefixes, each call time-limited.

This machine's kernel runs no 32-bit Linux code, so the 32-bit Wine loader cannot
start: everything runs through the 64-bit loader in a win64 prefix."""
import os
import re
import shutil
import signal
import subprocess
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
        full_env = self.env
        full_env.update(env or {})
        try:
            proc = subprocess.run([WINE] + [str(a) for a in args], env=full_env, capture_output=True,
                                  timeout=timeout)
        except subprocess.TimeoutExpired as e:
            self.kill()
            raise AssertionError(f"wine call timed out after {timeout}s: {args}") from e
        out = proc.stdout.decode("utf-8", "replace")
        err = proc.stderr.decode("utf-8", "replace")
        if check and proc.returncode != 0:
            raise AssertionError(f"{args} exited {proc.returncode}\n{out}\n{err}")
        return subprocess.CompletedProcess(args, proc.returncode, out, err)

    def start(self, args, env=None):
        """Starts a program in the background; use wait() on the result."""
        full_env = self.env
        full_env.update(env or {})
        return Background(subprocess.Popen([WINE] + [str(a) for a in args], env=full_env,
                                           stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                           start_new_session=True), self)

    def wait_server(self, timeout=30):
        try:
            subprocess.run([WINESERVER, "-w"], env=self.env, timeout=timeout)
        except subprocess.TimeoutExpired:
            self.kill()

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
    def __init__(self, popen, prefix):
        self.popen = popen
        self.prefix = prefix

    def wait(self, timeout=DEFAULT_TIMEOUT):
        try:
            out, err = self.popen.communicate(timeout=timeout)
        except subprocess.TimeoutExpired as e:
            os.killpg(self.popen.pid, signal.SIGKILL)
            self.prefix.kill()
            raise AssertionError(f"program did not end within {timeout}s") from e
        return self.popen.returncode

    def running(self):
        return self.popen.poll() is None


def make_base_prefix(path, display):
    """Creates a fresh prefix with the settings every test relies on."""
    path = Path(path)
    if path.exists():
        shutil.rmtree(path)
    path.parent.mkdir(parents=True, exist_ok=True)
    prefix = Prefix(path, display)
    proc = subprocess.run([WINE, "wineboot", "-i"], env=prefix.env, capture_output=True, timeout=180)
    if proc.returncode != 0:
        raise RuntimeError("wineboot failed: " + proc.stderr.decode("utf-8", "replace"))
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
