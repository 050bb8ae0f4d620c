#pragma once
// The offer of the cleaner Tidewell Plus: Accept & Install or Decline, with the product's
// logo right after the recommending sentence.
#include "wizard/OfferPage.h"

namespace wizard {

class CTwpOfferPage : public COfferPage {
    DECLARE_DYNCREATE(CTwpOfferPage)
public:
    CTwpOfferPage();
};

}  // namespace wizard
