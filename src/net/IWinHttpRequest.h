#pragma once
// The WinHttpRequest automation interface. mingw-w64 ships no httprequest.h, so it
// is declared here in the platform's vtable order; both our own request object and
// the platform's WinHttpRequest class are used through it.
#include <windows.h>
#include <oaidl.h>

typedef LONG HTTPREQUEST_PROXY_SETTING;
typedef LONG HTTPREQUEST_SETCREDENTIALS_FLAGS;
typedef int WinHttpRequestOption;
typedef int WinHttpRequestAutoLogonPolicy;

// {016FE2EC-B2C8-45F8-B23B-39E53A75396B}
inline constexpr IID kIidIWinHttpRequest = {
    0x016FE2EC, 0xB2C8, 0x45F8, {0xB2, 0x3B, 0x39, 0xE5, 0x3A, 0x75, 0x39, 0x6B}};
// {2087C2F4-2CEF-4953-A8AB-66779B670495}: the platform's WinHttpRequest class.
inline constexpr CLSID kClsidWinHttpRequest = {
    0x2087C2F4, 0x2CEF, 0x4953, {0xA8, 0xAB, 0x66, 0x77, 0x9B, 0x67, 0x04, 0x95}};
// {662901FC-6951-4854-9EB2-D9A2570F2B2E}: the WinHttp type library, version 5.1.
inline constexpr GUID kLibidWinHttp = {
    0x662901FC, 0x6951, 0x4854, {0x9E, 0xB2, 0xD9, 0xA2, 0x57, 0x0F, 0x2B, 0x2E}};

struct IWinHttpRequest : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE SetProxy(HTTPREQUEST_PROXY_SETTING setting, VARIANT proxyServer,
                                               VARIANT bypassList) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCredentials(BSTR userName, BSTR password,
                                                     HTTPREQUEST_SETCREDENTIALS_FLAGS flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE Open(BSTR method, BSTR url, VARIANT async) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetRequestHeader(BSTR header, BSTR value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetResponseHeader(BSTR header, BSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAllResponseHeaders(BSTR* headers) = 0;
    virtual HRESULT STDMETHODCALLTYPE Send(VARIANT body) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Status(LONG* status) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_StatusText(BSTR* status) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ResponseText(BSTR* body) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ResponseBody(VARIANT* body) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ResponseStream(VARIANT* body) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Option(WinHttpRequestOption option, VARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Option(WinHttpRequestOption option, VARIANT value) = 0;
    virtual HRESULT STDMETHODCALLTYPE WaitForResponse(VARIANT timeout, VARIANT_BOOL* succeeded) = 0;
    virtual HRESULT STDMETHODCALLTYPE Abort() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetTimeouts(LONG resolveTimeout, LONG connectTimeout, LONG sendTimeout,
                                                  LONG receiveTimeout) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetClientCertificate(BSTR clientCertificate) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetAutoLogonPolicy(WinHttpRequestAutoLogonPolicy policy) = 0;
};
