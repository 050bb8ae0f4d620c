#pragma once
// Small registry reads shared by the probes. Every key lives in an owner.
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "fw/UniqueHandle.h"

namespace util {

constexpr REGSAM kReadAccess = KEY_READ;                       // 0x20019
constexpr REGSAM kRead64Access = KEY_READ | KEY_WOW64_64KEY;   // 0x20119
constexpr REGSAM kFullAccess = KEY_ALL_ACCESS;                 // 0xF003F
constexpr size_t kKeyNameChars = 260;

// The access of the probes that look at the 64-bit view: only a WOW64 process
// needs the flag, everyone else is already there.
REGSAM Read64ViewAccess();

// Null when the key does not open.
fw::UniqueHKey OpenRegistryKey(HKEY root, const wchar_t* path, REGSAM access);
bool RegistryKeyOpens(HKEY root, const wchar_t* path, REGSAM access);

// Sub-key names by index until enumeration fails (names up to 260 characters).
std::vector<std::wstring> SubKeyNames(HKEY key);

// A REG_SZ or REG_EXPAND_SZ value that fits maxChars characters with its end mark;
// false for another type, a missing value or one too long.
bool ReadStringValue(HKEY key, const wchar_t* valueName, size_t maxChars, std::wstring& text);

}  // namespace util
