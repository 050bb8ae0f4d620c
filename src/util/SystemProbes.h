#pragma once
// Stateless questions to the platform. Each probe reads afresh on every call, may
// run on any thread, and answers "no" (false, 0, empty, "NA", the unchanged path)
// when the platform does not tell; only GetCommonDocumentsFolder raises.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fw/UniqueHandle.h"

namespace util {

// Versions: four 16-bit parts, major first, so that numbers compare as versions.
constexpr uint64_t MakeVersion(uint16_t major, uint16_t minor, uint16_t build, uint16_t revision) {
    return (uint64_t(major) << 48) | (uint64_t(minor) << 32) | (uint64_t(build) << 16) | revision;
}
constexpr unsigned VersionMajor(uint64_t version) { return unsigned(version >> 48); }

bool IsWindowsVersionAtLeast(unsigned major, unsigned minor);
bool IsRunningUnderWow64();
// Tests force the WOW64 answer: a 64-bit test process is never WOW64, yet the
// 64-bit view branches must run. nullopt restores the real answer.
void OverrideWow64ForTesting(std::optional<bool> answer);

bool HasDotNet2();
uint64_t GetHighestDotNetVersion();  // 0 when none
uint64_t ParseVersionText(std::wstring_view text);

// Each appends its reasons to `reasons` (one space before each when not empty)
// and returns true when the offer may be shown.
bool CheckBackupPrerequisites(std::wstring& reasons);
bool CheckTwpPrerequisites(std::wstring& reasons);
bool CheckVantrellPrerequisites(std::wstring& reasons);

// The "UninstallString" of the last uninstall entry whose "DisplayName" equals
// displayName in any letter case; empty when none matches.
std::wstring FindUninstallString(std::wstring_view displayName);
// The value's text, or "NA" when it cannot be read into 260 characters.
std::wstring ReadRegistryText(HKEY key, const wchar_t* valueName);

// The browser chosen in the installer data of appName, else the http handler;
// empty when neither is found.
std::wstring GetDefaultBrowserPath(const std::wstring& appName);

// "en", "de", "es", "fr" or "jp" for the user's UI language.
std::wstring GetUiLanguageCode();
std::wstring UiLanguageCodeFor(LANGID language);

// x64PackageConfigured: the build setting "x64MsiUrl" is present.
std::wstring ExpandProgramFilesPath(const std::wstring& path, bool x64PackageConfigured);
// Empty when the expansion fails or does not fit bufferChars.
std::wstring ExpandEnvironmentText(const std::wstring& text, size_t bufferChars = 16383);
constexpr size_t kLongExpansionChars = 32768;  // the installer runner's command lines

std::wstring GetCommonDocumentsFolder();
// Defined by the application core: raises the platform failure as its exception.
[[noreturn]] void ThrowPlatformError(HRESULT hr);

// Starts commandLine outside the installer's job. Null on failure; the last error
// is what CreateProcessW left either way.
fw::UniqueHandle LaunchProcess(const std::wstring& commandLine);

// For EnumThreadWindows: restores the first window if it is visible, then stops.
BOOL CALLBACK RestoreFirstWindow(HWND window, LPARAM);

}  // namespace util
