#include "util/Registry.h"

#include <cwchar>

#include "util/SystemProbes.h"

namespace util {
namespace {

// The text of a value read as raw bytes, cut at its first end mark.
std::wstring TextOfBytes(const wchar_t* chars, DWORD bytes) {
    size_t count = bytes / sizeof(wchar_t);
    return std::wstring(chars, wcsnlen(chars, count));
}

}  // namespace

REGSAM Read64ViewAccess() {
    return IsRunningUnderWow64() ? kRead64Access : kReadAccess;
}

fw::UniqueHKey OpenRegistryKey(HKEY root, const wchar_t* path, REGSAM access) {
    fw::UniqueHKey key;
    if (::RegOpenKeyExW(root, path, 0, access, key.put()) != ERROR_SUCCESS) key.release();
    return key;
}

bool RegistryKeyOpens(HKEY root, const wchar_t* path, REGSAM access) {
    return static_cast<bool>(OpenRegistryKey(root, path, access));
}

std::vector<std::wstring> SubKeyNames(HKEY key) {
    std::vector<std::wstring> names;
    DWORD count = 0;
    if (::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                           nullptr, nullptr, nullptr) != ERROR_SUCCESS || count == 0)
        return names;
    for (DWORD index = 0;; ++index) {
        wchar_t name[kKeyNameChars + 1];
        DWORD chars = kKeyNameChars + 1;
        if (::RegEnumKeyExW(key, index, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, chars);
    }
    return names;
}

bool ReadStringValue(HKEY key, const wchar_t* valueName, size_t maxChars, std::wstring& text) {
    std::wstring buffer(maxChars, L'\0');
    DWORD type = 0;
    DWORD bytes = static_cast<DWORD>(maxChars * sizeof(wchar_t));
    if (::RegQueryValueExW(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &bytes) !=
        ERROR_SUCCESS)
        return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    text = TextOfBytes(buffer.data(), bytes);
    return true;
}

std::wstring ReadRegistryText(HKEY key, const wchar_t* valueName) {
    constexpr DWORD kBufferBytes = 520;
    wchar_t buffer[kBufferBytes / sizeof(wchar_t)] = {};
    DWORD bytes = kBufferBytes;
    // The type is not checked: whatever the value holds is taken as text.
    if (::RegQueryValueExW(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &bytes) !=
        ERROR_SUCCESS)
        return L"NA";
    return TextOfBytes(buffer, bytes);
}

}  // namespace util
