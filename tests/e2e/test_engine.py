"""The installation engine from download to offers, driven as the wizard's pages drive
it (tests/fixtures/engine_host.cpp), under Wine against nginx and our fault server:
the product downloads while the welcome page shows, offers are accepted meanwhile,
then the progress page attaches. Every scenario ends with the end notice and leaves
no temporary file behind."""
import bz2
import hashlib
import random
import re
import struct
import time

import pytest

from harness import packages
from harness.builds import make_build
from harness.fault_server import FaultServer
from harness.package_server import PackageServer, make_certificate
from harness.telemetry_server import TelemetryServer
from test_startup import default_settings, example_data, guid_text

COMPANY = r"HKLM\SOFTWARE\Tamberly Utilities Inc"
ENGINE_TIMEOUT = 300
OFFER_WAIT = 20
BIG_PLAIN = 24 << 20  # long enough to decompress that a cancel lands half-way
SLOW = "/slow/product?size=2097152&chunk=262144&delay=0.15"  # about 1.2 s of body
# What the offer installers read besides the example data: both silent-installer
# offers, and a value with a space (passed on unquoted).
OFFER_DATA = (b"?SI_CHNL=spring promo\n?VantrellInstallOnReboot=Yes\n?VantrellCallerP2=V-0R1G1N\n"
              b"?VantrellOfferP2=V-0FF3R\n?VantrellStubId=9C1D2E3F-0000-4000-8000-00000000A11D\n")


