#pragma once
// The property string handed to Windows Installer, built from the installer data's
// argument list.
#include <optional>
#include <string>
#include <vector>

namespace install {

// KEY=VALUE with a value holding a space or a double quote becomes KEY="VALUE" with
// inner quotes doubled, so Windows Installer does not cut it; anything else is kept.
std::wstring QuotePropertyArgument(const std::wstring& argument);

// The arguments joined with single spaces; nullopt when memory runs out.
std::optional<std::wstring> JoinPropertyArguments(const std::vector<std::wstring>& arguments) noexcept;

}  // namespace install
