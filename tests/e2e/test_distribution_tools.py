"""The distribution tools on real copies of the program: settings read back byte for byte,
trailers where the program looks for them, signatures still valid after stamping."""
import shutil
import struct
import subprocess

import pytest

from conftest import BUILD, ROOT, WINE_ROOT
from harness import builds
from harness.wine import copy_prefix

PE32_PROGRAM = ROOT / "build" / "i686" / builds.PROGRAM
TRAILER_TEXT = "\ufeffMaxOffers=1\r\n@track=\n?SI_MODE=toaster".encode("utf-8") + b"\xff\xfe\0"


@pytest.fixture(scope="module")
def tools_prefix(base_prefix):
    # The tools only touch the files they are given, so one copy of the prefix serves every case.
    prefix = copy_prefix(base_prefix, WINE_ROOT / "t" / "distribution-tools")
    prefix.keep_server()
    yield prefix
    prefix.kill()
    shutil.rmtree(prefix.path, ignore_errors=True)


@pytest.fixture(params=["pe32plus", "pe32"])
def program(request):
    if request.param == "pe32plus":
        return BUILD / builds.PROGRAM
    if not PE32_PROGRAM.exists():
        pytest.skip(f"no 32-bit build at {PE32_PROGRAM} (scripts/build.sh makes it)")
    return PE32_PROGRAM


@pytest.fixture(scope="module")
def signing_key(tmp_path_factory):
    return builds.make_signing_key(tmp_path_factory.mktemp("signing"))


def other_resources(path):
    return {k: v for k, v in builds.read_resources(path).items()
            if k[:2] != (builds.SETTINGS_TYPE, builds.SETTINGS_ID)}


def assert_headers_readable(path):
    # The toolchain's own reader sees section table, symbol table and string table intact.
    proc = subprocess.run(["x86_64-w64-mingw32-objdump", "-h", str(path)], capture_output=True, text=True)
    assert proc.returncode == 0, proc.stderr


def tool_fails(tools_prefix, tool, args, message, exit_code=1):
    proc = builds.run_tool(tools_prefix, BUILD, tool, args, check=False)
    assert proc.returncode == exit_code, proc.stdout + proc.stderr
    assert message in proc.stderr


# settings_writer

def test_settings_read_back_exactly(tools_prefix, program, tmp_path):
    settings = {
        "AppExe": r"%ProgramFiles%\Vantrell\Vantrell.exe",
        "InstallerData": "a=b =c",
        "PageOrder": "CWelcomePage,CProgressPage,CFinishedPage",
        "FlowName": "Grüße, 日本語 ✓ \U0001d11e",
        "Empty": "",
        "pageorder": "differs by case",
    }
    out = builds.make_build(tools_prefix, BUILD, tmp_path / "out.exe", settings=settings, program=program)
    assert builds.read_settings_resource(out) == builds.encode_settings(settings.items())
    assert other_resources(out) == other_resources(program)
    assert_headers_readable(out)


@pytest.mark.parametrize("text, pairs", [
    ("# comment\r\nA=1\r\n\nno equals sign\nB==x\rC=\n", [("A", "1"), ("B", "=x"), ("C", "")]),
    ("\ufeffA=1", [("A", "1")]),
    (" K = v \n#K=2\nA=#not a comment", [(" K ", " v "), ("A", "#not a comment")]),
    ("K=1\nK=2\n", [("K", "1"), ("K", "2")]),
], ids=["line-ends-comments-skips", "bom-dropped", "nothing-trimmed", "duplicates-kept-in-order"])
def test_settings_text_lines(tools_prefix, tmp_path, text, pairs):
    out = builds.make_build(tools_prefix, BUILD, tmp_path / "out.exe", settings_text=text)
    assert builds.read_settings_resource(out) == builds.encode_settings(pairs)


def test_raw_table_then_delete(tools_prefix, program, tmp_path):
    # An odd size and a dangling key: the bytes go in as given.
    raw = builds.encode_settings([("A", "1")]) + "Dangling".encode("utf-16-le") + b"\0\0\x41"
    out = builds.make_build(tools_prefix, BUILD, tmp_path / "out.exe", raw_settings=raw, program=program)
    assert builds.read_settings_resource(out) == raw

    for _ in range(2):  # deleting a missing table is no error
        builds.run_tool(tools_prefix, BUILD, "settings_writer", [out, "--delete"])
        assert builds.read_settings_resource(out) is None
        assert other_resources(out) == other_resources(program)
    assert_headers_readable(out)


def test_settings_writer_refusals(tools_prefix, signing_key, tmp_path):
    exe = shutil.copyfile(BUILD / builds.PROGRAM, tmp_path / "out.exe")
    signed = builds.sign(exe, tmp_path / "signed.exe", signing_key)
    untouched = {p: p.read_bytes() for p in (exe, signed)}
    (tmp_path / "bad.txt").write_bytes(b"A=\xff\xfe\n")
    (tmp_path / "empty.bin").write_bytes(b"")
    (tmp_path / "good.txt").write_bytes(b"A=1\n")
    cases = [
        ([signed, tmp_path / "good.txt"], "is signed; write the settings before signing", 1),
        ([exe, tmp_path / "missing.txt"], "cannot open", 1),
        ([exe, tmp_path / "bad.txt"], "not valid UTF-8", 1),
        ([exe, "--raw", tmp_path / "empty.bin"], "refuses an empty table", 1),
        ([tmp_path / "bad.txt", "--delete"], "cannot load the resources", 1),
        ([exe, "--raw"], "usage:", 2),
    ]
    for args, message, exit_code in cases:
        tool_fails(tools_prefix, "settings_writer", args, message, exit_code)
    assert {p: p.read_bytes() for p in untouched} == untouched


