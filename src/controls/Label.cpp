#include "controls/Label.h"

#include <commctrl.h>

#include <new>

#include "fw/Exception.h"
#include "fw/WinApp.h"

namespace controls {
namespace {
constexpr UINT_PTR kSubclassId = 0x57524B4C;  // one subclass of ours per window
}

CLabel::~CLabel() { Unsubclass(); }

bool CLabel::Subclass(HWND hwnd) {
    if (!hwnd || hwnd_ || !::IsWindow(hwnd)) return false;
    if (!::SetWindowSubclass(hwnd, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        return false;
    hwnd_ = hwnd;
    return true;
}

void CLabel::Unsubclass() {
    if (hwnd_) ::RemoveWindowSubclass(hwnd_, SubclassProc, kSubclassId);
    hwnd_ = nullptr;
}

LRESULT CLabel::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return Default(message, wParam, lParam);
}

LRESULT CLabel::Default(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefSubclassProc(hwnd_, message, wParam, lParam);
}

void CLabel::FillBackground(HDC dc) const {
    HWND parent = ::GetParent(hwnd_);
    auto brush = reinterpret_cast<HBRUSH>(
        ::SendMessageW(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd_)));
    if (!brush) brush = ::GetSysColorBrush(COLOR_BTNFACE);
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    ::FillRect(dc, &client, brush);
}

LRESULT CALLBACK CLabel::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                      DWORD_PTR selfData) {
    auto* self = reinterpret_cast<CLabel*>(selfData);
    if (message == WM_NCDESTROY) {
        // The window goes before the page deletes its labels.
        self->Unsubclass();
        return ::DefSubclassProc(hwnd, message, wParam, lParam);
    }
    // Exceptions never cross the window procedure: they go to the application's handler.
    try {
        return self->WindowProc(message, wParam, lParam);
    } catch (fw::CException* e) {
        MSG msg{hwnd, message, wParam, lParam, 0, {}};
        if (fw::CWinApp* app = fw::AfxGetApp()) app->ProcessWndProcException(e, &msg);
        e->Delete();
    } catch (const std::bad_alloc&) {
        MSG msg{hwnd, message, wParam, lParam, 0, {}};
        fw::CMemoryException e;
        if (fw::CWinApp* app = fw::AfxGetApp()) app->ProcessWndProcException(&e, &msg);
    }
    return 0;
}

}  // namespace controls
