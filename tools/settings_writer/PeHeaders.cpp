#include "PeHeaders.h"

namespace settings_writer {

namespace {

constexpr size_t kSymbolSize = 18;

std::uint32_t ReadU32(std::span<const std::uint8_t> bytes, size_t offset) {
    return static_cast<std::uint32_t>(bytes[offset]) | static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[offset + 2]) << 16 | static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

// The symbols are followed by the string table, whose first four bytes give its size; the
// linker puts both at the very end of the file.
bool SymbolTableAt(std::span<const std::uint8_t> image, std::uint64_t offset, std::uint32_t count) {
    const std::uint64_t strings = offset + std::uint64_t{count} * kSymbolSize;
    if (offset == 0 || strings + 4 > image.size()) return false;
    const std::uint32_t stringsSize = ReadU32(image, static_cast<size_t>(strings));
    return stringsSize >= 4 && strings + stringsSize == image.size();
}

// The offset of the PE signature, or none when the file is no PE file.
std::optional<size_t> FindPeHeader(std::span<const std::uint8_t> image) {
    if (image.size() < 0x40 || image[0] != 'M' || image[1] != 'Z') return std::nullopt;
    const size_t pe = ReadU32(image, 0x3C);
    if (pe > image.size() || image.size() - pe < 24 || ReadU32(image, pe) != 0x00004550) return std::nullopt;
    return pe;
}

}  // namespace

std::optional<SymbolTablePlace> FindSymbolTable(std::span<const std::uint8_t> image) {
    const auto pe = FindPeHeader(image);
    if (!pe) return std::nullopt;
    SymbolTablePlace place;
    place.pointerOffset = *pe + 4 + 8;
    place.offset = ReadU32(image, place.pointerOffset);
    place.count = ReadU32(image, place.pointerOffset + 4);
    place.fileSize = image.size();
    if (!SymbolTableAt(image, place.offset, place.count)) return std::nullopt;
    return place;
}

std::optional<std::uint32_t> MovedSymbolTable(std::span<const std::uint8_t> updated, const SymbolTablePlace& before) {
    if (updated.size() < before.pointerOffset + 4) return std::nullopt;
    const std::uint32_t pointer = ReadU32(updated, before.pointerOffset);
    if (SymbolTableAt(updated, pointer, before.count)) return std::nullopt;
    // The tail of the file moved as one block by the change in file size.
    const std::int64_t moved = std::int64_t{before.offset} + std::int64_t(updated.size()) - std::int64_t(before.fileSize);
    if (moved <= 0 || moved > UINT32_MAX || !SymbolTableAt(updated, static_cast<std::uint64_t>(moved), before.count))
        return std::nullopt;
    return static_cast<std::uint32_t>(moved);
}

bool IsSigned(std::span<const std::uint8_t> image) {
    const auto pe = FindPeHeader(image);
    if (!pe) return false;
    const size_t optional = *pe + 24;
    const size_t optionalSize = image[*pe + 20] | image[*pe + 21] << 8;
    if (optionalSize < 2 || optional + optionalSize > image.size()) return false;
    const unsigned magic = image[optional] | image[optional + 1] << 8;
    // The data directories follow the fixed fields, whose size differs for PE32 and PE32+.
    const size_t securityEntry = optional + (magic == 0x20B ? 112 : 96) + 4 * 8;
    return securityEntry + 8 <= optional + optionalSize && ReadU32(image, securityEntry + 4) != 0;
}

}  // namespace settings_writer