@pytest.fixture(scope="module")
def served(build, tmp_path_factory):
    """The package server's folder: every product variant, broken packages, the offers'
    installers (the recording stand-in) and an offer package that is no program."""
    work = tmp_path_factory.mktemp("packages")
    www = work / "www"
    www.mkdir()
    for variant, (msi, packed) in packages.build_all(work, build / "fixtures" / "product",
                                                     ("product", "fail", "reboot", "error")).items():
        packed.rename(www / f"Vantrell-{variant}.msi.bz2")
    good = (www / "Vantrell-product.msi.bz2").read_bytes()
    (www / "truncated.msi.bz2").write_bytes(good[:len(good) // 2])
    flipped = bytearray(good)
    for i in range(len(good) // 2, len(good) // 2 + 64):
        flipped[i] ^= 0x5A
    (www / "corrupt.msi.bz2").write_bytes(bytes(flipped))
    (www / "plain.msi.bz2").write_bytes(msi.read_bytes())  # not bzip2 at all
    (www / "big.bin.bz2").write_bytes(bz2.compress(random.Random(7).randbytes(BIG_PLAIN), 1))
    offer = bz2.compress((build / "fixtures" / "offer_installer.exe").read_bytes())
    for name in ("Stowline_Setup.exe.bz2", "Twp.exe.bz2", "VantrellOffer.exe.bz2"):
        (www / name).write_bytes(offer)
    (www / "NotAProgram.exe.bz2").write_bytes(bz2.compress(b"this is no program\r\n" * 100))
    return www


@pytest.fixture(scope="module")
def nginx(served):
    with PackageServer(served) as server:
        yield server


@pytest.fixture
def faults():
    with FaultServer() as server:
        yield server


def temp_leftovers(prefix):
    found = []
    for temp in list(prefix.drive_c.glob("users/*/Temp")) + list(prefix.drive_c.glob("users/*/AppData/Local/Temp")):
        found += [p.name for p in temp.iterdir() if re.match(r"(tmu|stw|twp|vtl)[0-9A-Fa-f]{1,4}\.tmp", p.name)]
    return found


def pending_renames(prefix):
    values = prefix.reg_values(r"HKLM\SYSTEM\CurrentControlSet\Control\Session Manager") or {}
    return values.get("PendingFileRenameOperations", ("", ""))[1]


class EngineRun:
    """What engine_host printed, the offers' command lines and the telemetry."""

    def __init__(self, proc, offer_log, telemetry):
        self.returncode = proc.returncode
        self.output = proc.stdout + proc.stderr
        self.lines = proc.stdout.splitlines()
        self.offer_log = offer_log
        self.telemetry = telemetry

    def offers(self, expected):
        """The offers' command lines once `expected` of them are logged: the started
        installers run on their own and may log after the host has ended."""
        deadline = time.monotonic() + OFFER_WAIT
        while True:
            lines = self.offer_log.read_text(encoding="utf-8").splitlines() if self.offer_log.exists() else []
            if len(lines) > expected or time.monotonic() > deadline:
                return lines
            if len(lines) == expected:
                deadline = min(deadline, time.monotonic() + 1.5)  # and nothing more comes
            time.sleep(0.25)

    def of(self, kind):
        """(value, text) of every line of one kind."""
        out = []
        for line in self.lines:
            parts = line.split(" ", 2)
            if parts[0] == kind:
                out.append((int(parts[1]), parts[2] if len(parts) > 2 else ""))
        return out

    @property
    def tasks(self):
        return [value for value, _ in self.of("task")]

    @property
    def failures(self):
        return [text for _, text in self.of("failure")]

    def files(self, prefix, suffix=""):
        """Sizes, at the end, of the remembered files of one prefix ("tmu", "stw", ...) and
        extension ("" for the downloaded package, ".msi" or ".exe" for its decompressed form)."""
        pattern = r"\\" + prefix + r"[0-9A-Fa-f]{1,4}\.tmp" + re.escape(suffix) + "$"
        return [size for size, path in self.of("file-size") if re.search(pattern, path)]

    def offer_lines(self, prefix, lines):
        return [line for line in lines if re.match(r'"[^"]*\\' + prefix + r"[0-9A-Fa-f]{1,4}\.tmp\.exe\"", line)]

    def actions(self):
        return [name for kind, name, attrs in self.telemetry.flow() if kind == "action"]


@pytest.fixture
def engine(prefix, build, root, tmp_path):
    """Runs engine_host once with its build settings changed as given."""
    def run(words=(), trailer=b"", **settings):
        offer_log = tmp_path / "offer.log"
        with TelemetryServer() as telemetry:
            host = make_build(prefix, build, tmp_path / "engine_host.exe",
                              program=build / "fixtures" / "engine_host.exe",
                              settings=default_settings(root, **telemetry.settings(), **settings),
                              trailer=example_data(root)[:-1] + trailer + b"\0")
            proc = prefix.run([host, *words], timeout=ENGINE_TIMEOUT,
                              env={"WRENKIT_OFFER_LOG": prefix.windows_path(offer_log)})
        result = EngineRun(proc, offer_log, telemetry)
        # Whatever happened, the end notice came last, after the final task.
        assert result.lines and result.lines[-1].startswith("peak-working-set "), result.output
        assert [line for line in result.lines if line.startswith("ended ")] == [f"ended {proc.returncode}"], \
            result.output
        assert result.tasks[-1] == 100, result.output
        assert result.lines.index("task 100 Done!") < result.lines.index(f"ended {proc.returncode}")
        # Every temporary file is gone, or, when a started offer still held it, left to the restart.
        assert [n for n in temp_leftovers(prefix) if n not in pending_renames(prefix)] == []
        return result
    return run


def product_installed(prefix):
    return (prefix.drive_c / packages.INSTALL_DIR / "Vantrell.exe").is_file()


def test_product_and_backup_offer_install_in_order(engine, prefix, nginx):
    run = engine(["backup"], MsiUrl=f"{nginx.url}/Vantrell-product.msi.bz2",
                 BackupUrl=f"{nginx.url}/Stowline_Setup.exe.bz2")
    assert run.returncode == 0, run.output

    # The overall bar goes through download, decompression, install and done, in that order.
    positions = run.tasks
    assert positions == sorted(positions) and positions[-1] == 100 and {25, 50, 75} <= set(positions)

    # The product is installed, and a copy of its package is kept.
    assert product_installed(prefix)
    kept = (prefix.drive_c / "users" / "Public" / "Documents" / "Downloaded Installers" / packages.PRODUCT_CODE
            / "setup.msi")
    assert kept.is_file()

    # The install task's registry values, the persistent installer data and a new installation id.
    company = prefix.reg_values(COMPANY)
    assert "tbInstallationSessionID" in company
    assert "InstallationSessionID" in prefix.reg_values(COMPANY + r"\Vantrell")
    saved = prefix.reg_values(COMPANY + r"\Vantrell\InstallerData")
    assert set(saved) == {"upl", "track", "partner", "browser"}
    assert saved["partner"][1] == "1004"
    installation_id = prefix.reg_values(COMPANY + r"\Vantrell\Registration")["InstallationID"][1]
    assert len(installation_id) == 32

    # The backup offer's installer ran with its command line, carrying the new id.
    [command] = run.offers(1)
    assert re.fullmatch(r'"[^"]*\\stw[0-9A-Fa-f]{1,4}\.tmp\.exe" /S /product=stowline /hash=4b0c9f37 '
                        r"/tid=" + re.escape(guid_text(installation_id)) + " /popup_delay=1200000", command), command
    assert run.actions()[-2:] == ["InstallFinished", "BackupInstalled"]


# The product fails; the backup offer, accepted and downloaded meanwhile, is never started.
@pytest.mark.parametrize("package, failure", [
    # Five 404 answers: the HTTP status as the result code.
    ("404", "COleException 80190194"),
    # A type-19 action ends the install with 1603, without a message to the handler.
    ("Vantrell-fail.msi.bz2", "COleException 80070643"),
    # An OK-only error from a custom action reaches the interface with its text.
    ("Vantrell-error.msi.bz2", "CMsiException 1 Vantrell demo failure: the service could not be registered."),
    # bzip2 that breaks off, that is damaged, that is no bzip2 at all.
    ("truncated.msi.bz2", "CFileException 14 13"),
    ("corrupt.msi.bz2", "CFileException 6 13"),
    ("plain.msi.bz2", "CFileException 6 13"),
], ids=["404", "1603", "ok-only-error", "truncated", "corrupt", "not-bzip2"])
def test_product_failure_reaches_the_interface_and_stops_the_offers(engine, prefix, nginx, faults, package, failure):
    url = f"{faults.url}/status/product?code=404" if package == "404" else f"{nginx.url}/{package}"
    run = engine(["backup"], MsiUrl=url, BackupUrl=f"{nginx.url}/Stowline_Setup.exe.bz2", InstallScanEvent=None)

    assert run.returncode == 3, run.output
    assert run.failures == [failure]
    # The failure notice comes first, the final task and the end notice still follow.
    assert run.lines.index(next(l for l in run.lines if l.startswith("failure "))) < run.lines.index("ended 3")
    assert run.offers(0) == [] and "BackupInstalled" not in run.actions()
    assert not product_installed(prefix)
    assert run.files("stw", ".exe")  # the offer was downloaded and decompressed all the same
    if package == "404":
        assert len(faults.requests("/status/product")) == 5
        # The temporary file stayed empty, and nothing was decompressed.
        assert run.files("tmu") == [0] and run.files("tmu", ".msi") == []


def test_restart_request_is_a_success_with_the_reboot_notice(engine, prefix, nginx):
    run = engine(["backup"], MsiUrl=f"{nginx.url}/Vantrell-reboot.msi.bz2",
                 BackupUrl=f"{nginx.url}/Stowline_Setup.exe.bz2", InstallScanEvent=None)
    assert run.returncode == 0, run.output
    assert run.of("reboot-required") == [(0, "")]
    assert run.failures == []
    assert product_installed(prefix)
    assert len(run.offer_lines("stw", run.offers(1))) == 1


# The user confirms the cancel while the product downloads, decompresses or installs.
# An accepted offer never runs, and the end notice is a normal one.
@pytest.mark.parametrize("phase", ["download", "extract", "install"])
def test_cancel_ends_on_the_interrupted_path(engine, prefix, nginx, faults, phase):
    url = {"download": faults.url + SLOW, "extract": f"{nginx.url}/big.bin.bz2",
           "install": f"{nginx.url}/Vantrell-product.msi.bz2"}[phase]
    run = engine([f"cancel={phase}", "twp"], MsiUrl=url, x86TwpUrl=f"{nginx.url}/Twp.exe.bz2",
                 x64TwpUrl=f"{nginx.url}/Twp.exe.bz2")

    assert run.returncode == 0, run.output
    assert run.of("cancelled") and run.failures == []
    assert run.offers(0) == [] and "TwpInstalled" not in run.actions()
    # Nothing is recorded as installed: no session values, no end-of-installation report.
    assert "InstallFinished" not in run.actions()
    assert "InstallationSessionID" not in (prefix.reg_values(COMPANY + r"\Vantrell") or {})
    if phase == "download":
        # The transfer is not interrupted: the whole package arrived, and was not decompressed.
        assert run.files("tmu") == [2097152]
        assert run.files("tmu", ".msi") == [] and 50 not in run.tasks
    elif phase == "extract":
        # The loop stopped at the next block, far from the end, and nothing was installed.
        [size] = run.files("tmu", ".msi")
        assert 0 < size < BIG_PLAIN and size % 65536 == 0
        assert 75 not in run.tasks
    else:
        # Wine's installer ignores the cancel answer and completes; the task still ends
        # as cancelled instead of going on to record, scan and start the offers.
        assert 75 in run.tasks


OFFERS = dict(BackupUrl="Stowline_Setup.exe.bz2", x86TwpUrl="Twp.exe.bz2", x64TwpUrl="Twp.exe.bz2",
              VantrellEnUrl="VantrellOffer.exe.bz2")


@pytest.mark.parametrize("accepted, broken, started", [
    (["twp", "vantrell"], [], ["twp", "vtl"]),
    # One offer that does not start does not stop the next one.
    (["backup", "twp", "vantrell"], ["x86TwpUrl", "x64TwpUrl"], ["stw", "vtl"]),
], ids=["twp-and-vantrell", "twp-fails-to-start"])
def test_offers_start_with_their_command_lines(engine, prefix, nginx, accepted, broken, started):
    urls = {key: f"{nginx.url}/{'NotAProgram.exe.bz2' if key in broken else name}" for key, name in OFFERS.items()}
    run = engine(accepted, trailer=OFFER_DATA, MsiUrl=f"{nginx.url}/Vantrell-product.msi.bz2", InstallScanEvent=None,
                 **urls)
    assert run.returncode == 0, run.output
    assert product_installed(prefix)
    offers = run.offers(len(started))
    assert sorted(line.split("\\")[-1][:3] for line in offers) == sorted(started)
    tail = {
        "twp": " SI_LAUNCH=onreboot SI_CHNL=spring promo SI_MODE=toaster SI_DELAY=5 @P2_ORIGIN=C4LL3R-7731 "
               "@P2=0FF3R-2208 @UL_STUBID=3F2504E0-4F89-41D3-9A0C-0305E82C3301",
        # "Yes" is not "yes": launched at once.
        "vtl": " SI_LAUNCH=immediate SI_CHNL=spring promo SI_MODE=toaster SI_DELAY=5 @P2_ORIGIN=V-0R1G1N "
               "@P2=V-0FF3R @UL_STUBID=9C1D2E3F-0000-4000-8000-00000000A11D",
    }
    for prefix_name in started:
        [line] = run.offer_lines(prefix_name, offers)
        if prefix_name in tail:
            assert line.split('"', 2)[2] == tail[prefix_name]
    # The flow action goes out before each start, also for the one that failed to start.
    expected = {"backup": "BackupInstalled", "twp": "TwpInstalled", "vantrell": "VantrellInstalled"}
    assert [a for a in run.actions() if a.endswith("Installed") and a != "InstallFinished"] == \
        [expected[o] for o in ("backup", "twp", "vantrell") if o in accepted]


def trust_in_prefix(prefix, der):
    """Puts a certificate into the prefix's machine-wide root store, as an administrator
    would: the registry store's blob is the serialized certificate (property 32)."""
    thumbprint = hashlib.sha1(der).hexdigest().upper()
    blob = struct.pack("<III", 32, 1, len(der)) + der
    prefix.reg_add(rf"HKLM\Software\Microsoft\SystemCertificates\Root\Certificates\{thumbprint}", "Blob",
                   "REG_BINARY", blob.hex())


# https with the platform's own certificate checks: a certificate the machine trusts is
# accepted, one it does not know ends the download like any other transfer failure.
@pytest.mark.parametrize("trusted", [True, False], ids=["trusted", "untrusted"])
def test_product_over_https(engine, prefix, served, tmp_path, trusted):
    cert, key, der = make_certificate(tmp_path / "tls")
    if trusted:
        trust_in_prefix(prefix, der.read_bytes())
    with PackageServer(served, cert, key) as server:
        run = engine(MsiUrl=f"{server.url}/Vantrell-product.msi.bz2", InstallScanEvent=None)
    if trusted:
        assert run.returncode == 0 and run.failures == [], run.output
        assert product_installed(prefix)
    else:
        assert run.returncode == 3, run.output
        # Wine reports the refused certificate as a failed secure channel (12157),
        # Windows as a secure failure (12175).
        assert run.failures in (["COleException 80072F7D"], ["COleException 80072F8F"])
        assert not product_installed(prefix)
