#!/usr/bin/python3
"""The installation engine against baselines measured in the same run, on a large
deterministic package (the demo product with a seeded payload, bzip2-compressed)
served by nginx on loopback, under one Wine:

  download    our downloader (engine_host's download task) against a bare WinHTTP
              read loop of ours (winhttp_loop); native curl's figure beside them
  end to end  download + decompress + install through engine_host against the bare
              loop + native `bzip2 -dc` + `wine msiexec /qn /i`
  memory      engine_host's peak working set for a small and a large package
  progress    the spacing of the progress reports and their last values

Prints the figures and the ratios with their bars. Not a test: numbers depend on
the machine and its load (printed too).

    scripts/bench_engine.py [--build build/x86_64] [--mib 256] [--memory-mib 64 512]
"""
import argparse
import os
import shutil
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tests" / "e2e"))
from harness import packages  # noqa: E402
from harness.builds import make_build  # noqa: E402
from harness.package_server import PackageServer  # noqa: E402
from harness.wine import Xvfb, copy_prefix, make_base_prefix  # noqa: E402
from test_startup import default_settings  # noqa: E402

MIB = 1 << 20
WINE_TIMEOUT = 1800
REPORT_INTERVAL_MS = 66
BARS = {"download": 0.9, "end to end": 1.1, "memory MiB": 2.0}


def load():
    return " ".join(Path("/proc/loadavg").read_text().split()[:3])


def timed(fn):
    start = time.monotonic()
    result = fn()
    return time.monotonic() - start, result


class Bench:
    def __init__(self, build, work, display):
        self.build = build
        self.work = work
        self.base = make_base_prefix(work / "wine" / "base", display)
        self.base.wait_server()
        self.copies = 0

    def prefix(self, name):
        return copy_prefix(self.base, self.work / "wine" / name)

    def engine_host(self, prefix, url):
        """A copy of engine_host with the package address set and no telemetry."""
        self.copies += 1
        host = self.work / f"engine_host-{self.copies}.exe"
        # No telemetry servers: nothing but the installation is measured.
        settings = default_settings(ROOT, MsiUrl=url, InstallScanEvent=None, InstallerWebServer=None,
                                    StatisticsServer=None, TrackingServer=None)
        return make_build(prefix, self.build, host, program=self.build / "fixtures" / "engine_host.exe",
                          settings=settings)

    def run_engine(self, name, url):
        """One whole engine run in a fresh prefix: (wall seconds, timed lines, prefix)."""
        prefix = self.prefix(name)
        host = self.engine_host(prefix, url)
        prefix.keep_server()
        wall, proc = timed(lambda: prefix.run([host, "timed"], timeout=WINE_TIMEOUT))
        if proc.returncode != 0:
            sys.exit(f"engine_host failed ({proc.returncode}):\n{proc.stdout}{proc.stderr}")
        if not (prefix.drive_c / packages.INSTALL_DIR / "payload.bin").is_file():
            sys.exit("engine_host ended, but the product is not installed")
        return wall, parse(proc.stdout), prefix

    def baseline(self, name, url):
        """The same three steps with the plainest tools: (seconds per step, loop's own seconds)."""
        prefix = self.prefix(name)
        prefix.keep_server()
        downloaded = self.work / "loop.bz2"
        msi = self.work / "native.msi"
        loop = self.build / "fixtures" / "winhttp_loop.exe"
        t_loop, proc = timed(lambda: prefix.run([loop, url, prefix.windows_path(downloaded)], timeout=WINE_TIMEOUT))
        if proc.returncode != 0:
            sys.exit(f"winhttp_loop failed ({proc.returncode}): {proc.stdout}{proc.stderr}")
        inner = float(dict(line.split(" ", 1) for line in proc.stdout.splitlines())["seconds"])
        with open(msi, "wb") as out:
            t_bzip2, _ = timed(lambda: subprocess.run(["bzip2", "-dc", str(downloaded)], stdout=out, check=True,
                                                      timeout=WINE_TIMEOUT))
        t_msiexec, proc = timed(lambda: prefix.run(["msiexec", "/qn", "/i", prefix.windows_path(msi)],
                                                   timeout=WINE_TIMEOUT))
        if proc.returncode != 0 or not (prefix.drive_c / packages.INSTALL_DIR / "payload.bin").is_file():
            sys.exit(f"msiexec failed ({proc.returncode}): {proc.stdout}{proc.stderr}")
        downloaded.unlink()
        msi.unlink()
        self.drop(prefix)
        return {"download": t_loop, "bzip2 -dc": t_bzip2, "msiexec": t_msiexec}, inner

    def drop(self, prefix):
        prefix.kill()
        shutil.rmtree(prefix.path, ignore_errors=True)


