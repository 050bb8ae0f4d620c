#pragma once
// The few request operations the resumable download needs, as a small interface so
// that its state machine can be driven by cases no real server produces.
#include <windows.h>
#include <objidl.h>

#include <memory>
#include <string>

namespace net {

class IHttpRequest {
public:
    virtual ~IHttpRequest() = default;
    // A synchronous GET; discards the previous request and its headers.
    virtual HRESULT Open(const wchar_t* url) = 0;
    virtual HRESULT SetRequestHeader(const wchar_t* name, const wchar_t* value) = 0;
    virtual HRESULT Send() = 0;
    virtual HRESULT Status(LONG* status) = 0;
    // A missing header is a failure (0x80072F76 from WinHTTP).
    virtual HRESULT GetResponseHeader(const wchar_t* name, std::wstring* value) = 0;
    // The body; 0x80028CA0 when the object hands back anything but an object reference.
    virtual HRESULT ResponseStream(IStream** body) = 0;
};

// Our CWinHttpRequest behind the interface.
HRESULT CreateWinHttpRequest(std::unique_ptr<IHttpRequest>* out);

}  // namespace net
