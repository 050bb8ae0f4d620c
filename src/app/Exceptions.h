#pragma once
// The program's own failure kinds. Thrown by pointer; the receiver deletes them.
#include <windows.h>

#include <string>

#include "fw/Exception.h"

namespace app {

// A failure described by one of the program's texts.
class CToolkitException : public fw::CException {
    DECLARE_DYNAMIC(CToolkitException)
public:
    // From a string-table id; falls back to "A required resource was unavailable.".
    explicit CToolkitException(UINT stringId);
    explicit CToolkitException(const wchar_t* text);
    BOOL GetErrorMessage(LPWSTR buffer, UINT maxChars, PUINT helpContext = nullptr) const override;
    const std::wstring& Message() const noexcept { return message_; }

private:
    std::wstring message_;
};

// A Windows error or structured-exception code, with the text of our message table.
class CWindowsException : public fw::CException {
    DECLARE_DYNAMIC(CWindowsException)
public:
    explicit CWindowsException(DWORD code);
    BOOL GetErrorMessage(LPWSTR buffer, UINT maxChars, PUINT helpContext = nullptr) const override;
    DWORD Code() const noexcept { return code_; }
    const std::wstring& Message() const noexcept { return message_; }

private:
    DWORD code_;
    std::wstring message_;
};

// A message of Windows Installer that ended an installation.
class CMsiException : public fw::CException {
    DECLARE_DYNAMIC(CMsiException)
public:
    enum Kind { FatalExit = 0, Error = 1, Warning = 2 };
    CMsiException(int kind, const wchar_t* text);
    BOOL GetErrorMessage(LPWSTR buffer, UINT maxChars, PUINT helpContext = nullptr) const override;
    int MessageKind() const noexcept { return kind_; }
    const std::wstring& Message() const noexcept { return message_; }

private:
    std::wstring message_;
    int kind_;
};

// The message-table text for a code, or "Unable to retreive exception code.".
std::wstring MessageForCode(DWORD code);

}  // namespace app
