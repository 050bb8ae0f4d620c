"""Fixtures shared by every end-to-end test: the display, a fresh prefix per test,
and the paths of the built programs."""
import os
import shutil
import sys
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).parent))
from harness.wine import Xvfb, copy_prefix, make_base_prefix  # noqa: E402

ROOT = Path(__file__).resolve().parents[2]
# Overridable so that several builds can be tested side by side.
BUILD = Path(os.environ.get("WRENKIT_BUILD_DIR", ROOT / "build" / "x86_64"))
WINE_ROOT = Path(os.environ.get("WRENKIT_WINE_ROOT", ROOT / "build" / "wine"))
ARTIFACTS = Path(os.environ.get("WRENKIT_ARTIFACTS", ROOT / "build" / "artifacts"))


@pytest.fixture(scope="session")
def display():
    x = Xvfb().start()
    yield x.display
    x.stop()


@pytest.fixture(scope="session")
def base_prefix(display):
    prefix = make_base_prefix(WINE_ROOT / "base", display)
    yield prefix
    prefix.kill()
    shutil.rmtree(prefix.path, ignore_errors=True)


@pytest.fixture
def prefix(base_prefix, request):
    name = request.node.name.replace("/", "_").replace("[", "_").replace("]", "")[:80]
    p = copy_prefix(base_prefix, WINE_ROOT / "t" / name)
    yield p
    p.kill()
    shutil.rmtree(p.path, ignore_errors=True)


@pytest.fixture(scope="session")
def build():
    return BUILD


@pytest.fixture(scope="session")
def artifacts():
    ARTIFACTS.mkdir(parents=True, exist_ok=True)
    return ARTIFACTS


@pytest.fixture(scope="session")
def root():
    return ROOT
