#include "net/HttpRequest.h"

#include <new>

#include "fw/Result.h"
#include "net/NetResults.h"
#include "net/WinHttpRequest.h"

namespace net {

namespace {

class CBstr {
public:
    explicit CBstr(const wchar_t* text) : value_(::SysAllocString(text)) {
        if (!value_ && text) throw std::bad_alloc();
    }
    ~CBstr() { ::SysFreeString(value_); }
    CBstr(const CBstr&) = delete;
    CBstr& operator=(const CBstr&) = delete;
    BSTR get() const noexcept { return value_; }

private:
    BSTR value_;
};

class CWinHttpRequestAdapter final : public IHttpRequest {
public:
    explicit CWinHttpRequestAdapter(IWinHttpRequest* request) : request_(request) {}
    ~CWinHttpRequestAdapter() override { request_->Release(); }
    CWinHttpRequestAdapter(const CWinHttpRequestAdapter&) = delete;
    CWinHttpRequestAdapter& operator=(const CWinHttpRequestAdapter&) = delete;

    HRESULT Open(const wchar_t* url) override {
        CBstr method(L"GET"), address(url);
        VARIANT async;
        ::VariantInit(&async);
        async.vt = VT_BOOL;
        async.boolVal = VARIANT_FALSE;
        return request_->Open(method.get(), address.get(), async);
    }
    HRESULT SetRequestHeader(const wchar_t* name, const wchar_t* value) override {
        CBstr n(name), v(value);
        return request_->SetRequestHeader(n.get(), v.get());
    }
    HRESULT Send() override {
        VARIANT body;
        ::VariantInit(&body);
        return request_->Send(body);
    }
    HRESULT Status(LONG* status) override { return request_->get_Status(status); }
    HRESULT GetResponseHeader(const wchar_t* name, std::wstring* value) override {
        CBstr n(name);
        BSTR text = nullptr;
        HRESULT hr = request_->GetResponseHeader(n.get(), &text);
        if (SUCCEEDED(hr)) {
            try {
                value->assign(text ? text : L"", text ? ::SysStringLen(text) : 0);
            } catch (...) {
                hr = E_OUTOFMEMORY;
            }
        }
        ::SysFreeString(text);
        return hr;
    }
    HRESULT ResponseStream(IStream** body) override {
        *body = nullptr;
        VARIANT v;
        ::VariantInit(&v);
        HRESULT hr = request_->get_ResponseStream(&v);
        if (SUCCEEDED(hr)) {
            if ((v.vt != VT_UNKNOWN && v.vt != VT_DISPATCH) || !v.punkVal)
                hr = kResultNotAnObject;
            else
                hr = v.punkVal->QueryInterface(IID_IStream, reinterpret_cast<void**>(body));
        }
        ::VariantClear(&v);
        return hr;
    }

private:
    IWinHttpRequest* request_;  // one counted reference
};

}  // namespace

HRESULT CreateWinHttpRequest(std::unique_ptr<IHttpRequest>* out) {
    out->reset();
    IWinHttpRequest* request = nullptr;
    RETURN_IF_FAILED(WinHTTP::CWinHttpRequest::Create(&request));
    auto* adapter = new (std::nothrow) CWinHttpRequestAdapter(request);
    if (!adapter) {
        request->Release();
        return E_OUTOFMEMORY;
    }
    out->reset(adapter);
    return S_OK;
}

}  // namespace net
