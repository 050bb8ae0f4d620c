#include "common/ToolSupport.h"

#include "fw/UniqueHandle.h"

namespace tools {

std::wstring SystemMessage(DWORD error) {
    if (error == 0) return L"no error code given";
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
        0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    fw::UniqueLocal owner(buffer);
    std::wstring text = length ? std::wstring(buffer, length) : std::wstring();
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
    return L"error " + std::to_wstring(error) + (text.empty() ? L"" : L": " + text);
}

Problem LastError(std::wstring_view what, std::wstring_view path) {
    const DWORD error = ::GetLastError();
    return std::wstring(what) + L" " + std::wstring(path) + L" (" + SystemMessage(error) + L")";
}

void Print(DWORD stream, std::wstring_view text) {
    const HANDLE out = ::GetStdHandle(stream);
    DWORD mode = 0, written = 0;
    if (::GetConsoleMode(out, &mode)) {
        ::WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size, nullptr,
                          nullptr);
    ::WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

Problem ReadWholeFile(const std::wstring& path, std::vector<std::uint8_t>& bytes) {
    fw::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return LastError(L"cannot open", path);
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size)) return LastError(L"cannot get the size of", path);
    if (size.QuadPart >= 0x80000000LL) return L"file too large: " + path;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
        return LastError(L"cannot read", path);
    if (read != bytes.size()) return L"short read from " + path;
    return std::nullopt;
}

}  // namespace tools
