#include "Stamp.h"

#include "PeLayout.h"

namespace trailer_stamper {

namespace {

constexpr size_t kCertificateHeaderSize = 8;  // WIN_CERTIFICATE: dwLength, wRevision, wCertificateType

size_t AlignUp8(size_t value) { return (value + 7) & ~size_t{7}; }

// The offset of the last WIN_CERTIFICATE in the table, or a reason it cannot be trusted.
std::variant<size_t, std::wstring> FindLastCertificate(std::span<const std::uint8_t> image, size_t begin,
                                                       size_t end) {
    size_t last = begin;
    size_t pos = begin;
    while (pos < end) {
        if (end - pos < kCertificateHeaderSize) return L"the certificate table ends inside an entry header";
        const std::uint32_t length = ReadU32(image, pos);
        if (length < kCertificateHeaderSize || length > end - pos)
            return L"a certificate entry's length does not fit the certificate table";
        last = pos;
        pos = AlignUp8(pos + length);
    }
    return last;
}

std::variant<StampReport, std::wstring> StampSigned(std::vector<std::uint8_t>& image, const PeLayout& layout,
                                                    std::span<const std::uint8_t> trailer) {
    const std::uint64_t begin = layout.certTableOffset;
    if (begin + layout.certTableSize != image.size())
        return L"the file is signed, but its certificate table does not end at the end of the file, so the "
               L"trailer cannot go inside it";
    auto last = FindLastCertificate(image, static_cast<size_t>(begin), image.size());
    if (auto* problem = std::get_if<std::wstring>(&last)) return *problem;
    const size_t lastEntry = std::get<size_t>(last);

    const size_t padding = AlignUp8(layout.certTableSize + trailer.size()) - layout.certTableSize - trailer.size();
    const size_t newEnd = image.size() + padding + trailer.size();

    image.insert(image.end(), padding, 0);
    image.insert(image.end(), trailer.begin(), trailer.end());
    WriteU32(image, layout.securityEntryOffset + 4, static_cast<std::uint32_t>(newEnd - begin));
    WriteU32(image, lastEntry, static_cast<std::uint32_t>(newEnd - lastEntry));
    return StampReport{true, padding};
}

}  // namespace

std::vector<std::uint8_t> BuildTrailer(std::span<const std::uint8_t> text, const TrailerOptions& options) {
    std::vector<std::uint8_t> trailer(text.begin(), text.end());
    if (options.raw) return trailer;
    const std::uint32_t length = options.length.value_or(static_cast<std::uint32_t>(text.size()));
    trailer.resize(trailer.size() + 4);
    WriteU32(trailer, text.size(), length);
    trailer.insert(trailer.end(), options.magic.begin(), options.magic.end());
    return trailer;
}

std::variant<StampReport, std::wstring> StampTrailer(std::vector<std::uint8_t>& image,
                                                     std::span<const std::uint8_t> trailer) {
    auto read = ReadPeLayout(image);
    if (auto* problem = std::get_if<std::wstring>(&read)) return *problem;
    const PeLayout layout = std::get<PeLayout>(read);
    // Offsets and sizes in the headers are 32-bit; 8 leaves room for the padding.
    if (std::uint64_t{image.size()} + trailer.size() + 8 > UINT32_MAX) return L"the stamped file would exceed 4 GiB";

    if (layout.certTableSize == 0) {
        image.insert(image.end(), trailer.begin(), trailer.end());
        return StampReport{};
    }
    auto stamped = StampSigned(image, layout, trailer);
    // The signer set the checksum; verifiers warn when it no longer matches the bytes.
    if (std::holds_alternative<StampReport>(stamped))
        WriteU32(image, layout.checksumOffset, ComputePeChecksum(image, layout.checksumOffset));
    return stamped;
}

}  // namespace trailer_stamper
