#!/usr/bin/python3
"""Extraction speed: our ExtractPackage under Wine against the native `bzip2 -d`,
on the same deterministic package, in one run. Prints the times and the ratio.
Not a test: numbers depend on the machine.

    scripts/bench_extract.py [--build build/x86_64] [--mib 256] [--runs 1]
"""
import argparse
import hashlib
import os
import random
import shutil
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
MIB = 1 << 20


def base_corpus(size):
    """Text-like words with runs of raw bytes: roughly what an installer package
    holds, compressing about 3:1."""
    rng = random.Random(20261211)
    words = ["".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 9)))
             for _ in range(4000)]
    out = bytearray()
    while len(out) < size:
        if rng.random() < 0.12:
            out += rng.randbytes(rng.randint(64, 4096))
        else:
            out += (" ".join(rng.choices(words, k=200)) + "\n").encode()
    return bytes(out[:size])


def make_package(path, mib):
    """Each MiB is the corpus turned at a seeded offset: deterministic, and the
    repeats lie far beyond bzip2's 900 k block, so they do not help it."""
    corpus = base_corpus(4 * MIB)
    rng = random.Random(mib)
    tmp = path.with_suffix(".partial")
    with open(tmp, "wb") as out:
        bz = subprocess.Popen(["bzip2", "-9", "-c"], stdin=subprocess.PIPE, stdout=out)
        for _ in range(mib):
            at = rng.randrange(len(corpus) - MIB)
            bz.stdin.write(corpus[at:at + MIB])
        bz.stdin.close()
        if bz.wait() != 0:
            sys.exit("bzip2 failed")
    tmp.rename(path)


def digest(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        while chunk := f.read(4 * MIB):
            h.update(chunk)
    return h.hexdigest()


def wine_env(prefix):
    env = dict(os.environ)
    env.update(WINEPREFIX=str(prefix), WINEDEBUG="-all", WINEARCH="win64", WINEDLLOVERRIDES="mscoree,mshtml=")
    return env


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--build", default=str(ROOT / "build" / "x86_64"))
    ap.add_argument("--mib", type=int, default=256, help="uncompressed size (at least 256 for the record)")
    ap.add_argument("--runs", type=int, default=1, help="runs of each; the best is kept")
    args = ap.parse_args()

    build = Path(args.build).resolve()
    host = build / "fixtures" / "extract_host.exe"
    if not host.exists():
        sys.exit(f"{host} is missing: build the target extract_host first")
    work = build / "bench"
    work.mkdir(exist_ok=True)
    package = work / f"package-{args.mib}mib.bz2"
    if not package.exists():
        print(f"making a {args.mib} MiB package...", flush=True)
        make_package(package, args.mib)

    prefix = work / "wineprefix"
    env = wine_env(prefix)
    if not (prefix / "system.reg").exists():
        print("making the wine prefix...", flush=True)
        subprocess.run([WINE, "wineboot", "-i"], env=env, timeout=180, capture_output=True, check=True)
    # Start the server now so its start-up is not charged to the first run.
    subprocess.run([WINE, "cmd", "/c", "exit"], env=env, timeout=60, capture_output=True)

    native_out = work / "native.out"
    ours_out = Path(str(package) + ".msi")
    native, wine_wall, wine_inner = [], [], []
    for _ in range(args.runs):
        t = time.monotonic()
        with open(native_out, "wb") as out:
            subprocess.run(["bzip2", "-d", "-c", str(package)], stdout=out, check=True, timeout=1200)
        native.append(time.monotonic() - t)

        t = time.monotonic()
        proc = subprocess.run([WINE, str(host), "Z:" + str(package).replace("/", "\\"), ".msi"], env=env,
                              capture_output=True, text=True, timeout=1200)
        wine_wall.append(time.monotonic() - t)
        if proc.returncode != 0:
            sys.exit(f"extract_host failed ({proc.returncode}): {proc.stdout}{proc.stderr}")
        fields = dict(line.split(" ", 1) for line in proc.stdout.splitlines() if " " in line)
        wine_inner.append(float(fields["seconds"]))

    same = digest(native_out) == digest(ours_out)
    subprocess.run([WINESERVER, "-k"], env=env, timeout=60)
    compressed = package.stat().st_size
    plain = native_out.stat().st_size
    native_out.unlink()
    ours_out.unlink()
    if not same:
        sys.exit("outputs differ: the extraction is wrong")

    n, w, i = min(native), min(wine_wall), min(wine_inner)
    print(f"package        {compressed / MIB:.1f} MiB compressed, {plain / MIB:.1f} MiB plain "
          f"(ratio {plain / compressed:.2f}:1), outputs identical")
    print(f"bzip2 -d       {n:.2f} s")
    print(f"ExtractPackage {w:.2f} s under Wine, {i:.2f} s of it inside the extraction")
    print(f"ratio          {w / n:.2f} (wall)  {i / n:.2f} (extraction only)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
