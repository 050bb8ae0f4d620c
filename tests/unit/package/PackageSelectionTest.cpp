#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "config/BuildSettings.h"
#include "install/PackageSelection.h"
#include "util/SystemProbes.h"

namespace {

// A settings table holding the given keys, each with some address.
config::BuildSettings SettingsWith(std::initializer_list<const wchar_t*> keys) {
    std::wstring table;
    for (const wchar_t* key : keys) {
        table += key;
        table += L'\0';
        table += L"http://127.0.0.1/p.bz2";
        table += L'\0';
    }
    config::BuildSettings settings;
    settings.Parse(table.data(), table.size() * sizeof(wchar_t));
    return settings;
}

constexpr LANGID kEnglish = 1033, kGerman = 1031, kFrench = 1036, kJapanese = 1041;
const wchar_t* const kAllKeys[] = {L"MsiUrl", L"VistaMsiUrl", L"7MsiUrl", L"8MsiUrl", L"x64MsiUrl", L"DeMsiUrl",
                                   L"FrMsiUrl", L"JpMsiUrl", L"EsMsiUrl", L"ZevMsiUrl"};

}  // namespace

TEST(PackageSelection, ProductKeyFollowsTheRulesInOrder) {
    const auto all = SettingsWith({kAllKeys[0], kAllKeys[1], kAllKeys[2], kAllKeys[3], kAllKeys[4], kAllKeys[5],
                                   kAllKeys[6], kAllKeys[7], kAllKeys[8], kAllKeys[9]});
    const auto onlyGeneric = SettingsWith({L"MsiUrl"});
    const auto no7 = SettingsWith({L"MsiUrl", L"VistaMsiUrl", L"8MsiUrl"});
    const auto win7x64De = SettingsWith({L"MsiUrl", L"7MsiUrl", L"x64MsiUrl", L"DeMsiUrl"});
    const auto versions = SettingsWith({L"MsiUrl", L"VistaMsiUrl", L"7MsiUrl", L"8MsiUrl"});
    const auto es = SettingsWith({L"MsiUrl", L"EsMsiUrl", L"x64MsiUrl"});

    struct Case {
        const char* name;
        const config::BuildSettings* settings;
        install::PackageSystemFacts facts;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {"only the generic key, any machine", &onlyGeneric, {6, 1, true, kGerman, L"2.2.21642.48889"}, L"MsiUrl"},
        {"nothing matches", &all, {10, 0, false, kEnglish, L""}, L"MsiUrl"},
        {"Vista", &versions, {6, 0, false, kEnglish, L""}, L"VistaMsiUrl"},
        {"Windows 7", &versions, {6, 1, false, kEnglish, L""}, L"7MsiUrl"},
        {"Windows 8 and the later ones that report 6.2", &versions, {6, 2, false, kEnglish, L""}, L"8MsiUrl"},
        {"6.3 is none of the three", &versions, {6, 3, false, kEnglish, L""}, L"MsiUrl"},
        {"Windows 7 without its key takes no other version's", &no7, {6, 1, false, kEnglish, L""}, L"MsiUrl"},
        {"64-bit beats the version", &win7x64De, {6, 1, true, kEnglish, L""}, L"x64MsiUrl"},
        {"language beats 64-bit and version", &win7x64De, {6, 1, true, kGerman, L""}, L"DeMsiUrl"},
        {"language key absent keeps the earlier win", &win7x64De, {6, 1, true, kFrench, L""}, L"x64MsiUrl"},
        {"French", &all, {6, 1, false, kFrench, L""}, L"FrMsiUrl"},
        {"Japanese", &all, {6, 1, false, kJapanese, L""}, L"JpMsiUrl"},
        {"Spanish, traditional sort", &es, {6, 1, true, 1034, L""}, L"EsMsiUrl"},
        {"Spanish, modern sort", &es, {6, 1, true, 3082, L""}, L"EsMsiUrl"},
        {"other Spanish locales are not", &es, {6, 1, true, 2058, L""}, L"x64MsiUrl"},
        {"the one installed version beats everything", &all, {6, 0, true, kGerman, L"2.2.21642.48889"},
         L"ZevMsiUrl"},
        {"versions compare as exact text", &all, {6, 0, false, kEnglish, L"2.2.21642.48889.0"}, L"VistaMsiUrl"},
        {"no version recorded yet", &all, {6, 0, false, kEnglish, L""}, L"VistaMsiUrl"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, install::ChooseProductPackageKey(*c.settings, c.facts)) << c.name;
}

TEST(PackageSelection, OfferKeysSplitOnlyTheCleanerByArchitecture) {
    using install::OfferKind;
    struct Case {
        OfferKind kind;
        bool is64;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {OfferKind::Backup, false, L"BackupUrl"},     {OfferKind::Backup, true, L"BackupUrl"},
        {OfferKind::Twp, false, L"x86TwpUrl"},        {OfferKind::Twp, true, L"x64TwpUrl"},
        {OfferKind::Vantrell, false, L"VantrellEnUrl"}, {OfferKind::Vantrell, true, L"VantrellEnUrl"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, install::ChooseOfferPackageKey(c.kind, c.is64)) << static_cast<int>(c.kind) << c.is64;
}

TEST(PackageSelection, TheProbedArchitectureReachesTheChoice) {
    util::OverrideWow64ForTesting(true);
    EXPECT_TRUE(install::ProbePackageSystemFacts().is64BitWindows);
    EXPECT_EQ(L"x64TwpUrl", install::ChooseOfferPackageKey(install::OfferKind::Twp));
    util::OverrideWow64ForTesting(false);
    EXPECT_EQ(L"x86TwpUrl", install::ChooseOfferPackageKey(install::OfferKind::Twp));
    util::OverrideWow64ForTesting(std::nullopt);
    EXPECT_GE(install::ProbePackageSystemFacts().windowsMajor, 6u);
}
