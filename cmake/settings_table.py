"""Turns a build-settings text (Key=Value lines) into the raw resource bytes:
UTF-16LE strings, each ended by one zero code unit, key, value, key, value."""
import sys


def parse(text):
    pairs = []
    for line in text.splitlines():
        if not line or line.startswith("#") or "=" not in line:
            continue
        key, value = line.split("=", 1)
        pairs.append((key, value))
    return pairs


def encode(pairs):
    out = bytearray()
    for key, value in pairs:
        for s in (key, value):
            out += s.encode("utf-16-le") + b"\0\0"
    return bytes(out)


if __name__ == "__main__":
    src, dst = sys.argv[1], sys.argv[2]
    with open(src, encoding="utf-8") as f:
        data = encode(parse(f.read()))
    with open(dst, "wb") as f:
        f.write(data)
