"""The program's own message box and about box, shown by tests/fixtures/prompt_host.cpp
under Wine: which buttons a type gives and how each way of answering ends the box, the
layout the texts make, the application's hook, and the about box's texts."""
import re
import time

import pytest

from harness.builds import make_build
from harness.uidriver import UiDriver, control, controls

CAPTION = "Vantrell"
CANCEL_QUESTION = "Do you want to cancel the setup wizard?"
LONG_TEXT = ("The package could not be downloaded because the server closed the connection "
             "before the whole file had arrived, so setup will try the next address and, "
             "when none is left, stop here and tell you what to do next.")
SC_CLOSE = 0xF060
SS_ICON = 0x3
# The box's children: its icon, main instruction and secondary text.
ICON_ID, MAIN_ID, SECONDARY_ID = 20, 21, 22
MB_ICONQUESTION, MB_ICONINFORMATION, MB_DEFBUTTON4 = 0x20, 0x40, 0x300


@pytest.fixture
def driver(prefix, build):
    return UiDriver(prefix, build / "tools" / "uidriver.exe")


class Host:
    def __init__(self, prefix, program):
        self.prefix = prefix
        self.program = program

    def show(self, *args):
        self.running = self.prefix.start([self.program] + [str(a) for a in args])
        return self

    def result(self):
        assert self.running.wait(30) == 0, self.running.output()
        out, _ = self.running.output()
        return int(re.search(r"result (-?\d+)", out).group(1))


@pytest.fixture
def host(prefix, build):
    return Host(prefix, build / "fixtures" / "prompt_host.exe")


def open_box(driver, caption=CAPTION):
    box = driver.wait(caption=caption, cls="#32770", visible=True, timeout=30000)
    return driver.inspect(hwnd=box["window"]["hwnd"])


def edges(window):
    """A window's or control's screen rectangle as (left, top, right, bottom)."""
    r = window["rect"]
    return r["left"], r["top"], r["right"], r["bottom"]


def buttons(box):
    """The push buttons, left to right."""
    return sorted(controls(box, cls="Button"), key=lambda b: edges(b)[0])


def in_client(box, item):
    """An item's rectangle in the box's client coordinates (the frame is equal on three sides)."""
    left, top, right, bottom = edges(box)
    border = (right - left - box["client"]["width"]) // 2
    x, y = left + border, bottom - border - box["client"]["height"]
    l, t, r, b = edges(item)
    return l - x, t - y, r - x, b - y


def screenshot(driver, box, artifacts, name):
    shot = driver.screenshot(artifacts / "prompts" / f"{name}.png", hwnd=box["hwnd"])
    assert shot["png"].stat().st_size > 0


def test_cancel_question_is_a_task_dialog(driver, host, artifacts):
    host.show("box", 0x4 | MB_ICONQUESTION, CANCEL_QUESTION, "")
    box = open_box(driver)
    screenshot(driver, box, artifacts, "cancel_question")
    icon, main = control(box, id=ICON_ID), control(box, id=MAIN_ID)
    assert int(icon["style"], 16) & 0x1F == SS_ICON
    assert main["text"] == CANCEL_QUESTION and not controls(box, id=SECONDARY_ID)

    yes, no = buttons(box)
    assert (yes["id"], yes["text"], no["id"], no["text"]) == (6, "&Yes", 7, "&No")
    # The icon sits at the margin; the buttons end at the text's right edge, one margin
    # from the box's, one gap apart, on the strip below the text.
    margin = in_client(box, icon)[0]
    assert in_client(box, icon)[1] == margin > 0
    assert edges(no)[2] == edges(main)[2] and box["client"]["width"] - in_client(box, no)[2] == margin
    assert edges(yes)[2] < edges(no)[0] and edges(yes)[1] == edges(no)[1] > edges(main)[3]
    assert box["client"]["height"] > in_client(box, no)[3]
    assert yes["default"] and yes["focused"] and box["defid"] == 6

    [close] = [item for item in driver.sysmenu(hwnd=box["hwnd"]) if item["id"] == SC_CLOSE]
    assert close["grayed"]
    # Escape does not answer a box without Cancel; N answers No.
    driver.key("Escape", hwnd=box["hwnd"])
    assert driver.run("gone", check=False, hwnd=box["hwnd"], timeout=1000)["exit"] == 1
    driver.key("N", hwnd=box["hwnd"])
    assert host.result() == 7


@pytest.mark.parametrize("box_type, captions, answer, result", [
    (0, ["OK"], "Enter", 1),
    (1, ["OK", "Cancel"], "close", 2),
    (4, ["&Yes", "&No"], "wm_close", 7),  # a close request the title bar cannot make
    (2, ["&Abort", "&Retry", "&Ignore"], "R", 4),
    (3, ["&Yes", "&No", "Cancel"], "Escape", 2),
    (5, ["&Retry", "Cancel"], "click Cancel", 2),
    (6, ["Cancel", "&Try Again", "&Continue"], "C", 11),
    (0x4000, ["OK", "&Help"], "Enter", 1),
    (9, ["OK"], "Enter", 1),  # types past the last set count as OK
])
def test_each_type_gives_its_buttons_and_answers(driver, host, box_type, captions, answer, result):
    host.show("box", box_type, "Continue?", "")
    box = open_box(driver)
    assert [b["text"] for b in buttons(box)] == captions
    closable = "Cancel" in captions
    [close] = [item for item in driver.sysmenu(hwnd=box["hwnd"]) if item["id"] == SC_CLOSE]
    assert close["enabled"] == closable
    if answer in ("close", "wm_close"):
        driver.close(hwnd=box["hwnd"], wm_close=answer == "wm_close")
    elif answer.startswith("click "):
        driver.answer(hwnd=box["hwnd"], button=answer[len("click "):])
    else:
        driver.key(answer, hwnd=box["hwnd"])
    assert host.result() == result


