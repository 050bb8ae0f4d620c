#pragma once
// Appends the installer-data trailer to a program image held in memory.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace trailer_stamper {

using Magic = std::array<std::uint8_t, 4>;
inline constexpr Magic kTrailerMagic = {'T', 'B', 'P', 'L'};

struct TrailerOptions {
    std::optional<std::uint32_t> length;  // a deliberately wrong length field
    Magic magic = kTrailerMagic;
    bool raw = false;                     // the text only, without length and magic
};

// text, then its length as 32-bit little-endian, then the magic.
std::vector<std::uint8_t> BuildTrailer(std::span<const std::uint8_t> text, const TrailerOptions& options);

struct StampReport {
    bool insideCertificateTable = false;
    size_t padding = 0;
};

// Unsigned image: the trailer is appended and nothing else changes. Signed image: the trailer
// goes into the certificate table, after zero padding that keeps the table size a multiple of
// 8; the table's size fields are enlarged to the new end of the file, so the signature stays
// valid, and the checksum is updated. A refusal leaves the image unchanged and says why.
std::variant<StampReport, std::wstring> StampTrailer(std::vector<std::uint8_t>& image,
                                                     std::span<const std::uint8_t> trailer);

}  // namespace trailer_stamper
