"""The wizard as a user meets it, under Wine and Xvfb against local package servers:
welcome, progress and finished pages; cancelling; failing and restart-requiring
packages; the notification-area mode of tracked campaigns."""
import bz2
import subprocess
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
        assert int(driver.inspect(caption=FRAME)["exstyle"], 16) & 0x8  # stays above other windows
        assert not welcome[1000]["enabled"] and welcome[1002]["default"]
        assert welcome[1003]["text"] == "Welcome to the\r\nVantrell Setup Wizard"
        assert "License Agreement" in welcome[1006]["text"]
        shoot(driver, artifacts, "welcome")
        driver.key("Enter", caption=FRAME)  # the default button, I Agree

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
    # This build installs with an install scan, so the launch shows the scan's results.
    assert launches(prefix)[-1].endswith("Vantrell.exe\" -installresults")
    assert wizard.temp_leftovers(prefix) == []


def assert_interrupted(page):
    assert (page[1011]["text"], page[1012]["text"]) == INTERRUPTED
    assert not page[1013]["visible"]


def test_cancel_on_the_welcome_page(prefix, build, root, served, driver, tmp_path):
    with ThrottledServer(served, seconds=3) as server:
        program = start(prefix, build, root, tmp_path, f"{server.url}/product.msi.bz2")
        wizard.wait_for_page(driver, 1002)
        driver.key("Escape", caption=FRAME)
        box = driver.answer(caption=wizard.BOX, button="No")
        assert box["text"] == CANCEL_QUESTION
        assert [b["text"] for b in box["buttons"]] == ["&Yes", "&No"]
        assert 1002 in wizard.page_controls(driver)
        confirm_cancel(driver, "Yes")
        assert_interrupted(wizard.wait_for_page(driver, 1013))
        driver.click(caption=FRAME, id=12)
        assert program.wait(60) == 0
    assert not installed(prefix) and launches(prefix) == []
    assert wizard.temp_leftovers(prefix) == []


def test_cancel_during_the_download(prefix, build, root, served, driver, tmp_path):
    with ThrottledServer(served, seconds=8) as server:
        program = start(prefix, build, root, tmp_path, f"{server.url}/product.msi.bz2")
        wizard.wait_for_page(driver, 1002)
        driver.click(caption=FRAME, id=1002)
        wizard.wait_for_page(driver, 1010)
        confirm_cancel(driver, "Yes")
        # The page waits for the installation thread's end notice, Cancel still usable.
        waiting = wizard.page_controls(driver)
        assert 1010 in waiting and waiting[2]["enabled"]
        assert_interrupted(wizard.wait_for_page(driver, 1013))
        driver.click(caption=FRAME, id=12)
        assert program.wait(60) == 0
    assert not installed(prefix)
    assert wizard.temp_leftovers(prefix) == []


def test_cancel_during_the_installer_run_ends_interrupted(prefix, build, root, served, driver, tmp_path):
    with PackageServer(served) as server:
        program = start(prefix, build, root, tmp_path, f"{server.url}/slow.msi.bz2")
        wizard.wait_for_page(driver, 1002)
        driver.click(caption=FRAME, id=1002)
        deadline = time.monotonic() + 60
        while wizard.page_controls(driver).get(1009, {}).get("text") != "Installing Vantrell...":
            assert time.monotonic() < deadline, "the installer never started"
            time.sleep(0.3)
        confirm_cancel(driver, "Yes")
        assert_interrupted(wizard.wait_for_page(driver, 1013, timeout=90))
        driver.click(caption=FRAME, id=12)
        assert program.wait(60) == 0
    assert launches(prefix) == [] or all("-wait" in line for line in launches(prefix))
    assert wizard.temp_leftovers(prefix) == []


# A refused download fails while the welcome page is still up: the frame shows the error
# itself. An installer failure comes after I Agree, on the progress page.
@pytest.mark.parametrize("case, path, agree, error", [
    ("download refused", "/status/product.msi.bz2?code=404", False, "0x80190194"),
    ("installer fails", "fail.msi.bz2", True, "Installation failure."),  # Wine's text for 1603
])
def test_failure_ends_prematurely_with_the_error(prefix, build, root, served, driver, tmp_path, case, path, agree,
                                                 error):
    with FaultServer(default_behaviour="file") as faults, PackageServer(served) as server:
        url = faults.url + path if path.startswith("/status") else f"{server.url}/{path}"
        program = start(prefix, build, root, tmp_path, url)
        if agree:
            wizard.wait_for_page(driver, 1002)
            driver.click(caption=FRAME, id=1002)
        box = driver.answer(caption=wizard.BOX, button="OK", timeout=90000)
        assert error in box["text"], box
        page = wizard.wait_for_page(driver, 1013)
        assert page[1011]["text"] == FAILED_TITLE and not page[1013]["visible"]
        driver.click(caption=FRAME, id=12)
        assert program.wait(60) == 0
    assert wizard.temp_leftovers(prefix) == []


