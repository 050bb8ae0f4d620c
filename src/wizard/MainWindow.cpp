#include "wizard/MainWindow.h"

#include "ResourceIds.h"
#include "app/Exceptions.h"
#include "app/FailureReporting.h"
#include "app/Program.h"
#include "fw/TextFormat.h"

namespace wizard {

namespace {
constexpr UINT kAboutCommand = 16;
}

CMainWindow::CMainWindow() : fw::CDialog(IDD_MAINFRAME) {
    icon_.reset(static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP),
                                                IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
}

BOOL CMainWindow::OnInitDialog() {
    HWND hwnd = GetSafeHwnd();
    app::TheProgram().SetMainWindow(hwnd);
    ::SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.get()));
    ::SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.get()));
    // Campaign builds with their own tracking code may not be minimised.
    const std::wstring* track = app::TheProgram().InjectedData().Lookup(L"track");
    if (track && *track != L"TWP00010" && *track != L"TWP00011") {
        LONG_PTR style = ::GetWindowLongPtrW(hwnd, GWL_STYLE);
        ::SetWindowLongPtrW(hwnd, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_MINIMIZEBOX));
    }
    ::PostMessageW(hwnd, AM_START, 0, 0);
    return TRUE;
}

void CMainWindow::OnStart() {
    HWND hwnd = GetSafeHwnd();
    const std::wstring appName = app::TheProgram().appName;
    std::wstring about;
    HMENU menu = ::GetSystemMenu(hwnd, FALSE);
    if (menu && fw::TryLoadString(IDS_ABOUT_MENU, about)) {
        ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(menu, MF_STRING, kAboutCommand, fw::FormatText(about, appName).c_str());
    }
    ::SetWindowTextW(hwnd, fw::FormatText(fw::LoadStringResource(IDS_FRAME_TITLE), appName).c_str());
    ReadPageOrder();
    if (::GetForegroundWindow() != hwnd) {
        ::SetFocus(hwnd);
        ::SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        ::SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
    ::SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void CMainWindow::ReadPageOrder() {
    const std::wstring* order = app::TheProgram().Settings().Lookup(L"PageOrder");
    if (!order) app::FatalError(new app::CToolkitException(IDS_NO_PAGE_CONFIG));
    size_t start = 0;
    while (start <= order->size()) {
        size_t comma = order->find(L',', start);
        if (comma == std::wstring::npos) {
            if (start < order->size()) pageOrder_.push_back(order->substr(start));
            break;
        }
        pageOrder_.push_back(order->substr(start, comma - start));
        start = comma + 1;
    }
    if (pageOrder_.empty()) app::FatalError(new app::CToolkitException(IDS_NO_PAGES));
    // The pages arrive with the wizard; until then the frame stays empty.
}

void CMainWindow::GoToFinish() {
    if (pageOrder_.empty() || pageOrder_.back() != L"CFinishedPage") pageOrder_.push_back(L"CFinishedPage");
}

bool CMainWindow::OnCommand(WORD id, WORD, HWND) {
    if (id == IDCANCEL) {
        EndDialog(IDCANCEL);
        return true;
    }
    return false;
}

bool CMainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    switch (message) {
    case AM_START:
        OnStart();
        return true;
    case WM_CLOSE:
        EndDialog(IDCANCEL);
        return true;
    default:
        return false;
    }
}

}  // namespace wizard
