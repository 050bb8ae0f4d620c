#pragma once
// Failures as words for the operator, reported once at the top.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "fw/UniqueHandle.h"

namespace settings_writer {

// None means success.
using Problem = std::optional<std::wstring>;

inline std::wstring SystemMessage(DWORD error) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
        0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    fw::UniqueLocal owner(buffer);
    std::wstring text = length ? std::wstring(buffer, length) : std::wstring();
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
    if (error == 0) return L"no error code given";
    return L"error " + std::to_wstring(error) + (text.empty() ? L"" : L": " + text);
}

inline Problem LastError(std::wstring_view what, std::wstring_view path) {
    const DWORD error = ::GetLastError();
    return std::wstring(what) + L" " + std::wstring(path) + L" (" + SystemMessage(error) + L")";
}

}  // namespace settings_writer
