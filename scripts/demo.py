"""The main job: the installer under Wine in a fresh prefix, installing Vantrell from the
bundled local distribution (the demo product's package, built here and served on
127.0.0.1). On the user's display the user clicks through the wizard; on Xvfb the UI
driver does. It ends by printing where the product went, the registry values written,
the telemetry sent and the screenshots taken of every page."""
import bz2
import os
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests" / "e2e"))

from harness import packages, wizard  # noqa: E402
from harness.builds import make_build  # noqa: E402
from harness.package_server import PackageServer  # noqa: E402
from harness.telemetry_server import TelemetryServer  # noqa: E402
from harness.uidriver import UiDriver  # noqa: E402
from harness.wine import Xvfb, make_base_prefix  # noqa: E402
from test_startup import default_settings  # noqa: E402

BUILD = ROOT / "build" / "x86_64"
OUT = ROOT / "build" / "demo"
COMPANY_KEY = r"HKLM\SOFTWARE\Tamberly Utilities Inc"


def main():
    OUT.mkdir(parents=True, exist_ok=True)
    xvfb = None
    display = os.environ.get("DISPLAY")
    if not display or os.environ.get("WRENKIT_DEMO_XVFB"):
        xvfb = Xvfb().start()
        display = xvfb.display
    print(f"display {display}; making a fresh Wine prefix in {OUT / 'prefix'}")
    prefix = make_base_prefix(OUT / "prefix", display)
    try:
        run(prefix, drive=xvfb is not None)
    finally:
        prefix.kill()
        if xvfb:
            xvfb.stop()


def distribution():
    """The local distribution: the demo product's package, compressed as the server keeps it."""
    www = OUT / "www"
    www.mkdir(parents=True, exist_ok=True)
    msi = packages.build_package("product", OUT, BUILD / "fixtures" / "product")
    (www / "Vantrell-setup.msi.bz2").write_bytes(bz2.compress(msi.read_bytes()))
    return www


# What the UI driver presses on each page, found by a control only that page has.
# Offers this copy's data allows are declined (their servers are not part of the demo).
PAGES = [(1002, "welcome", 1002), (1075, "backup-offer", 1001), (1086, "cleaner-offer", 1016),
         (1090, "vantrell-offer", 1016), (1010, "progress", None), (1013, "finished", 12)]


def walk(driver, program, drive):
    """Screenshots every page as it appears; on Xvfb also presses the way through."""
    shots, seen = [], set()
    while program.running():
        try:
            controls = wizard.page_controls(driver)
        except Exception:  # the frame is closing
            time.sleep(0.3)
            continue
        for marker, name, button in PAGES:
            if marker in controls and name not in seen:
                seen.add(name)
                time.sleep(0.5)  # let the page paint
                shots.append(driver.screenshot(OUT / f"{len(shots) + 1}-{name}.png", caption=wizard.FRAME)["png"])
                print(f"page: {name}")
                if drive and button:
                    driver.click(caption=wizard.FRAME, id=button)
        time.sleep(0.3)
    return shots


def run(prefix, drive):
    data = (ROOT / "tests" / "fixtures" / "data" / "injected_example.txt").read_bytes() + b"\0"
    telemetry = TelemetryServer().start()  # records what the installer sends
    driver = UiDriver(prefix, BUILD / "tools" / "uidriver.exe")
    with PackageServer(distribution()) as server:
        # A download as the distribution server hands it out: this build plus its installer data.
        settings = default_settings(ROOT, MsiUrl=f"{server.url}/Vantrell-setup.msi.bz2", **telemetry.settings())
        setup = make_build(prefix, BUILD, OUT / "VantrellSetup.exe", settings=settings, trailer=data)
        print(f"serving the distribution at {server.url}; starting {setup.name}"
              + ("" if drive else " (click through the wizard on your display)"))
        program = prefix.start([setup])
        driver.wait(caption=wizard.FRAME, timeout=30000)
        shots = walk(driver, program, drive)
        status = program.wait(120)
    print(f"installer exited with status {status}")

    product = prefix.drive_c / packages.INSTALL_DIR / "Vantrell.exe"
    state = "installed at" if product.is_file() else "NOT installed at"
    inside = "\\".join(packages.INSTALL_DIR.parts)
    print(f"product: {state} C:\\{inside}\\Vantrell.exe (in the prefix: {product})")
    log = product.with_name("Vantrell.log")
    for line in (log.read_text(encoding="utf-8").splitlines() if log.is_file() else []):
        print(f"  the product was started: {line}")
    for key in (COMPANY_KEY, COMPANY_KEY + r"\Vantrell", COMPANY_KEY + r"\Vantrell\Registration",
                COMPANY_KEY + r"\Vantrell\InstallerData"):
        values = prefix.reg_values(key)
        print(f"{key}:" + ("" if values else " (none)"))
        for name, (kind, value) in sorted((values or {}).items()):
            print(f"  {name} ({kind}) = {value}")
    telemetry.stop()
    print(f"telemetry received by the recording server at {telemetry.url}:")
    for kind, name, attrs, session_id in telemetry.flow_records():
        print(f"  flow {kind}: {name} {attrs if attrs else ''}"
              + (f" session_id={session_id!r}" if session_id is not None else ""))
    for target in telemetry.logging():
        print(f"  GET {target}")
    print("screenshots:")
    for shot in shots:
        print(f"  {shot}")


if __name__ == "__main__":
    main()
