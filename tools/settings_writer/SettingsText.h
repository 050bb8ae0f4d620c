#pragma once
// Turns a build-settings text (Key=Value lines) into the bytes of the resource table.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace settings_writer {

using SettingPair = std::pair<std::wstring, std::wstring>;

// Strict UTF-8 to UTF-16; none for invalid input. A leading byte-order mark is dropped,
// so a file saved by an editor that adds one does not change the first key.
std::optional<std::wstring> DecodeSettingsFile(std::string_view bytes);

// Lines end at CR, LF or CR LF. Empty lines, lines starting with '#' and lines without
// '=' are skipped; the key is the text before the first '=', the value all after it.
std::vector<SettingPair> ParseSettingsText(std::wstring_view text);

// UTF-16LE key, zero, value, zero, ... with no header, as the program reads it.
std::vector<std::uint8_t> EncodeTable(const std::vector<SettingPair>& pairs);

}  // namespace settings_writer
