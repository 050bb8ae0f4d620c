"""Drives the program's windows through tools/uidriver.exe, run inside the same prefix.

Every call is one run of the driver, which prints one JSON object. Window selectors
(any of them, all must match): hwnd, caption, caption_contains, cls, pid, exe.
Control selectors: id, control_class, text, text_contains (texts compare without
mnemonic ampersands). visible/enabled add conditions; timeout is in milliseconds.
Exit codes: 0 done, 1 not found or not reached in time, 2 bad usage, 3 found but the
action failed (a disabled button, a box without that button)."""
import json
import os
import signal
import subprocess
import tempfile
from pathlib import Path

from .wine import WINE

DEFAULT_TIMEOUT_MS = 10000
# Wine's start-up and the driver's own limits on top of the waiting time.
RUN_MARGIN_S = 30
SELECTORS = {"hwnd", "caption", "caption_contains", "cls", "pid", "exe", "id", "control_class", "text",
             "text_contains", "visible", "enabled", "timeout"}
COMMAND_OPTIONS = {"button", "out", "method", "key", "command", "at", "mouse", "wm_close"}


class UiDriverError(AssertionError):
    def __init__(self, args, code, result, stderr):
        super().__init__(f"uidriver {' '.join(args)} exited {code}: {result or stderr.strip()}")
        self.code = code
        self.result = result


def _option_args(options):
    args = []
    for name, value in options.items():
        if value is None or value is False:
            continue
        flag = "--" + ("class" if name == "cls" else name.replace("_", "-"))
        if value is True:
            args.append(flag)
        elif name == "hwnd" and isinstance(value, int):
            args += [flag, hex(value)]
        else:
            args += [flag, str(value)]
    return args


class UiDriver:
    def __init__(self, prefix, exe_path):
        self.prefix = prefix
        self.exe = Path(exe_path)

    def call(self, args, limit_s):
        """One raw run: (exit code, parsed JSON or None, stderr).

        Output goes through files, not pipes: the first Wine program of a prefix starts
        the wineserver and the system processes, which keep its pipes open long after it
        ended, so waiting for a pipe to close could wait for the whole prefix."""
        env = self.prefix.env
        # Arguments reach the driver through the Unix locale: make it UTF-8.
        env["LC_ALL"] = "C.UTF-8"
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            proc = subprocess.Popen([WINE, str(self.exe)] + [str(a) for a in args], env=env, stdout=out,
                                    stderr=err, stdin=subprocess.DEVNULL, start_new_session=True)
            try:
                code = proc.wait(limit_s)
            except subprocess.TimeoutExpired as e:
                os.killpg(proc.pid, signal.SIGKILL)
                self.prefix.kill()
                raise AssertionError(f"uidriver timed out after {limit_s}s: {args}") from e
            out.seek(0)
            err.seek(0)
            text = out.read().decode("utf-8", "replace")
            stderr = err.read().decode("utf-8", "replace")
        try:
            return code, json.loads(text), stderr
        except ValueError:
            return code, None, text + stderr

    def run(self, verb, check=True, **options):
        """Runs one command; returns its JSON with the exit code as "exit"."""
        unknown = set(options) - SELECTORS - COMMAND_OPTIONS
        if unknown:
            raise TypeError(f"unknown uidriver options: {sorted(unknown)}")
        options.setdefault("timeout", DEFAULT_TIMEOUT_MS)
        args = [verb] + _option_args(options)
        code, result, stderr = self.call(args, options["timeout"] / 1000 + RUN_MARGIN_S)
        if result is None or (check and code != 0):
            raise UiDriverError(args, code, result, stderr)
        result["exit"] = code
        return result

    def list(self, **selectors):
        return self.run("list", **selectors)["windows"]

    def wait(self, **selectors):
        """The window (and "control" when one is named) once it exists."""
        return self.run("wait", **selectors)

    def gone(self, **selectors):
        return self.run("gone", **selectors)

    def inspect(self, **selectors):
        """The window's fields with "controls": every descendant control."""
        return self.run("inspect", **selectors)["window"]

    def text(self, **selectors):
        return self.run("text", **selectors)["text"]

    def click(self, mouse=False, at=None, **selectors):
        """Clicks once the control is visible and enabled; at=(x, y) clicks that client point."""
        return self.run("click", mouse=mouse, at=f"{at[0]},{at[1]}" if at else None, **selectors)

    def answer(self, button=None, **selectors):
        """Reads the message box ("text", "buttons") and presses `button` (an id or a text)."""
        return self.run("answer", button=button, **selectors)

    def close(self, wm_close=False, **selectors):
        """The title bar's close (SC_CLOSE); wm_close=True posts WM_CLOSE instead."""
        return self.run("close", wm_close=wm_close, **selectors)

    def key(self, key, method=None, **selectors):
        """Sends "N", "Enter", "Alt+N", ...; method="input" types it for real (needed for Shift/Ctrl)."""
        return self.run("key", key=key, method=method, **selectors)

    def sysmenu(self, **selectors):
        return self.run("sysmenu", **selectors)["items"]

    def syscommand(self, command, **selectors):
        return self.run("syscommand", command=command, **selectors)

    def screenshot(self, path_png, **selectors):
        """Saves the window as PNG; returns the driver's result with "png" added."""
        png = Path(path_png)
        png.parent.mkdir(parents=True, exist_ok=True)
        bmp = png.with_suffix(".bmp")
        result = self.run("screenshot", out=self.prefix.windows_path(bmp), **selectors)
        subprocess.run(["convert", str(bmp), str(png)], check=True, timeout=60)
        bmp.unlink()
        result["png"] = png
        return result


def controls(window, **match):
    """The controls of an inspect() result whose fields equal every given value (cls for class)."""
    wanted = {("class" if k == "cls" else k): v for k, v in match.items()}
    return [c for c in window["controls"] if all(c.get(k) == v for k, v in wanted.items())]


def control(window, **match):
    """The one control that matches; fails the test when there is none or more than one."""
    found = controls(window, **match)
    assert len(found) == 1, f"{len(found)} controls match {match}: {[(c['id'], c['text']) for c in found]}"
    return found[0]