def test_restart_request_hides_the_launch_choice(prefix, build, root, served, driver, tmp_path):
    with PackageServer(served) as server:
        program = start(prefix, build, root, tmp_path, f"{server.url}/reboot.msi.bz2")
        wizard.wait_for_page(driver, 1002)
        driver.click(caption=FRAME, id=1002)
        page = wizard.wait_for_page(driver, 1013, timeout=90)
        assert page[1011]["text"] == "Completed the Vantrell Setup Wizard" and not page[1013]["visible"]
        driver.click(caption=FRAME, id=12)
        assert program.wait(60) == 0
    # The product only ran its install scan and the scan's close-down: nothing launched it.
    assert installed(prefix) and not [line for line in launches(prefix) if line.endswith("-installresults")]


def balloons(driver):
    return [w for w in driver.list(cls="tooltips_class32") if w["visible"]]


@pytest.mark.parametrize("track, tray", [("TWP00012", True), ("twp00011", False)])
def test_tracked_campaign_continues_in_the_tray(prefix, build, root, served, driver, tmp_path, artifacts,
                                                track, tray):
    data = (root / "tests" / "fixtures" / "data" / "injected_example.txt").read_bytes() + b"\0"
    with PackageServer(served) as server:
        setup = make_build(prefix, build, tmp_path / "VantrellSetup.exe",
                           settings=default_settings(root, MsiUrl=f"{server.url}/slow.msi.bz2"),
                           # This copy's cleaner offer is switched off: the progress page follows I Agree.
                           trailer=data.replace(b"@track=", b"@track=" + track.encode())
                           .replace(b"?TwpOffer=enabled", b"?TwpOffer=disabled"))
        program = prefix.start([setup])
        frame = driver.wait(caption=FRAME, timeout=30000)["window"]
        assert not int(frame["style"], 16) & 0x00020000  # a campaign copy has no minimise box
        wizard.wait_for_page(driver, 1002)
        driver.click(caption=FRAME, id=1002)
        wizard.wait_for_page(driver, 1010)
        time.sleep(2)
        frame = driver.inspect(caption=FRAME)
        if tray:
            # Hidden in the notification area with its balloon; the end launches the product
            # without a finished page.
            assert not frame["visible"]
            [balloon] = balloons(driver)
            subprocess.run(["import", "-window", "root", "-display", prefix.display,
                            str(artifacts / "wizard" / "tray.png")], check=True, timeout=60)
            assert program.wait(120) == 0
            assert launches(prefix)[-1].endswith("-installresults")
        else:
            assert frame["visible"] and balloons(driver) == []
            wizard.wait_for_page(driver, 1013, timeout=90)
            assert wizard.leave(driver, program) == 0


def test_back_returns_to_a_fresh_earlier_page(prefix, build, root, served, driver, tmp_path):
    """Licence, welcome, licence again: the welcome page offers Back only when it was
    reached by going back, and the sequence goes on from there."""
    licence, welcome = 1028, 1039  # controls only that page has
    with PackageServer(served) as server:
        program = start(prefix, build, root, tmp_path, f"{server.url}/product.msi.bz2",
                        PageOrder="CLicensePage,CWelcomePage,CLicensePage,CProgressPage,CFinishedPage")
        first = wizard.wait_for_page(driver, licence)
        assert first[1003]["text"] == "End-User License Agreement" and first[1000]["enabled"]
        driver.click(caption=FRAME, id=1002)
        assert not wizard.wait_for_page(driver, welcome)[1000]["enabled"]
        driver.click(caption=FRAME, id=1002)
        wizard.wait_for_page(driver, licence)
        driver.click(caption=FRAME, id=1000)
        assert wizard.wait_for_page(driver, welcome)[1000]["enabled"]
        driver.click(caption=FRAME, id=1002)
        wizard.wait_for_page(driver, licence)
        driver.click(caption=FRAME, id=1002)
        wizard.wait_for_page(driver, 1013, timeout=90)
        driver.click(caption=FRAME, id=12)
        assert program.wait(60) == 0
    assert installed(prefix)


def test_unknown_page_class_ends_prematurely(prefix, build, root, served, driver, tmp_path):
    # No trimming: the second name starts with a space and names no page.
    with PackageServer(served) as server:
        program = start(prefix, build, root, tmp_path, f"{server.url}/product.msi.bz2",
                        PageOrder="CWelcomePage, CProgressPage,CFinishedPage")
        wizard.wait_for_page(driver, 1002)
        driver.click(caption=FRAME, id=1002)
        wizard.acknowledge_boxes(driver, quiet_ms=3000)
        page = wizard.wait_for_page(driver, 1013)
        assert page[1011]["text"] == FAILED_TITLE
        assert wizard.leave(driver, program) == 0
