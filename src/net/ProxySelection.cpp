#include "net/ProxySelection.h"

#include <winhttp.h>

namespace net {

namespace {

std::wstring TakeGlobalText(LPWSTR text) {
    std::wstring result = text ? text : L"";
    if (text) ::GlobalFree(text);
    return result;
}

}  // namespace

ProxyChoice ChooseProxy(const UserProxySettings* settings,
                        const std::function<bool(std::wstring* url)>& detect) {
    ProxyChoice choice;
    if (!settings) return choice;
    if (!settings->autoConfigUrl.empty()) {
        choice.scriptUrl = settings->autoConfigUrl;
    } else if (settings->autoDetect) {
        // A failed detection means no proxy at all: the static list is not consulted.
        std::wstring detected;
        if (detect && detect(&detected) && !detected.empty()) choice.scriptUrl = detected;
    } else if (!settings->proxy.empty()) {
        choice.accessType = WINHTTP_ACCESS_TYPE_NAMED_PROXY;
        choice.proxy = settings->proxy;
        choice.bypass = settings->bypass;
    }
    return choice;
}

bool ReadUserProxySettings(UserProxySettings* settings) {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
    if (!::WinHttpGetIEProxyConfigForCurrentUser(&config)) return false;
    settings->autoDetect = config.fAutoDetect != FALSE;
    settings->autoConfigUrl = TakeGlobalText(config.lpszAutoConfigUrl);
    settings->proxy = TakeGlobalText(config.lpszProxy);
    settings->bypass = TakeGlobalText(config.lpszProxyBypass);
    return true;
}

bool DetectAutoConfigUrl(std::wstring* url) {
    LPWSTR detected = nullptr;
    if (!::WinHttpDetectAutoProxyConfigUrl(WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A,
                                           &detected))
        return false;
    *url = TakeGlobalText(detected);
    return true;
}

}  // namespace net
