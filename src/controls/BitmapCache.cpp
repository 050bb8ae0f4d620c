#include "controls/BitmapCache.h"

#include <bzlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "ResourceIds.h"
#include "controls/SkinResources.h"

namespace controls {
namespace {

constexpr size_t kFileHeaderSize = 14;

uint32_t Read32(const unsigned char* p) {
    uint32_t value;
    std::memcpy(&value, p, sizeof(value));
    return value;
}

// Bytes of colour table (or bit-field masks) CreateDIBSection reads after the header.
uint64_t ColourTableSize(const BITMAPINFOHEADER& header) {
    if (header.biBitCount <= 8) {
        uint64_t colours = header.biClrUsed ? header.biClrUsed : (1u << header.biBitCount);
        return colours * sizeof(RGBQUAD);
    }
    if (header.biCompression == BI_BITFIELDS && header.biSize == sizeof(BITMAPINFOHEADER))
        return 3 * sizeof(DWORD);
    return 0;
}

}  // namespace

fw::UniqueGdiObject BitmapFromBmpFile(const unsigned char* data, size_t size) {
    if (!data || size < kFileHeaderSize + sizeof(BITMAPINFOHEADER)) return {};
    if (data[0] != 'B' || data[1] != 'M') return {};
    if (Read32(data + 2) > size) return {};
    const uint64_t pixelOffset = Read32(data + 10);
    const uint64_t headerEnd = kFileHeaderSize + uint64_t{Read32(data + kFileHeaderSize)};
    // Shorter (core) headers have another layout; the header and its colour table must lie
    // inside the file, before the pixels.
    if (headerEnd < kFileHeaderSize + sizeof(BITMAPINFOHEADER) || headerEnd > size) return {};
    if (pixelOffset >= size || pixelOffset < headerEnd) return {};
    BITMAPINFOHEADER header;
    std::memcpy(&header, data + kFileHeaderSize, sizeof(header));
    if (headerEnd + ColourTableSize(header) > pixelOffset) return {};

    void* bits = nullptr;
    auto* info = reinterpret_cast<const BITMAPINFO*>(data + kFileHeaderSize);
    fw::UniqueGdiObject bitmap(::CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) return {};
    DIBSECTION section{};
    if (::GetObjectW(bitmap.get(), sizeof(section), &section) != sizeof(section)) return {};
    const uint64_t capacity = uint64_t(section.dsBm.bmWidthBytes) * uint64_t(section.dsBm.bmHeight);
    std::memcpy(bits, data + pixelOffset, size_t(std::min<uint64_t>(size - pixelOffset, capacity)));
    return bitmap;
}

CBitmapCache::CBitmapCache(HMODULE module) : module_(module ? module : ::GetModuleHandleW(nullptr)) {}

CBitmapCache::~CBitmapCache() = default;

bool CBitmapCache::Decompress(const void* source, DWORD sourceSize, Entry& entry) {
    ++decompressions_;
    lastAttempts_.clear();
    auto* input = const_cast<char*>(static_cast<const char*>(source));
    for (size_t capacity = kBufferStep; capacity <= kMaxDecompressed; capacity += kBufferStep) {
        lastAttempts_.push_back(capacity);
        std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[capacity]);
        if (!buffer) return false;
        auto length = static_cast<unsigned int>(capacity);
        int result = BZ2_bzBuffToBuffDecompress(reinterpret_cast<char*>(buffer.get()), &length, input,
                                                sourceSize, 0, 0);
        if (result == BZ_OUTBUFF_FULL) continue;  // the buffer goes; try one step larger
        if (result != BZ_OK) return false;
        entry.data = std::move(buffer);
        entry.size = length;
        return true;
    }
    return false;
}

HBITMAP CBitmapCache::BitmapForId(UINT id) {
    const void* source = nullptr;
    DWORD sourceSize = 0;
    if (!FindResourceBytes(module_, RT_SKIN_BITMAP, id, source, sourceSize)) return nullptr;

    auto found = entries_.find(source);
    if (found != entries_.end() && found->second.bitmap)
        return static_cast<HBITMAP>(found->second.bitmap.get());
    if (found == entries_.end()) {
        Entry entry;
        if (!Decompress(source, sourceSize, entry)) return nullptr;  // not kept: a later request tries again
        found = entries_.emplace(source, std::move(entry)).first;
    }
    Entry& entry = found->second;
    entry.bitmap = BitmapFromBmpFile(entry.data.get(), entry.size);
    return static_cast<HBITMAP>(entry.bitmap.get());
}

}  // namespace controls
