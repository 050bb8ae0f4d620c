"""Start-up under Wine: identity in the registry, the single instance, the two
configuration layers, and every way start-up can fail."""
import re

import pytest

from harness.builds import make_build
from harness.telemetry_server import TelemetryServer
from harness.uidriver import UiDriver
from harness import wizard

COMPANY = r"HKLM\SOFTWARE\Tamberly Utilities Inc"
REGISTRATION = COMPANY + r"\Vantrell\Registration"
FRAME = "Vantrell Setup"
DEFAULT_FLOW = "Install3::2014-11-13"
ALREADY_RUNNING = ("A software installation program is already running, wait for it to complete "
                   "and run the Vantrell setup again.")


@pytest.fixture
def driver(prefix, build):
    return UiDriver(prefix, build / "tools" / "uidriver.exe")


@pytest.fixture
def server():
    with TelemetryServer() as s:
        yield s


def telemetry_build(prefix, build, root, out, server, program=None, **settings):
    """A copy whose telemetry goes to the recording server."""
    return make_build(prefix, build, out, settings=default_settings(root, **server.settings(), **settings),
                      program=program)


def example_data(root):
    return (root / "tests" / "fixtures" / "data" / "injected_example.txt").read_bytes() + b"\0"


def run_to_frame(prefix, driver, setup):
    """Starts the installer, waits for its frame, leaves the wizard; returns (frame, exit status).
    The exit drains the flow records, so the server has them all by then."""
    program = prefix.start([setup])
    frame = driver.wait(caption=FRAME, timeout=30000)["window"]
    return frame, wizard.leave(driver, program)


def machine_id(prefix):
    values = prefix.reg_values(COMPANY) or {}
    return values.get("MachineID")


def guid_text(hex_bytes):
    b = bytes.fromhex(hex_bytes)
    d1, d2, d3 = int.from_bytes(b[0:4], "little"), int.from_bytes(b[4:6], "little"), int.from_bytes(b[6:8], "little")
    return f"{d1:08X}-{d2:04X}-{d3:04X}-{b[8:10].hex().upper()}-{b[10:].hex().upper()}"


def test_identity_is_created_once_and_kept(prefix, driver, build, server, root, tmp_path):
    setup = telemetry_build(prefix, build, root, tmp_path / "setup.exe", server)
    frame, status = run_to_frame(prefix, driver, setup)
    assert status == 0
    kind, first = machine_id(prefix)
    assert kind == "REG_BINARY" and len(first) == 32
    assert prefix.reg_values(REGISTRATION) == {}  # created, no installation id yet
    start = server.flow()[0]
    assert start[:2] == ("start", DEFAULT_FLOW) and start[2]["arch"] == "x64"
    assert server.requests()[0]["form"]["application"] == "Vantrell"
    [invoked] = server.wait_for(lambda s: s.logging())
    assert invoked == f"/ulc.php?ev=InstallerInvoked&upl=&machineId={guid_text(first)}"

    run_to_frame(prefix, driver, setup)
    assert machine_id(prefix)[1] == first

    prefix.reg_add(COMPANY, "MachineID", "REG_BINARY", "00" * 20)
    run_to_frame(prefix, driver, setup)
    kind, replaced = machine_id(prefix)
    assert len(replaced) == 32 and replaced not in (first, "00" * 16)


def test_second_instance_is_refused(prefix, driver, build, server, root, tmp_path):
    setup = telemetry_build(prefix, build, root, tmp_path / "setup.exe", server)
    first = prefix.start([setup])
    driver.wait(caption=FRAME, timeout=30000)
    # Without a download server the first copy reports its failed download; that box goes first.
    wizard.acknowledge_boxes(driver)
    second = prefix.start([setup])
    box = driver.answer(caption="Vantrell", button="OK", timeout=30000)
    assert ALREADY_RUNNING in box["text"]
    assert second.wait(30) == 0
    assert wizard.leave(driver, first) == 0
    # Only the first copy opened a flow and logged its start.
    assert [r[0] for r in server.flow()].count("start") == 1
    assert server.events() == ["InstallerInvoked"]


def test_stamped_copy_uses_its_injected_data(prefix, driver, build, server, root, tmp_path):
    setup = make_build(prefix, build, tmp_path / "setup.exe", settings=default_settings(root, **server.settings()),
                       trailer=example_data(root))
    frame, status = run_to_frame(prefix, driver, setup)
    assert status == 0
    assert server.flow()[0][1] == "Install5::02-09-2015::DEPRECATED"
    stamped_upl = re.search(rb"@upl=([^\r\n]*)", example_data(root)).group(1).decode()
    escaped = stamped_upl.replace("+", "%2B").replace("/", "%2F").replace("=", "%3D")
    assert f"&upl={escaped}&machineId=" in server.wait_for(lambda s: s.logging())[0]
    # The copy carries a tracking code of its own (empty), so the frame cannot be minimised.
    assert not int(frame["style"], 16) & 0x00020000


@pytest.mark.parametrize("command_line, trailer, flow", [
    ("FlowName=FromSettings extra", None, "FromSettings"),
    ("&FlowName=FromSettings", "stamped", "Install5::02-09-2015::DEPRECATED"),
    ("FlowName=FromSettings", "stamped", "FromSettings"),
])
def test_command_line_form_adds_to_the_trailer(prefix, driver, build, server, root, tmp_path,
                                               command_line, trailer, flow):
    setup = make_build(prefix, build, tmp_path / "setup.exe",
                       settings=default_settings(root, InstallerData=command_line, **server.settings()),
                       trailer=example_data(root) if trailer else None)
    run_to_frame(prefix, driver, setup)
    assert server.flow()[0][1] == flow


