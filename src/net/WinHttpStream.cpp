#include "net/WinHttpStream.h"

#include <winhttp.h>

#include <algorithm>
#include <memory>
#include <new>

#include "fw/Result.h"
#include "net/NetResults.h"

namespace WinHTTP {

namespace {
constexpr ULONG kCopyBufferSize = 4 * 1024 * 1024;
}

CWinHttpStream::~CWinHttpStream() {
    if (request_) request_->Release();
}

void CWinHttpStream::Attach(CWinHttpRequest* request) noexcept {
    request->AddRef();
    if (request_) request_->Release();
    request_ = request;
    handle_ = request->RequestHandle();
    generation_ = request->Generation();
}

HRESULT CWinHttpStream::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_ISequentialStream || iid == IID_IStream) {
        *out = static_cast<IStream*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT CWinHttpStream::Read(void* buffer, ULONG count, ULONG* read) {
    ULONG local = 0;
    if (!read) read = &local;
    *read = 0;
    if (!buffer) return count ? E_INVALIDARG : net::kResultNothingDone;
    // A reopened request has closed the handle this stream was made for; a new
    // handle may even carry the same value, so never read another request's body.
    if (!request_ || request_->Generation() != generation_) return fw::HResultFromWin32(ERROR_INVALID_HANDLE);
    DWORD got = 0;
    RETURN_LAST_ERROR_IF(!::WinHttpReadData(handle_, buffer, count, &got));
    *read = got;
    return S_OK;
}

HRESULT CWinHttpStream::CopyTo(IStream* destination, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                               ULARGE_INTEGER* written) {
    if (!destination) return E_INVALIDARG;
    if (read) read->QuadPart = 0;
    if (written) written->QuadPart = 0;
    if (count.QuadPart == 0) return S_OK;
    ULONG size = static_cast<ULONG>(std::min<ULONGLONG>(count.QuadPart, kCopyBufferSize));
    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[size]);
    if (!buffer) return E_OUTOFMEMORY;
    ULONGLONG totalRead = 0, totalWritten = 0;
    HRESULT hr = S_OK;
    while (totalWritten < count.QuadPart) {
        ULONG want = static_cast<ULONG>(std::min<ULONGLONG>(size, count.QuadPart - totalWritten));
        ULONG got = 0;
        hr = Read(buffer.get(), want, &got);
        if (FAILED(hr) || got == 0) break;
        if (totalRead + got < totalRead) { hr = net::kResultOverflow; break; }
        totalRead += got;
        if (read) read->QuadPart = totalRead;
        ULONG put = 0;
        hr = destination->Write(buffer.get(), got, &put);
        if (FAILED(hr)) break;
        totalWritten += put;
        if (written) written->QuadPart = totalWritten;
        if (put < got) { hr = net::kResultShortWrite; break; }
    }
    return FAILED(hr) ? hr : S_OK;
}

HRESULT CWinHttpStream::Clone(IStream** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return E_NOTIMPL;
}

}  // namespace WinHTTP
