#include "wizard/OfferRules.h"

#include <climits>

#include "app/Program.h"
#include "telemetry/FlowTracker.h"
#include "util/SystemProbes.h"

namespace wizard {

namespace {

struct OfferRule {
    install::OfferKind kind;
    const wchar_t* switchKey;  // in the injected data; on only when exactly "enabled"
    const wchar_t* urlKey;     // in the build settings; present is enough, even empty
    const wchar_t* pageClass;
    const wchar_t* notOfferedAction;
    const wchar_t* switchOffReason;
    const wchar_t* serverOffReason;
    const wchar_t* noUrlReason;
};

// In showing order. The cleaner needs only its 64-bit address; the download picks the
// address for the machine's architecture.
constexpr OfferRule kRules[] = {
    {install::OfferKind::Backup, L"BackupOffer", L"BackupUrl", L"CBackupOfferPage", L"BackupNotOffered",
     L"Backup offer not enabled in injected flags.", L"Server session disabled backup.", L"No backup URL found."},
    {install::OfferKind::Twp, L"TwpOffer", L"x64TwpUrl", L"CTwpOfferPage", L"TwpNotOffered",
     L"TWP offer not enabled in injected flags.", L"Server session disabled TWP.", L"No TWP URL found."},
    {install::OfferKind::Vantrell, L"VantrellOffer", L"VantrellEnUrl", L"CVantrellOfferPage", L"VantrellNotOffered",
     L"Vantrell offer not enabled in injected flags.", L"Server session disabled Vantrell.",
     L"No Vantrell URL found."},
};

constexpr wchar_t kBudgetReason[] = L"Max offers limit reached.";

bool IsCSpace(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

void AddReason(std::wstring& reasons, const std::wstring& sentence) {
    // A failed check that gave no text adds nothing, not a stray space.
    if (sentence.empty()) return;
    if (!reasons.empty()) reasons.push_back(L' ');
    reasons += sentence;
}

bool MachineAllows(install::OfferKind kind, std::wstring& reasons) {
    switch (kind) {
    case install::OfferKind::Backup:
        return util::CheckBackupPrerequisites(reasons);
    case install::OfferKind::Twp:
        return util::CheckTwpPrerequisites(reasons);
    case install::OfferKind::Vantrell:
        return util::CheckVantrellPrerequisites(reasons);
    }
    return false;
}

bool ServerAllows(install::OfferKind kind) {
    const app::CProgram& program = app::TheProgram();
    switch (kind) {
    case install::OfferKind::Backup:
        return program.serverAllowsBackup != 0;
    case install::OfferKind::Twp:
        return program.serverAllowsTwp != 0;
    case install::OfferKind::Vantrell:
        return program.serverAllowsVantrell != 0;
    }
    return false;
}

void ReportToFlow(const std::wstring& action, const std::wstring& reasons) {
    telemetry::PostAction(app::TheProgram().flowSession, action, {{L"reason", reasons.c_str()}});
}

}  // namespace

int OfferBudget(const std::wstring* maxOffers) {
    if (!maxOffers) return 0;
    const std::wstring& text = *maxOffers;
    size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    long long value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > INT_MAX) value = static_cast<long long>(INT_MAX) + 1;  // saturate, keep going
    }
    if (negative) return value > INT_MAX ? INT_MIN : static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

COfferRules::COfferRules()
    : COfferRules(app::TheProgram().InjectedData(), app::TheProgram().Settings(),
                  OfferEnvironment{&MachineAllows, &ServerAllows, &ReportToFlow}) {}

COfferRules::COfferRules(const config::InstallerData& injected, const config::BuildSettings& settings,
                         OfferEnvironment environment)
    : injected_(injected), settings_(settings), environment_(std::move(environment)) {}

void COfferRules::AppendOfferPages(std::vector<std::wstring>& pageOrder) {
    int offersLeft = OfferBudget(injected_.Lookup(L"MaxOffers"));
    for (const OfferRule& rule : kRules) {
        // Every condition is looked at, so the report carries every reason and the
        // machine check always runs.
        std::wstring reasons;
        bool offered = true;
        if (offersLeft == 0) {
            AddReason(reasons, kBudgetReason);
            offered = false;
        }
        const std::wstring* switchValue = injected_.Lookup(rule.switchKey);
        if (!switchValue || *switchValue != L"enabled") {
            AddReason(reasons, rule.switchOffReason);
            offered = false;
        }
        std::wstring machineReasons;
        if (!environment_.machineAllows(rule.kind, machineReasons)) {
            AddReason(reasons, machineReasons);
            offered = false;
        }
        if (!environment_.serverAllows(rule.kind)) {
            AddReason(reasons, rule.serverOffReason);
            offered = false;
        }
        if (!settings_.Lookup(rule.urlKey)) {
            AddReason(reasons, rule.noUrlReason);
            offered = false;
        }
        if (offered) {
            pageOrder.push_back(rule.pageClass);
            if (offersLeft > 0) --offersLeft;  // a negative budget is unlimited
        } else {
            environment_.reportNotOffered(rule.notOfferedAction, reasons);
        }
    }
}

}  // namespace wizard
