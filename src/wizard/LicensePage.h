#pragma once
// A plain licence page for page orders that show the agreement on its own.
#include "wizard/SubDialog.h"

namespace wizard {

class CLicensePage : public CSubDialog {
    DECLARE_DYNCREATE(CLicensePage)
public:
    CLicensePage();

protected:
    bool OnCommand(WORD id, WORD code, HWND control) override;
};

}  // namespace wizard
