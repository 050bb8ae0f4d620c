// The request object, the response stream, BackgroundGet and the platform's own
// WinHttpRequest (through our declaration of its interface) against the fault server.
#include <gtest/gtest.h>

#include <string>

#include "NetTestSupport.h"
#include "net/BackgroundGet.h"
#include "net/IWinHttpRequest.h"
#include "net/WinHttpRequest.h"

namespace {

class Bstr {
public:
    explicit Bstr(const std::wstring& text) : value_(::SysAllocString(text.c_str())) {}
    ~Bstr() { ::SysFreeString(value_); }
    operator BSTR() const { return value_; }

private:
    BSTR value_;
};

VARIANT Empty() {
    VARIANT v;
    ::VariantInit(&v);
    return v;
}

std::string ReadAll(IStream* stream) {
    std::string text;
    char buffer[4096];
    ULONG got = 0;
    while (SUCCEEDED(stream->Read(buffer, sizeof(buffer), &got)) && got > 0) text.append(buffer, got);
    return text;
}

class FaultServerClient : public testing::Test {
protected:
    void SetUp() override {
        base_ = nettest::EnvText(L"WRENKIT_FAULT_SERVER");
        if (base_.empty()) GTEST_SKIP() << "no test server: tests/e2e/test_download.py sets it";
        ASSERT_EQ(S_OK, WinHTTP::CWinHttpRequest::Create(&request_));
    }
    void TearDown() override {
        if (request_) request_->Release();
    }
    HRESULT Get(const std::wstring& path) {
        Bstr method(L"GET"), url(base_ + path);
        HRESULT hr = request_->Open(method, url, Empty());
        return FAILED(hr) ? hr : S_OK;
    }
    // Sends the opened request and returns the body text.
    std::string SendAndRead(std::wstring* connection = nullptr) {
        EXPECT_EQ(S_OK, request_->Send(Empty()));
        LONG status = 0;
        EXPECT_EQ(S_OK, request_->get_Status(&status));
        EXPECT_EQ(200, status);
        if (connection) {
            BSTR value = nullptr;
            EXPECT_EQ(S_OK, request_->GetResponseHeader(Bstr(L"X-Connection"), &value));
            *connection = value ? value : L"";
            ::SysFreeString(value);
        }
        VARIANT body;
        EXPECT_EQ(S_OK, request_->get_ResponseStream(&body));
        EXPECT_EQ(VT_UNKNOWN, body.vt);
        IStream* stream = nullptr;
        EXPECT_EQ(S_OK, body.punkVal->QueryInterface(IID_IStream, reinterpret_cast<void**>(&stream)));
        ::VariantClear(&body);
        std::string text = ReadAll(stream);
        stream->Release();
        return text;
    }
    std::wstring base_;
    IWinHttpRequest* request_ = nullptr;
};

TEST_F(FaultServerClient, RequestHeadersAndUserAgent) {
    request_->SetRequestHeader(Bstr(L"X-Before-Open"), Bstr(L"lost"));
    ASSERT_EQ(S_OK, Get(L"/echo/headers"));
    request_->SetRequestHeader(Bstr(L"X-Twice"), Bstr(L"first"));
    request_->SetRequestHeader(Bstr(L"X-Twice"), Bstr(L"second"));
    request_->SetRequestHeader(Bstr(L"X-Empty"), Bstr(L""));
    std::string echoed = SendAndRead();
    EXPECT_NE(std::string::npos, echoed.find("User-Agent: VIRIRODEVOZU/1.1\n")) << echoed;
    EXPECT_NE(std::string::npos, echoed.find("X-Twice: second\n")) << echoed;
    EXPECT_EQ(std::string::npos, echoed.find("first")) << echoed;
    EXPECT_EQ(std::string::npos, echoed.find("X-Empty")) << echoed;
    EXPECT_EQ(std::string::npos, echoed.find("X-Before-Open")) << echoed;
}

// test_download.py checks the request target: path and query, no fragment.
TEST_F(FaultServerClient, RequestTargetIsPathAndQuery) {
    ASSERT_EQ(S_OK, Get(L"/echo/target?x=1#part"));
    SendAndRead();
}

TEST_F(FaultServerClient, ConsecutiveRequestsShareAConnection) {
    std::wstring first, second;
    ASSERT_EQ(S_OK, Get(L"/echo/reuse1"));
    SendAndRead(&first);
    ASSERT_EQ(S_OK, Get(L"/echo/reuse2"));
    SendAndRead(&second);
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(first, second);
}

TEST_F(FaultServerClient, ResponseHeadersAndStream) {
    ASSERT_EQ(S_OK, Get(L"/file/stream?size=300000"));
    ASSERT_EQ(S_OK, request_->Send(Empty()));
    BSTR value = nullptr;
    EXPECT_EQ(S_OK, request_->GetResponseHeader(Bstr(L"Content-Length"), &value));
    EXPECT_STREQ(L"300000", value);
    ::SysFreeString(value);
    EXPECT_EQ(static_cast<HRESULT>(0x80072F76), request_->GetResponseHeader(Bstr(L"X-Missing"), &value));
    EXPECT_EQ(nullptr, value);

    VARIANT body;
    ASSERT_EQ(S_OK, request_->get_ResponseStream(&body));
    IStream* stream = nullptr;
    ASSERT_EQ(S_OK, body.punkVal->QueryInterface(IID_IStream, reinterpret_cast<void**>(&stream)));
    ::VariantClear(&body);
    // CopyTo stops at the count it was given, then the rest follows.
    IStream* copy = nettest::NewMemoryStream();
    ULARGE_INTEGER want{}, read{}, written{};
    want.QuadPart = 100000;
    EXPECT_EQ(S_OK, stream->CopyTo(copy, want, &read, &written));
    EXPECT_EQ(100000u, read.QuadPart);
    EXPECT_EQ(100000u, written.QuadPart);
    std::string all = nettest::StreamBytes(copy) + ReadAll(stream);
    EXPECT_TRUE(all == nettest::PatternBytes(300000));
    copy->Release();

    // Reopened, the request's old handle is gone: the old stream must not read the new body.
    ASSERT_EQ(S_OK, Get(L"/file/stream2?size=1000"));
    ASSERT_EQ(S_OK, request_->Send(Empty()));
    char buffer[16];
    ULONG got = 7;
    EXPECT_TRUE(FAILED(stream->Read(buffer, sizeof(buffer), &got)));
    EXPECT_EQ(0u, got);
    stream->Release();
}

TEST_F(FaultServerClient, BackgroundGetReachesTheServer) {
    ASSERT_TRUE(net::BackgroundGet(base_ + L"/echo/background"));
    std::string count;
    for (int i = 0; i < 100 && count != "1"; ++i) {
        ::Sleep(100);
        ASSERT_EQ(S_OK, Get(L"/_log?path=/echo/background"));
        EXPECT_EQ(S_OK, request_->Send(Empty()));
        VARIANT body;
        ASSERT_EQ(S_OK, request_->get_ResponseStream(&body));
        IStream* stream = nullptr;
        body.punkVal->QueryInterface(IID_IStream, reinterpret_cast<void**>(&stream));
        ::VariantClear(&body);
        count = ReadAll(stream);
        stream->Release();
    }
    EXPECT_EQ("1", count);
}

// Our declaration of IWinHttpRequest must match the platform's vtable (the form POST uses it).
TEST_F(FaultServerClient, PlatformObjectThroughOurInterface) {
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    IWinHttpRequest* platform = nullptr;
    ASSERT_EQ(S_OK, ::CoCreateInstance(kClsidWinHttpRequest, nullptr, CLSCTX_ALL, kIidIWinHttpRequest,
                                       reinterpret_cast<void**>(&platform)));
    VARIANT async;
    ::VariantInit(&async);
    async.vt = VT_BOOL;
    async.boolVal = VARIANT_FALSE;
    ASSERT_EQ(S_OK, platform->Open(Bstr(L"GET"), Bstr(base_ + L"/echo/platform"), async));
    ASSERT_EQ(S_OK, platform->SetRequestHeader(Bstr(L"X-Platform"), Bstr(L"yes")));
    ASSERT_EQ(S_OK, platform->Send(Empty()));
    LONG status = 0;
    EXPECT_EQ(S_OK, platform->get_Status(&status));
    EXPECT_EQ(200, status);
    VARIANT body;
    ASSERT_EQ(S_OK, platform->get_ResponseStream(&body));
    IStream* stream = nullptr;
    ASSERT_EQ(S_OK, body.punkVal->QueryInterface(IID_IStream, reinterpret_cast<void**>(&stream)));
    ::VariantClear(&body);
    EXPECT_NE(std::string::npos, ReadAll(stream).find("X-Platform: yes"));
    stream->Release();
    platform->Release();
    ::CoUninitialize();
}

}  // namespace
