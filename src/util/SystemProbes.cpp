#include "util/SystemProbes.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <atomic>
#include <vector>

#include "util/Registry.h"

namespace util {
namespace {

constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr wchar_t kBackupAppPathKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Stowline";
constexpr wchar_t kTwpKey[] = L"SOFTWARE\\Tamberly Utilities, Inc.\\Tidewell Plus";
constexpr wchar_t kVantrellKey[] = L"SOFTWARE\\Tamberly Utilities Inc\\Vantrell";
constexpr wchar_t kCurrentVersionKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr wchar_t kAlreadyInstalled[] = L"Already installed.";

// -1: ask the system; 0 or 1: the answer a test forced.
std::atomic<int> wow64Override{-1};

void AppendReason(std::wstring& reasons, const wchar_t* reason) {
    if (!reasons.empty()) reasons += L' ';
    reasons += reason;
}

std::wstring LowerCase(std::wstring text) {
    if (!text.empty()) ::CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

bool IsExistingFile(const std::wstring& path) {
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring ReadBrowserChoice(const std::wstring& appName) {
    std::wstring path = L"SOFTWARE\\Tamberly Utilities Inc\\" + appName + L"\\InstallerData";
    fw::UniqueHKey key = OpenRegistryKey(HKEY_LOCAL_MACHINE, path.c_str(), kReadAccess);
    std::wstring choice;
    if (key) ReadStringValue(key.get(), L"browser", 32767, choice);
    return choice;
}

std::vector<const wchar_t*> CandidatesFor(const std::wstring& choice) {
    if (choice == L"chrome")
        return {L"%ProgramFiles%\\Google\\Chrome\\Application\\chrome.exe",
                L"%LOCALAPPDATA%\\Google\\Chrome\\Application\\chrome.exe",
                L"%USERPROFILE%\\Local Settings\\Application Data\\Google\\Chrome\\Application\\chrome.exe"};
    if (choice == L"ff") return {L"%ProgramFiles%\\Mozilla Firefox\\firefox.exe"};
    if (choice == L"ie") return {L"%ProgramFiles%\\Internet Explorer\\iexplore.exe"};
    return {};
}

std::wstring HttpHandlerPath() {
    wchar_t path[MAX_PATH] = {};
    DWORD chars = MAX_PATH;
    if (FAILED(::AssocQueryStringW(0, ASSOCSTR_EXECUTABLE, L"http", L"open", path, &chars))) return {};
    return path;
}

void ReplaceAll(std::wstring& text, std::wstring_view what, const std::wstring& with) {
    for (size_t at = text.find(what); at != std::wstring::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
}

}  // namespace

bool IsWindowsVersionAtLeast(unsigned major, unsigned minor) {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!::GetVersionExW(&info)) return false;
    const DWORD wantMajor = major & 0xFFFF, wantMinor = minor & 0xFFFF;
    return info.dwMajorVersion > wantMajor || (info.dwMajorVersion == wantMajor && info.dwMinorVersion >= wantMinor);
}

bool IsRunningUnderWow64() {
    if (int forced = wow64Override.load(); forced >= 0) return forced != 0;
    // Looked up at run time: the function is missing on the oldest systems.
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    auto isWow64Process = reinterpret_cast<IsWow64ProcessFn>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32"), "IsWow64Process"));
    BOOL wow64 = FALSE;
    return isWow64Process && isWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

void OverrideWow64ForTesting(std::optional<bool> answer) {
    wow64Override.store(answer ? int(*answer) : -1);
}

bool CheckBackupPrerequisites(std::wstring& reasons) {
    bool allowed = true;
    if (IsWindowsVersionAtLeast(6, 2) && !HasDotNet2()) {
        AppendReason(reasons, L"System is Windows 8 and .NET 2 Framework is missing.");
        allowed = false;
    }
    if (RegistryKeyOpens(HKEY_LOCAL_MACHINE, kBackupAppPathKey, kReadAccess)) {
        AppendReason(reasons, kAlreadyInstalled);
        allowed = false;
    }
    return allowed;
}

bool CheckTwpPrerequisites(std::wstring& reasons) {
    if (!RegistryKeyOpens(HKEY_LOCAL_MACHINE, kTwpKey, Read64ViewAccess())) return true;
    AppendReason(reasons, kAlreadyInstalled);
    return false;
}

bool CheckVantrellPrerequisites(std::wstring& reasons) {
    if (!RegistryKeyOpens(HKEY_CURRENT_USER, kVantrellKey, Read64ViewAccess())) return true;
    AppendReason(reasons, kAlreadyInstalled);
    return false;
}

std::wstring FindUninstallString(std::wstring_view displayName) {
    const std::wstring wanted = LowerCase(std::wstring(displayName));
    std::wstring result;
    fw::UniqueHKey uninstall = OpenRegistryKey(HKEY_LOCAL_MACHINE, kUninstallKey, kReadAccess);
    if (!uninstall) return result;
    // Every entry is looked at: when several match, the last one wins.
    for (const std::wstring& name : SubKeyNames(uninstall.get())) {
        fw::UniqueHKey entry = OpenRegistryKey(uninstall.get(), name.c_str(), kFullAccess);
        if (!entry) continue;
        if (LowerCase(ReadRegistryText(entry.get(), L"DisplayName")) == wanted)
            result = ReadRegistryText(entry.get(), L"UninstallString");
    }
    return result;
}

std::wstring GetDefaultBrowserPath(const std::wstring& appName) {
    for (const wchar_t* candidate : CandidatesFor(ReadBrowserChoice(appName))) {
        std::wstring path = ExpandEnvironmentText(candidate);
        if (IsExistingFile(path)) return path;
    }
    return HttpHandlerPath();
}

std::wstring GetUiLanguageCode() {
    return UiLanguageCodeFor(::GetUserDefaultUILanguage());
}

std::wstring UiLanguageCodeFor(LANGID language) {
    switch (language) {
        case 1031: return L"de";
        case 1034:
        case 3082: return L"es";
        case 1036: return L"fr";
        case 1041: return L"jp";
        default: return L"en";
    }
}

std::wstring ExpandProgramFilesPath(const std::wstring& path, bool x64PackageConfigured) {
    if (!IsRunningUnderWow64() || !x64PackageConfigured) return ExpandEnvironmentText(path);
    // The 64-bit package installs under the 64-bit folder, which a 32-bit
    // process's environment does not name.
    std::wstring result = path;
    fw::UniqueHKey key = OpenRegistryKey(HKEY_LOCAL_MACHINE, kCurrentVersionKey, Read64ViewAccess());
    std::wstring folder;
    if (key && ReadStringValue(key.get(), L"ProgramFilesDir", MAX_PATH, folder))
        ReplaceAll(result, L"%ProgramFiles%", folder);
    return result;
}

std::wstring ExpandEnvironmentText(const std::wstring& text, size_t bufferChars) {
    std::wstring buffer(bufferChars, L'\0');
    DWORD needed = ::ExpandEnvironmentStringsW(text.c_str(), buffer.data(), static_cast<DWORD>(bufferChars));
    if (needed == 0 || needed > bufferChars) return {};
    buffer.resize(needed - 1);  // without the end mark
    return buffer;
}

std::wstring GetCommonDocumentsFolder() {
    wchar_t path[MAX_PATH] = {};
    HRESULT hr = ::SHGetFolderPathW(nullptr, CSIDL_COMMON_DOCUMENTS, nullptr, SHGFP_TYPE_CURRENT, path);
    if (FAILED(hr)) ThrowPlatformError(hr);
    return path;
}

fw::UniqueHandle LaunchProcess(const std::wstring& commandLine) {
    std::wstring writable = commandLine;  // CreateProcessW may write into it
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, CREATE_BREAKAWAY_FROM_JOB, nullptr,
                          nullptr, &startup, &info))
        return {};
    DWORD error = ::GetLastError();
    ::CloseHandle(info.hThread);
    ::SetLastError(error);  // callers read the launch's own last error
    return fw::UniqueHandle(info.hProcess);
}

BOOL CALLBACK RestoreFirstWindow(HWND window, LPARAM) {
    if (::IsWindowVisible(window)) ::ShowWindow(window, SW_SHOWNORMAL);
    return FALSE;
}

}  // namespace util
