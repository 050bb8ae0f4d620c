#pragma once
// The wizard's frame: a modal dialog that holds one page at a time.
#include <windows.h>

#include <string>
#include <vector>

#include "fw/Dialog.h"
#include "fw/UniqueHandle.h"

namespace wizard {

enum FrameMessage : UINT {
    AM_START = WM_APP,
    AM_SHOW_PAGE = WM_APP + 2,
};

class CMainWindow : public fw::CDialog {
public:
    CMainWindow();

    // Jumps to the finished page.
    void GoToFinish();
    const std::vector<std::wstring>& PageOrder() const noexcept { return pageOrder_; }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void OnStart();
    void ReadPageOrder();

    fw::UniqueIcon icon_;
    std::vector<std::wstring> pageOrder_;
};

}  // namespace wizard
