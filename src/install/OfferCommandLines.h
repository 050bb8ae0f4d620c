#pragma once
// The offers' fixed data and the command lines their installers are started with.
#include <windows.h>

#include <string>

#include "config/InstallerData.h"

namespace install {

enum class OfferKind { Backup, Twp, Vantrell };

struct OfferKindInfo {
    OfferKind kind;
    const wchar_t* name;
    // Temporary-file prefix of the download; also the offer's identity at install.
    const wchar_t* downloadPrefix;
    const wchar_t* extension;  // of the decompressed installer
    // Package address settings; the cleaner has one per architecture.
    const wchar_t* urlKeyX64;
    const wchar_t* urlKeyX86;
    const wchar_t* flowAction;  // sent when its installer is started
    // Installer-data keys of the silent-installer form; null for the backup form.
    const wchar_t* installOnRebootKey;
    const wchar_t* callerP2Key;
    const wchar_t* offerP2Key;
    const wchar_t* stubIdKey;
};

inline constexpr OfferKindInfo kOfferKinds[] = {
    {OfferKind::Backup, L"Backup", L"stw", L".exe", L"BackupUrl", L"BackupUrl", L"BackupInstalled", nullptr, nullptr,
     nullptr, nullptr},
    {OfferKind::Twp, L"Twp", L"twp", L".exe", L"x64TwpUrl", L"x86TwpUrl", L"TwpInstalled", L"TwpInstallOnReboot",
     L"TwpCallerP2", L"TwpOfferP2", L"TwpStubId"},
    {OfferKind::Vantrell, L"Vantrell", L"vtl", L".exe", L"VantrellEnUrl", L"VantrellEnUrl", L"VantrellInstalled",
     L"VantrellInstallOnReboot", L"VantrellCallerP2", L"VantrellOfferP2", L"VantrellStubId"},
};

inline constexpr const wchar_t* kProductDownloadPrefix = L"tmu";
inline constexpr const wchar_t* kProductExtension = L".msi";

const OfferKindInfo& OfferInfo(OfferKind kind) noexcept;
// The offer whose identity (download prefix) this is; null when none is.
const OfferKindInfo* OfferByIdentity(const std::wstring& identity) noexcept;

// The installation identifier as the backup installer takes it: 36 characters,
// no braces, upper-case hex.
std::wstring GuidWithoutBraces(const GUID& id);

// "\"path\" /S /product=stowline /hash=H /tid=T /popup_delay=1200000"
std::wstring BuildBackupCommandLine(const std::wstring& exePath, const config::InstallerData& data,
                                    const GUID& installationId);

// The quoted path, then SI_LAUNCH and whichever SI_ and @ keys are present, each
// value as stored.
std::wstring BuildSilentInstallerCommandLine(const std::wstring& exePath, const config::InstallerData& data,
                                             OfferKind kind);

}  // namespace install
