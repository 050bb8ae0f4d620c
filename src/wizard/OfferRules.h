#pragma once
// What the frame asks when the first page is left: which offer pages to show.
#include <string>
#include <vector>

namespace wizard {

class IOfferRules {
public:
    virtual ~IOfferRules() = default;
    // Appends the class names of the eligible offer pages, in showing order.
    virtual void AppendOfferPages(std::vector<std::wstring>& pageOrder) = 0;
};

// Until offers are decided by rules, none is made.
class CNoOffers : public IOfferRules {
public:
    void AppendOfferPages(std::vector<std::wstring>&) override {}
};

}  // namespace wizard
