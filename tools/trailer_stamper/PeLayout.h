#pragma once
// The few PE header fields the stamper reads and patches, for PE32 and PE32+ alike.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <variant>

namespace trailer_stamper {

struct PeLayout {
    size_t checksumOffset = 0;        // of the optional header's CheckSum
    size_t securityEntryOffset = 0;   // of IMAGE_DIRECTORY_ENTRY_SECURITY {file offset, size}
    std::uint32_t certTableOffset = 0;  // a file offset, not an RVA
    std::uint32_t certTableSize = 0;
};

// Either the layout or what is wrong with the file, in words.
std::variant<PeLayout, std::wstring> ReadPeLayout(std::span<const std::uint8_t> image);

// The optional header's checksum as the loader's own routine computes it.
std::uint32_t ComputePeChecksum(std::span<const std::uint8_t> image, size_t checksumOffset);

std::uint32_t ReadU32(std::span<const std::uint8_t> bytes, size_t offset);
void WriteU32(std::span<std::uint8_t> bytes, size_t offset, std::uint32_t value);

}  // namespace trailer_stamper
