// Which offer pages the rules add and what they report for the others, over injected
// data and build settings of our own and a machine and server we choose.
#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "config/BuildSettings.h"
#include "config/InstallerData.h"
#include "fw/UniqueHandle.h"
#include "wizard/OfferRules.h"

namespace {

using install::OfferKind;
using Reports = std::vector<std::pair<std::wstring, std::wstring>>;
using Pages = std::vector<std::wstring>;

// The machine checks and the session server, as a case sets them, and what the rules reported.
struct World {
    std::map<OfferKind, std::wstring> refusedBy;  // a failing machine check and its sentences
    std::set<OfferKind> serverOff;
    Reports reports;
    std::map<OfferKind, int> checks;

    wizard::OfferEnvironment Environment() {
        return {[this](OfferKind kind, std::wstring& reasons) {
                    ++checks[kind];
                    auto refused = refusedBy.find(kind);
                    if (refused == refusedBy.end()) return true;
                    reasons += refused->second;
                    return false;
                },
                [this](OfferKind kind) { return serverOff.count(kind) == 0; },
                [this](const std::wstring& action, const std::wstring& reasons) {
                    reports.emplace_back(action, reasons);
                }};
    }
};

config::BuildSettings SettingsOf(std::initializer_list<std::pair<std::wstring, std::wstring>> pairs) {
    std::vector<uint8_t> bytes;
    auto put = [&](const std::wstring& s) {
        for (wchar_t c : s) {
            bytes.push_back(static_cast<uint8_t>(c & 0xFF));
            bytes.push_back(static_cast<uint8_t>(c >> 8));
        }
        bytes.push_back(0);
        bytes.push_back(0);
    };
    for (const auto& [key, value] : pairs) put(key), put(value);
    config::BuildSettings settings;
    EXPECT_EQ(S_OK, settings.Parse(bytes.data(), bytes.size()));
    return settings;
}

config::InstallerData DataOf(const wchar_t* text) {
    config::InstallerData data;
    EXPECT_TRUE(SUCCEEDED(data.ParseText(text)));
    return data;
}

// Runs the rules once after the first page, as the frame does.
Pages Apply(const config::InstallerData& data, const config::BuildSettings& settings, World& world) {
    Pages order{L"CWelcomePage"};
    wizard::COfferRules(data, settings, world.Environment()).AppendOfferPages(order);
    order.erase(order.begin());
    return order;
}

constexpr wchar_t kAllOn[] = L"BackupOffer=enabled\nTwpOffer=enabled\nVantrellOffer=enabled\n";
const wchar_t* const kBudget = L"Max offers limit reached.";

struct RulesCase {
    const char* name;
    std::wstring data;
    Pages pages;
    Reports reports;
};

class OfferRulesTable : public ::testing::TestWithParam<RulesCase> {};

TEST_P(OfferRulesTable, AddsEligiblePagesAndReportsTheOthers) {
    const RulesCase& c = GetParam();
    config::BuildSettings settings =
        SettingsOf({{L"BackupUrl", L"http://b"}, {L"x64TwpUrl", L"http://t"}, {L"VantrellEnUrl", L"http://v"}});
    World world;
    EXPECT_EQ(c.pages, Apply(DataOf(c.data.c_str()), settings, world));
    EXPECT_EQ(c.reports, world.reports);
}

INSTANTIATE_TEST_SUITE_P(
    Budget, OfferRulesTable,
    ::testing::Values(
        RulesCase{"absent", kAllOn, {},
                  {{L"BackupNotOffered", kBudget}, {L"TwpNotOffered", kBudget}, {L"VantrellNotOffered", kBudget}}},
        RulesCase{"unlimited", std::wstring(kAllOn) + L"MaxOffers=-1\n",
                  {L"CBackupOfferPage", L"CTwpOfferPage", L"CVantrellOfferPage"}, {}},
        RulesCase{"two", std::wstring(kAllOn) + L"MaxOffers=2\n", {L"CBackupOfferPage", L"CTwpOfferPage"},
                  {{L"VantrellNotOffered", kBudget}}},
        // An offer that is not made leaves the budget to the next one.
        RulesCase{"spent only by offers made", L"BackupOffer=disabled\nTwpOffer=enabled\nVantrellOffer=enabled\n"
                                               L"MaxOffers=1\n",
                  {L"CTwpOfferPage"},
                  {{L"BackupNotOffered", L"Backup offer not enabled in injected flags."},
                   {L"VantrellNotOffered", kBudget}}},
        // The switch is compared exactly.
        RulesCase{"switch with a capital", L"BackupOffer=Enabled\nTwpOffer=enabled \nMaxOffers=-1\n", {},
                  {{L"BackupNotOffered", L"Backup offer not enabled in injected flags."},
                   {L"TwpNotOffered", L"TWP offer not enabled in injected flags."},
                   {L"VantrellNotOffered", L"Vantrell offer not enabled in injected flags."}}}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& ch : name)
            if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return name;
    });

