#pragma once
// The response body of a CWinHttpRequest as a read-only, forward-only IStream.
#include <windows.h>
#include <objidl.h>

#include "fw/CriticalSection.h"
#include "net/WinHttpRequest.h"

namespace WinHTTP {

class CWinHttpStream : public IStream {
public:
    // Keeps the request alive and reads through its current request handle.
    void Attach(CWinHttpRequest* request) noexcept;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;

    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override;
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream* destination, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                                     ULARGE_INTEGER* written) override;
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IStream** out) override;

protected:
    CWinHttpStream() = default;
    virtual ~CWinHttpStream();
    HRESULT FinalConstruct() noexcept { return S_OK; }
    LONG InternalAddRef() noexcept { return ::InterlockedIncrement(&refCount_); }
    LONG InternalRelease() noexcept { return ::InterlockedDecrement(&refCount_); }

private:
    LONG refCount_ = 0;
    fw::CCriticalSection lock_;
    CWinHttpRequest* request_ = nullptr;  // counted reference
    HINTERNET handle_ = nullptr;          // borrowed from the request
    unsigned generation_ = 0;
};

}  // namespace WinHTTP
