// The request object as an automation object: names and DISPIDs from the platform's
// WinHttp type library, and calls by DISPID through Invoke, as a script host makes them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "NetTestSupport.h"
#include "net/WinHttpRequest.h"

namespace {

// The interface's DISPIDs, as the type library numbers them.
constexpr DISPID kOpen = 1, kSetRequestHeader = 2, kGetResponseHeader = 3, kSend = 5, kStatus = 7,
                 kResponseStream = 11, kAbort = 12;

VARIANT Text(const std::wstring& text) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = ::SysAllocString(text.c_str());
    return v;
}

VARIANT Flag(bool value) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

// A request object called the way a script host calls it.
class Invoker {
public:
    Invoker() { EXPECT_EQ(S_OK, WinHTTP::CWinHttpRequest::Create(&request_)); }
    ~Invoker() {
        ::VariantClear(&result_);
        if (request_) request_->Release();
    }
    Invoker(const Invoker&) = delete;
    Invoker& operator=(const Invoker&) = delete;

    // Invokes one member with its arguments in reading order (Invoke wants them reversed).
    HRESULT Call(DISPID id, WORD flags, std::vector<VARIANT> args = {}) {
        std::vector<VARIANT> reversed(args.rbegin(), args.rend());
        DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        ::VariantClear(&result_);
        exception_ = EXCEPINFO{};
        UINT argError = 0;
        HRESULT hr = request_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &result_, &exception_,
                                      &argError);
        ::SysFreeString(exception_.bstrSource);
        ::SysFreeString(exception_.bstrDescription);
        ::SysFreeString(exception_.bstrHelpFile);
        for (VARIANT& v : args) ::VariantClear(&v);
        return hr;
    }
    // The method's own failure, which Invoke reports as an exception.
    HRESULT Raised() const { return exception_.scode; }
    const VARIANT& Result() const { return result_; }
    IWinHttpRequest* Object() const { return request_; }

private:
    IWinHttpRequest* request_ = nullptr;
    VARIANT result_{};
    EXCEPINFO exception_{};
};

TEST(Dispatch, NamesGiveTheInterfacesIds) {
    Invoker d;
    IWinHttpRequest* request_ = d.Object();
    ASSERT_TRUE(request_);
    UINT count = 0;
    ASSERT_EQ(S_OK, request_->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
    struct { const wchar_t* name; DISPID id; } names[] = {
        {L"Open", kOpen}, {L"SetRequestHeader", kSetRequestHeader}, {L"GetResponseHeader", kGetResponseHeader},
        {L"Send", kSend}, {L"Status", kStatus}, {L"ResponseStream", kResponseStream}, {L"abort", kAbort},
    };
    for (auto& n : names) {
        LPOLESTR name = const_cast<LPOLESTR>(n.name);
        DISPID id = -1;
        EXPECT_EQ(S_OK, request_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id)) << n.name;
        EXPECT_EQ(n.id, id) << n.name;
    }
    LPOLESTR unknown = const_cast<LPOLESTR>(L"Fetch");
    DISPID id = 0;
    EXPECT_EQ(DISP_E_UNKNOWNNAME, request_->GetIDsOfNames(IID_NULL, &unknown, 1, LOCALE_USER_DEFAULT, &id));
}

TEST(Dispatch, InvokeReachesTheMethodsAndCarriesTheirFailures) {
    Invoker d;
    ASSERT_TRUE(d.Object());
    // Open's own argument check comes back as the exception's code.
    EXPECT_EQ(DISP_E_EXCEPTION, d.Call(kOpen, DISPATCH_METHOD, {Text(L"GET"), Text(L"ftp://example.invalid/"), Flag(false)}));
    EXPECT_EQ(E_INVALIDARG, d.Raised());
    EXPECT_EQ(DISP_E_EXCEPTION, d.Call(kOpen, DISPATCH_METHOD, {Text(L"GET"), Text(L"http://example.invalid/"), Flag(true)}));
    EXPECT_EQ(E_NOTIMPL, d.Raised());
    // The optional async argument may be left out.
    EXPECT_EQ(S_OK, d.Call(kOpen, DISPATCH_METHOD, {Text(L"GET"), Text(L"http://example.invalid/")}));
    EXPECT_EQ(S_OK, d.Call(kSetRequestHeader, DISPATCH_METHOD, {Text(L"X-Test"), Text(L"1")}));
    // Dispatch itself refuses what the type library does not allow.
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, d.Call(kOpen, DISPATCH_METHOD, {Text(L"GET")}));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, d.Call(9999, DISPATCH_METHOD));
    EXPECT_EQ(DISP_E_EXCEPTION, d.Call(kAbort, DISPATCH_METHOD));
    EXPECT_EQ(E_NOTIMPL, d.Raised());
}

// Against the fault server (tests/e2e/test_download.py gives its address): the whole
// request by DISPID, the body read from the stream that Invoke handed back.
TEST(FaultServerDispatch, WholeRequestByDispid) {
    const std::wstring base = nettest::EnvText(L"WRENKIT_FAULT_SERVER");
    if (base.empty()) GTEST_SKIP() << "no test server: tests/e2e/test_download.py sets it";
    Invoker d;
    ASSERT_TRUE(d.Object());
    ASSERT_EQ(S_OK, d.Call(kOpen, DISPATCH_METHOD, {Text(L"GET"), Text(base + L"/file/dispatch?size=5000"), Flag(false)}));
    ASSERT_EQ(S_OK, d.Call(kSend, DISPATCH_METHOD));
    ASSERT_EQ(S_OK, d.Call(kStatus, DISPATCH_PROPERTYGET));
    EXPECT_EQ(VT_I4, d.Result().vt);
    EXPECT_EQ(200, d.Result().lVal);
    ASSERT_EQ(S_OK, d.Call(kGetResponseHeader, DISPATCH_METHOD, {Text(L"Content-Length")}));
    ASSERT_EQ(VT_BSTR, d.Result().vt);
    EXPECT_STREQ(L"5000", d.Result().bstrVal);
    ASSERT_EQ(S_OK, d.Call(kResponseStream, DISPATCH_PROPERTYGET));
    ASSERT_TRUE(d.Result().vt == VT_UNKNOWN || d.Result().vt == VT_DISPATCH);
    IStream* stream = nullptr;
    ASSERT_EQ(S_OK, d.Result().punkVal->QueryInterface(IID_IStream, reinterpret_cast<void**>(&stream)));
    std::string body;
    char buffer[1024];
    ULONG got = 0;
    while (SUCCEEDED(stream->Read(buffer, sizeof(buffer), &got)) && got > 0) body.append(buffer, got);
    stream->Release();
    EXPECT_EQ(nettest::PatternBytes(5000), body);
}

}  // namespace
