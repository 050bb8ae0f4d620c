#pragma once
// The application object: start-up routine, message-box hook, exception hook.
#include <windows.h>

#include <string>

#include "fw/RuntimeClass.h"

namespace fw {

class CException;

class CWinApp : public CObject {
public:
    CWinApp();
    ~CWinApp() override;

    virtual BOOL InitInstance();
    virtual int ExitInstance();
    // Every message box of the program passes here.
    virtual int DoMessageBox(const wchar_t* prompt, UINT type, UINT helpId);
    // Exceptions that reach a window procedure or a dialog end here.
    virtual LRESULT ProcessWndProcException(CException* e, const MSG* msg);
    // Thread messages that reach the interface thread while a modal loop runs.
    virtual void OnThreadMessage(const MSG& msg) {}

    void SetRegistryKey(const wchar_t* company) { registryKey_ = company; }
    const std::wstring& RegistryKey() const noexcept { return registryKey_; }
    const std::wstring& AppName() const noexcept { return appNameFw_; }
    HINSTANCE Instance() const noexcept { return instance_; }
    HWND MainWindow() const noexcept { return mainWindow_; }
    void SetMainWindow(HWND hwnd) noexcept { mainWindow_ = hwnd; }
    DWORD ThreadId() const noexcept { return threadId_; }

    // The process entry: start-up, then exit with the status ExitInstance gives.
    int Run(HINSTANCE instance);
    // The framework's own state, which Run sets before start-up.
    void AttachFramework(HINSTANCE instance);

private:
    std::wstring appNameFw_;
    std::wstring registryKey_;
    HINSTANCE instance_ = nullptr;
    HWND mainWindow_ = nullptr;
    DWORD threadId_ = 0;
};

CWinApp* AfxGetApp() noexcept;
int AfxMessageBox(const wchar_t* text, UINT type = MB_OK, UINT helpId = 0);
int AfxMessageBox(UINT stringId, UINT type = MB_OK, UINT helpId = (UINT)-1);
// Loads a string-table entry; empty when it is missing.
std::wstring LoadStringResource(UINT id, HINSTANCE module = nullptr);
bool TryLoadString(UINT id, std::wstring& out, HINSTANCE module = nullptr);

}  // namespace fw
