"""Walking the installer's wizard through the UI driver: its pages, its message boxes,
and leaving it whatever page it is on."""
import re
import time

FRAME = "Vantrell Setup"
BOX = "Vantrell"
FINISH = 12


def page_controls(driver):
    """{control id: control} of the page on screen (the frame's descendants)."""
    window = driver.inspect(caption=FRAME)
    return {c["id"]: c for c in window["controls"] if c["id"] != 0}


def open_box(driver, timeout_ms=300):
    """The message box on screen, read but not answered; None when there is none."""
    box = driver.run("answer", check=False, caption=BOX, timeout=timeout_ms)
    return box if box["exit"] == 0 else None


def wait_for_page(driver, control_id, timeout=60):
    """Waits until the page on screen has the control; returns the page's controls."""
    deadline = time.monotonic() + timeout
    while True:
        controls = page_controls(driver)
        if control_id in controls:
            return controls
        if time.monotonic() > deadline:
            raise AssertionError(f"no page with control {control_id}: {sorted(controls)}")
        time.sleep(0.3)


def leave(driver, program, timeout=90):
    """Ends the wizard from wherever it is: error boxes are acknowledged, the cancel
    question is answered Yes, and the finished page is closed. Returns the exit status."""
    deadline = time.monotonic() + timeout
    while program.running():
        if time.monotonic() > deadline:
            raise AssertionError("the wizard did not end")
        box = open_box(driver)
        if box:
            names = [b["text"].replace("&", "") for b in box["buttons"]]
            driver.answer(caption=BOX, button="Yes" if "Yes" in names else box["buttons"][0]["id"])
            continue
        try:
            controls = page_controls(driver)
            driver.close(caption=FRAME, timeout=2000)
        except Exception:  # the frame went away between the calls
            continue
        if FINISH not in controls:
            open_box(driver, 3000)
    return program.wait(30)


def acknowledge_boxes(driver, quiet_ms=1500):
    """Presses the first button of every box that appears until none has come for quiet_ms."""
    while (box := open_box(driver, quiet_ms)):
        driver.answer(caption=BOX, button=box["buttons"][0]["id"])


def temp_leftovers(prefix):
    """Names of the installer's temporary files still in the user's temporary folders."""
    found = []
    for temp in list(prefix.drive_c.glob("users/*/Temp")) + list(prefix.drive_c.glob("users/*/AppData/Local/Temp")):
        found += [p.name for p in temp.iterdir()
                  if re.match(r"(tmu|stw|twp|vtl)[0-9A-Fa-f]{1,4}\.tmp", p.name)]
    return found
