#pragma once
// Exception base and the framework's own exception kinds. Exceptions are thrown
// by pointer; the receiver calls Delete().
#include <windows.h>

#include "fw/RuntimeClass.h"

namespace fw {

class CException : public CObject {
    DECLARE_DYNAMIC(CException)
public:
    // Copies the message into buffer (cut to fit); false when there is none.
    virtual BOOL GetErrorMessage(LPWSTR buffer, UINT maxChars, PUINT helpContext = nullptr) const;
    // Shows the message through the application's message-box hook.
    virtual int ReportError(UINT type = MB_OK, UINT messageId = 0) const;
    void Delete() noexcept { delete this; }
};

// The user cancelled: reported by nobody.
class CUserException : public CException {
    DECLARE_DYNAMIC(CUserException)
};

class CMemoryException : public CException {
    DECLARE_DYNAMIC(CMemoryException)
};

class CResourceException : public CException {
    DECLARE_DYNAMIC(CResourceException)
};

class CInvalidArgException : public CException {
    DECLARE_DYNAMIC(CInvalidArgException)
};

// An operation the object cannot do.
class CNotSupportedException : public CException {
    DECLARE_DYNAMIC(CNotSupportedException)
};

// A failed operation that gave an HRESULT.
class COleException : public CException {
    DECLARE_DYNAMIC(COleException)
public:
    explicit COleException(HRESULT code) : code_(code) {}
    BOOL GetErrorMessage(LPWSTR buffer, UINT maxChars, PUINT helpContext = nullptr) const override;
    HRESULT Code() const noexcept { return code_; }

private:
    HRESULT code_;
};

[[noreturn]] void AfxThrowOleException(HRESULT code);
[[noreturn]] void AfxThrowMemoryException();
[[noreturn]] void AfxThrowResourceException();
[[noreturn]] void AfxThrowInvalidArgException();
[[noreturn]] void AfxThrowUserException();
[[noreturn]] void AfxThrowNotSupportedException();

// Copies text into a caller's buffer the way GetErrorMessage promises.
BOOL CopyErrorText(const wchar_t* text, LPWSTR buffer, UINT maxChars, PUINT helpContext);

}  // namespace fw