def test_texts_shape_the_box(driver, host, artifacts):
    host.show("box", MB_ICONINFORMATION, "", "Only a secondary text.")
    only_secondary = open_box(driver)
    screenshot(driver, only_secondary, artifacts, "secondary_only")
    # No blue main instruction: the secondary text starts at the top margin, beside the icon.
    assert not controls(only_secondary, id=MAIN_ID)
    icon, text = control(only_secondary, id=ICON_ID), control(only_secondary, id=SECONDARY_ID)
    assert in_client(only_secondary, text)[1] == in_client(only_secondary, icon)[1] == in_client(only_secondary, icon)[0]
    driver.key("Enter", hwnd=only_secondary["hwnd"])
    assert host.result() == 1

    host.show("box", 0, "Short.", "")
    short = open_box(driver)
    short_main = edges(control(short, id=MAIN_ID))
    driver.key("Enter", hwnd=short["hwnd"])
    assert host.result() == 1

    host.show("box", 0, LONG_TEXT, "And a secondary text below it.")
    long = open_box(driver)
    screenshot(driver, long, artifacts, "long_main_instruction")
    main, second = edges(control(long, id=MAIN_ID)), edges(control(long, id=SECONDARY_ID))
    line = short_main[3] - short_main[1]
    # Wrapped at the same width over several lines, the secondary text below; the box
    # keeps its width and grows in height.
    assert main[2] - main[0] == short_main[2] - short_main[0]
    assert main[3] - main[1] >= 3 * line and second[1] > main[3]
    assert long["client"]["width"] == short["client"]["width"]
    assert long["client"]["height"] >= short["client"]["height"] + (second[3] - short_main[3])
    driver.key("Enter", hwnd=long["hwnd"])
    assert host.result() == 1


def test_default_button_beyond_the_set_is_the_first(driver, host):
    host.show("box", 0x4 | MB_DEFBUTTON4, "Continue?", "")
    box = open_box(driver)
    yes, no = buttons(box)
    assert yes["default"] and not no["default"] and box["defid"] == 6
    driver.key("Enter", hwnd=box["hwnd"])
    assert host.result() == 6


def test_help_goes_to_the_owner(driver, host):
    host.show("help")
    box = open_box(driver)
    assert not driver.wait(caption="Help owner")["window"]["enabled"]  # modal to its owner
    driver.click(hwnd=box["hwnd"], id=9)
    driver.key("F1", hwnd=box["hwnd"])
    driver.answer(hwnd=box["hwnd"], button="OK")
    assert host.result() == 1
    out, _ = host.running.output()
    # A window's help request for the Help button, with the box's help context.
    assert re.findall(r"^help [^\r\n]*", out, re.M) == ["help 1 9 4711 1"] * 2


def test_hook_shows_our_box_with_the_default_icon(driver, host, artifacts):
    host.show("hook", 0, "A fatal error has occurred, please contact support.", "EXCEPTION_ACCESS_VIOLATION")
    box = open_box(driver)
    screenshot(driver, box, artifacts, "hook_error")
    assert box["caption"] == CAPTION
    assert control(box, id=ICON_ID)  # OK boxes get the exclamation icon
    assert control(box, id=MAIN_ID)["text"] == "A fatal error has occurred, please contact support."
    assert control(box, id=SECONDARY_ID)["text"] == "EXCEPTION_ACCESS_VIOLATION"
    driver.answer(hwnd=box["hwnd"], button="OK")
    assert host.result() == 1


def test_fault_while_the_fatal_box_is_up_falls_back_to_the_system_box(driver, host):
    host.show("nested-fault")
    # The first fault's report is our box; its loop meets the second fault, whose report
    # is the system's box. Neither waits for the other: answering it ends the process.
    ours = system = []
    for _ in range(40):
        boxes = [driver.inspect(hwnd=w["hwnd"]) for w in driver.list(caption=CAPTION, cls="#32770")]
        ours = [b for b in boxes if controls(b, id=MAIN_ID)]
        system = [b for b in boxes if not controls(b, id=MAIN_ID)]
        if ours and system:
            break
        time.sleep(0.5)
    assert len(ours) == 1 and len(system) == 1, boxes
    assert control(ours[0], id=MAIN_ID)["text"] == "A fatal error has occurred, please contact support."
    answered = driver.answer(hwnd=system[0]["hwnd"], button="OK")
    assert "EXCEPTION_ACCESS_VIOLATION" in answered["text"]
    assert host.running.wait(30) == 0


@pytest.mark.parametrize("trailer, flow", [
    (b"FlowName=Install7::About\r\n\0", "Install7::About"),
    (None, "Install3::2014-11-13"),  # without injected data: the build setting's
], ids=["injected", "settings"])
def test_about_box_names_product_version_and_flow(prefix, driver, build, artifacts, tmp_path, trailer, flow):
    program = build / "fixtures" / "prompt_host.exe"
    if trailer:
        program = make_build(prefix, build, tmp_path / "prompt_host.exe", program=program, trailer=trailer)
    host = Host(prefix, program).show("about")
    box = open_box(driver, caption="About")
    screenshot(driver, box, artifacts, "about" if trailer else "about_settings_flow")
    texts = {c["id"]: c["text"] for c in box["controls"]}
    assert texts[1022] == "Vantrell Setup Wizard"
    assert "2.5.0" in texts[1024]
    assert "Tamberly Utilities Inc." in texts[1023]  # the version resource's, not the string table's
    assert re.match(r"Built on \S.*2\d\d\d", texts[1034])
    assert texts[1032] == flow
    assert control(box, id=8)["default"]
    driver.click(hwnd=box["hwnd"], id=8)
    assert host.result() == 8
