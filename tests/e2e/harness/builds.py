"""Test builds of the program, made the way operators make them: copy the program, write its
build settings, sign it, stamp the installer data, with our own distribution tools under Wine.
Also a small reader for the PE fields the tests look at, and a throw-away signing key."""
import shutil
import struct
import subprocess
import tempfile
from dataclasses import dataclass
from pathlib import Path

from harness.wine import Prefix

PROGRAM = "VantrellSetup.exe"
SETTINGS_TYPE = 33
SETTINGS_ID = 1
SETTINGS_LANGUAGE = 0x0400
TOOL_TIMEOUT = 60


def format_settings(settings):
    """The settings file for a dict; keys that the file format cannot carry are refused."""
    lines = []
    for key, value in settings.items():
        if "=" in key or key.startswith("#") or not key or any(c in key + value for c in "\r\n"):
            raise ValueError(f"not expressible as a settings line: {key!r}={value!r}; use raw_settings")
        lines.append(f"{key}={value}")
    return "\n".join(lines) + "\n"


def encode_settings(pairs):
    """The resource bytes for (key, value) pairs: UTF-16LE strings, each ended by a zero unit."""
    return b"".join((s.encode("utf-16-le") + b"\0\0") for pair in pairs for s in pair)


def run_tool(prefix, build_dir, tool, args, check=True):
    program = Path(build_dir) / "tools" / f"{tool}.exe"
    proc = prefix.run([program] + [a if isinstance(a, str) else Prefix.windows_path(a) for a in args],
                      timeout=TOOL_TIMEOUT)
    if check and proc.returncode != 0:
        raise AssertionError(f"{tool} {args} exited {proc.returncode}\n{proc.stdout}{proc.stderr}")
    return proc


def make_build(prefix, build_dir, out_path, settings=None, settings_text=None, raw_settings=None,
               delete_settings=False, signing_key=None, trailer=None, trailer_length=None,
               trailer_magic=None, trailer_raw=False, program=None):
    """Copies the program (build_dir's own unless given, e.g. the 32-bit one) to out_path and
    applies, in the operators' order, at most one settings change, then the signature (a
    SigningKey), then the trailer, with build_dir's tools. Returns out_path."""
    if sum(x is not None for x in (settings, settings_text, raw_settings)) + bool(delete_settings) > 1:
        raise ValueError("give at most one of settings, settings_text, raw_settings, delete_settings")
    out_path = Path(out_path)
    out_path.parent.mkdir(parents=True, exist_ok=True)
    shutil.copyfile(program or Path(build_dir) / PROGRAM, out_path)
    with tempfile.TemporaryDirectory(dir=out_path.parent) as scratch:
        scratch = Path(scratch)
        if settings is not None:
            settings_text = format_settings(settings)
        if settings_text is not None:
            (scratch / "settings.txt").write_bytes(settings_text.encode("utf-8"))
            run_tool(prefix, build_dir, "settings_writer", [out_path, scratch / "settings.txt"])
        elif raw_settings is not None:
            (scratch / "settings.bin").write_bytes(raw_settings)
            run_tool(prefix, build_dir, "settings_writer", [out_path, "--raw", scratch / "settings.bin"])
        elif delete_settings:
            run_tool(prefix, build_dir, "settings_writer", [out_path, "--delete"])

        if signing_key is not None:
            sign(out_path, out_path, signing_key)

        if trailer is not None:
            (scratch / "trailer.bin").write_bytes(trailer)
            options = []
            if trailer_length is not None:
                options += ["--length", str(trailer_length)]
            if trailer_magic is not None:
                options += ["--magic", trailer_magic]
            if trailer_raw:
                options.append("--raw")
            run_tool(prefix, build_dir, "trailer_stamper", options + [out_path, scratch / "trailer.bin"])
    return out_path


# Signing with a self-signed code-signing certificate (openssl and osslsigncode).

@dataclass
class SigningKey:
    cert: Path
    key: Path


def make_signing_key(directory):
    directory = Path(directory)
    directory.mkdir(parents=True, exist_ok=True)
    key = SigningKey(directory / "signing-cert.pem", directory / "signing-key.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "30",
                    "-subj", "/CN=Wrenkit Test Signing", "-addext", "extendedKeyUsage=codeSigning",
                    "-keyout", key.key, "-out", key.cert], check=True, capture_output=True, timeout=60)
    return key


