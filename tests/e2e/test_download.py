"""The HTTP client and the resumable download against real servers on 127.0.0.1:
our fault server and nginx. net_tests.exe runs its server-backed cases with the
servers' addresses; here we check what the servers received."""
import pytest

from conftest import BUILD
from harness.fault_server import FaultServer, pattern
from harness.package_server import PackageServer

NET_TESTS = BUILD / "unit" / "net_tests.exe"
USER_AGENT = "VIRIRODEVOZU/1.1"
PACKAGE_SIZE = 5 * 1024 * 1024 + 123


@pytest.fixture
def fault_server():
    with FaultServer() as server:
        yield server


@pytest.fixture
def package_server(tmp_path):
    root = tmp_path / "packages"
    root.mkdir()
    (root / "package.bin").write_bytes(pattern(PACKAGE_SIZE))
    with PackageServer(root) as server:
        yield server


def run_net_tests(prefix, gtest_filter, env):
    assert NET_TESTS.exists(), f"{NET_TESTS} is not built"
    proc = prefix.run([NET_TESTS, f"--gtest_filter={gtest_filter}", "--gtest_brief=1"], timeout=300, env=env)
    output = proc.stdout + proc.stderr
    assert proc.returncode == 0, output
    assert "SKIPPED" not in output, output
    return output


def gets(server, path):
    return [r for r in server.requests(path) if r["method"] == "GET"]


def test_download_against_fault_server(prefix, fault_server):
    run_net_tests(prefix, "*FaultServer*", {"WRENKIT_FAULT_SERVER": fault_server.url})

    # Resume after a drop: the tail is asked for, guarded by the first answer's ETag.
    first, retry = gets(fault_server, "/drop/resume")
    assert "Range" not in first["headers"] and "If-Range" not in first["headers"]
    assert retry["headers"]["Range"] == "bytes=3145728-"
    assert retry["headers"]["If-Range"] == '"v0-10485760"'

    # The changed file came back whole because the retry named the old version.
    first, retry = gets(fault_server, "/changing/changing")
    assert retry["headers"]["If-Range"] == '"v0-4194304"'

    # A 206 that does not continue the file is thrown away and the file fetched anew.
    for path in ("/badrange/badrange", "/badlength/badlength"):
        attempts = gets(fault_server, path)
        assert [a["headers"].get("Range") for a in attempts] == [None, "bytes=1048576-", None], path

    assert len(gets(fault_server, "/ignorerange/ignorerange")) == 2
    assert len(gets(fault_server, "/status/notfound")) == 5
    assert len(gets(fault_server, "/file/plain")) == 1
    # Fire-and-forget GET arrived, once.
    assert len(gets(fault_server, "/echo/background")) == 1
    # The abort did not retry.
    assert len(gets(fault_server, "/slow/abort")) == 1

    assert [r["path"] for r in gets(fault_server, "/echo/target")] == ["/echo/target?x=1"]
    # Two requests on one object went over one connection (the server numbers them).
    reuse = gets(fault_server, "/echo/reuse1") + gets(fault_server, "/echo/reuse2")
    assert len({r["connection"] for r in reuse}) == 1

    # The user's auto-config script was fetched to route the proxied request; a script
    # that could not be fetched left the request going direct.
    assert gets(fault_server, "/pac/proxy")
    assert gets(fault_server, "/status/nopac") and len(gets(fault_server, "/echo/direct")) == 1

    # Every request of our client carries its user agent (the platform object has its own).
    ours = [r for r in fault_server.requests() if not r["path"].startswith(("/echo/platform", "/pac/", "/status/nopac"))]
    assert ours and all(r["headers"].get("User-Agent") == USER_AGENT for r in ours)


def test_download_against_nginx(prefix, package_server):
    run_net_tests(prefix, "*PackageServer*", {
        "WRENKIT_PACKAGE_SERVER": package_server.url,
        "WRENKIT_PACKAGE_ROOT": prefix.windows_path(package_server.root),
    })
    log = package_server.access_log()
    assert any('"GET /package.bin HTTP/1.1" 206' in line for line in log), log
    replaced = [line for line in log if "/replaced.bin" in line]
    assert len(replaced) == 2 and all('" 200 ' in line for line in replaced), replaced
