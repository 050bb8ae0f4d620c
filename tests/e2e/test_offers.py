"""The offer pages as a user meets them, under Wine against the package server: the
backup offer taken as it starts or declined after clearing its box, the cleaner's and
the main product's Accept and Decline, Back to the welcome page and forward again, and
in every language the logo right after the recommending sentence."""
import bz2
import subprocess
import time

import pytest

from harness import packages, wizard
from harness.builds import make_build
from harness.package_server import PackageServer
from harness.telemetry_server import TelemetryServer
from harness.uidriver import UiDriver
from test_startup import default_settings

FRAME = wizard.FRAME
# The backup offer needs .NET 2 when the prefix reports Windows 8 or later.
DOTNET2 = r"HKLM\SOFTWARE\Microsoft\NET Framework Setup\NDP\v2.0.50727"
ALL_OFFERS = "BackupOffer=enabled\nTwpOffer=enabled\nVantrellOffer=enabled\nMaxOffers=-1\n"

AGREE, BACK, NEXT, FINISH, LAUNCH = 1002, 1000, 1001, 12, 1013
BACKUP_CHECK, BACKUP_CONSENT = 1074, 1083
ACCEPT, DECLINE = 1026, 1016
TWP_SENTENCE, TWP_LOGO = 1086, 1073
VANTRELL_SENTENCE, VANTRELL_LOGO = 1090, 1074
LOGO_GAP = 5

# Unix locale and the frame's title in its language.
LANGUAGES = {"en_US.UTF-8": FRAME, "de_DE.UTF-8": FRAME, "es_ES.UTF-8": "Instalación de Vantrell",
             "fr_FR.UTF-8": "Installation de Vantrell", "ja_JP.UTF-8": "Vantrell セットアップ"}
OFFER_WAIT = 20


@pytest.fixture(scope="module")
def server(build, tmp_path_factory):
    """The product and the three offers' installers (the recording stand-in), compressed."""
    work = tmp_path_factory.mktemp("offers")
    www = work / "www"
    www.mkdir()
    msi = packages.build_package("product", work, build / "fixtures" / "product")
    (www / "product.msi.bz2").write_bytes(bz2.compress(msi.read_bytes()))
    offer = bz2.compress((build / "fixtures" / "offer_installer.exe").read_bytes())
    for name in ("Stowline_Setup.exe.bz2", "Twp.exe.bz2", "VantrellOffer.exe.bz2"):
        (www / name).write_bytes(offer)
    with PackageServer(www) as running:
        yield running


@pytest.fixture
def telemetry():
    with TelemetryServer() as recording:
        yield recording


PAGE_ACTIONS = ("Offer", "Offered", "Accept", "Decline")


def page_actions(telemetry):
    """The offer pages' flow actions, in order, with their attributes."""
    return [(name, attrs) for kind, name, attrs in telemetry.flow()
            if kind == "action" and name.startswith(("Backup", "Twp", "Vantrell")) and name.endswith(PAGE_ACTIONS)
            and "NotOffered" not in name]


@pytest.fixture
def driver(prefix, build):
    return UiDriver(prefix, build / "tools" / "uidriver.exe")


class Setup:
    """One run of the installer with the given injected data, and the offers it started."""

    def __init__(self, prefix, build, root, tmp_path, server, data, locale=None, telemetry=None):
        prefix.reg_add(DOTNET2)
        # Wine's scheme draws links in light grey; Windows' own colour makes them visible.
        prefix.reg_add(r"HKCU\Control Panel\Colors", "HotTrackingColor", "REG_SZ", "0 102 204")
        url = server.url
        setup = make_build(prefix, build, tmp_path / "VantrellSetup.exe",
                           settings=default_settings(root, **{f"{lang}MsiUrl": f"{url}/product.msi.bz2"
                                                              for lang in ("", "De", "Fr", "Jp", "Es")},
                                                     BackupUrl=f"{url}/Stowline_Setup.exe.bz2",
                                                     x86TwpUrl=f"{url}/Twp.exe.bz2", x64TwpUrl=f"{url}/Twp.exe.bz2",
                                                     VantrellEnUrl=f"{url}/VantrellOffer.exe.bz2",
                                                     InstallScanEvent=None,
                                                     **(telemetry.settings() if telemetry else {})),
                           trailer=data.encode() + b"\0")
        self.log = tmp_path / "offers.log"
        env = {"WRENKIT_OFFER_LOG": prefix.windows_path(self.log)}
        if locale:
            # Wine takes the UI language from either, depending on the host's locales.
            env.update(LANG=locale, LC_ALL=locale)
        self.program = prefix.start([setup], env=env)

    def started_offers(self, expected):
        """The download prefixes (stw, twp, vtl) of the offer installers that ran, once
        `expected` of them have logged and no more come: they run on their own."""
        deadline = time.monotonic() + OFFER_WAIT
        while True:
            lines = self.log.read_text(encoding="utf-8").splitlines() if self.log.exists() else []
            if len(lines) > expected or time.monotonic() > deadline:
                break
            if len(lines) == expected:
                deadline = min(deadline, time.monotonic() + 1.5)
            time.sleep(0.25)
        return sorted(line.split('"')[1].split("\\")[-1][:3] for line in lines), lines


