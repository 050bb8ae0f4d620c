// settings_writer: writes the build-settings table (resource type 33, id 1) into a copy
// of the program.
//   settings_writer <exe> <settings.txt>   table from Key=Value lines (UTF-8)
//   settings_writer <exe> --raw <file>     the file's bytes as the table, unchanged
//   settings_writer <exe> --delete         removes the table
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "PeHeaders.h"
#include "common/ToolSupport.h"
#include "ResourceTable.h"
#include "SettingsText.h"
#include "fw/UniqueHandle.h"

namespace {

using namespace settings_writer;
using namespace tools;

Problem WriteU32At(const std::wstring& path, size_t offset, std::uint32_t value) {
    fw::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                      nullptr));
    if (!file) return LastError(L"cannot open", path);
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(offset);
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                   static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    DWORD written = 0;
    if (!::SetFilePointerEx(file.get(), position, nullptr, FILE_BEGIN) ||
        !::WriteFile(file.get(), bytes, sizeof bytes, &written, nullptr) || written != sizeof bytes)
        return LastError(L"cannot write", path);
    return std::nullopt;
}

Problem TableFromText(const std::wstring& path, std::vector<std::uint8_t>& table, size_t& pairCount) {
    std::vector<std::uint8_t> bytes;
    if (auto problem = ReadWholeFile(path, bytes)) return problem;
    const auto text = DecodeSettingsFile(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (!text) return L"not valid UTF-8: " + path;
    const auto pairs = ParseSettingsText(*text);
    pairCount = pairs.size();
    table = EncodeTable(pairs);
    return std::nullopt;
}

// Updates the table, then repairs what the updater left behind and reads the table back,
// so that a file that would not give the program these exact bytes is never reported good.
Problem WriteTable(const std::wstring& exe, const std::vector<std::uint8_t>* table) {
    std::vector<std::uint8_t> image;
    if (auto problem = ReadWholeFile(exe, image)) return problem;
    if (IsSigned(image)) return exe + L" is signed; write the settings before signing";
    const auto symbols = FindSymbolTable(image);

    if (auto problem = UpdateTable(exe, table)) return problem;

    if (symbols) {
        if (auto problem = ReadWholeFile(exe, image)) return problem;
        if (auto moved = MovedSymbolTable(image, *symbols)) {
            if (auto problem = WriteU32At(exe, symbols->pointerOffset, *moved)) return problem;
        }
    }

    StoredTable stored;
    if (auto problem = ReadStoredTable(exe, stored)) return problem;
    if (table && stored.bytes != *table) return L"the settings table read back from " + exe + L" differs from what was written";
    if (!table && stored.bytes) return L"the settings table is still in " + exe + L" after deleting it";
    if (stored.languages.size() > (table ? 1u : 0u))
        return exe + L" holds a settings table in another language too; the program might read that one";
    return std::nullopt;
}

constexpr std::wstring_view kUsage =
    L"usage: settings_writer <exe> <settings.txt>\n"
    L"       settings_writer <exe> --raw <table.bin>\n"
    L"       settings_writer <exe> --delete\n";

int Fail(const std::wstring& message) {
    Print(STD_ERROR_HANDLE, L"settings_writer: " + message + L"\n");
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::vector<std::wstring> args(argv + 1, argv + argc);
    const bool remove = args.size() == 2 && args[1] == L"--delete";
    const bool raw = args.size() == 3 && args[1] == L"--raw";
    const bool text = args.size() == 2 && !args[1].starts_with(L"--");
    if (!remove && !raw && !text) {
        Print(STD_ERROR_HANDLE, std::wstring(kUsage));
        return 2;
    }
    const std::wstring& exe = args[0];

    if (remove) {
        if (auto problem = WriteTable(exe, nullptr)) return Fail(*problem);
        Print(STD_OUTPUT_HANDLE, L"deleted the settings table of " + exe + L"\n");
        return 0;
    }

    std::vector<std::uint8_t> table;
    size_t pairCount = 0;
    if (auto problem = raw ? ReadWholeFile(args[2], table) : TableFromText(args[1], table, pairCount))
        return Fail(*problem);
    if (auto problem = WriteTable(exe, &table)) return Fail(*problem);
    std::wstring summary = L"wrote " + std::to_wstring(table.size()) + L" bytes";
    if (!raw) summary += L" (" + std::to_wstring(pairCount) + L" settings)";
    Print(STD_OUTPUT_HANDLE, summary + L" into " + exe + L"\n");
    return 0;
}
