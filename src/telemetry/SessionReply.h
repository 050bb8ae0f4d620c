#pragma once
// The installer web server's answer to a session-init: four lines, of which only the
// first 23 bytes count (id, validity, unused, backup allowed).
#include <optional>
#include <string>
#include <string_view>

namespace telemetry {

struct SessionReply {
    std::wstring sessionId;
    bool installerWithdrawn = false;  // second line "0"
    bool backupAllowed = false;       // fourth line "1"
};

// Nothing for a reply that is empty, not UTF-8 (a character cut at the limit
// included), holds a carriage return, or is not exactly four pieces.
std::optional<SessionReply> ParseSessionReply(std::string_view bytes);

}  // namespace telemetry
