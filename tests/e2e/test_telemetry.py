"""Telemetry against the recording server: the form POST and the session-init replies
(telemetry_tests.exe's server cases, checked here from the server's side), and the
wizard's flow records and logging events under Wine, with the servers up, down and silent."""
import bz2
import shutil
import time

import pytest

from conftest import BUILD, WINE_ROOT
from harness import packages, wizard
from harness.builds import make_build
from harness.package_server import PackageServer
from harness.telemetry_server import ACTION_PATH, INIT_PATH, SESSION_ID, TelemetryServer
from harness.uidriver import UiDriver
from harness.wine import copy_prefix
from test_startup import default_settings

TELEMETRY_TESTS = BUILD / "unit" / "telemetry_tests.exe"
FRAME = wizard.FRAME
NOT_VALID = "This installer is no longer valid."


def run_unit_cases(prefix, server, silent):
    assert TELEMETRY_TESTS.exists(), f"{TELEMETRY_TESTS} is not built"
    proc = prefix.run([TELEMETRY_TESTS, "--gtest_filter=TelemetryServer*:*/TelemetryServer*"],
                      timeout=300, env={"WRENKIT_TELEMETRY_SERVER": server.url, "WRENKIT_TELEMETRY_SILENT": silent.url})
    output = proc.stdout + proc.stderr
    assert proc.returncode == 0, output
    assert "SKIPPED" not in output, output
    print(*[line for line in output.splitlines() if "silent server cost" in line])


def test_form_post_and_session_replies(prefix):
    with TelemetryServer() as server, TelemetryServer("silent") as silent:
        run_unit_cases(prefix, server, silent)
    # The silent server read the request it never answered.
    assert [r["form"] for r in silent.requests(INIT_PATH)] == [{"flow": "silent"}]

    [fields] = [r for r in server.requests(INIT_PATH) if ("case", "fields") in r["query"]]
    assert fields["content_type"] == "application/x-www-form-urlencoded"
    assert fields["form"] == {"plain": "abc", "empty": "", "unsafe": "a b?c#d&e=f+g%h/i",
                              "text": "Gr\u00fc\u00dfe \u65e5\u672c", "attributes[reason]": "No backup URL found."}
    body = fields["body"].decode("ascii")
    assert "text=Gr%C3%BC%C3%9Fe%20%E6%97%A5%E6%9C%AC" in body and "empty=&" in body
    [empty] = [r for r in server.requests(INIT_PATH) if ("case", "empty") in r["query"]]
    assert empty["body"] == b"" and empty["content_type"] == "application/x-www-form-urlencoded"

    # Every reply case sent one action; its session_id is the id the case expects.
    cases = [r for r in server.flow_records() if r[1] == "ReplyCase"]
    assert len(cases) == 10
    for _, _, attrs, session_id in cases:
        assert session_id == attrs["expect"], attrs["case"]


# The wizard under Wine, its telemetry going to the recording server.

@pytest.fixture(scope="module")
def served(build, tmp_path_factory):
    work = tmp_path_factory.mktemp("packages")
    www = work / "www"
    www.mkdir()
    for variant in ("product", "fail"):
        msi = packages.build_package(variant, work, build / "fixtures" / "product")
        (www / f"{variant}.msi.bz2").write_bytes(bz2.compress(msi.read_bytes()))
    with PackageServer(www) as server:
        yield server


@pytest.fixture
def driver(prefix, build):
    return UiDriver(prefix, build / "tools" / "uidriver.exe")


def start_wizard(prefix, build, root, tmp_path, served, telemetry, variant="product"):
    setup = make_build(prefix, build, tmp_path / "VantrellSetup.exe",
                       settings=default_settings(root, MsiUrl=f"{served.url}/{variant}.msi.bz2",
                                                 **telemetry.settings()))
    return prefix.start([setup])


def finish(driver, program, timeout=60):
    """Presses Finish; returns (exit status, seconds from the press to the exit)."""
    pressed = time.monotonic()
    driver.click(caption=FRAME, id=wizard.FINISH)
    status = program.wait(timeout)
    return status, time.monotonic() - pressed


def install(driver, program):
    """I Agree, then the finished page; returns the seconds between the two."""
    wizard.wait_for_page(driver, 1002)
    agreed = time.monotonic()
    driver.click(caption=FRAME, id=1002)
    wizard.wait_for_page(driver, 1013, timeout=120)
    return time.monotonic() - agreed


def installed(prefix):
    return (prefix.drive_c / packages.INSTALL_DIR / "Vantrell.exe").is_file()


def assert_one_session_to_the_end(server, final):
    records = server.flow_records()
    assert records[0][0] == "start" and records[-1][:2] == ("end", final), records
    assert [r[0] for r in records].count("end") == 1  # nothing after the end
    assert all(r[3] == SESSION_ID for r in records[1:]), records


