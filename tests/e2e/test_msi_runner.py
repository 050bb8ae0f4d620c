"""The Windows Installer runner against real packages (built with wixl at test time)
and the prefix's own msi.dll, driven by the msi_host fixture.

Not shown here: the cancel path. Wine's installer ignores a cancel answer from the
external handler, so the unit tests cover it through the runner's installer seam."""
import time

import pytest

from harness import packages

PRODUCT_KEY = r"HKLM\SOFTWARE\Tamberly Utilities Inc\Vantrell\Properties"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Mendora"


@pytest.fixture(scope="module")
def built_packages(build, tmp_path_factory):
    out = tmp_path_factory.mktemp("msi")
    return packages.build_all(out, build / "fixtures" / "product")


class Host:
    """msi_host in one prefix: each call gives the lines it printed."""

    def __init__(self, prefix, build):
        self.prefix = prefix
        self.exe = build / "fixtures" / "msi_host.exe"

    def install(self, package, data="", app_name="Vantrell"):
        proc = self.prefix.run([self.exe, "install", self.prefix.windows_path(package), app_name], timeout=180,
                               env={"MSI_HOST_DATA": "host " + data})
        assert proc.returncode == 0, proc.stdout + proc.stderr
        return proc.stdout.splitlines()

    def product_state(self):
        proc = self.prefix.run([self.exe, "state", packages.PRODUCT_CODE], timeout=60, check=True)
        return int(proc.stdout.split()[1])


def outcome(lines):
    return [line for line in lines if line.startswith(("result ", "exception "))]


def percents(lines):
    return [int(line.split()[1]) for line in lines if line.startswith("progress ")]


@pytest.fixture
def host(prefix, build):
    prefix.keep_server()
    return Host(prefix, build)


def test_product_installs_with_its_properties_and_keeps_a_copy(host, prefix, built_packages):
    msi, _ = built_packages["product"]
    lines = host.install(msi, 'CAMPAIGN="spring sale" PARTNER=acme ?SECRET=hidden')

    assert outcome(lines) == ["result true"]
    assert "reboot-notice 0" in lines
    assert host.product_state() == 5
    assert (prefix.drive_c / packages.INSTALL_DIR / "Vantrell.exe").is_file()
    kept = (prefix.drive_c / "users" / "Public" / "Documents" / "Downloaded Installers" / packages.PRODUCT_CODE
            / "setup.msi")
    assert kept.read_bytes() == msi.read_bytes()
    values = prefix.reg_values(PRODUCT_KEY)
    assert values["CAMPAIGN"][1] == "spring sale"  # not cut at the space
    assert values["PARTNER"][1] == "acme"
    # The installer's progress reaches the page, within the bar's range (-1 keeps it).
    got = percents(lines)
    assert got and all(-1 <= p <= 100 for p in got) and 100 in got
    assert "cancel-button 1" in lines


def test_a_value_with_quotes_is_not_cut(host, prefix, built_packages):
    host.install(built_packages["product"][0], 'CAMPAIGN="say \\"hi\\" there"')
    # Windows Installer reads doubled quotes as one; Wine 8 drops them. Either way
    # the whole value arrives.
    assert prefix.reg_values(PRODUCT_KEY)["CAMPAIGN"][1] in ('say "hi" there', "say hi there")


def test_already_installed_product_is_not_installed_again(host, prefix, built_packages):
    msi, _ = built_packages["product"]
    assert outcome(host.install(msi, "CAMPAIGN=first")) == ["result true"]

    again = host.install(msi, "CAMPAIGN=second")

    assert outcome(again) == ["result true"]
    assert percents(again) == []  # no install ran
    assert prefix.reg_values(PRODUCT_KEY)["CAMPAIGN"][1] == "first"


@pytest.mark.parametrize("variant, expected", [
    # A type-19 action ends the install without a message to the handler: the code.
    ("fail", "exception COleException 80070643"),
    # An OK-only error from a custom action: the installer's own text.
    ("error", "exception CMsiException 1 Vantrell demo failure: the service could not be registered."),
])
def test_failed_install_raises(host, built_packages, variant, expected):
    lines = host.install(built_packages[variant][0])
    assert outcome(lines) == [expected]
    assert host.product_state() != 5


def test_restart_request_posts_the_reboot_notice(host, built_packages):
    lines = host.install(built_packages["reboot"][0])
    assert outcome(lines) == ["result true"]
    assert "reboot-notice 1" in lines
    assert host.product_state() == 5


def test_cleaner_runs_the_other_products_uninstaller_quietly(host, prefix, built_packages):
    exe = "C:\\Program Files\\Vantrell\\Vantrell.exe"
    prefix.reg_add(UNINSTALL_KEY, "DisplayName", data="mendora")  # any letter case
    prefix.reg_add(UNINSTALL_KEY, "UninstallString", data=f'"{exe}" -close')

    assert outcome(host.install(built_packages["product"][0], app_name="Tidewell+")) == ["result true"]

    log = prefix.drive_c / packages.INSTALL_DIR / "Vantrell.log"
    deadline = time.time() + 30
    while not log.exists() and time.time() < deadline:
        time.sleep(0.5)
    assert log.read_text(encoding="utf-8").split("\n")[0].strip() == f'"{exe}" -close /qn'


def test_installed_product_plays_its_install_scan_part(host, prefix, built_packages):
    assert outcome(host.install(built_packages["product"][0])) == ["result true"]
    exe = prefix.drive_c / packages.INSTALL_DIR / "Vantrell.exe"
    scan = prefix.start([exe, "-installscan", r"Global\Vantrell_Test"])
    try:
        key = r"HKCU\SOFTWARE\Tamberly Utilities Inc\Vantrell"
        deadline = time.time() + 20
        values = None
        while not values and time.time() < deadline:
            time.sleep(0.5)
            values = prefix.reg_values(key)
        assert values["InstallScanID"][1] == "vt-scan-2501"
        assert values["InstallScanUrlParams"][1].startswith("?")
        assert prefix.run([exe, "-installresults", "-close"], timeout=30).returncode == 0
    finally:
        scan.wait(30)
    log = (prefix.drive_c / packages.INSTALL_DIR / "Vantrell.log").read_text(encoding="utf-8").splitlines()
    assert [line.split('" ', 1)[1] for line in log] == [r"-installscan Global\Vantrell_Test", "-installresults -close"]
