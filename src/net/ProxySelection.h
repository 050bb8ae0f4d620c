#pragma once
// The session's proxy choice from the user's proxy settings, in order of preference:
// an auto-config URL, then auto-detection, then a static proxy list, else direct.
#include <windows.h>

#include <functional>
#include <string>

namespace net {

struct UserProxySettings {
    bool autoDetect = false;
    std::wstring autoConfigUrl;  // empty: none
    std::wstring proxy;          // empty: none
    std::wstring bypass;
};

struct ProxyChoice {
    DWORD accessType = 1;        // WINHTTP_ACCESS_TYPE_NO_PROXY
    std::wstring scriptUrl;      // evaluated per request when not empty
    std::wstring proxy;          // with access type 3 (named proxy)
    std::wstring bypass;
};

// detect asks the network for an auto-config URL; false when none was found.
ProxyChoice ChooseProxy(const UserProxySettings* settings,
                        const std::function<bool(std::wstring* url)>& detect);

// The current user's settings, or false when they cannot be read.
bool ReadUserProxySettings(UserProxySettings* settings);
// WPAD through DHCP and DNS A records.
bool DetectAutoConfigUrl(std::wstring* url);

}  // namespace net
