#include "install/PackageSelection.h"

#include "app/Program.h"
#include "util/SystemProbes.h"

namespace install {

namespace {

constexpr const wchar_t* kZevVersion = L"2.2.21642.48889";

}  // namespace

std::wstring ChooseProductPackageKey(const config::BuildSettings& settings, const PackageSystemFacts& facts) {
    std::wstring key = L"MsiUrl";
    auto choose = [&](bool applies, const wchar_t* candidate) {
        if (applies && settings.Lookup(candidate)) {
            key = candidate;
            return true;
        }
        return false;
    };
    const unsigned major = facts.windowsMajor, minor = facts.windowsMinor;
    const LANGID language = facts.uiLanguage;
    // At most one of the Windows versions applies.
    choose(major == 6 && minor == 0, L"VistaMsiUrl") || choose(major == 6 && minor == 1, L"7MsiUrl") ||
        choose(major == 6 && minor == 2, L"8MsiUrl");
    choose(facts.is64BitWindows, L"x64MsiUrl");
    choose(language == 1031, L"DeMsiUrl");
    choose(language == 1036, L"FrMsiUrl");
    choose(language == 1041, L"JpMsiUrl");
    choose(language == 1034 || language == 3082, L"EsMsiUrl");
    choose(facts.installedProductVersion == kZevVersion, L"ZevMsiUrl");
    return key;
}

std::wstring ChooseOfferPackageKey(OfferKind kind, bool is64BitWindows) {
    const OfferKindInfo& info = OfferInfo(kind);
    return is64BitWindows ? info.urlKeyX64 : info.urlKeyX86;
}

PackageSystemFacts ProbePackageSystemFacts() {
    PackageSystemFacts facts;
    // The version the system reports to this program (6.2 on later systems
    // without a manifest entry for them), which is what the package keys mean.
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const BOOL known = ::GetVersionExW(&version);
#pragma GCC diagnostic pop
    if (known) {
        facts.windowsMajor = version.dwMajorVersion;
        facts.windowsMinor = version.dwMinorVersion;
    }
    facts.is64BitWindows = util::IsRunningUnderWow64();
    facts.uiLanguage = ::GetUserDefaultUILanguage();
    facts.installedProductVersion = app::TheProgram().InstalledProductVersion();
    return facts;
}

std::wstring ChooseProductPackageKey() {
    return ChooseProductPackageKey(app::TheProgram().Settings(), ProbePackageSystemFacts());
}

std::wstring ChooseOfferPackageKey(OfferKind kind) { return ChooseOfferPackageKey(kind, util::IsRunningUnderWow64()); }

}  // namespace install
