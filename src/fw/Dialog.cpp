#include "fw/Dialog.h"

#include <new>

#include "fw/Exception.h"
#include "fw/WinApp.h"

namespace fw {

IMPLEMENT_DYNAMIC(CDialog, CObject)

namespace {
constexpr wchar_t kThisProperty[] = L"Wrenkit.Dialog";
}

CDialog* CDialog::FromHandle(HWND hwnd) noexcept {
    return hwnd ? static_cast<CDialog*>(::GetPropW(hwnd, kThisProperty)) : nullptr;
}

CDialog::~CDialog() {
    if (hwnd_) {
        ::RemovePropW(hwnd_, kThisProperty);
        if (::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
    }
}

namespace {
void DispatchThreadMessage(const MSG& msg) {
    CWinApp* app = AfxGetApp();
    if (!app) return;
    try {
        app->OnThreadMessage(msg);
    } catch (CException* e) {
        app->ProcessWndProcException(e, &msg);
        e->Delete();
    }
}
}  // namespace

// Our own modal loop instead of DialogBoxParam's: thread messages posted to the
// interface thread (hwnd null) reach the application instead of being dropped.
INT_PTR CDialog::DoModal(HWND parent) {
    modal_ = true;
    ended_ = false;
    result_ = -1;
    if (!CreateModeless(parent)) return -1;
    HWND self = hwnd_;
    bool reenableParent = parent && ::IsWindowEnabled(parent);
    if (reenableParent) ::EnableWindow(parent, FALSE);
    ::ShowWindow(self, SW_SHOW);
    MSG msg;
    while (!ended_ && ::IsWindow(self)) {
        BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) break;
        if (got == 0) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));  // leave it for an outer loop
            break;
        }
        if (!msg.hwnd) {
            DispatchThreadMessage(msg);
            continue;
        }
        if (PreTranslateMessage(msg)) continue;
        HWND keys = KeyboardDialog();
        if (!::IsDialogMessageW(keys ? keys : self, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    if (reenableParent) ::EnableWindow(parent, TRUE);
    if (::IsWindow(self)) ::DestroyWindow(self);
    modal_ = false;
    return result_;
}

bool CDialog::CreateModeless(HWND parent) {
    return ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), parent,
                                &CDialog::DialogProc, reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CDialog::EndDialog(INT_PTR result) {
    if (modal_) {
        result_ = result;
        ended_ = true;
        if (hwnd_) ::PostMessageW(hwnd_, WM_NULL, 0, 0);  // wake the loop
    } else if (hwnd_) {
        ::DestroyWindow(hwnd_);
    }
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<CDialog*>(::GetPropW(hwnd, kThisProperty));
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        self->hwnd_ = hwnd;
        ::SetPropW(hwnd, kThisProperty, self);
    }
    if (!self) return FALSE;
    INT_PTR handled = FALSE;
    try {
        handled = self->Dispatch(message, wParam, lParam);
    } catch (CException* e) {
        MSG msg{hwnd, message, wParam, lParam, 0, {}};
        if (CWinApp* app = AfxGetApp()) app->ProcessWndProcException(e, &msg);
        e->Delete();
    } catch (const std::bad_alloc&) {
        MSG msg{hwnd, message, wParam, lParam, 0, {}};
        CMemoryException e;
        if (CWinApp* app = AfxGetApp()) app->ProcessWndProcException(&e, &msg);
    }
    if (message == WM_NCDESTROY) {
        ::RemovePropW(hwnd, kThisProperty);
        self->hwnd_ = nullptr;
        self->OnDestroyed();
    }
    return handled;
}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
    default: {
        LRESULT result = 0;
        if (!OnMessage(message, wParam, lParam, result)) return FALSE;
        // These answer through the procedure's own return value (a brush, an index),
        // not through DWLP_MSGRESULT.
        if ((message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) || message == WM_COMPAREITEM ||
            message == WM_VKEYTOITEM || message == WM_CHARTOITEM || message == WM_QUERYDRAGICON)
            return static_cast<INT_PTR>(result);
        ::SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
        return TRUE;
    }
    }
}

}  // namespace fw
