#pragma once
// HRESULT-style results and return-early helpers used inside components.
#include <windows.h>

namespace fw {

inline HRESULT HResultFromWin32(DWORD error) noexcept {
    return error == 0 ? S_OK : static_cast<HRESULT>(0x80070000u | (error & 0xFFFFu));
}
inline HRESULT LastErrorResult() noexcept {
    DWORD e = ::GetLastError();
    return e ? HResultFromWin32(e) : E_FAIL;
}

}  // namespace fw

#define RETURN_IF_FAILED(expr) \
    do { HRESULT hr_ = (expr); if (FAILED(hr_)) return hr_; } while (0)
#define RETURN_LAST_ERROR_IF(cond) \
    do { if (cond) return ::fw::LastErrorResult(); } while (0)
// LSTATUS and MSI UINT results carry the error themselves instead of the last error.
#define RETURN_IF_WIN32_ERROR(expr) \
    do { LONG e_ = static_cast<LONG>(expr); if (e_ != 0) return ::fw::HResultFromWin32(static_cast<DWORD>(e_)); } while (0)
