// trailer_stamper: appends the per-download installer data to a copy of the program.
//   trailer_stamper [--length N] [--magic XXXX] [--raw] <exe> <data-file>
// The data file's bytes go in unchanged. --length and --magic write wrong fields and --raw
// leaves both out, to make broken copies for tests.
#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <cwchar>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "Stamp.h"
#include "common/ToolSupport.h"
#include "fw/UniqueHandle.h"

namespace {

using namespace trailer_stamper;
using namespace tools;

// Written beside the target and moved over it, so a failure never leaves half a program.
Problem ReplaceFile(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    const std::wstring temp = path + L".stamping";
    {
        fw::UniqueFile file(::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return LastError(L"cannot create", temp);
        DWORD written = 0;
        if (!::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
            written != bytes.size()) {
            auto problem = LastError(L"cannot write", temp);
            file.reset();
            ::DeleteFileW(temp.c_str());
            return problem;
        }
    }
    if (!::MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        auto problem = LastError(L"cannot replace", path);
        ::DeleteFileW(temp.c_str());
        return problem;
    }
    return std::nullopt;
}

struct Arguments {
    std::wstring exe;
    std::wstring data;
    TrailerOptions options;
};

std::optional<std::uint32_t> ParseLength(const std::wstring& text) {
    if (text.empty() || text[0] == L'-') return std::nullopt;
    wchar_t* end = nullptr;
    errno = 0;
    const unsigned long long value = std::wcstoull(text.c_str(), &end, 0);
    if (errno != 0 || *end != L'\0' || value > UINT32_MAX) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

std::optional<Magic> ParseMagic(const std::wstring& text) {
    if (text.size() != 4) return std::nullopt;
    Magic magic{};
    for (size_t i = 0; i < 4; ++i) {
        if (text[i] < 0x20 || text[i] > 0x7E) return std::nullopt;
        magic[i] = static_cast<std::uint8_t>(text[i]);
    }
    return magic;
}

// Options may stand anywhere; the two paths keep their order.
std::variant<Arguments, std::wstring> ParseArguments(const std::vector<std::wstring>& args) {
    Arguments parsed;
    std::vector<std::wstring> paths;
    bool fieldOptions = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        if (arg == L"--raw") {
            parsed.options.raw = true;
        } else if (arg == L"--length" || arg == L"--magic") {
            if (i + 1 == args.size()) return arg + L" needs a value";
            const std::wstring& value = args[++i];
            fieldOptions = true;
            if (arg == L"--length") {
                parsed.options.length = ParseLength(value);
                if (!parsed.options.length) return L"--length needs an unsigned 32-bit number, not " + value;
            } else {
                auto magic = ParseMagic(value);
                if (!magic) return L"--magic needs exactly 4 printable ASCII characters, not " + value;
                parsed.options.magic = *magic;
            }
        } else if (arg.starts_with(L"--")) {
            return L"unknown option " + arg;
        } else {
            paths.push_back(arg);
        }
    }
    if (paths.size() != 2) return L"expected <exe> and <data-file>";
    if (parsed.options.raw && fieldOptions) return L"--raw writes no length or magic; --length and --magic do not apply";
    parsed.exe = paths[0];
    parsed.data = paths[1];
    return parsed;
}

constexpr std::wstring_view kUsage = L"usage: trailer_stamper [--length N] [--magic XXXX] [--raw] <exe> <data-file>\n";

int Fail(const std::wstring& message) {
    Print(STD_ERROR_HANDLE, L"trailer_stamper: " + message + L"\n");
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    auto parsed = ParseArguments(std::vector<std::wstring>(argv + 1, argv + argc));
    if (auto* problem = std::get_if<std::wstring>(&parsed)) {
        Print(STD_ERROR_HANDLE, L"trailer_stamper: " + *problem + L"\n" + std::wstring(kUsage));
        return 2;
    }
    const Arguments& args = std::get<Arguments>(parsed);

    std::vector<std::uint8_t> image, text;
    if (auto problem = ReadWholeFile(args.exe, image)) return Fail(*problem);
    if (auto problem = ReadWholeFile(args.data, text)) return Fail(*problem);

    const std::vector<std::uint8_t> trailer = BuildTrailer(text, args.options);
    auto stamped = StampTrailer(image, trailer);
    if (auto* problem = std::get_if<std::wstring>(&stamped)) return Fail(args.exe + L": " + *problem);
    if (auto problem = ReplaceFile(args.exe, image)) return Fail(*problem);

    const StampReport& report = std::get<StampReport>(stamped);
    std::wstring summary = L"stamped " + std::to_wstring(trailer.size()) + L" bytes onto " + args.exe;
    if (report.insideCertificateTable)
        summary += L" inside the certificate table, after " + std::to_wstring(report.padding) + L" bytes of padding";
    Print(STD_OUTPUT_HANDLE, summary + L"\n");
    return 0;
}