def default_settings(root, **changes):
    settings = {}
    for line in (root / "src" / "resources" / "BuildSettings.txt").read_text().splitlines():
        if line and not line.startswith("#") and "=" in line:
            key, value = line.split("=", 1)
            settings[key] = value
    for key, value in changes.items():
        if value is None:
            settings.pop(key, None)
        else:
            settings[key] = value
    return settings


@pytest.mark.parametrize("case, options", [
    ("zero length", dict(trailer=b"FlowName=X\n", trailer_length=0)),
    ("length beyond the file", dict(trailer=b"FlowName=X\n", trailer_length=0x7FFFFFF0)),
    ("invalid utf-8", dict(trailer=b"FlowName=X\xc3\x28\n")),
    ("wrong magic", dict(trailer=b"FlowName=X\n", trailer_magic="TBPX")),
    ("byte-order mark", dict(trailer=b"\xef\xbb\xbfFlowName=X\n")),
])
def test_bad_trailer_starts_like_an_unstamped_copy(prefix, driver, build, server, root, tmp_path, case, options):
    setup = make_build(prefix, build, tmp_path / "setup.exe", settings=default_settings(root, **server.settings()),
                       **options)
    frame, status = run_to_frame(prefix, driver, setup)
    assert status == 0
    assert server.flow()[0][1] == DEFAULT_FLOW


@pytest.mark.parametrize("case, change, reason", [
    ("no settings table", dict(delete_settings=True), "names no telemetry flow"),
    ("no flow name", dict(settings_changes=dict(FlowName=None)), "names no telemetry flow"),
    ("unknown brand hook", dict(settings_changes=dict(BrandExtender="CMissingExtender")), "CMissingExtender"),
    ("not a brand hook", dict(settings_changes=dict(BrandExtender="CInstallation")), "CInstallation"),
])
def test_unusable_configuration_ends_start_up(prefix, driver, build, server, root, tmp_path, case, change, reason):
    options = {}
    if "settings_changes" in change:
        options["settings"] = default_settings(root, **change["settings_changes"], **server.settings())
    else:
        options.update(change)
    setup = make_build(prefix, build, tmp_path / "setup.exe", **options)
    program = prefix.start([setup])
    box = driver.answer(caption="Vantrell", button="OK", timeout=30000)
    assert "This copy of Vantrell Setup is incomplete" in box["text"] and reason in box["text"]
    assert program.wait(30) == 1
    assert server.requests() == []
    assert machine_id(prefix) is None


@pytest.mark.parametrize("mode, details", [
    ("worker-fault", "EXCEPTION_ACCESS_VIOLATION"),
    ("registry", "Unable to retreive exception code."),
])
def test_fatal_failure_reports_and_exits_zero(prefix, driver, build, server, root, tmp_path, mode, details):
    host = telemetry_build(prefix, build, root, tmp_path / "fault_host.exe", server,
                           program=build / "fixtures" / "fault_host.exe")
    program = prefix.start([host, mode])
    box = driver.answer(caption="Vantrell", button="OK", timeout=30000)
    assert "A fatal error has occurred, please contact support." in box["text"]
    assert details in box["text"]
    assert program.wait(30) == 0
    flow = server.flow()
    assert flow[-2][:2] == ("action", "Exception::CWindowsException"), flow
    assert flow[-2][2]["message"].startswith(details)
    assert flow[-1] == ("end", "InstallBroken", {})


NDP = r"HKLM\SOFTWARE\Microsoft\NET Framework Setup\NDP"


@pytest.mark.parametrize("versions, refused", [(["v2.0.50727", "v3.5"], True), (["v3.5", "v4.0"], False)])
def test_backup_brand_hook_needs_dotnet_4(prefix, driver, build, server, root, tmp_path, versions, refused):
    prefix.reg_delete(NDP)
    for v in versions + ["CDF"]:
        prefix.reg_add(NDP + "\\" + v)
    setup = telemetry_build(prefix, build, root, tmp_path / "setup.exe", server,
                            BrandExtender="CTamberlyBackupBrandExtender")
    if not refused:
        frame, status = run_to_frame(prefix, driver, setup)
        assert status == 0 and server.flow()
        return
    program = prefix.start([setup])
    box = driver.answer(caption="Vantrell", button="OK", timeout=30000)
    assert "You must have the .NET Framework 4.0 or later installed" in box["text"]
    assert program.wait(30) == 0
    driver.gone(caption="Vantrell", timeout=2000)
    assert server.requests() == []
    assert machine_id(prefix) is None


@pytest.mark.parametrize("page_order, text", [
    (None, "Installer broken; page configuration could not be loaded."),
    ("", "Installer broken; no pages configured for this installer."),
])
def test_unusable_page_order_is_fatal(prefix, driver, build, server, root, tmp_path, page_order, text):
    setup = telemetry_build(prefix, build, root, tmp_path / "setup.exe", server, PageOrder=page_order)
    program = prefix.start([setup])
    box = driver.answer(caption="Vantrell", button="OK", timeout=30000)
    assert text in box["text"]
    assert program.wait(30) == 1
    flow = server.flow()
    assert flow[-2][:2] == ("action", "Exception::CToolkitException"), flow
    assert flow[-2][2]["message"].startswith(text)
    assert flow[-1] == ("end", "InstallBroken", {})
