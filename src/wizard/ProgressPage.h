#pragma once
// The page shown while the installation thread works: two bars, two lines, Cancel.
// It is the receiving end of the progress proxy; it decides once whether the wizard
// goes on hidden in the notification area, and where the wizard goes at the end.
#include <string>
#include <vector>

#include "install/ProgressPageProxy.h"
#include "wizard/SubDialog.h"

namespace wizard {

constexpr UINT PM_TRAY_DECISION = WM_USER + 5;

class CProgressPage : public CSubDialog, public install::IProgressPage {
    DECLARE_DYNCREATE(CProgressPage)
public:
    CProgressPage();
    ~CProgressPage() override;

    // IProgressPage
    HWND PageWindow() const override { return GetSafeHwnd(); }
    volatile LONG& CancelledFlag() override { return cancelled_; }

    const std::vector<std::wstring>& RememberedFiles() const noexcept { return tempFiles_; }

protected:
    BOOL OnInitPage() override;
    void OnCancel() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void OnInstallationEnded(fw::CException* failure);
    void DecideTray();
    void Leave();

    std::vector<std::wstring> tempFiles_;
    volatile LONG cancelled_ = 0;
    bool attached_ = false;
};

}  // namespace wizard