// This copy's injected data, as the distribution server stamped it, with this build's settings.
config::InstallerData ExampleData() {
    wchar_t dir[MAX_PATH] = {};
    EXPECT_NE(0u, ::GetEnvironmentVariableW(L"WRENKIT_FIXTURES", dir, MAX_PATH)) << "run through the harness";
    fw::UniqueFile file(::CreateFileW((std::wstring(dir) + L"\\injected_example.txt").c_str(), GENERIC_READ,
                                      FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(file);
    std::string text(4096, '\0');
    DWORD read = 0;
    if (file) ::ReadFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
    text.resize(read);
    config::InstallerData data;
    EXPECT_EQ(S_OK, data.ParseUtf8(text));
    return data;
}

TEST(OfferRules, ThisCopyWithThisBuildOffersTheCleaner) {
    config::BuildSettings settings;
    ASSERT_EQ(S_OK, settings.Load());  // the test program links the build's own table
    const config::InstallerData data = ExampleData();

    World world;
    EXPECT_EQ(Pages{L"CTwpOfferPage"}, Apply(data, settings, world));
    EXPECT_EQ((Reports{{L"BackupNotOffered", L"Backup offer not enabled in injected flags."},
                       {L"VantrellNotOffered", L"Max offers limit reached. Vantrell offer not enabled in injected "
                                               L"flags. No Vantrell URL found."}}),
              world.reports);

    // With the main product already on the machine, its check's sentence stands in its place.
    World installed;
    installed.refusedBy[OfferKind::Vantrell] = L"Already installed.";
    Apply(data, settings, installed);
    EXPECT_EQ(L"Max offers limit reached. Vantrell offer not enabled in injected flags. Already installed. "
              L"No Vantrell URL found.",
              installed.reports.back().second);
}

TEST(OfferRules, EveryFailedConditionIsReportedInOrder) {
    World world;
    world.refusedBy[OfferKind::Backup] = L"System is Windows 8 and .NET 2 Framework is missing. Already installed.";
    world.refusedBy[OfferKind::Twp] = L"";  // a check that fails without saying why
    world.serverOff = {OfferKind::Backup, OfferKind::Twp, OfferKind::Vantrell};
    Apply(DataOf(L"BackupOffer=no\n"), SettingsOf({{L"x86TwpUrl", L"http://t"}}), world);
    EXPECT_EQ((Reports{{L"BackupNotOffered",
                        L"Max offers limit reached. Backup offer not enabled in injected flags. System is Windows 8 "
                        L"and .NET 2 Framework is missing. Already installed. Server session disabled backup. No "
                        L"backup URL found."},
                       // Only the 64-bit address counts for the cleaner.
                       {L"TwpNotOffered", L"Max offers limit reached. TWP offer not enabled in injected flags. "
                                          L"Server session disabled TWP. No TWP URL found."},
                       {L"VantrellNotOffered", L"Max offers limit reached. Vantrell offer not enabled in injected "
                                               L"flags. Server session disabled Vantrell. No Vantrell URL found."}}),
              world.reports);
    // The machine is asked about every offer even when an earlier condition already failed.
    EXPECT_EQ((std::map<OfferKind, int>{{OfferKind::Backup, 1}, {OfferKind::Twp, 1}, {OfferKind::Vantrell, 1}}),
              world.checks);
}

TEST(OfferRules, AnEmptyAddressIsStillAnAddress) {
    World world;
    EXPECT_EQ((Pages{L"CBackupOfferPage", L"CTwpOfferPage", L"CVantrellOfferPage"}),
              Apply(DataOf((std::wstring(kAllOn) + L"MaxOffers=3\n").c_str()),
                    SettingsOf({{L"BackupUrl", L""}, {L"x64TwpUrl", L""}, {L"VantrellEnUrl", L""}}), world));
    EXPECT_TRUE(world.reports.empty());
}

TEST(OfferRules, BudgetIsReadLikeADecimalNumber) {
    struct Case {
        const wchar_t* text;
        int budget;
    };
    for (const Case& c : std::vector<Case>{{L"1", 1},
                                           {L"-1", -1},
                                           {L" \t+3", 3},
                                           {L"2 offers", 2},
                                           {L"two", 0},
                                           {L"", 0},
                                           {L"- 1", 0},
                                           {L"99999999999", INT_MAX},
                                           {L"-99999999999", INT_MIN}}) {
        const std::wstring text = c.text;
        EXPECT_EQ(c.budget, wizard::OfferBudget(&text)) << '"' << std::string(text.begin(), text.end()) << '"';
    }
    EXPECT_EQ(0, wizard::OfferBudget(nullptr));
}

}  // namespace
