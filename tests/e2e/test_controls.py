"""The markup label in a real window: a click on its link opens the address with the
system's handler for it, a click beside the link opens nothing."""
import time

import pytest

from harness.uidriver import UiDriver

HOST = "Label host"
LABEL_ID = 100
ADDRESS = "http://terms.example.test/eula?lang=en"


@pytest.fixture
def opened(prefix, build, tmp_path):
    """Makes a recorder the prefix's http handler; returns the file it writes each address to."""
    log = tmp_path / "opened.txt"
    recorder = prefix.windows_path(build / "fixtures" / "offer_installer.exe")
    prefix.run(["reg", "add", r"HKCR\http\shell\open\command", "/ve", "/d", f'"{recorder}" "%1"', "/f"], check=True)
    return log


def wait_for_text(path, timeout_s):
    deadline = time.monotonic() + timeout_s
    while time.monotonic() < deadline:
        if path.exists() and path.read_text(encoding="utf-8").strip():
            return path.read_text(encoding="utf-8")
        time.sleep(0.25)
    return ""


def test_a_click_on_a_link_opens_its_address_and_a_click_beside_it_nothing(prefix, build, opened):
    driver = UiDriver(prefix, build / "tools" / "uidriver.exe")
    host = prefix.start([build / "fixtures" / "label_host.exe", ADDRESS],
                        env={"WRENKIT_OFFER_LOG": prefix.windows_path(opened)})
    driver.wait(caption=HOST, timeout=30000)

    # The label is 380 x 40 and its text one short line: its lower right is empty.
    driver.click(caption=HOST, id=LABEL_ID, at=(370, 35))
    assert wait_for_text(opened, 3) == ""

    # The text begins with the link.
    driver.click(caption=HOST, id=LABEL_ID, at=(5, 6))
    recorded = wait_for_text(opened, 10)
    assert ADDRESS in recorded
    assert recorded.count(ADDRESS) == 1, "one click, one opening"

    driver.close(caption=HOST, wm_close=True)
    assert host.wait(30) == 0
