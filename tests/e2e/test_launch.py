"""Starting the installed product: the install scan of the install task and the
finished page's Finish, played by tests/fixtures/launch_host.cpp with the program's
own settings, against the demo product (which logs how it was started and writes
its scan values) and a recording browser, in a real prefix."""
import shutil
import time

import pytest

from harness import packages
from harness.builds import make_build
from harness.telemetry_server import TelemetryServer
from test_startup import default_settings, example_data

APP_KEY = r"HKCU\SOFTWARE\Tamberly Utilities Inc\Vantrell"
EXE = r"C:\Program Files\Vantrell\Vantrell.exe"
BROWSER = r"C:\Program Files\Google\Chrome\Application\chrome.exe"
RESULTS = "http://www.vantrell.example/scan_results/index.php"
SCAN_TEXT = "Scanning Your Computer..."


def wait_lines(path, expected, timeout=20):
    """The file's lines once `expected` of them are there (the programs started run on
    their own); for none, after a short while in which nothing came."""
    deadline = time.monotonic() + (timeout if expected else 3)
    while True:
        lines = path.read_text(encoding="utf-8").splitlines() if path.exists() else []
        if (expected and len(lines) >= expected) or time.monotonic() > deadline:
            return lines
        time.sleep(0.25)


@pytest.fixture
def launcher(prefix, build, root, tmp_path):
    """The product in its folder, the recording browser as the chosen browser, and a
    runner of launch_host with settings changed as given."""
    product = prefix.drive_c / packages.INSTALL_DIR
    product.mkdir(parents=True)
    shutil.copy(build / "fixtures" / "product" / "Vantrell.exe", product)
    browser = prefix.drive_c / "Program Files" / "Google" / "Chrome" / "Application"
    browser.mkdir(parents=True)
    shutil.copy(build / "fixtures" / "offer_installer.exe", browser / "chrome.exe")
    prefix.reg_add(r"HKLM\SOFTWARE\Tamberly Utilities Inc\Vantrell\InstallerData", "browser", data="chrome")
    # The desktop (and its shell) stays up between calls, as it does around a real setup.
    prefix.keep_server()

    class Launcher:
        product_log = product / "Vantrell.log"
        browser_log = tmp_path / "browser.log"
        telemetry = TelemetryServer().start()

        def run(self, words, **settings):
            host = make_build(prefix, build, tmp_path / "launch_host.exe", program=build / "fixtures" / "launch_host.exe",
                              settings=default_settings(root, **self.telemetry.settings(), **settings),
                              trailer=example_data(root))
            proc = prefix.run([host, *words], timeout=120,
                              env={"WRENKIT_OFFER_LOG": prefix.windows_path(self.browser_log)})
            assert proc.returncode == 0 and proc.stdout.splitlines()[-1] == "done", proc.stdout + proc.stderr
            return proc.stdout.splitlines()[:-1]

        def started(self, expected):
            """The product's command lines after its path."""
            return [line[len(EXE) + 2:].strip() if line.startswith(f'"{EXE}"') else line
                    for line in wait_lines(self.product_log, expected)]

        def finish_actions(self):
            return [(name, attrs) for kind, name, attrs in self.telemetry.flow() if name == "InstallFinishedButton"]

        def finish_events(self, expected):
            """The logging event sent at Finish: fire and forget, so it may arrive late."""
            self.telemetry.wait_for(lambda t: t.events().count("InstallerFinishedButton") >= expected,
                                    timeout=10 if expected else 2)
            return [e for e in self.telemetry.events() if e == "InstallerFinishedButton"]

    launcher = Launcher()
    yield launcher
    launcher.telemetry.stop()


def progress(lines):
    return [(int(line.split(" ", 2)[1]), line.split(" ", 2)[2]) for line in lines if line.startswith("progress ")]


def test_install_scan_starts_the_product_and_waits_for_its_event(launcher, prefix):
    lines = launcher.run(["scan"])
    # The product creates the event within a round or two of the wait, not after 8 s.
    values = [value for value, text in progress(lines)]
    assert values[0] == 0 and values[-1] == 95 and values[1:-1] == [7 * (i + 1) for i in range(len(values) - 2)]
    assert len(values) < 6
    assert {text for _, text in progress(lines)} == {SCAN_TEXT}
    assert launcher.started(1) == ["-installscan"]
    scan = prefix.reg_values(APP_KEY)
    assert scan["InstallScanID"][1] == "vt-scan-2501"


