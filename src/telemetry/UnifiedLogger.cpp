#include "telemetry/UnifiedLogger.h"

#include <objbase.h>

#include <cstring>

namespace telemetry {

namespace {

bool IsBase64Char(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') || c == L'+' ||
           c == L'/' || c == L'=';
}

// Keeps the leading base64 run and escapes it, with "%" doubled for the template.
std::wstring CampaignText(const std::wstring& upl) {
    std::wstring out;
    for (wchar_t c : upl) {
        if (!IsBase64Char(c)) break;
        if (c == L'+') out += L"%%2B";
        else if (c == L'/') out += L"%%2F";
        else if (c == L'=') out += L"%%3D";
        else out += c;
    }
    return out;
}

std::wstring SuffixFor(const GUID& installationId) {
    return IsZeroGuid(installationId) ? std::wstring() : L"&installId=" + GuidText(installationId);
}

}  // namespace

std::wstring GuidText(const GUID& id) {
    wchar_t text[40] = {};
    ::StringFromGUID2(id, text, 40);
    return std::wstring(text + 1, 36);
}

bool IsZeroGuid(const GUID& id) {
    static const GUID zero{};
    return std::memcmp(&id, &zero, sizeof(GUID)) == 0;
}

UnifiedLogger::UnifiedLogger(const std::wstring& serverBase, const std::wstring& upl, const GUID& installationId,
                             const GUID& machineId, Sender sender)
    : template_(serverBase + L"/ulc.php?ev=%s&upl=" + CampaignText(upl) + L"&machineId=" + GuidText(machineId)),
      suffix_(SuffixFor(installationId)),
      sender_(std::move(sender)) {}

std::wstring UnifiedLogger::EventUrl(const wchar_t* name) const {
    std::wstring url;
    for (size_t i = 0; i < template_.size(); ++i) {
        if (template_[i] == L'%' && i + 1 < template_.size()) {
            if (template_[i + 1] == L's') {
                url += name;
                ++i;
                continue;
            }
            if (template_[i + 1] == L'%') {
                url += L'%';
                ++i;
                continue;
            }
        }
        url += template_[i];
    }
    return url + suffix_;
}

void UnifiedLogger::SendEvent(const wchar_t* name) const {
    if (sender_) sender_(EventUrl(name));
}

void UnifiedLogger::SetInstallationId(const GUID& installationId) { suffix_ = SuffixFor(installationId); }

}  // namespace telemetry