def parse(stdout):
    """engine_host's timed lines as (ms, kind, value, text)."""
    out = []
    for line in stdout.splitlines():
        parts = line.split(" ", 3)
        if len(parts) >= 3 and parts[0].isdigit():
            out.append((int(parts[0]), parts[1], int(parts[2]), parts[3] if len(parts) > 3 else ""))
    return out


def phases(lines):
    """{overall position: [(ms, value) of its progress lines]} and the time each task began."""
    progress, starts, current = {}, {}, None
    for ms, kind, value, _ in lines:
        if kind == "task":
            current = value
            starts.setdefault(value, ms)
            progress.setdefault(value, [])
        elif kind == "progress" and current is not None:
            progress[current].append((ms, value))
    return progress, starts


def curl(url, out):
    seconds, _ = timed(lambda: subprocess.run(["curl", "-s", "-f", "-o", str(out), url], check=True,
                                              timeout=WINE_TIMEOUT))
    size = out.stat().st_size
    out.unlink()
    return seconds, size


def intervals(points):
    return [b[0] - a[0] for a, b in zip(points, points[1:])]


def ratio_line(name, ours, theirs, bar, higher_is_better):
    r = ours / theirs
    ok = r >= bar if higher_is_better else r <= bar
    sign = ">=" if higher_is_better else "<="
    print(f"  {name:<28} {r:6.2f}x   bar {sign} {bar}x   {'met' if ok else 'MISSED'}")


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--build", default=str(ROOT / "build" / "x86_64"))
    ap.add_argument("--mib", type=int, default=256, help="package size for speed (at least 256 for the record)")
    ap.add_argument("--memory-mib", type=int, nargs=2, default=[64, 512], metavar=("SMALL", "LARGE"))
    ap.add_argument("--skip-memory", action="store_true")
    ap.add_argument("--work", help="scratch folder (packages are kept there between runs)")
    args = ap.parse_args()

    build = Path(args.build).resolve()
    for exe in ("fixtures/engine_host.exe", "fixtures/winhttp_loop.exe", "fixtures/product/Vantrell.exe",
                "tools/settings_writer.exe"):
        if not (build / exe).exists():
            sys.exit(f"{build / exe} is missing: build engine_host, winhttp_loop, Vantrell and settings_writer")
    work = Path(args.work or build / "bench-engine").resolve()
    www = work / "www"
    www.mkdir(parents=True, exist_ok=True)
    print(f"load average at start: {load()} ({os.cpu_count()} cores)", flush=True)

    sizes = [args.mib] + ([] if args.skip_memory else args.memory_mib)
    made = {}
    for mib in dict.fromkeys(sizes):
        t, (msi, packed) = timed(lambda: packages.build_large_package(work, build / "fixtures" / "product", mib))
        target = www / packed.name
        if not target.exists():
            os.link(packed, target)
        made[mib] = (msi, target)
        print(f"package {mib} MiB: {target.stat().st_size / MIB:.1f} MiB compressed ({t:.0f} s to make or find)",
              flush=True)

    display = Xvfb().start()
    try:
        with PackageServer(www) as server:
            bench = Bench(build, work, display.display)
            url = f"{server.url}/{made[args.mib][1].name}"
            size = made[args.mib][1].stat().st_size
            t_curl, got = curl(url, work / "curl.out")  # also warms the page cache for both sides
            if got != size:
                sys.exit("curl did not get the whole package")

            base_steps, loop_inner = bench.baseline("baseline", url)
            wall, lines, prefix = bench.run_engine("ours", url)
            bench.drop(prefix)
            progress, starts = phases(lines)
            t_download = (starts[50] - starts[25]) / 1000
            t_extract = (starts[75] - starts[50]) / 1000
            t_install = (starts[100] - starts[75]) / 1000
            peak = {args.mib: next(v for _, k, v, _ in lines if k == "peak-working-set")}
            print(f"load average after the speed runs: {load()}", flush=True)

            if not args.skip_memory:
                for mib in args.memory_mib:
                    if mib in peak:
                        continue
                    _, mem_lines, mem_prefix = bench.run_engine(f"memory-{mib}", f"{server.url}/{made[mib][1].name}")
                    bench.drop(mem_prefix)
                    peak[mib] = next(v for _, k, v, _ in mem_lines if k == "peak-working-set")
            bench.base.kill()
    finally:
        display.stop()

    mb = size / 1e6
    print()
    print(f"package             {size / MIB:.1f} MiB ({made[args.mib][0].stat().st_size / MIB:.1f} MiB installer)")
    print("download")
    print(f"  curl (native)       {t_curl:7.2f} s  {mb / t_curl:8.1f} MB/s   the platform's horizon")
    print(f"  winhttp_loop        {loop_inner:7.2f} s  {mb / loop_inner:8.1f} MB/s   ({base_steps['download']:.2f} s wall)")
    print(f"  ours (download task){t_download:7.2f} s  {mb / t_download:8.1f} MB/s")
    ratio_line("ours / bare loop throughput", loop_inner, t_download, BARS["download"], True)
    base_total = sum(base_steps.values())
    print("end to end")
    print("  baseline            " + ", ".join(f"{k} {v:.2f} s" for k, v in base_steps.items())
          + f"  = {base_total:.2f} s")
    print(f"  ours                download {t_download:.2f} s, decompress {t_extract:.2f} s, install "
          f"{t_install:.2f} s  = {wall:.2f} s wall")
    ratio_line("ours / baseline time", wall, base_total, BARS["end to end"], False)

    if len(peak) > 1:
        print("memory (peak working set of engine_host)")
        for mib, value in sorted(peak.items()):
            print(f"  {mib:4d} MiB package   {value / MIB:8.2f} MiB")
        small, large = peak[min(peak)], peak[max(peak)]
        growth = (large - small) / MIB
        print(f"  growth {min(peak)} -> {max(peak)} MiB: {growth:+.2f} MiB   bar within "
              f"{BARS['memory MiB']} MiB   {'met' if abs(growth) <= BARS['memory MiB'] else 'MISSED'}")

    print("progress (from the posting times of the page's messages)")
    # Only the download is throttled; decompression reports every 64 KiB block and
    # Windows Installer's messages go on as the installer sends them.
    names = {25: "download", 50: "decompress", 75: "install"}
    for position, name in names.items():
        points = progress.get(position, [])
        gaps = intervals(points)
        values = [v for _, v in points]
        line = f"  {name:<10} {len(points):5d} reports"
        if gaps:
            # The completing report of a download is sent whatever the throttle says.
            inner = gaps[:-1] if position == 25 else gaps
            short = sum(1 for g in inner if g < REPORT_INTERVAL_MS)
            line += f", gaps min {min(gaps)} ms, median {sorted(gaps)[len(gaps) // 2]} ms, {short} under 66 ms"
        if values:
            line += f", last value {values[-1]}"
        print(line)
    tasks = [v for _, k, v, _ in lines if k == "task"]
    print(f"  overall bar positions {tasks}")
    print(f"load average at the end: {load()}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
