"""Runs every GoogleTest program under Wine; a failing case shows gtest's own report."""
import pytest

from conftest import BUILD, ROOT

UNIT_PROGRAMS = sorted((BUILD / "unit").glob("*_tests.exe"))


@pytest.mark.parametrize("program", UNIT_PROGRAMS, ids=[p.stem for p in UNIT_PROGRAMS])
def test_unit_program(prefix, program):
    fixtures = prefix.windows_path(ROOT / "tests" / "fixtures" / "data")
    proc = prefix.run([program, "--gtest_brief=1"], timeout=300, env={"WRENKIT_FIXTURES": fixtures})
    assert proc.returncode == 0, proc.stdout + proc.stderr
