#include "wizard/LicensePage.h"

#include "ResourceIds.h"
#include "app/Program.h"
#include "wizard/MainWindow.h"

namespace wizard {

IMPLEMENT_DYNCREATE(CLicensePage, CSubDialog)

CLicensePage::CLicensePage() : CSubDialog(IDD_LICENSE) {}

bool CLicensePage::OnCommand(WORD id, WORD code, HWND control) {
    CMainWindow* frame = app::TheProgram().Frame();
    switch (id) {
    case IDC_AGREE:
    case IDC_NEXT:
        if (frame) frame->GoNext();
        return true;
    case IDC_BACK:
        if (frame) frame->GoBack();
        return true;
    default:
        return CSubDialog::OnCommand(id, code, control);
    }
}

}  // namespace wizard
