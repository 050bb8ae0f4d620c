#include "wizard/FinishedPage.h"

#include "ResourceIds.h"
#include "app/Program.h"
#include "fw/TextFormat.h"
#include "fw/WinApp.h"
#include "install/PostInstallLaunch.h"
#include "net/BackgroundGet.h"
#include "wizard/MessageBox.h"

namespace wizard {

IMPLEMENT_DYNCREATE(CFinishedPage, CSubDialog)

CFinishedPage::CFinishedPage() : CSubDialog(IDD_FINISHED) {}

BOOL CFinishedPage::OnInitPage() {
    CSubDialog::OnInitPage();
    app::CProgram& program = app::TheProgram();
    HWND launch = Control(IDC_LAUNCH_CHECK);
    if (program.interrupted) {
        const bool failed = program.failed != 0;
        const std::wstring title = fw::FormatText(fw::LoadStringResource(failed ? IDS_FAILED_TITLE : IDS_INTERRUPTED_TITLE),
                                                  program.appName);
        const std::wstring body = fw::FormatText(fw::LoadStringResource(failed ? IDS_FAILED_BODY : IDS_INTERRUPTED_BODY),
                                                 program.appName);
        ::ShowWindow(launch, SW_HIDE);
        ::SetWindowTextW(Control(IDC_FINISHED_TITLE), title.c_str());
        ::SetWindowTextW(Control(IDC_FINISHED_BODY), body.c_str());
    } else {
        auto reboot = program.choiceFlags.find(L"RebootRequired");
        if (reboot != program.choiceFlags.end() && reboot->second != 0) {
            ::ShowWindow(launch, SW_HIDE);
        } else {
            ::ShowWindow(launch, SW_SHOW);
            ::SendMessageW(launch, BM_SETCHECK, BST_CHECKED, 0);
        }
    }
    if (const std::wstring* address = program.InjectedData().Lookup(L"InstallerFinishedS2S"))
        net::BackgroundGet(*address);
    CloseLeftoverPrompt();
    return TRUE;
}

// A question still open when the end arrives (the cancel confirmation, say) would
// otherwise answer into a wizard that has moved on.
void CFinishedPage::CloseLeftoverPrompt() {
    HWND frame = app::TheProgram().MainWindow();
    if (!frame) return;
    HWND popup = ::GetWindow(frame, GW_ENABLEDPOPUP);
    if (!popup || popup == frame) return;
    if (auto* box = dynamic_cast<CMessageBox*>(fw::CDialog::FromHandle(popup))) {
        box->EndDialog(box->CloseResult());
    } else if (::IsWindowEnabled(frame)) {
        ::ShowWindow(popup, SW_MINIMIZE);
    }
}

bool CFinishedPage::OnCommand(WORD id, WORD code, HWND control) {
    if (id == IDC_FINISH) {
        const bool launch = ::SendMessageW(Control(IDC_LAUNCH_CHECK), BM_GETCHECK, 0, 0) == BST_CHECKED &&
                            ::IsWindowVisible(Control(IDC_LAUNCH_CHECK));
        install::FinishAndLaunch(launch);
        return true;
    }
    return CSubDialog::OnCommand(id, code, control);
}

}  // namespace wizard