def test_the_road_is_reported_in_order(prefix, build, root, tmp_path, served, driver):
    with TelemetryServer() as server:
        program = start_wizard(prefix, build, root, tmp_path, served, server)
        install(driver, program)
        status, _ = finish(driver, program)
    assert status == 0 and installed(prefix)

    [init] = server.requests(INIT_PATH)
    assert init["form"]["flow"] == "Install3::2014-11-13" and init["form"]["application"] == "Vantrell"
    assert init["form"]["attributes[arch]"] == "x64" and init["form"]["attributes[os]"].count(".") == 1
    assert_one_session_to_the_end(server, "InstallFinishedButton")
    names = [name for _, name, _ in server.flow()]
    assert ("action", "EULAAccept", {"product": "Vantrell"}) in server.flow()
    assert names.index("EULAAccept") < names.index("InstallFinished") < names.index("InstallFinishedButton")

    events = {dict(r["query"])["ev"]: dict(r["query"]) for r in server.requests("/ulc.php")}
    assert sorted(events) == ["InstallerAccepted", "InstallerFinished", "InstallerFinishedButton",
                              "InstallerInvoked"]
    machine = events["InstallerInvoked"]["machineId"]
    assert len(machine) == 36 and all(e["machineId"] == machine and e["upl"] == "" for e in events.values())
    # The installation id is made at the end of the installation and known from then on.
    assert "installId" not in events["InstallerInvoked"] and "installId" not in events["InstallerAccepted"]
    install_id = events["InstallerFinished"]["installId"]
    assert len(install_id) == 36 and events["InstallerFinishedButton"]["installId"] == install_id


def test_withdrawn_installer_ends_at_i_agree(prefix, build, root, tmp_path, served, driver):
    with TelemetryServer(init_reply=b"w1thdr4wn\n0\n2\n1\n") as server:
        program = start_wizard(prefix, build, root, tmp_path, served, server)
        wizard.wait_for_page(driver, 1002)
        assert server.wait_for(lambda s: s.requests(INIT_PATH))
        time.sleep(1)  # the tracker thread reads the reply right after it came
        driver.click(caption=FRAME, id=1002)
        box = driver.answer(caption=wizard.BOX, button="OK", timeout=30000)
        assert box["text"] == NOT_VALID
        assert program.wait(60) == 0
    assert "EULAAccept" not in [name for _, name, _ in server.flow()]
    assert "InstallerAccepted" not in server.events()
    assert not installed(prefix)


def test_confirmed_cancel_ends_the_flow_cancelled(prefix, build, root, tmp_path, served, driver):
    with TelemetryServer() as server:
        program = start_wizard(prefix, build, root, tmp_path, served, server)
        wizard.wait_for_page(driver, 1002)
        driver.close(caption=FRAME)
        driver.answer(caption=wizard.BOX, button="Yes")
        wizard.wait_for_page(driver, 1013)
        status, _ = finish(driver, program)
    assert status == 0
    assert_one_session_to_the_end(server, "InstallCancelled")
    assert "InstallerFinished" not in server.events()


def test_failure_reaching_the_hook_is_reported(prefix, build, root, tmp_path, served, driver):
    with TelemetryServer() as server:
        program = start_wizard(prefix, build, root, tmp_path, served, server, variant="fail")
        wizard.wait_for_page(driver, 1002)
        driver.click(caption=FRAME, id=1002)
        driver.answer(caption=wizard.BOX, button="OK", timeout=90000)
        wizard.wait_for_page(driver, 1013)
        status, _ = finish(driver, program)
    assert status == 0
    assert_one_session_to_the_end(server, "InstallBroken")
    [(_, name, attrs)] = [r for r in server.flow() if r[1].startswith("Exception::")]
    assert name == "Exception::COleException" and attrs["message"] == "Installation failure.", (name, attrs)


def test_servers_down_or_silent_do_not_hold_up_the_wizard(base_prefix, build, root, tmp_path, served):
    """Measures I Agree to the finished page, and Finish to the exit, per server mode, each in
    a fresh prefix; prints the ratios to the run with the servers up. Every mode must install."""
    timings = {}
    for mode in ("up", "down", "silent"):
        prefix = copy_prefix(base_prefix, WINE_ROOT / "t" / f"telemetry-timing-{mode}")
        try:
            driver = UiDriver(prefix, build / "tools" / "uidriver.exe")
            with TelemetryServer(mode) as server:
                program = start_wizard(prefix, build, root, tmp_path / mode, served, server)
                road = install(driver, program)
                status, exit_time = finish(driver, program, timeout=120)
                assert status == 0 and installed(prefix), mode
                timings[mode] = (road, exit_time, len(server.flow()))
        finally:
            prefix.kill()
            shutil.rmtree(prefix.path, ignore_errors=True)
    up_road = timings["up"][0]
    print()
    for mode, (road, exit_time, received) in timings.items():
        print(f"telemetry {mode:6}: I Agree to finished page {road:5.1f} s (x{road / up_road:.2f} of up), "
              f"Finish to exit {exit_time:5.1f} s, flow records received {received}")