def wait_for_page(driver, control_id, frame=FRAME, timeout=60):
    """The controls of the page on screen once it has the control; the frame by its title."""
    deadline = time.monotonic() + timeout
    while True:
        window = driver.inspect(caption=frame)
        controls = {c["id"]: c for c in window["controls"] if c["id"] > 0}
        if control_id in controls:
            return controls
        assert time.monotonic() < deadline, f"no page with control {control_id}: {sorted(controls)}"
        time.sleep(0.3)


def agree(driver, frame=FRAME):
    wait_for_page(driver, AGREE, frame)
    driver.click(caption=frame, id=AGREE)


def finish(driver, setup):
    page = wait_for_page(driver, LAUNCH, timeout=120)
    assert page[1011]["text"] == "Completed the Vantrell Setup Wizard"
    driver.click(caption=FRAME, id=FINISH)
    assert setup.program.wait(60) == 0


def installed(prefix):
    return (prefix.drive_c / packages.INSTALL_DIR / "Vantrell.exe").is_file()


# Pixels of a screenshot, to see what a label drew and where a sentence's ink ends.

class Shot:
    def __init__(self, png, frame):
        ppm = subprocess.run(["convert", str(png), "ppm:-"], check=True, capture_output=True, timeout=60).stdout
        magic, width, height, depth, self.data = ppm.split(maxsplit=4)
        assert magic == b"P6" and depth == b"255"
        self.width, self.height = int(width), int(height)
        self.left, self.top = frame["rect"]["left"], frame["rect"]["top"]

    def pixel(self, x, y):
        """The colour at a screen point."""
        i = 3 * ((y - self.top) * self.width + (x - self.left))
        return tuple(self.data[i:i + 3])

    def columns_with(self, rect, test, right=None):
        """The screen columns of rect (up to `right`) holding a pixel that passes test."""
        return [x for x in range(rect["left"], right or rect["right"])
                if any(test(self.pixel(x, y)) for y in range(rect["top"], rect["bottom"]))]


def ink(rgb):
    return sum(rgb) < 300


def link_blue(rgb):
    r, g, b = rgb
    return b > 150 and b > r + 60


def shoot(driver, artifacts, name, caption=FRAME):
    frame = driver.inspect(caption=caption)
    shot = driver.screenshot(artifacts / "offers" / f"{name}.png", caption=caption)
    return Shot(shot["png"], frame), {c["id"]: c for c in frame["controls"] if c["id"] > 0}, frame


def assert_logo_follows_sentence(shot, controls, frame, sentence_id, logo_id):
    sentence, logo = controls[sentence_id]["rect"], controls[logo_id]["rect"]
    assert logo["left"] == sentence["right"] + LOGO_GAP, (sentence, logo)
    # The sentence was cut to its own text: its ink ends at its right edge (less the last
    # glyph's bearing), on one line, and nothing of it reaches into the gap. The logo still
    # fits on the page.
    inked = shot.columns_with(sentence, ink, right=logo["left"])
    assert inked and sentence["right"] - 8 <= inked[-1] < sentence["right"], (inked[-1:], sentence)
    assert logo["right"] <= frame["rect"]["right"], (logo, frame["rect"])
    assert controls[sentence_id]["visible"] and controls[logo_id]["visible"] and logo["width"] > 0


def test_backup_taken_as_it_starts_with_the_cleaner_accepted_and_the_main_product_declined(
        prefix, build, root, server, driver, tmp_path, telemetry):
    setup = Setup(prefix, build, root, tmp_path, server, ALL_OFFERS, telemetry=telemetry)
    agree(driver)
    page = wait_for_page(driver, BACKUP_CONSENT)
    assert page[BACKUP_CHECK]["checked"] == 1 and page[NEXT]["default"] and page[BACK]["enabled"]
    assert 2 not in page  # no Cancel button on an offer page
    driver.click(caption=FRAME, id=NEXT)

    page = wait_for_page(driver, TWP_SENTENCE)
    assert page[ACCEPT]["default"] and page[ACCEPT]["text"] == "Accept && Inst&all"
    assert BACK not in page and 2 not in page
    driver.click(caption=FRAME, id=ACCEPT)

    wait_for_page(driver, VANTRELL_SENTENCE)
    driver.click(caption=FRAME, id=DECLINE)
    finish(driver, setup)

    assert installed(prefix)
    started, lines = setup.started_offers(2)
    assert started == ["stw", "twp"], lines
    [backup] = [line for line in lines if "\\stw" in line]
    assert " /S /product=stowline " in backup
    # The pages' actions carry no attributes.
    assert page_actions(telemetry) == [(name, {}) for name in (
        "BackupOffer", "BackupAccept", "TwpOffered", "TwpAccept", "VantrellOffered", "VantrellDecline")]


