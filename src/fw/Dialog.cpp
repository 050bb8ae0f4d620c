#include "fw/Dialog.h"

#include <new>

#include "fw/Exception.h"
#include "fw/WinApp.h"

namespace fw {

IMPLEMENT_DYNAMIC(CDialog, CObject)

namespace {
constexpr wchar_t kThisProperty[] = L"Wrenkit.Dialog";
}

CDialog::~CDialog() {
    if (hwnd_) {
        ::RemovePropW(hwnd_, kThisProperty);
        if (::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
    }
}

INT_PTR CDialog::DoModal(HWND parent) {
    return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), parent,
                             &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
}

bool CDialog::CreateModeless(HWND parent) {
    return ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), parent,
                                &CDialog::DialogProc, reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CDialog::EndDialog(INT_PTR result) {
    if (hwnd_) ::EndDialog(hwnd_, result);
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
        ::SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
        return TRUE;
    }
    }
}

}  // namespace fw
