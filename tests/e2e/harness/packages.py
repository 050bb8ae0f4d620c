"""Builds the demo product's Windows Installer packages at test time with wixl and
msibuild, from tests/fixtures/product, into a given folder. Nothing binary is kept
in the repository.

Variants:
  product  installs Vantrell.exe to Program Files\\Vantrell
  fail     a type-19 custom action ends the install with 1603 (no message reaches
           the external handler under Wine)
  reboot   ScheduleReboot after InstallFinalize: 3010
  error    our custom-action DLL raises an OK-only installer error, then fails
  slow     the installed Vantrell.exe runs "-wait" after InstallFinalize, long enough
           to press Cancel

build_large_package() makes the product with a deterministic payload of a given size
beside Vantrell.exe, for the benchmarks.
"""
import bz2
import random
import shutil
import subprocess
from pathlib import Path

PRODUCT_CODE = "{6A0E2B51-3C4D-4E5F-8A9B-0C1D2E3F4A5B}"
PRODUCT_VERSION = "2.5.0"
INSTALL_DIR = Path("Program Files") / "Vantrell"
VARIANTS = ("product", "fail", "reboot", "error", "slow")
SLOW_WAIT_MS = 20000

SOURCES = Path(__file__).resolve().parents[2] / "fixtures" / "product"

# Edits msibuild applies to the built product, per variant.
_EDITS = {
    "fail": ["INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) "
             "VALUES ('FailInstall', 19, '', 'Vantrell demo failure.')",
             "INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) "
             "VALUES ('FailInstall', '', 1450)"],
    "reboot": ["INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) "
               "VALUES ('ScheduleReboot', '', 6700)"],
    # Type 18: an executable from the installed files, waited for.
    "slow": ["INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) "
             f"VALUES ('SlowStep', 18, 'VantrellExe', '-wait {SLOW_WAIT_MS}')",
             "INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) "
             "VALUES ('SlowStep', '', 6650)"],
}


def build_package(variant, out_dir, product_dir):
    """Builds one variant as out_dir/Vantrell-<variant>.msi. product_dir holds the
    built Vantrell.exe and ErrorAction.dll."""
    if variant not in VARIANTS:
        raise ValueError(variant)
    out_dir = Path(out_dir)
    work = out_dir / f"src-{variant}"
    work.mkdir(parents=True, exist_ok=True)
    # wixl finds the sources relative to the .wxs, and only by relative names.
    shutil.copy(SOURCES / "Vantrell.wxs", work)
    shutil.copy(Path(product_dir) / "Vantrell.exe", work)
    args = ["wixl", "-a", "x64", "-o", str(out_dir / f"Vantrell-{variant}.msi")]
    if variant == "error":
        shutil.copy(Path(product_dir) / "ErrorAction.dll", work)
        args += ["-D", "ErrorAction=1"]
    subprocess.run(args + ["Vantrell.wxs"], cwd=work, check=True, timeout=120,
                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    msi = out_dir / f"Vantrell-{variant}.msi"
    for sql in _EDITS.get(variant, []):
        subprocess.run(["msibuild", str(msi), "-q", sql], check=True, timeout=60)
    shutil.rmtree(work, ignore_errors=True)
    return msi


def _write_payload(path, mib, seed):
    """Seeded pseudo-random bytes: deterministic, and neither the cabinet's compression
    nor bzip2 can shrink them, so the package is as large as asked for."""
    rng = random.Random(seed)
    with open(path, "wb") as out:
        for _ in range(mib):
            out.write(rng.randbytes(1 << 20))


def build_large_package(out_dir, product_dir, mib, seed=20261211):
    """out_dir/Vantrell-<mib>mib.msi and its .bz2 (made with the native bzip2, which
    streams): the product plus a payload of mib MiB installed beside it."""
    out_dir = Path(out_dir)
    msi = out_dir / f"Vantrell-{mib}mib.msi"
    packed = msi.with_name(msi.name + ".bz2")
    if packed.exists():
        return msi, packed
    work = out_dir / f"src-{mib}mib"
    work.mkdir(parents=True, exist_ok=True)
    wxs = (SOURCES / "Vantrell.wxs").read_text(encoding="utf-8")
    component = ('          <Component Id="Payload" Guid="{5D4C3B2A-1908-4F7E-A6D5-C4B3A2918070}" Win64="yes">\n'
                 '            <File Id="PayloadBin" Name="payload.bin" Source="payload.bin" KeyPath="yes" />\n'
                 '          </Component>\n')
    anchor = '          <Component Id="InstallProperties"'
    if anchor not in wxs or "</Feature>" not in wxs:
        raise ValueError("Vantrell.wxs no longer has the places the payload goes")
    wxs = wxs.replace(anchor, component + anchor).replace("</Feature>", '  <ComponentRef Id="Payload" />\n    </Feature>')
    (work / "Vantrell.wxs").write_text(wxs, encoding="utf-8")
    shutil.copy(Path(product_dir) / "Vantrell.exe", work)
    _write_payload(work / "payload.bin", mib, seed)
    subprocess.run(["wixl", "-a", "x64", "-o", str(msi), "Vantrell.wxs"], cwd=work, check=True, timeout=1800,
                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    shutil.rmtree(work, ignore_errors=True)
    partial = packed.with_name(packed.name + ".partial")
    with open(msi, "rb") as src, open(partial, "wb") as dst:
        subprocess.run(["bzip2", "-1", "-c"], stdin=src, stdout=dst, check=True, timeout=3600)
    partial.rename(packed)
    return msi, packed


def compress(path):
    """Writes path + ".bz2" beside it, as the download server serves packages."""
    path = Path(path)
    target = path.with_name(path.name + ".bz2")
    target.write_bytes(bz2.compress(path.read_bytes()))
    return target


def build_all(out_dir, product_dir, variants=VARIANTS):
    """{variant: (msi, msi.bz2)} for every variant."""
    built = {}
    for variant in variants:
        msi = build_package(variant, out_dir, product_dir)
        built[variant] = (msi, compress(msi))
    return built
