#include "SettingsText.h"

#include <windows.h>

namespace settings_writer {

std::optional<std::wstring> DecodeSettingsFile(std::string_view bytes) {
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (bytes.starts_with(kBom)) bytes.remove_prefix(kBom.size());
    if (bytes.empty()) return std::wstring();
    const int size = static_cast<int>(bytes.size());
    const int length = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
    if (length <= 0) return std::nullopt;
    std::wstring text(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), size, text.data(), length);
    return text;
}

std::vector<SettingPair> ParseSettingsText(std::wstring_view text) {
    std::vector<SettingPair> pairs;
    while (!text.empty()) {
        const size_t end = text.find_first_of(L"\r\n");
        const std::wstring_view line = text.substr(0, end);
        size_t next = end == std::wstring_view::npos ? text.size() : end + 1;
        if (end != std::wstring_view::npos && text[end] == L'\r' && next < text.size() && text[next] == L'\n')
            ++next;
        text.remove_prefix(next);

        if (line.empty() || line.front() == L'#') continue;
        const size_t equals = line.find(L'=');
        if (equals == std::wstring_view::npos) continue;
        pairs.emplace_back(line.substr(0, equals), line.substr(equals + 1));
    }
    return pairs;
}

namespace {

void AppendString(std::vector<std::uint8_t>& out, const std::wstring& s) {
    for (wchar_t c : s) {
        out.push_back(static_cast<std::uint8_t>(c & 0xFF));
        out.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
    }
    out.push_back(0);
    out.push_back(0);
}

}  // namespace

std::vector<std::uint8_t> EncodeTable(const std::vector<SettingPair>& pairs) {
    std::vector<std::uint8_t> out;
    for (const auto& [key, value] : pairs) {
        AppendString(out, key);
        AppendString(out, value);
    }
    return out;
}

}  // namespace settings_writer
