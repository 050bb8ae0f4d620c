#include "KeySpec.h"

#include "WindowState.h"

namespace uidriver {

namespace {

struct NamedKey {
    const wchar_t* name;
    WORD vk;
};

constexpr NamedKey kNamedKeys[] = {
    {L"Enter", VK_RETURN}, {L"Return", VK_RETURN}, {L"Escape", VK_ESCAPE}, {L"Esc", VK_ESCAPE},
    {L"Tab", VK_TAB},      {L"Space", VK_SPACE},   {L"Backspace", VK_BACK}, {L"Delete", VK_DELETE},
    {L"Insert", VK_INSERT}, {L"Home", VK_HOME},    {L"End", VK_END},       {L"PageUp", VK_PRIOR},
    {L"PageDown", VK_NEXT}, {L"Left", VK_LEFT},    {L"Right", VK_RIGHT},   {L"Up", VK_UP},
    {L"Down", VK_DOWN},
};

std::optional<WORD> KeyCode(const std::wstring& name) {
    for (const auto& key : kNamedKeys)
        if (EqualsNoCase(name, key.name)) return key.vk;
    if ((name.size() == 2 || name.size() == 3) && (name[0] == L'F' || name[0] == L'f')) {
        const int n = _wtoi(name.c_str() + 1);
        if (n >= 1 && n <= 12) return static_cast<WORD>(VK_F1 + n - 1);
    }
    if (name.size() != 1) return std::nullopt;
    const wchar_t c = name[0];
    if (c >= L'a' && c <= L'z') return static_cast<WORD>(c - L'a' + L'A');
    if ((c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9')) return static_cast<WORD>(c);
    return std::nullopt;
}

}  // namespace

std::optional<KeySpec> ParseKey(const std::wstring& text) {
    KeySpec parsed;
    std::wstring rest = text;
    for (size_t plus; rest.size() > 1 && (plus = rest.find(L'+')) != std::wstring::npos;) {
        const std::wstring modifier = rest.substr(0, plus);
        if (EqualsNoCase(modifier, L"Alt")) parsed.alt = true;
        else if (EqualsNoCase(modifier, L"Ctrl")) parsed.ctrl = true;
        else if (EqualsNoCase(modifier, L"Shift")) parsed.shift = true;
        else return std::nullopt;
        rest = rest.substr(plus + 1);
    }
    const auto vk = KeyCode(rest);
    if (!vk) return std::nullopt;
    parsed.vk = *vk;
    return parsed;
}

}  // namespace uidriver