def sign(src, dst, signing_key, description="Vantrell Setup"):
    """Signs src into dst (they may be the same file)."""
    dst = Path(dst)
    temp = dst.with_name(dst.name + ".signing")
    temp.unlink(missing_ok=True)
    proc = subprocess.run(["osslsigncode", "sign", "-h", "sha256", "-certs", signing_key.cert,
                           "-key", signing_key.key, "-n", description, "-in", src, "-out", temp],
                          capture_output=True, text=True, timeout=60)
    if proc.returncode != 0:
        temp.unlink(missing_ok=True)
        raise AssertionError(f"osslsigncode sign failed\n{proc.stdout}{proc.stderr}")
    temp.replace(dst)
    return dst


def verify_signature(path, signing_key):
    """osslsigncode's verdict, trusting the test certificate; returncode 0 means valid."""
    return subprocess.run(["osslsigncode", "verify", "-in", path, "-CAfile", signing_key.cert],
                          capture_output=True, text=True, timeout=60)


# A reader for the PE fields the tests look at, independent of the tools under test.

@dataclass
class PeHeaders:
    pe32_plus: bool
    checksum_offset: int
    security_entry_offset: int
    cert_table_offset: int
    cert_table_size: int
    resource_rva: int
    sections: list  # (name, virtual address, virtual size, raw offset, raw size)

    def file_offset(self, rva):
        for _, va, vsize, raw, rsize in self.sections:
            if va <= rva < va + max(vsize, rsize):
                return raw + rva - va
        raise ValueError(f"RVA {rva:#x} lies in no section")


def read_pe(data):
    if data[:2] != b"MZ":
        raise ValueError("no MZ header")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("no PE signature")
    count, = struct.unpack_from("<H", data, pe + 6)
    optional_size, = struct.unpack_from("<H", data, pe + 20)
    optional = pe + 24
    magic, = struct.unpack_from("<H", data, optional)
    if magic not in (0x10B, 0x20B):
        raise ValueError(f"unknown optional header magic {magic:#x}")
    directories = optional + (112 if magic == 0x20B else 96)
    resource_rva, _ = struct.unpack_from("<II", data, directories + 8 * 2)
    cert_offset, cert_size = struct.unpack_from("<II", data, directories + 8 * 4)
    table = optional + optional_size
    sections = []
    for i in range(count):
        name, vsize, va, rsize, raw = struct.unpack_from("<8sIIII", data, table + 40 * i)
        sections.append((name.rstrip(b"\0").decode("latin-1"), va, vsize, raw, rsize))
    return PeHeaders(magic == 0x20B, optional + 64, directories + 8 * 4, cert_offset, cert_size,
                     resource_rva, sections)


def pe_checksum(data, checksum_offset):
    """The optional header checksum as the system computes it."""
    padded = data + b"\0" * (len(data) % 2)
    words = struct.unpack(f"<{len(padded) // 2}H", padded)
    total = 0
    skip = {checksum_offset // 2, checksum_offset // 2 + 1}
    for i, word in enumerate(words):
        if i not in skip:
            total += word
            total = (total & 0xFFFF) + (total >> 16)
    total = (total & 0xFFFF) + (total >> 16)
    return total + len(data)


def read_resources(path):
    """Every resource of a program file as {(type, name, language): bytes}; string types and
    names come as str, numbered ones as int."""
    data = Path(path).read_bytes()
    headers = read_pe(data)
    if not headers.resource_rva:
        return {}
    root = headers.file_offset(headers.resource_rva)

    def entries(directory):
        named, ids = struct.unpack_from("<HH", data, root + directory + 12)
        for i in range(named + ids):
            key, target = struct.unpack_from("<II", data, root + directory + 16 + 8 * i)
            if key & 0x80000000:
                length, = struct.unpack_from("<H", data, root + (key & 0x7FFFFFFF))
                start = root + (key & 0x7FFFFFFF) + 2
                key = data[start:start + 2 * length].decode("utf-16-le")
            yield key, target & 0x7FFFFFFF

    found = {}
    for kind, names in entries(0):
        for name, languages in entries(names):
            for language, entry in entries(languages):
                rva, size = struct.unpack_from("<II", data, root + entry)
                start = headers.file_offset(rva)
                found[(kind, name, language)] = data[start:start + size]
    return found


def read_settings_resource(path):
    """The build-settings table's bytes, or None when there is none. Two tables in different
    languages are an error: which one the program reads would be up to the loader."""
    tables = {lang: data for (kind, name, lang), data in read_resources(path).items()
              if (kind, name) == (SETTINGS_TYPE, SETTINGS_ID)}
    if len(tables) > 1:
        raise ValueError(f"settings table in several languages: {sorted(tables)}")
    if tables and SETTINGS_LANGUAGE not in tables:
        raise ValueError(f"settings table in language {next(iter(tables)):#x}")
    return tables.get(SETTINGS_LANGUAGE)
