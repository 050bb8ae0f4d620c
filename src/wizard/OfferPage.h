#pragma once
// What the three offer pages share: each recommends one product, reports to the flow
// that it was shown, accepted or declined, and tells the installation thread whether
// to fetch and run the product's installer. Eligibility is decided before a page is
// ever shown (OfferRules).
#include <windows.h>

#include "install/Installation.h"
#include "wizard/SubDialog.h"

namespace wizard {

struct OfferPageInfo {
    UINT templateId;
    const wchar_t* offeredAction;
    const wchar_t* acceptAction;
    const wchar_t* declineAction;
    volatile LONG install::CInstallation::*skipped;
    UINT downloadMessage;
    // The logo follows a sentence whose length depends on the language; 0 when the
    // page's logo has a fixed place.
    UINT sentenceId;
    UINT logoId;
};

class COfferPage : public CSubDialog {
    DECLARE_DYNAMIC(COfferPage)
public:
    explicit COfferPage(const OfferPageInfo& info);

protected:
    BOOL OnInitPage() override;
    // Accept & Install and Decline.
    bool OnCommand(WORD id, WORD code, HWND control) override;

    // Clears the skip flag, queues the download and moves on.
    void Accept();
    // Sets the skip flag and moves on.
    void Decline();

private:
    void PlaceLogoAfterSentence();

    const OfferPageInfo& info_;
};

// The gap in pixels between the end of the sentence and the logo.
inline constexpr int kLogoGap = 5;

}  // namespace wizard
