"""The installation engine from download to offers, driven as the wizard's pages drive
it, under Wine against nginx: the product downloads while the welcome page shows, the
backup offer is accepted meanwhile, then the progress page attaches."""
import bz2
import re
import shutil

import pytest

from harness import packages
from harness.builds import make_build
from harness.package_server import PackageServer
from harness.telemetry_record import TelemetryRecord
from test_startup import default_settings, example_data, guid_text

COMPANY = r"HKLM\SOFTWARE\Tamberly Utilities Inc"


@pytest.fixture(scope="module")
def served(build, tmp_path_factory):
    """The download server's folder: the product package and the backup offer's installer."""
    work = tmp_path_factory.mktemp("packages")
    msi = packages.build_package("product", work, build / "fixtures" / "product")
    www = work / "www"
    www.mkdir()
    (www / "Vantrell-setup.msi.bz2").write_bytes(bz2.compress(msi.read_bytes()))
    offer = (build / "fixtures" / "offer_installer.exe").read_bytes()
    (www / "Stowline_Setup.exe.bz2").write_bytes(bz2.compress(offer))
    return www


def temp_leftovers(prefix):
    found = []
    for temp in list(prefix.drive_c.glob("users/*/Temp")) + list(prefix.drive_c.glob("users/*/AppData/Local/Temp")):
        found += [p.name for p in temp.iterdir() if re.match(r"(tmu|stw|twp|vtl)[0-9A-Fa-f]{1,4}\.tmp", p.name)]
    return found


def test_product_and_backup_offer_install_in_order(prefix, build, root, served, tmp_path):
    record = TelemetryRecord(tmp_path / "telemetry.jsonl")
    offer_log = tmp_path / "offer.log"
    with PackageServer(served) as server:
        settings = default_settings(root, MsiUrl=f"{server.url}/Vantrell-setup.msi.bz2",
                                    BackupUrl=f"{server.url}/Stowline_Setup.exe.bz2")
        host = make_build(prefix, build, tmp_path / "engine_host.exe", program=build / "fixtures" / "engine_host.exe",
                          settings=settings, trailer=example_data(root))
        env = dict(record.env, WRENKIT_OFFER_LOG=prefix.windows_path(offer_log))
        proc = prefix.run([host, "backup"], timeout=300, env=env)
    lines = proc.stdout.splitlines()
    assert proc.returncode == 0, proc.stdout + proc.stderr
    assert lines[-1].strip() == "ended 0"

    # The overall bar goes through download, decompression, install and done, in that order.
    positions = [int(line.split()[1]) for line in lines if line.startswith("task ")]
    assert positions == sorted(positions) and positions[-1] == 100 and {25, 50, 75} <= set(positions)

    # The product is installed, and a copy of its package is kept.
    assert (prefix.drive_c / packages.INSTALL_DIR / "Vantrell.exe").is_file()
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
    [command] = offer_log.read_text(encoding="utf-8").splitlines()
    assert re.fullmatch(r'"[^"]*\\stw[0-9A-Fa-f]{1,4}\.tmp\.exe" /S /product=stowline /hash=4b0c9f37 '
                        r"/tid=" + re.escape(guid_text(installation_id)) + " /popup_delay=1200000", command), command

    actions = [name for kind, name, attrs in record.flow() if kind == "action"]
    assert actions[-2:] == ["InstallFinished", "BackupInstalled"]
    # Every temporary file is gone, or, when a started offer still held it, left to the restart.
    pending = prefix.reg_values(r"HKLM\SYSTEM\CurrentControlSet\Control\Session Manager") or {}
    pending_text = pending.get("PendingFileRenameOperations", ("", ""))[1]
    assert [name for name in temp_leftovers(prefix) if name not in pending_text] == []
