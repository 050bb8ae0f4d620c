#pragma once
// What both distribution tools need: failures as words for the operator, console
// output, and whole-file reads.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tools {

// None means success.
using Problem = std::optional<std::wstring>;

std::wstring SystemMessage(DWORD error);
// The last error, with what was tried and on which file.
Problem LastError(std::wstring_view what, std::wstring_view path);
// UTF-16 on a console, UTF-8 into pipes and files.
void Print(DWORD stream, std::wstring_view text);
// Files from 2 GiB on are refused: the program never reads its own file beyond that.
Problem ReadWholeFile(const std::wstring& path, std::vector<std::uint8_t>& bytes);

}  // namespace tools
