#include "install/OfferCommandLines.h"

#include <cwchar>

namespace install {

namespace {

constexpr const wchar_t* kDefaultBackupHash = L"4b0c9f37";

void AppendIfPresent(std::wstring& line, const config::InstallerData& data, const wchar_t* key,
                     const wchar_t* part) {
    if (const std::wstring* value = data.Lookup(key)) line += part + *value;
}

}  // namespace

const OfferKindInfo& OfferInfo(OfferKind kind) noexcept {
    for (const OfferKindInfo& info : kOfferKinds)
        if (info.kind == kind) return info;
    return kOfferKinds[0];
}

const OfferKindInfo* OfferByIdentity(const std::wstring& identity) noexcept {
    for (const OfferKindInfo& info : kOfferKinds)
        if (identity == info.downloadPrefix) return &info;
    return nullptr;
}

std::wstring GuidWithoutBraces(const GUID& id) {
    wchar_t text[40];
    std::swprintf(text, 40, L"%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", static_cast<unsigned long>(id.Data1),
                  id.Data2, id.Data3, id.Data4[0], id.Data4[1], id.Data4[2], id.Data4[3], id.Data4[4], id.Data4[5],
                  id.Data4[6], id.Data4[7]);
    return text;
}

std::wstring BuildBackupCommandLine(const std::wstring& exePath, const config::InstallerData& data,
                                    const GUID& installationId) {
    const std::wstring* hash = data.Lookup(L"BackupHash");
    return L"\"" + exePath + L"\" /S /product=stowline /hash=" + (hash ? *hash : kDefaultBackupHash) +
           L" /tid=" + GuidWithoutBraces(installationId) + L" /popup_delay=1200000";
}

std::wstring BuildSilentInstallerCommandLine(const std::wstring& exePath, const config::InstallerData& data,
                                             OfferKind kind) {
    const OfferKindInfo& info = OfferInfo(kind);
    std::wstring line = L"\"" + exePath + L"\"";
    const std::wstring* onReboot = info.installOnRebootKey ? data.Lookup(info.installOnRebootKey) : nullptr;
    line += onReboot && *onReboot == L"yes" ? L" SI_LAUNCH=onreboot" : L" SI_LAUNCH=immediate";
    AppendIfPresent(line, data, L"SI_CHNL", L" SI_CHNL=");
    AppendIfPresent(line, data, L"SI_MODE", L" SI_MODE=");
    AppendIfPresent(line, data, L"SI_DELAY", L" SI_DELAY=");
    if (info.callerP2Key) AppendIfPresent(line, data, info.callerP2Key, L" @P2_ORIGIN=");
    if (info.offerP2Key) AppendIfPresent(line, data, info.offerP2Key, L" @P2=");
    if (info.stubIdKey) AppendIfPresent(line, data, info.stubIdKey, L" @UL_STUBID=");
    return line;
}

}  // namespace install
