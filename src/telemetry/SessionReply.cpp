#include "telemetry/SessionReply.h"

#include <windows.h>

#include <vector>

namespace telemetry {

namespace {
constexpr size_t kReplyLimit = 23;
}

std::optional<SessionReply> ParseSessionReply(std::string_view bytes) {
    bytes = bytes.substr(0, kReplyLimit);
    if (bytes.empty()) return std::nullopt;
    wchar_t text[kReplyLimit];
    int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), text,
                                  static_cast<int>(kReplyLimit));
    if (n <= 0) return std::nullopt;
    const std::wstring_view reply(text, static_cast<size_t>(n));
    // A line ending of "\r\n" would leave the CR in the id that every action carries.
    if (reply.find(L'\r') != std::wstring_view::npos) return std::nullopt;

    // Every piece before a newline counts, even an empty one; a final newline adds none.
    std::vector<std::wstring_view> pieces;
    size_t start = 0;
    for (size_t end; (end = reply.find(L'\n', start)) != std::wstring_view::npos; start = end + 1)
        pieces.push_back(reply.substr(start, end - start));
    if (start < reply.size()) pieces.push_back(reply.substr(start));
    if (pieces.size() != 4) return std::nullopt;

    SessionReply parsed;
    parsed.sessionId = std::wstring(pieces[0]);
    parsed.installerWithdrawn = pieces[1] == L"0";
    parsed.backupAllowed = pieces[3] == L"1";
    return parsed;
}

}  // namespace telemetry
