#include "PeLayout.h"

namespace trailer_stamper {

namespace {

constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr size_t kFileHeaderSize = 20;
constexpr size_t kSecurityDirectory = 4;

std::uint16_t ReadU16(std::span<const std::uint8_t> bytes, size_t offset) {
    return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

bool Fits(std::span<const std::uint8_t> bytes, size_t offset, size_t size) {
    return offset <= bytes.size() && size <= bytes.size() - offset;
}

}  // namespace

std::uint32_t ReadU32(std::span<const std::uint8_t> bytes, size_t offset) {
    return static_cast<std::uint32_t>(bytes[offset]) | static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[offset + 2]) << 16 | static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

void WriteU32(std::span<std::uint8_t> bytes, size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::variant<PeLayout, std::wstring> ReadPeLayout(std::span<const std::uint8_t> image) {
    if (!Fits(image, 0, 0x40) || image[0] != 'M' || image[1] != 'Z') return L"not an executable (no MZ header)";
    const size_t pe = ReadU32(image, 0x3C);
    if (!Fits(image, pe, 4 + kFileHeaderSize + 2) || ReadU32(image, pe) != 0x00004550)
        return L"not a PE file (no PE signature)";

    const size_t optional = pe + 4 + kFileHeaderSize;
    const size_t optionalSize = ReadU16(image, pe + 4 + 16);
    const std::uint16_t magic = ReadU16(image, optional);
    // The data directories follow the fixed fields, whose size differs by format.
    size_t directories = 0;
    if (magic == kPe32Magic) directories = optional + 96;
    else if (magic == kPe32PlusMagic) directories = optional + 112;
    else return L"unknown optional header format";

    const size_t securityEntry = directories + 8 * kSecurityDirectory;
    if (!Fits(image, directories - 4, 4) || ReadU32(image, directories - 4) <= kSecurityDirectory ||
        securityEntry + 8 > optional + optionalSize || !Fits(image, securityEntry, 8))
        return L"the PE header has no security directory entry";

    PeLayout layout;
    layout.checksumOffset = optional + 64;
    layout.securityEntryOffset = securityEntry;
    layout.certTableOffset = ReadU32(image, securityEntry);
    layout.certTableSize = ReadU32(image, securityEntry + 4);
    return layout;
}

std::uint32_t ComputePeChecksum(std::span<const std::uint8_t> image, size_t checksumOffset) {
    std::uint64_t sum = 0;
    for (size_t i = 0; i < image.size(); i += 2) {
        if (i == checksumOffset || i == checksumOffset + 2) continue;
        const std::uint32_t word = image[i] | (i + 1 < image.size() ? image[i + 1] << 8 : 0);
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum + image.size());
}

}  // namespace trailer_stamper
