// Proxy choice end to end: the user's auto-config URL names a script on the fault
// server that sends every request through the fault server as a proxy.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "NetTestSupport.h"
#include "net/HttpRequest.h"
#include "net/ProxySelection.h"
#include "net/WinHttpRequest.h"

namespace {

// The user's proxy settings as the platform stores them: the binary record of the
// LAN connection (version, counter, flags, then length-prefixed proxy list, bypass
// list and auto-config URL). An empty URL deletes the record.
bool SetUserAutoConfigUrl(const std::wstring& url) {
    const wchar_t* key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";
    HKEY connections = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &connections, nullptr))
        return false;
    LSTATUS status;
    if (url.empty()) {
        status = ::RegDeleteValueW(connections, L"DefaultConnectionSettings");
    } else {
        std::string ansi(url.begin(), url.end());
        std::string record;
        auto put = [&](DWORD v) { record.append(reinterpret_cast<const char*>(&v), sizeof(v)); };
        put(0x46);                                       // version
        put(0);                                          // change counter
        put(0x1 | 0x4);                                  // direct, auto-config URL
        put(0);                                          // proxy list
        put(0);                                          // bypass list
        put(static_cast<DWORD>(ansi.size()));
        record += ansi;
        record.append(32, '\0');
        status = ::RegSetValueExW(connections, L"DefaultConnectionSettings", 0, REG_BINARY,
                                  reinterpret_cast<const BYTE*>(record.data()), static_cast<DWORD>(record.size()));
    }
    ::RegCloseKey(connections);
    return status == ERROR_SUCCESS;
}

class FaultServerProxy : public testing::Test {
protected:
    void SetUp() override {
        base_ = nettest::EnvText(L"WRENKIT_FAULT_SERVER");
        if (base_.empty()) GTEST_SKIP() << "no test server: tests/e2e/test_download.py sets it";
    }
    void TearDown() override { SetUserAutoConfigUrl(L""); }

    // GET through a fresh request object, which reads the user's settings when made.
    HRESULT Download(const std::wstring& url, std::string* body) {
        std::unique_ptr<net::IHttpRequest> request;
        HRESULT hr = net::CreateWinHttpRequest(&request);
        if (FAILED(hr)) return hr;
        if (FAILED(hr = request->Open(url.c_str())) || FAILED(hr = request->Send())) return hr;
        LONG status = 0;
        if (FAILED(hr = request->Status(&status))) return hr;
        if (status != 200) return E_FAIL;
        IStream* stream = nullptr;
        if (FAILED(hr = request->ResponseStream(&stream))) return hr;
        char buffer[4096];
        ULONG got = 0;
        while (SUCCEEDED(stream->Read(buffer, sizeof(buffer), &got)) && got) body->append(buffer, got);
        stream->Release();
        return S_OK;
    }
    std::wstring base_;
};

TEST_F(FaultServerProxy, ScriptChoosesTheProxyForEveryRequest) {
    // The server's address, for the script to name as the proxy.
    std::wstring hostPort = base_.substr(base_.find(L"//") + 2);
    ASSERT_TRUE(SetUserAutoConfigUrl(base_ + L"/pac/proxy?to=" + hostPort));
    net::UserProxySettings settings;
    ASSERT_TRUE(net::ReadUserProxySettings(&settings));
    ASSERT_EQ(base_ + L"/pac/proxy?to=" + hostPort, settings.autoConfigUrl);

    IWinHttpRequest* request = nullptr;
    ASSERT_EQ(S_OK, WinHTTP::CWinHttpRequest::Create(&request));
    EXPECT_TRUE(static_cast<WinHTTP::CWinHttpRequest*>(request)->UsesProxyScript());
    request->Release();

    // No such host: only the proxy can answer. test_download.py checks that the
    // script was fetched.
    std::string body;
    HRESULT hr = Download(L"http://packages.wrenkit.invalid/echo/viaproxy", &body);
    if (::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) {
        // Wine 8 evaluates the script, takes WINHTTP_OPTION_PROXY on the request and
        // then connects directly all the same: the name does not resolve.
        EXPECT_EQ(static_cast<HRESULT>(0x80072EE7), hr);
    } else {
        EXPECT_EQ(S_OK, hr);
        EXPECT_NE(std::string::npos, body.find("Host: packages.wrenkit.invalid")) << body;
    }
}

TEST_F(FaultServerProxy, ScriptThatCannotBeFetchedMeansDirect) {
    ASSERT_TRUE(SetUserAutoConfigUrl(base_ + L"/status/nopac?code=404"));
    std::string body;
    EXPECT_EQ(S_OK, Download(base_ + L"/echo/direct", &body));
    EXPECT_NE(std::string::npos, body.find("User-Agent")) << body;
}

}  // namespace
