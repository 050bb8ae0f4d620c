#pragma once
// Key names on the command line: "N", "Enter", "Escape", "Alt+N", "Shift+Tab".
#include <windows.h>

#include <optional>
#include <string>

namespace uidriver {

struct KeySpec {
    WORD vk = 0;
    bool alt = false;
    bool ctrl = false;
    bool shift = false;
};

std::optional<KeySpec> ParseKey(const std::wstring& text);

}  // namespace uidriver
