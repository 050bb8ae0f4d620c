#pragma once
// The first page: heading, the licence agreement and I Agree. Showing it starts the
// product's download in the background.
#include "wizard/SubDialog.h"

namespace wizard {

class CWelcomePage : public CSubDialog {
    DECLARE_DYNCREATE(CWelcomePage)
public:
    CWelcomePage();

protected:
    BOOL OnInitPage() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void Accept();
};

// A licence link clicked in a rich edit: opens it maximised. True when it was a click.
bool OpenClickedLink(const NMHDR* header);

}  // namespace wizard
