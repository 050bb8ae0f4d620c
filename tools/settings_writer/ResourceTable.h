#pragma once
// The build-settings resource of a program file: written through the system's resource
// updater and read back through the resource loader.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/ToolSupport.h"

namespace settings_writer {

using tools::Problem;

inline constexpr WORD kSettingsType = 33;
inline constexpr WORD kSettingsId = 1;
// The language the build itself gives the table; any other would add a second table.
inline constexpr WORD kSettingsLanguage = MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT);

// Writes the table in the build's language, or removes it in every language when table is null.
Problem UpdateTable(const std::wstring& exe, const std::vector<std::uint8_t>* table);

struct StoredTable {
    std::optional<std::vector<std::uint8_t>> bytes;  // of kSettingsLanguage; none when absent
    std::vector<WORD> languages;                      // every language the table exists in
};

Problem ReadStoredTable(const std::wstring& exe, StoredTable& stored);

}  // namespace settings_writer
