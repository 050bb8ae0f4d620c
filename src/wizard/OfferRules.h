#pragma once
// What the frame asks when the first page is left: which offer pages to show.
// An offer is made only when all of its conditions hold; for every offer that is
// not made, the reasons go to the flow telemetry so the servers can see why.
#include <functional>
#include <string>
#include <vector>

#include "config/BuildSettings.h"
#include "config/InstallerData.h"
#include "install/OfferCommandLines.h"

namespace wizard {

class IOfferRules {
public:
    virtual ~IOfferRules() = default;
    // Appends the class names of the eligible offer pages, in showing order.
    virtual void AppendOfferPages(std::vector<std::wstring>& pageOrder) = 0;
};

// No offer is ever made.
class CNoOffers : public IOfferRules {
public:
    void AppendOfferPages(std::vector<std::wstring>&) override {}
};

// What the rules ask of the machine, the session server and the flow telemetry.
struct OfferEnvironment {
    // Adds its reason sentences to `reasons` and returns true when the machine may get the offer.
    std::function<bool(install::OfferKind, std::wstring& reasons)> machineAllows;
    std::function<bool(install::OfferKind)> serverAllows;
    // Reports an offer not made: the flow action and its "reason" text.
    std::function<void(const std::wstring& action, const std::wstring& reasons)> reportNotOffered;
};

class COfferRules : public IOfferRules {
public:
    // The running program's injected data, settings, system probes, server flags and flow session.
    COfferRules();
    // The given stores must outlive the rules.
    COfferRules(const config::InstallerData& injected, const config::BuildSettings& settings,
                OfferEnvironment environment);

    void AppendOfferPages(std::vector<std::wstring>& pageOrder) override;

private:
    const config::InstallerData& injected_;
    const config::BuildSettings& settings_;
    OfferEnvironment environment_;
};

// The offer budget: "MaxOffers" read as a decimal integer (leading white space, an
// optional sign, the digits up to the first other character; none gives 0), held
// within 32 bits. Absent: 0. A negative budget never runs out.
int OfferBudget(const std::wstring* maxOffers);

}  // namespace wizard
