#pragma once
// GET of one URL into a seekable stream: five attempts, byte-range resume guarded by
// If-Range, length checks against the known total, progress after every chunk.
#include <windows.h>
#include <objidl.h>

#include <string>

#include "net/HttpRequest.h"

namespace net {

inline constexpr ULONGLONG kUnknownTotal = ~0ull;
inline constexpr int kDownloadAttempts = 5;
inline constexpr ULONG kDownloadBufferSize = 4 * 1024 * 1024;

// Called after every chunk written: bytes of the resource in the sink, the total
// (kUnknownTotal when unknown), 0..100. False aborts the download with E_ABORT.
using DownloadProgressCallback = bool (*)(ULONGLONG bytes, ULONGLONG total, ULONG percent, void* context);

HRESULT DownloadToStream(const wchar_t* url, IStream* sink, DownloadProgressCallback callback, void* context);

// The same over any request object.
HRESULT DownloadToStream(IHttpRequest& request, const wchar_t* url, IStream* sink,
                         DownloadProgressCallback callback, void* context);

ULONG DownloadPercent(ULONGLONG offset, ULONGLONG total) noexcept;

// A whole non-negative decimal number; false for anything else.
bool ParseContentLength(const std::wstring& text, ULONGLONG* value) noexcept;

// Whether "bytes FIRST-LAST/COMPLETE" describes exactly the bytes from offset to the
// end of a resource of total bytes (COMPLETE may be "*").
bool ContentRangeContinues(const std::wstring& text, ULONGLONG offset, ULONGLONG total) noexcept;

}  // namespace net
