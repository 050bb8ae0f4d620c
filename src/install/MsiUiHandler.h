#pragma once
// The external message handler of Windows Installer: turns installer messages into
// progress on the page, the Cancel button's state, the user's cancel, questions in
// the application's message box and the failure to raise when the install fails.
#include <windows.h>

#include <functional>
#include <memory>

#include "app/Exceptions.h"

namespace install {

class ITaskContext;

struct ExceptionDeleter {
    void operator()(fw::CException* e) const noexcept { e->Delete(); }
};
using MsiExceptionPtr = std::unique_ptr<app::CMsiException, ExceptionDeleter>;

// Shows an installer question (text, message-box style) and gives the button.
using MessageBoxHook = std::function<int(const wchar_t* text, UINT style)>;

struct MsiUiContext {
    ITaskContext* page = nullptr;  // null between runs: messages then change nothing
    MessageBoxHook messageBox;
    MsiExceptionPtr pendingException;
    int commonDataType = 0;
    int commonDataValue = 0;
    int progressField[4] = {0, 0, 0, 0};
    int totalTicks = 0;
    long long ticksDone = 0;
    int step = 0;
    bool forward = true;
    bool scriptPhase = false;
    bool stepMode = false;

    // A run starts from nothing: no failure or progress of an earlier run survives.
    void ResetForRun(ITaskContext* runPage, MessageBoxHook hook);
};

// Every message type except files-in-use.
constexpr DWORD kMsiMessageFilter = 0x7FDF;
constexpr int kMsiAnswerCancel = IDCANCEL;

// The answer for Windows Installer: a button id, or 0 for "not handled".
int MsiUiHandler(MsiUiContext& context, UINT typeAndFlags, const wchar_t* text);

// The callback msi.dll calls; pvContext is the MsiUiContext.
int WINAPI MsiUiHandlerCallback(void* context, UINT typeAndFlags, LPCWSTR text);

}  // namespace install