# trailer_stamper

def trailer(text, length=None, magic=b"TBPL"):
    return text + struct.pack("<I", len(text) if length is None else length) + magic


def test_unsigned_stamp_is_plain_append(tools_prefix, program, tmp_path):
    out = builds.make_build(tools_prefix, BUILD, tmp_path / "out.exe", trailer=TRAILER_TEXT, program=program)
    assert out.read_bytes() == program.read_bytes() + trailer(TRAILER_TEXT)


@pytest.mark.parametrize("options, tail", [
    ({"trailer_length": 99999}, trailer(TRAILER_TEXT, length=99999)),
    ({"trailer_magic": "TBPX"}, trailer(TRAILER_TEXT, magic=b"TBPX")),
    ({"trailer_raw": True}, TRAILER_TEXT),
], ids=["wrong-length", "wrong-magic", "raw"])
def test_broken_trailers(tools_prefix, tmp_path, options, tail):
    out = builds.make_build(tools_prefix, BUILD, tmp_path / "out.exe", trailer=TRAILER_TEXT, **options)
    assert out.read_bytes() == (BUILD / builds.PROGRAM).read_bytes() + tail


def test_signed_stamp_keeps_signature(tools_prefix, program, signing_key, tmp_path):
    signed = builds.make_build(tools_prefix, BUILD, tmp_path / "signed.exe", program=program,
                               settings={"FlowName": "signed"}, signing_key=signing_key)
    assert builds.verify_signature(signed, signing_key).returncode == 0
    before = signed.read_bytes()
    old = builds.read_pe(before)
    assert old.pe32_plus == (program != PE32_PROGRAM)
    assert old.cert_table_offset + old.cert_table_size == len(before)

    (tmp_path / "data.txt").write_bytes(TRAILER_TEXT)
    builds.run_tool(tools_prefix, BUILD, "trailer_stamper", [signed, tmp_path / "data.txt"])

    after = signed.read_bytes()
    verdict = builds.verify_signature(signed, signing_key)
    assert verdict.returncode == 0, verdict.stdout + verdict.stderr
    assert "invalid PE checksum" not in verdict.stdout + verdict.stderr

    new = builds.read_pe(after)
    dw_length, = struct.unpack_from("<I", after, new.cert_table_offset)
    assert new.cert_table_offset == old.cert_table_offset
    assert new.cert_table_offset + new.cert_table_size == len(after)
    assert new.cert_table_size % 8 == 0
    assert new.cert_table_size > old.cert_table_size and dw_length == new.cert_table_size
    assert after.endswith(trailer(TRAILER_TEXT))
    padding = after[len(before):len(after) - len(trailer(TRAILER_TEXT))]
    assert padding == b"\0" * len(padding) and len(padding) < 8
    # Apart from the two size fields and the checksum, the signed bytes are untouched.
    changed = {new.checksum_offset + i for i in range(4)} | {new.security_entry_offset + 4 + i for i in range(4)}
    changed |= {new.cert_table_offset + i for i in range(4)}
    assert [i for i in range(len(before)) if before[i] != after[i] and i not in changed] == []
    assert struct.unpack_from("<I", after, new.checksum_offset)[0] == builds.pe_checksum(after, new.checksum_offset)


def test_stamper_refusals(tools_prefix, signing_key, tmp_path):
    # Bytes after the signature would sit outside the table and break it.
    not_last = builds.make_build(tools_prefix, BUILD, tmp_path / "not-last.exe", signing_key=signing_key)
    with not_last.open("ab") as f:
        f.write(b"\0" * 16)
    (tmp_path / "data.txt").write_bytes(b"k=v")
    (tmp_path / "not-pe.exe").write_bytes(b"MZ" + b"\0" * 100)
    untouched = {p: p.read_bytes() for p in (not_last, tmp_path / "not-pe.exe")}
    data = tmp_path / "data.txt"
    cases = [
        ([not_last, data], "does not end at the end of the file", 1),
        ([tmp_path / "not-pe.exe", data], "not a PE file", 1),
        ([not_last, tmp_path / "missing.txt"], "cannot open", 1),
        (["--magic", "TBPLX", not_last, data], "--magic needs exactly 4", 2),
        (["--length", "-1", not_last, data], "--length needs an unsigned 32-bit number", 2),
        (["--raw", "--length", "3", not_last, data], "--raw writes no length or magic", 2),
        ([not_last], "expected <exe> and <data-file>", 2),
    ]
    for args, message, exit_code in cases:
        tool_fails(tools_prefix, "trailer_stamper", args, message, exit_code)
    assert {p: p.read_bytes() for p in untouched} == untouched
