#pragma once
// The offer of the online-backup product Stowline: a check box that starts checked,
// and Next. The legal paragraph under the box follows its state.
#include "wizard/OfferPage.h"

namespace wizard {

class CBackupOfferPage : public COfferPage {
    DECLARE_DYNCREATE(CBackupOfferPage)
public:
    CBackupOfferPage();

protected:
    BOOL OnInitPage() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;

private:
    bool Checked() const;
    void ShowConsentFor(bool checked);
};

}  // namespace wizard
