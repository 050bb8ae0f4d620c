#include "app/Exceptions.h"

#include "ResourceIds.h"
#include "fw/WinApp.h"

namespace app {

IMPLEMENT_DYNAMIC(CToolkitException, fw::CException)
IMPLEMENT_DYNAMIC(CWindowsException, fw::CException)
IMPLEMENT_DYNAMIC(CMsiException, fw::CException)

CToolkitException::CToolkitException(UINT stringId) {
    if (!fw::TryLoadString(stringId, message_) &&
        !fw::TryLoadString(IDS_RESOURCE_UNAVAILABLE, message_))
        fw::AfxThrowResourceException();
}

CToolkitException::CToolkitException(const wchar_t* text) : message_(text ? text : L"Null message.") {}

BOOL CToolkitException::GetErrorMessage(LPWSTR buffer, UINT maxChars, PUINT helpContext) const {
    return fw::CopyErrorText(message_.c_str(), buffer, maxChars, helpContext);
}

std::wstring MessageForCode(DWORD code) {
    wchar_t* text = nullptr;
    DWORD n = ::FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS |
                                   FORMAT_MESSAGE_ALLOCATE_BUFFER,
                               ::GetModuleHandleW(nullptr), code, 0, reinterpret_cast<LPWSTR>(&text), 0,
                               nullptr);
    if (n == 0 || !text) return L"Unable to retreive exception code.";
    std::wstring message(text, n);
    ::LocalFree(text);
    return message;
}

CWindowsException::CWindowsException(DWORD code) : code_(code), message_(MessageForCode(code)) {}

BOOL CWindowsException::GetErrorMessage(LPWSTR buffer, UINT maxChars, PUINT helpContext) const {
    return fw::CopyErrorText(message_.c_str(), buffer, maxChars, helpContext);
}

CMsiException::CMsiException(int kind, const wchar_t* text) : message_(text ? text : L""), kind_(kind) {}

BOOL CMsiException::GetErrorMessage(LPWSTR buffer, UINT maxChars, PUINT helpContext) const {
    return fw::CopyErrorText(message_.c_str(), buffer, maxChars, helpContext);
}

}  // namespace app

namespace util {
// Probes that cannot give a negative answer raise the platform's result instead.
[[noreturn]] void ThrowPlatformError(HRESULT hr) { throw new app::CWindowsException(static_cast<DWORD>(hr)); }
}  // namespace util
