#pragma once
// Our own synchronous HTTP/1.1 request object over WinHTTP, used through the
// WinHttpRequest automation interface. Create it through CWinHttpObject.
#include <windows.h>

#include <map>
#include <string>

#include "fw/CriticalSection.h"
#include "net/IWinHttpRequest.h"
#include "net/UniqueHInternet.h"

namespace WinHTTP {

class CWinHttpRequest : public IWinHttpRequest {
public:
    // A new request object holding one reference.
    static HRESULT Create(IWinHttpRequest** out) noexcept;

    // IUnknown (AddRef and Release come from CWinHttpObject)
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;

    // IDispatch, served from the platform's WinHttp type library
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

    // IWinHttpRequest
    HRESULT STDMETHODCALLTYPE SetProxy(HTTPREQUEST_PROXY_SETTING, VARIANT, VARIANT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetCredentials(BSTR, BSTR, HTTPREQUEST_SETCREDENTIALS_FLAGS) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Open(BSTR method, BSTR url, VARIANT async) override;
    HRESULT STDMETHODCALLTYPE SetRequestHeader(BSTR header, BSTR value) override;
    HRESULT STDMETHODCALLTYPE GetResponseHeader(BSTR header, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE GetAllResponseHeaders(BSTR* headers) override;
    HRESULT STDMETHODCALLTYPE Send(VARIANT body) override;
    HRESULT STDMETHODCALLTYPE get_Status(LONG* status) override;
    HRESULT STDMETHODCALLTYPE get_StatusText(BSTR* status) override;
    HRESULT STDMETHODCALLTYPE get_ResponseText(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ResponseBody(VARIANT* body) override;
    HRESULT STDMETHODCALLTYPE get_ResponseStream(VARIANT* body) override;
    HRESULT STDMETHODCALLTYPE get_Option(WinHttpRequestOption, VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Option(WinHttpRequestOption, VARIANT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE WaitForResponse(VARIANT, VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Abort() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetTimeouts(LONG, LONG, LONG, LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetClientCertificate(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetAutoLogonPolicy(WinHttpRequestAutoLogonPolicy) override { return E_NOTIMPL; }

    // For the response stream: the request handle it reads through stays valid only
    // while this generation is current (Open replaces and closes the handle).
    HINTERNET RequestHandle() const noexcept { return request_.get(); }
    unsigned Generation() const noexcept { return generation_; }
    // Whether every request resolves its proxy from an auto-config script.
    bool UsesProxyScript() const noexcept { return !noPerRequestProxy_; }

protected:
    CWinHttpRequest() = default;
    virtual ~CWinHttpRequest() = default;
    HRESULT FinalConstruct() noexcept;
    LONG InternalAddRef() noexcept { return ::InterlockedIncrement(&refCount_); }
    LONG InternalRelease() noexcept { return ::InterlockedDecrement(&refCount_); }

private:
    HRESULT LoadTypeInfo(ITypeInfo** info);
    void ApplyScriptProxy(HINTERNET request, const wchar_t* url) noexcept;

    LONG refCount_ = 0;
    fw::CCriticalSection lock_;
    bool proxyFound_ = false;
    std::wstring scriptUrl_;
    bool noPerRequestProxy_ = true;
    std::map<std::wstring, std::wstring> headers_;
    INTERNET_PORT port_ = 0;
    std::wstring host_;
    // Declared in reverse order of closing: request, then connection, then session.
    net::UniqueHInternet session_;
    net::UniqueHInternet connection_;
    net::UniqueHInternet request_;
    unsigned generation_ = 0;
};

}  // namespace WinHTTP
