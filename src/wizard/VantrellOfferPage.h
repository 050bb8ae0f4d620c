#pragma once
// The offer of the main product itself, as an extra: Accept & Install or Decline, with the product's
// logo right after the recommending sentence.
#include "wizard/OfferPage.h"

namespace wizard {

class CVantrellOfferPage : public COfferPage {
    DECLARE_DYNCREATE(CVantrellOfferPage)
public:
    CVantrellOfferPage();
};

}  // namespace wizard
