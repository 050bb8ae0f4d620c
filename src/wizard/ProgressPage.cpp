#include "wizard/ProgressPage.h"

#include <commctrl.h>

#include <cstdlib>
#include <memory>

#include "ResourceIds.h"
#include "app/Program.h"
#include "install/Installation.h"
#include "install/PostInstallLaunch.h"
#include "net/BackgroundGet.h"
#include "wizard/MainWindow.h"

namespace wizard {

IMPLEMENT_DYNCREATE(CProgressPage, CSubDialog)

namespace {
struct FreeText {
    void operator()(wchar_t* text) const { std::free(text); }
};
using HeapText = std::unique_ptr<wchar_t, FreeText>;

void ShowFrame() {
    if (HWND frame = app::TheProgram().MainWindow()) ::ShowWindow(frame, SW_SHOW);
}
}  // namespace

CProgressPage::CProgressPage() : CSubDialog(IDD_PROGRESS) {}

CProgressPage::~CProgressPage() { Leave(); }

BOOL CProgressPage::OnInitPage() {
    CSubDialog::OnInitPage();
    if (install::CInstallation* installation = app::TheProgram().installationThread) {
        installation->PageProxy().AttachPage(this);
        attached_ = true;
        installation->PostThreadMessage(install::TM_PAGE_READY, 0, 0);
    }
    ::PostMessageW(GetSafeHwnd(), PM_TRAY_DECISION, 0, 0);
    return TRUE;
}

// The page leaves the proxy before its window goes, so the installation thread
// never posts to a page that is gone; then the files it kept are deleted.
void CProgressPage::Leave() {
    if (attached_) {
        if (install::CInstallation* installation = app::TheProgram().installationThread)
            installation->PageProxy().DetachPage(this);
        attached_ = false;
    }
    for (const std::wstring& path : tempFiles_) ::DeleteFileW(path.c_str());
    tempFiles_.clear();
}

void CProgressPage::OnCancel() {
    if (ConfirmCancel() == IDYES) cancelled_ = 1;
}

void CProgressPage::DecideTray() {
    app::CProgram& program = app::TheProgram();
    const std::wstring* track = program.InjectedData().Lookup(L"track");
    if (!track || (*track != L"TWP00011" && *track != L"TWP00012")) return;
    CMainWindow* frame = program.Frame();
    if (!frame) return;
    frame->TrayIcon().Show();
    ::ShowWindow(frame->GetSafeHwnd(), SW_HIDE);
}

void CProgressPage::OnInstallationEnded(fw::CException* failure) {
    app::CProgram& program = app::TheProgram();
    CMainWindow* frame = program.Frame();
    if (failure) {
        ShowFrame();
        throw failure;
    }
    if (cancelled_) {
        ShowFrame();
        program.interrupted = 1;
        if (frame) frame->GoToFinish();
    } else if (::IsWindowVisible(GetSafeHwnd())) {
        if (frame) frame->GoNext();
    } else {
        if (const std::wstring* address = program.InjectedData().Lookup(L"InstallerFinishedS2S"))
            net::BackgroundGet(*address);
        install::FinishAndLaunch(true);
    }
}

bool CProgressPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case install::PM_NEXT_TASK: {
        HeapText text(reinterpret_cast<wchar_t*>(lParam));
        ::SendMessageW(Control(IDC_OVERALL_BAR), PBM_SETPOS, wParam, 0);
        if (text) ::SetWindowTextW(Control(IDC_TASK_TITLE), text.get());
        return true;
    }
    case install::PM_CHANGE_PROGRESS: {
        HeapText text(reinterpret_cast<wchar_t*>(lParam));
        const int position = static_cast<int>(wParam);
        if (position >= 0) ::SendMessageW(Control(IDC_STEP_BAR), PBM_SETPOS, static_cast<WPARAM>(position), 0);
        if (text) ::SetWindowTextW(Control(IDC_STEP_STATUS), text.get());
        return true;
    }
    case install::PM_REMEMBER_TEMP_FILE: {
        HeapText text(reinterpret_cast<wchar_t*>(lParam));
        if (text) tempFiles_.emplace_back(text.get());
        return true;
    }
    case install::PM_INSTALLATION_ENDED:
        OnInstallationEnded(reinterpret_cast<fw::CException*>(lParam));
        return true;
    case install::PM_ENABLE_CANCEL:
        ::EnableWindow(Control(IDCANCEL), wParam != 0);
        return true;
    case PM_TRAY_DECISION:
        DecideTray();
        return true;
    case WM_DESTROY:
        Leave();
        return false;
    default:
        return CSubDialog::OnMessage(message, wParam, lParam, result);
    }
}

}  // namespace wizard
