#include <gtest/gtest.h>

#include <windows.h>
#include <winhttp.h>

#include "net/ProxySelection.h"

namespace {

TEST(ProxySelection, OrderOfPreference) {
    struct Case {
        const char* name;
        net::UserProxySettings settings;
        bool detects;
        DWORD accessType;
        const wchar_t* script;
        const wchar_t* proxy;
    };
    const Case cases[] = {
        {"ConfigUrlWins", {true, L"http://pac/a.pac", L"proxy:80", L""}, true, 1, L"http://pac/a.pac", L""},
        {"DetectedScript", {true, L"", L"proxy:80", L""}, true, 1, L"http://wpad/wpad.dat", L""},
        // Auto-detection that finds nothing means direct, not the static list.
        {"FailedDetectionIsDirect", {true, L"", L"proxy:80", L""}, false, 1, L"", L""},
        {"StaticList", {false, L"", L"proxy:80", L"<local>"}, true, 3, L"", L"proxy:80"},
        {"NothingIsDirect", {false, L"", L"", L""}, true, 1, L"", L""},
    };
    for (const auto& c : cases) {
        auto choice = net::ChooseProxy(&c.settings, [&](std::wstring* url) {
            if (c.detects) *url = L"http://wpad/wpad.dat";
            return c.detects;
        });
        EXPECT_EQ(c.accessType, choice.accessType) << c.name;
        EXPECT_EQ(std::wstring(c.script), choice.scriptUrl) << c.name;
        EXPECT_EQ(std::wstring(c.proxy), choice.proxy) << c.name;
    }
    // Unreadable settings: direct.
    auto choice = net::ChooseProxy(nullptr, nullptr);
    EXPECT_EQ(DWORD{WINHTTP_ACCESS_TYPE_NO_PROXY}, choice.accessType);
}

}  // namespace
