"""The user's language picks the texts: a small program of ours (tests/fixtures/language_probe.cpp)
prints the welcome heading and the licence's first line that the resource loader chose.

Wine takes the user's UI language and locale from LC_MESSAGES as the C library resolves it
(LC_ALL, then LC_MESSAGES, then LANG); when that locale is not installed the library answers
"C" and Wine reads LC_ALL by itself. Setting LC_ALL as well as LANG works on both kinds of host."""
import shutil

import pytest

from conftest import BUILD, WINE_ROOT
from harness.wine import copy_prefix

PROBE = BUILD / "fixtures" / "language_probe.exe"

GERMAN = ("Willkommen beim\\r\\nSetup-Assistenten von %1", "Endbenutzer-Lizenzvertrag für Vantrell")
ENGLISH = ("Welcome to the\\r\\n%1 Setup Wizard", "End-User License Agreement for Vantrell")

# Unix locale, the language Wine must derive from it, the heading and the licence's title.
CASES = [
    ("de_DE.UTF-8", "0407", *GERMAN),
    ("de_AT.UTF-8", "0C07", *GERMAN),  # a country variant falls back to the German table
    ("ja_JP.UTF-8", "0411", "%1 セットアップ ウィザードへ\\r\\nようこそ", "Vantrell 使用許諾契約書"),
    ("fr_CA.UTF-8", "0C0C", "Bienvenue dans l'Assistant\\r\\nd'installation de %1",
     "Contrat de licence utilisateur final de Vantrell"),
    ("es_MX.UTF-8", "080A", "Bienvenido al Asistente para la\\r\\ninstalación de %1",
     "Contrato de licencia para el usuario final de Vantrell"),
    ("en_US.UTF-8", "0409", *ENGLISH),
    ("it_IT.UTF-8", "0410", *ENGLISH),  # no Italian texts: English
]


@pytest.fixture(scope="module")
def language_prefix(base_prefix):
    """One prefix for every case: each probe reads its language from its own environment."""
    prefix = copy_prefix(base_prefix, WINE_ROOT / "t" / "languages")
    yield prefix
    prefix.kill()
    shutil.rmtree(prefix.path, ignore_errors=True)


def probe(prefix, unix_locale):
    proc = prefix.run([PROBE], timeout=60, env={"LANG": unix_locale, "LC_ALL": unix_locale})
    assert proc.returncode == 0, proc.stdout + proc.stderr
    return dict(line.split("=", 1) for line in proc.stdout.splitlines() if "=" in line)


@pytest.mark.parametrize("unix_locale,ui,heading,license_title", CASES, ids=[c[0] for c in CASES])
def test_user_language_picks_texts_and_licence(language_prefix, unix_locale, ui, heading, license_title):
    shown = probe(language_prefix, unix_locale)
    assert shown["ui"] == ui, shown  # else Wine ignored the environment and the case proves nothing
    assert shown["heading"] == heading
    assert shown["license"] == license_title
