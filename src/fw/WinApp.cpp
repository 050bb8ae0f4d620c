#include "fw/WinApp.h"

#include <cwchar>

#include "fw/Exception.h"

namespace fw {

namespace {
CWinApp* g_app = nullptr;
constexpr UINT kAppTitleString = 57344;
constexpr UINT kInternalErrorString = 61704;
constexpr UINT kCommandFailedString = 61705;
}  // namespace

CWinApp::CWinApp() { g_app = this; }
CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

CWinApp* AfxGetApp() noexcept { return g_app; }

bool TryLoadString(UINT id, std::wstring& out, HINSTANCE module) {
    const wchar_t* text = nullptr;
    int n = ::LoadStringW(module ? module : ::GetModuleHandleW(nullptr), id,
                          reinterpret_cast<LPWSTR>(&text), 0);
    if (n <= 0 || !text) return false;
    out.assign(text, static_cast<size_t>(n));
    return true;
}

std::wstring LoadStringResource(UINT id, HINSTANCE module) {
    std::wstring s;
    TryLoadString(id, s, module);
    return s;
}

BOOL CWinApp::InitInstance() { return TRUE; }
int CWinApp::ExitInstance() { return 0; }

int CWinApp::Run(HINSTANCE instance) {
    AttachFramework(instance);
    if (InitInstance()) {
        // This program runs no message loop of its own after start-up.
    }
    return ExitInstance();
}

void CWinApp::AttachFramework(HINSTANCE instance) {
    instance_ = instance;
    threadId_ = ::GetCurrentThreadId();
    if (!TryLoadString(kAppTitleString, appNameFw_)) {
        wchar_t path[MAX_PATH] = {};
        ::GetModuleFileNameW(nullptr, path, MAX_PATH);
        const wchar_t* name = std::wcsrchr(path, L'\\');
        appNameFw_ = name ? name + 1 : path;
        size_t dot = appNameFw_.rfind(L'.');
        if (dot != std::wstring::npos) appNameFw_.resize(dot);
    }
}

int CWinApp::DoMessageBox(const wchar_t* prompt, UINT type, UINT) {
    return ::MessageBoxW(mainWindow_, prompt, appNameFw_.c_str(), type);
}

LRESULT CWinApp::ProcessWndProcException(CException* e, const MSG* msg) {
    if (!e) return 0;
    if (e->IsKindOf(RUNTIME_CLASS(CUserException))) return 0;
    wchar_t text[512];
    if (e->GetErrorMessage(text, 512)) {
        AfxMessageBox(text, MB_ICONSTOP);
    } else {
        bool fromMenu = msg && msg->message == WM_COMMAND && msg->lParam == 0;
        AfxMessageBox(fromMenu ? kCommandFailedString : kInternalErrorString, MB_ICONSTOP);
    }
    return 0;
}

int AfxMessageBox(const wchar_t* text, UINT type, UINT helpId) {
    if (CWinApp* app = AfxGetApp()) return app->DoMessageBox(text, type, helpId);
    return ::MessageBoxW(nullptr, text, L"", type);
}

int AfxMessageBox(UINT stringId, UINT type, UINT helpId) {
    std::wstring text = LoadStringResource(stringId);
    return AfxMessageBox(text.c_str(), type, helpId == (UINT)-1 ? stringId : helpId);
}

}  // namespace fw