def test_backup_declined_after_clearing_its_box_with_the_main_product_accepted(
        prefix, build, root, server, driver, tmp_path, artifacts, telemetry):
    setup = Setup(prefix, build, root, tmp_path, server, ALL_OFFERS, telemetry=telemetry)
    agree(driver)
    wait_for_page(driver, BACKUP_CONSENT)
    checked, controls, _ = shoot(driver, artifacts, "backup-checked")
    consent = controls[BACKUP_CONSENT]["rect"]
    assert checked.columns_with(consent, link_blue), "the legal paragraph shows its two links"

    driver.click(caption=FRAME, id=BACKUP_CHECK)
    page = wait_for_page(driver, BACKUP_CONSENT)
    assert page[BACKUP_CHECK]["checked"] == 0
    time.sleep(0.5)  # the label repaints
    cleared, _, _ = shoot(driver, artifacts, "backup-cleared")
    # "Click Next to proceed without Stowline": no link left, one line of text.
    assert not cleared.columns_with(consent, link_blue)
    rows = [y for y in range(consent["top"], consent["bottom"])
            if any(ink(cleared.pixel(x, y)) for x in range(consent["left"], consent["right"]))]
    assert rows and rows[-1] - rows[0] < 16, rows

    driver.click(caption=FRAME, id=NEXT)
    wait_for_page(driver, TWP_SENTENCE)
    driver.click(caption=FRAME, id=DECLINE)
    wait_for_page(driver, VANTRELL_SENTENCE)
    driver.click(caption=FRAME, id=ACCEPT)
    finish(driver, setup)

    started, lines = setup.started_offers(1)
    assert started == ["vtl"], lines
    assert [name for name, _ in page_actions(telemetry)] == [
        "BackupOffer", "BackupDecline", "TwpOffered", "TwpDecline", "VantrellOffered", "VantrellAccept"]


def test_back_to_the_welcome_page_and_forward_again_shows_the_offer_once(prefix, build, root, server, driver,
                                                                          tmp_path, telemetry):
    setup = Setup(prefix, build, root, tmp_path, server, "BackupOffer=enabled\nMaxOffers=1\n", telemetry=telemetry)
    agree(driver)
    wait_for_page(driver, BACKUP_CONSENT)
    driver.click(caption=FRAME, id=BACK)
    wait_for_page(driver, AGREE)
    driver.click(caption=FRAME, id=AGREE)

    # A new backup page, checked again.
    page = wait_for_page(driver, BACKUP_CONSENT)
    assert page[BACKUP_CHECK]["checked"] == 1
    driver.click(caption=FRAME, id=NEXT)
    wait_for_page(driver, LAUNCH, timeout=120)
    # The finished page is the last of the order: the close box ends the wizard without a question.
    driver.close(caption=FRAME)
    assert wizard.open_box(driver, 2000) is None
    assert setup.program.wait(60) == 0
    started, lines = setup.started_offers(1)
    assert started == ["stw"], lines
    # A fresh page on each visit: shown twice, accepted once.
    assert page_actions(telemetry) == [("BackupOffer", {}), ("BackupOffer", {}), ("BackupAccept", {})]


@pytest.mark.parametrize("locale", LANGUAGES)
def test_logo_follows_the_sentence_in_every_language(prefix, build, root, server, driver, tmp_path, artifacts,
                                                     locale):
    language, frame = locale[:2], LANGUAGES[locale]
    setup = Setup(prefix, build, root, tmp_path, server, ALL_OFFERS, locale=locale)
    agree(driver, frame)
    wait_for_page(driver, BACKUP_CONSENT, frame)
    shoot(driver, artifacts, f"backup-{language}", frame)
    driver.click(caption=frame, id=BACKUP_CHECK)
    time.sleep(0.5)
    shoot(driver, artifacts, f"backup-cleared-{language}", frame)
    driver.click(caption=frame, id=NEXT)

    for name, sentence, logo in (("twp", TWP_SENTENCE, TWP_LOGO), ("vantrell", VANTRELL_SENTENCE, VANTRELL_LOGO)):
        wait_for_page(driver, sentence, frame)
        time.sleep(0.3)
        shot, controls, window = shoot(driver, artifacts, f"{name}-{language}", frame)
        assert_logo_follows_sentence(shot, controls, window, sentence, logo)
        if name == "twp":
            driver.click(caption=frame, id=DECLINE)

    # The close box on an offer page is the wizard's cancel; Yes ends on the interrupted finished page.
    driver.close(caption=frame)
    box = driver.answer(caption=wizard.BOX, button=6)  # IDYES, whatever its caption
    if language == "en":
        assert box["text"] == "Do you want to cancel the setup wizard?"
    page = wait_for_page(driver, LAUNCH, frame)
    assert not page[LAUNCH]["visible"]  # interrupted: nothing to launch
    driver.click(caption=frame, id=FINISH)
    assert setup.program.wait(60) == 0
    assert setup.started_offers(0)[0] == []
