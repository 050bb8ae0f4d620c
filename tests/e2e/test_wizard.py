"""The wizard as a user meets it, under Wine and Xvfb against local package servers:
welcome, progress and finished pages; cancelling; failing and restart-requiring
packages; the notification-area mode of tracked campaigns."""
import bz2
import time

import pytest

from harness import packages, wizard
from harness.builds import make_build
from harness.fault_server import FaultServer
from harness.package_server import PackageServer
from harness.throttled_server import ThrottledServer
from harness.uidriver import UiDriver
from test_startup import default_settings

FRAME = wizard.FRAME
INTERRUPTED = ("Vantrell Setup Wizard was interrupted",
               "Vantrell setup was interrupted. Your system has not been modified. To install Vantrell at a later "
               "time, please run the installation again. Click the Finish button to exit the Setup Wizard.")
FAILED_TITLE = "Vantrell Setup Wizard ended prematurely"
CANCEL_QUESTION = "Do you want to cancel the setup wizard?"


@pytest.fixture(scope="module")
def served(build, tmp_path_factory):
    """The download folder: every variant of the product package, compressed."""
    work = tmp_path_factory.mktemp("packages")
    www = work / "www"
    www.mkdir()
    for variant in ("product", "reboot", "fail", "slow"):
        msi = packages.build_package(variant, work, build / "fixtures" / "product")
        (www / f"{variant}.msi.bz2").write_bytes(bz2.compress(msi.read_bytes()))
    return www


@pytest.fixture
def driver(prefix, build):
    return UiDriver(prefix, build / "tools" / "uidriver.exe")


def start(prefix, build, root, tmp_path, msi_url, **settings):
    setup = make_build(prefix, build, tmp_path / "VantrellSetup.exe",
                       settings=default_settings(root, MsiUrl=msi_url, **settings))
    return prefix.start([setup])


def installed(prefix):
    return (prefix.drive_c / packages.INSTALL_DIR / "Vantrell.exe").is_file()


def launches(prefix):
    log = prefix.drive_c / packages.INSTALL_DIR / "Vantrell.log"
    return log.read_text(encoding="utf-8").splitlines() if log.is_file() else []


def shoot(driver, artifacts, name):
    driver.screenshot(artifacts / "wizard" / f"{name}.png", caption=FRAME)


def confirm_cancel(driver, answer):
    driver.close(caption=FRAME)
    box = driver.answer(caption=wizard.BOX, button=answer)
    assert box["text"] == CANCEL_QUESTION
    return box


def test_happy_path_installs_and_launches(prefix, build, root, served, driver, tmp_path, artifacts):
    with ThrottledServer(served, seconds=4) as server:
        program = start(prefix, build, root, tmp_path, f"{server.url}/slow.msi.bz2")
        welcome = wizard.wait_for_page(driver, 1002)
        assert not welcome[1000]["enabled"] and welcome[1002]["default"]
        assert welcome[1003]["text"] == "Welcome to the\r\nVantrell Setup Wizard"
        assert "License Agreement" in welcome[1006]["text"]
        shoot(driver, artifacts, "welcome")
        driver.click(caption=FRAME, id=1002)

        # The progress page while the package downloads, decompresses and installs.
        samples = []
        while True:
            controls = wizard.page_controls(driver)
            if 1013 in controls:
                break
            if 1010 in controls:
                samples.append({k: (controls[k].get("pos"), controls[k]["text"], controls[k]["enabled"])
                                for k in (1010, 1007, 1009, 1008, 2)})
                if len(samples) == 2:
                    shoot(driver, artifacts, "progress")
            time.sleep(0.2)
    assert samples, "the progress page never showed"
    overall = [s[1010][0] for s in samples]
    step = [s[1007][0] for s in samples]
    assert len(set(overall)) > 1 and len(set(step)) > 1, samples
    assert len({s[1009][1] for s in samples}) > 1  # the task title changes
    assert samples[0][2][2]  # Cancel enabled while downloading

    finished = wizard.wait_for_page(driver, 1013)
    assert finished[1013]["visible"] and finished[1013]["checked"] == 1
    assert finished[1011]["text"] == "Completed the Vantrell Setup Wizard"
    shoot(driver, artifacts, "finished")
    driver.click(caption=FRAME, id=12)
    assert program.wait(60) == 0
    assert installed(prefix)
    assert any(line.strip().endswith("Vantrell.exe\"") or "Vantrell.exe" in line for line in launches(prefix)[-1:])
    assert wizard.temp_leftovers(prefix) == []