@pytest.mark.parametrize("settings, expected_progress, started", [
    # The event is there already: no waiting at all.
    pytest.param({}, [0, 95], 2, id="event-exists"),
    # No product path: nothing is started, the scan only finishes its bar.
    pytest.param({"AppExe": None}, [95], 1, id="no-product"),
])
def test_install_scan_edges(launcher, prefix, settings, expected_progress, started):
    holder = prefix.start([prefix.drive_c / packages.INSTALL_DIR / "Vantrell.exe", "-installscan"])
    try:
        assert wait_lines(launcher.product_log, 1) and prefix.reg_values(APP_KEY)  # the event is up
        assert [v for v, _ in progress(launcher.run(["scan"], **settings))] == expected_progress
        assert launcher.started(started) == ["-installscan"] * started
    finally:
        holder.wait(60)


def test_install_scan_through_the_shell_when_elevation_is_asked_for(launcher, prefix):
    # Any "LaunchAs" but "AsInvoker" starts the scan through the desktop's shell, with
    # the desktop user's rights. The shell is given the whole command as the arguments,
    # so the product sees its own path first.
    lines = launcher.run(["scan"], LaunchAs="RequireAdministrator")
    assert launcher.started(1) == [f'"{EXE}" -installscan']
    assert progress(lines)[-1] == (95, SCAN_TEXT)
    assert prefix.reg_values(APP_KEY)["InstallScanID"][1] == "vt-scan-2501"


SCAN_VALUES = {"InstallScanID": "vt-scan-2501", "InstallScanUrlParams": "??src=installer&ver=2.5.0"}


@pytest.mark.parametrize("words, settings, scan_values, started, opened, finished", [
    # Install-scan mode: the product shows the results, the browser the results page.
    pytest.param(["launch"], {}, SCAN_VALUES, ["-installresults"], True, {"ScanFinished": "yes"}, id="scan-launch"),
    pytest.param([], {}, SCAN_VALUES, ["-installresults -close"], True, {"ScanFinished": "yes"}, id="scan-no-launch"),
    # The scan never wrote its identifier: no results page, and the flow says so.
    pytest.param(["launch"], {}, {}, ["-installresults"], False, {"ScanFinished": "no"}, id="scan-no-id"),
    # Plain mode: the product starts without switches, or not at all.
    pytest.param(["launch"], {"InstallScanEvent": None}, {}, [""], False, {}, id="plain-launch"),
    pytest.param([], {"InstallScanEvent": None}, {}, [], False, {}, id="plain-no-launch"),
])
def test_finish_starts_what_the_mode_asks_for(launcher, prefix, words, settings, scan_values, started, opened,
                                              finished):
    for name, value in scan_values.items():
        prefix.reg_add(APP_KEY, name, data=value)
    launcher.run(["finish", *words], **settings)

    assert launcher.started(len(started)) == started
    address = f"{RESULTS}?guid=vt-scan-2501&lang=en&src=installer&ver=2.5.0"
    assert wait_lines(launcher.browser_log, int(opened)) == ([f'"{BROWSER}" {address}'] if opened else [])
    assert launcher.finish_actions() == [("InstallFinishedButton", finished)]
    assert len(launcher.finish_events(1)) == 1


def test_interrupted_setup_starts_nothing_and_ends_no_flow(launcher, prefix):
    for name, value in SCAN_VALUES.items():
        prefix.reg_add(APP_KEY, name, data=value)
    launcher.run(["finish", "launch", "interrupted"])
    assert launcher.started(0) == [] and wait_lines(launcher.browser_log, 0) == []
    assert launcher.finish_actions() == [] and launcher.finish_events(0) == []


def test_final_launch_through_the_shell_for_as_invoker(launcher):
    # "AsInvoker" hands the final start to the desktop's shell.
    launcher.run(["finish", "launch"], InstallScanEvent=None, LaunchAs="AsInvoker")
    assert launcher.started(1) == [f'"{EXE}"']
    assert launcher.finish_actions() == [("InstallFinishedButton", {})]
