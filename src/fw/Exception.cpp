#include "fw/Exception.h"

#include <cwchar>

#include "fw/WinApp.h"

namespace fw {

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CUserException, CException)
IMPLEMENT_DYNAMIC(CMemoryException, CException)
IMPLEMENT_DYNAMIC(CResourceException, CException)
IMPLEMENT_DYNAMIC(CInvalidArgException, CException)
IMPLEMENT_DYNAMIC(CNotSupportedException, CException)

BOOL CException::GetErrorMessage(LPWSTR buffer, UINT maxChars, PUINT helpContext) const {
    if (helpContext) *helpContext = 0;
    if (buffer && maxChars) buffer[0] = 0;
    return FALSE;
}

BOOL CopyErrorText(const wchar_t* text, LPWSTR buffer, UINT maxChars, PUINT helpContext) {
    if (!buffer || maxChars == 0) return FALSE;
    if (helpContext) *helpContext = 0;
    size_t n = std::wcslen(text);
    if (n >= maxChars) n = maxChars - 1;
    std::wmemcpy(buffer, text, n);
    buffer[n] = 0;
    return TRUE;
}

int CException::ReportError(UINT type, UINT messageId) const {
    wchar_t text[512];
    if (GetErrorMessage(text, 512)) return AfxMessageBox(text, type);
    if (messageId) return AfxMessageBox(messageId, type);
    return AfxMessageBox(L"No error message is available.", type);
}

IMPLEMENT_DYNAMIC(COleException, CException)

BOOL COleException::GetErrorMessage(LPWSTR buffer, UINT maxChars, PUINT helpContext) const {
    wchar_t* text = nullptr;
    DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                   FORMAT_MESSAGE_IGNORE_INSERTS,
                               nullptr, static_cast<DWORD>(code_), 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    // System texts end with a line break, which would only add an empty line to a box.
    while (n > 0 && text && (text[n - 1] == L'\r' || text[n - 1] == L'\n' || text[n - 1] == L' ')) text[--n] = L'\0';
    wchar_t fallback[64];
    if (n == 0 || !text) std::swprintf(fallback, 64, L"The operation failed with code 0x%08lX.", static_cast<unsigned long>(code_));
    BOOL copied = CopyErrorText(n && text ? text : fallback, buffer, maxChars, helpContext);
    if (text) ::LocalFree(text);
    return copied;
}

void AfxThrowOleException(HRESULT code) { throw new COleException(code); }
void AfxThrowMemoryException() { throw new CMemoryException; }
void AfxThrowResourceException() { throw new CResourceException; }
void AfxThrowInvalidArgException() { throw new CInvalidArgException; }
void AfxThrowUserException() { throw new CUserException; }
void AfxThrowNotSupportedException() { throw new CNotSupportedException; }

}  // namespace fw
