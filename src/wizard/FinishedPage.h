#pragma once
// The last page: completed or interrupted, the launch choice, and Finish.
#include "wizard/SubDialog.h"

namespace wizard {

class CFinishedPage : public CSubDialog {
    DECLARE_DYNCREATE(CFinishedPage)
public:
    CFinishedPage();

protected:
    BOOL OnInitPage() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;

private:
    void CloseLeftoverPrompt();
};

}  // namespace wizard
