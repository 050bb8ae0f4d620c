"""Runs the installer under Wine in a fresh prefix and shows what it did: the frame it
shows, the identity it writes to the registry and the telemetry it would send."""
import os
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests" / "e2e"))

from harness.builds import make_build  # noqa: E402
from harness.telemetry_record import TelemetryRecord  # noqa: E402
from harness.uidriver import UiDriver  # noqa: E402
from harness.wine import Xvfb, make_base_prefix  # noqa: E402

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
        run(prefix)
    finally:
        prefix.kill()
        if xvfb:
            xvfb.stop()


def run(prefix):
    # A download as the distribution server hands it out: this build plus its installer data.
    data = (ROOT / "tests" / "fixtures" / "data" / "injected_example.txt").read_bytes() + b"\0"
    setup = make_build(prefix, BUILD, OUT / "VantrellSetup.exe", trailer=data)
    record = TelemetryRecord(OUT / "telemetry.jsonl")
    if record.path.exists():
        record.path.unlink()
    driver = UiDriver(prefix, BUILD / "tools" / "uidriver.exe")

    program = prefix.start([setup], env=record.env)
    frame = driver.wait(caption="Vantrell Setup", timeout=30000)["window"]
    print(f"frame: \"{frame['caption']}\" class {frame['class']}, {frame['rect']}")
    shot = driver.screenshot(OUT / "frame.png", caption="Vantrell Setup")
    print(f"screenshot: {shot}")

    values = prefix.reg_values(COMPANY_KEY)
    print(f"{COMPANY_KEY}: MachineID = {values['MachineID'][1]}")
    registration = prefix.reg_values(COMPANY_KEY + r"\Vantrell\Registration")
    print(f"{COMPANY_KEY}\\Vantrell\\Registration: {'present' if registration is not None else 'missing'}, "
          f"values {registration}")

    driver.close(caption="Vantrell Setup")
    status = program.wait(60)
    print(f"installer exited with status {status}")
    print("telemetry it would send:")
    for kind, name, attrs in record.flow():
        print(f"  flow {kind}: {name} {attrs if attrs else ''}")
    for url in record.requests():
        print(f"  GET {url}")


if __name__ == "__main__":
    main()
