#include "wizard/TwpOfferPage.h"

#include "ResourceIds.h"

namespace wizard {

IMPLEMENT_DYNCREATE(CTwpOfferPage, COfferPage)

namespace {
constexpr UINT kLogo = 1073;
constexpr OfferPageInfo kInfo{IDD_TWP_OFFER, L"TwpOffered", L"TwpAccept", L"TwpDecline",
                              &install::CInstallation::twpSkipped, install::TM_DOWNLOAD_TWP, IDS_TWP_SENTENCE, kLogo};
}  // namespace

CTwpOfferPage::CTwpOfferPage() : COfferPage(kInfo) {}

}  // namespace wizard
