"""The UI driver against a small dialog of its own (tools/uidriver/fixture): what it
reads, what it presses, and how it fails."""
import subprocess
import time

import pytest

from harness.uidriver import UiDriver, control

CAPTION = "Uidriver Target"
GREETING = 'Gr\u00fc\u00dfe \u65e5\u672c "q" \\ \tx \U0001F600'
QUESTION = "Install Vantrell now?\n\nIt takes a minute."
IDC_GREETING, IDC_REMEMBER, IDC_PROGRESS, IDC_ASK, IDC_LOCKED, IDC_HIDDEN = range(1001, 1007)
IDOK, IDCANCEL, IDYES, IDNO = 1, 2, 6, 7
IDM_ABOUT, SC_CLOSE = 16, 0xF060
WS_MAXIMIZEBOX, WS_MINIMIZEBOX = 0x10000, 0x20000


class Target:
    def __init__(self, prefix, build, events):
        self.events = events
        self.seen = 0
        self.proc = prefix.start([build / "tools" / "uidriver_target.exe", prefix.windows_path(events)])
        self.driver = UiDriver(prefix, build / "tools" / "uidriver.exe")
        self.window = self.driver.wait(caption=CAPTION, visible=True, timeout=30000)["window"]

    def lines(self):
        return self.events.read_text(encoding="utf-8").splitlines() if self.events.exists() else []

    def expect(self, line, timeout=10):
        """Waits until the program has written `line` after the lines expected so far
        (the driver only posts, so the reaction comes later)."""
        deadline = time.monotonic() + timeout
        while line not in self.lines()[self.seen:]:
            assert time.monotonic() < deadline, f"no {line!r} after line {self.seen} of {self.lines()}"
            time.sleep(0.1)
        self.seen += self.lines()[self.seen:].index(line) + 1


@pytest.fixture
def target(prefix, build, tmp_path):
    return Target(prefix, build, tmp_path / "events.txt")


def test_inspect_reads_each_kind_of_control(target):
    window = target.driver.inspect(caption=CAPTION)
    assert (window["class"], window["exe"], window["defid"]) == ("#32770", "uidriver_target.exe", IDOK)
    style = int(window["style"], 16)
    assert style & WS_MINIMIZEBOX and not style & WS_MAXIMIZEBOX
    expected = [
        (IDC_GREETING, {"class": "Static", "text": GREETING}),
        (IDC_REMEMBER, {"kind": "autocheckbox", "checked": 1, "text": "&Remember me"}),
        (IDC_PROGRESS, {"class": "msctls_progress32", "pos": 80, "min": 0, "max": 200}),
        (IDOK, {"kind": "defpushbutton", "default": True}),
        (IDCANCEL, {"kind": "pushbutton", "default": False}),
        (IDC_LOCKED, {"visible": True, "enabled": False}),
        (IDC_HIDDEN, {"visible": False, "enabled": True}),
    ]
    for control_id, fields in expected:
        found = control(window, id=control_id)
        assert {k: found.get(k) for k in fields} == fields, found
    frame, ok = window["rect"], control(window, id=IDOK)["rect"]
    assert frame["left"] < ok["left"] < ok["right"] < frame["right"]
    assert frame["top"] < ok["top"] < ok["bottom"] < frame["bottom"]
    # A non-ASCII argument must reach the driver intact.
    assert target.driver.text(caption=CAPTION, text_contains="Gr\u00fc\u00dfe \u65e5\u672c") == GREETING


def test_clicks_keys_and_system_menu_reach_the_program(target):
    driver = target.driver
    driver.click(caption=CAPTION, id=IDC_REMEMBER)
    target.expect("remember 0")
    assert control(driver.inspect(caption=CAPTION), id=IDC_REMEMBER)["checked"] == 0
    driver.key("Alt+R", caption=CAPTION)
    target.expect("remember 1")
    driver.key("Enter", caption=CAPTION)
    target.expect("ok")
    driver.click(caption=CAPTION, id=IDC_REMEMBER, mouse=True)
    target.expect("remember 0")
    for control_id, error in [(IDC_LOCKED, "control is disabled"), (IDC_HIDDEN, "control is hidden")]:
        result = driver.click(caption=CAPTION, id=control_id, timeout=300, check=False)
        assert (result["exit"], result["error"]) == (3, error)

    items = {item["id"]: item for item in driver.sysmenu(caption=CAPTION)}
    assert items[IDM_ABOUT]["text"] == "&About Target..." and items[IDM_ABOUT]["enabled"]
    assert items[SC_CLOSE]["grayed"] and not items[SC_CLOSE]["enabled"]
    driver.syscommand(IDM_ABOUT, caption=CAPTION)
    target.expect("about")

    driver.close(caption=CAPTION)
    assert target.proc.wait(30) == IDCANCEL
    driver.gone(caption=CAPTION)
    assert "locked" not in target.lines()


@pytest.mark.parametrize("button,answer", [("6", IDYES), ("no", IDNO)], ids=["yes-by-id", "no-by-text"])
def test_answer_reads_and_presses_the_message_box(target, button, answer):
    target.driver.click(caption=CAPTION, text="Ask...")
    box = target.driver.answer(exe="uidriver_target.exe", button=button)
    assert (box["caption"], box["text"], box["pid"]) == ("Target Question", QUESTION, target.window["pid"])
    assert [b["id"] for b in box["buttons"]] == [IDYES, IDNO]
    assert (box["pressed"], box["closed"]) == (answer, True)
    assert target.proc.wait(30) == answer
    target.expect(f"answer {answer}")


def test_screenshot_is_the_window_as_shown(target, tmp_path):
    shot = target.driver.screenshot(tmp_path / "target.png", caption=CAPTION)
    size = subprocess.run(["identify", "-format", "%w %h %k", str(shot["png"])], capture_output=True, text=True,
                          check=True, timeout=60).stdout.split()
    rect = target.window["rect"]
    assert [int(n) for n in size[:2]] == [rect["width"], rect["height"]]
    # A blank capture (a failed copy gives one colour) must not pass.
    assert int(size[2]) > 8


def test_exit_codes_without_a_window(prefix, build):
    driver = UiDriver(prefix, build / "tools" / "uidriver.exe")
    driver.list()  # the prefix's first program starts its server: not part of the timing
    cases = [
        (["wait", "--caption", "No Such Window", "--timeout", "500"], 1),
        (["answer", "--timeout", "500"], 1),
        (["gone", "--caption", "No Such Window", "--timeout", "500"], 0),
        (["click", "--caption", "No Such Window"], 2),
        (["wait", "--timeout", "soon"], 2),
        (["frobnicate"], 2),
    ]
    for args, code in cases:
        started = time.monotonic()
        exit_code, result, _ = driver.call(args, limit_s=30)
        assert (exit_code, result["ok"]) == (code, code == 0), (args, result)
        assert time.monotonic() - started < 5, args
