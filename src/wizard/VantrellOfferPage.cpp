#include "wizard/VantrellOfferPage.h"

#include "ResourceIds.h"

namespace wizard {

IMPLEMENT_DYNCREATE(CVantrellOfferPage, COfferPage)

namespace {
constexpr UINT kLogo = 1074;
constexpr OfferPageInfo kInfo{IDD_VANTRELL_OFFER, L"VantrellOffered", L"VantrellAccept", L"VantrellDecline",
                              &install::CInstallation::vantrellSkipped, install::TM_DOWNLOAD_VANTRELL,
                              IDS_VANTRELL_SENTENCE, kLogo};
}  // namespace

CVantrellOfferPage::CVantrellOfferPage() : COfferPage(kInfo) {}

}  // namespace wizard
