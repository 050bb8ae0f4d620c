// The request object's own rules: those need no server (nothing is sent).
#include <gtest/gtest.h>

#include "net/NetResults.h"
#include "net/WinHttpRequest.h"

namespace {

class Bstr {
public:
    explicit Bstr(const wchar_t* text) : value_(::SysAllocString(text)) {}
    ~Bstr() { ::SysFreeString(value_); }
    operator BSTR() const { return value_; }

private:
    BSTR value_;
};

VARIANT Bool(bool value) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

VARIANT Empty() {
    VARIANT v;
    ::VariantInit(&v);
    return v;
}

class HttpClient : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(S_OK, WinHTTP::CWinHttpRequest::Create(&request_)); }
    void TearDown() override {
        if (request_) request_->Release();
    }
    IWinHttpRequest* request_ = nullptr;
};

TEST_F(HttpClient, OpenRejects) {
    struct { const wchar_t* method; const wchar_t* url; VARIANT async; HRESULT expected; } cases[] = {
        {L"GET", L"ftp://example.invalid/file", Empty(), E_INVALIDARG},
        {L"", L"http://example.invalid/", Empty(), E_INVALIDARG},
        {L"GET", L"", Empty(), E_INVALIDARG},
        {L"GET", L"not a url", Empty(), E_INVALIDARG},
        {L"GET", L"http://example.invalid/", Bool(true), E_NOTIMPL},
    };
    for (auto& c : cases) {
        Bstr method(c.method), url(c.url);
        EXPECT_EQ(c.expected, request_->Open(method, url, c.async)) << c.url;
    }
}

TEST_F(HttpClient, UnsupportedOperations) {
    Bstr method(L"POST"), url(L"http://example.invalid/");
    ASSERT_EQ(S_OK, request_->Open(method, url, Empty()));
    VARIANT body;
    ::VariantInit(&body);
    body.vt = VT_I4;
    body.lVal = 5;
    EXPECT_EQ(E_NOTIMPL, request_->Send(body));
    BSTR text = reinterpret_cast<BSTR>(1);
    EXPECT_EQ(E_NOTIMPL, request_->GetAllResponseHeaders(&text));
    EXPECT_EQ(nullptr, text);
    EXPECT_EQ(E_POINTER, request_->GetAllResponseHeaders(nullptr));
    EXPECT_EQ(E_POINTER, request_->get_Status(nullptr));
    EXPECT_EQ(E_NOTIMPL, request_->Abort());
}

TEST_F(HttpClient, AnswersItsInterfacesOnly) {
    IUnknown* out = nullptr;
    for (const IID* iid : {&IID_IUnknown, &IID_IDispatch, &kIidIWinHttpRequest}) {
        ASSERT_EQ(S_OK, request_->QueryInterface(*iid, reinterpret_cast<void**>(&out)));
        out->Release();
    }
    EXPECT_EQ(E_NOINTERFACE, request_->QueryInterface(IID_IStream, reinterpret_cast<void**>(&out)));
    EXPECT_EQ(nullptr, out);
}

}  // namespace
