#pragma once
// Which build setting holds the address of the package to download.
#include <windows.h>

#include <string>

#include "config/BuildSettings.h"
#include "install/OfferCommandLines.h"

namespace install {

// What the choice depends on besides the settings.
struct PackageSystemFacts {
    unsigned windowsMajor = 0;  // as the system's version query reports them
    unsigned windowsMinor = 0;
    bool is64BitWindows = false;
    LANGID uiLanguage = 0;
    std::wstring installedProductVersion;  // empty until the welcome page records it
};

// "MsiUrl" unless a configured variant for this system wins; later rules win.
std::wstring ChooseProductPackageKey(const config::BuildSettings& settings, const PackageSystemFacts& facts);
std::wstring ChooseOfferPackageKey(OfferKind kind, bool is64BitWindows);

// The same over the real probes, the program's settings and its recorded version.
PackageSystemFacts ProbePackageSystemFacts();
std::wstring ChooseProductPackageKey();
std::wstring ChooseOfferPackageKey(OfferKind kind);

}  // namespace install
