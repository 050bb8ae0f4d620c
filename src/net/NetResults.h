#pragma once
// Result codes of the HTTP client and the resumable download.
#include <windows.h>

namespace net {

inline constexpr HRESULT kResultNothingDone = 1;                                      // S_FALSE
inline constexpr HRESULT kResultLengthMismatch = static_cast<HRESULT>(0x800C0008);    // body vs. expected total
inline constexpr HRESULT kResultShortWrite = static_cast<HRESULT>(0x8007001D);        // sink took fewer bytes
inline constexpr HRESULT kResultOverflow = static_cast<HRESULT>(0x80070216);          // 64-bit arithmetic
inline constexpr HRESULT kResultNotAnObject = static_cast<HRESULT>(0x80028CA0);       // stream variant type

// An HTTP status outside 200..299 as a failure code (404 gives 0x80190194).
inline constexpr HRESULT HResultFromHttpStatus(LONG status) noexcept {
    return static_cast<HRESULT>(0x80190000u | (static_cast<ULONG>(status) & 0xFFFFu));
}

}  // namespace net
