#pragma once
// The application's bitmaps: bzip2-compressed BMP resources (type 34), decompressed and
// turned into DIB sections once per run. The cache owns every buffer and bitmap; callers borrow.
#include <windows.h>

#include <cstddef>
#include <map>
#include <memory>
#include <vector>

#include "fw/UniqueHandle.h"

namespace controls {

class CBitmapCache {
public:
    // Output buffers grow by this step until the bitmap fits.
    static constexpr size_t kBufferStep = 1024 * 1024;
    // A resource that inflates beyond this is refused rather than exhausting memory.
    static constexpr size_t kMaxDecompressed = 64 * kBufferStep;

    explicit CBitmapCache(HMODULE module = nullptr);
    ~CBitmapCache();
    CBitmapCache(const CBitmapCache&) = delete;
    CBitmapCache& operator=(const CBitmapCache&) = delete;

    // Borrowed handle; nullptr when the resource is missing or not a usable BMP.
    HBITMAP BitmapForId(UINT id);

    // What tests observe: how often a resource was decompressed, and the buffer sizes the
    // last decompression tried.
    int Decompressions() const { return decompressions_; }
    const std::vector<size_t>& LastAttempts() const { return lastAttempts_; }

private:
    struct Entry {
        std::unique_ptr<unsigned char[]> data;
        size_t size = 0;
        fw::UniqueGdiObject bitmap;
    };

    bool Decompress(const void* source, DWORD sourceSize, Entry& entry);

    HMODULE module_;
    std::map<const void*, Entry> entries_;  // keyed by the resource's loaded data
    int decompressions_ = 0;
    std::vector<size_t> lastAttempts_;
};

// The bitmap described by a BMP file in memory, or nullptr when the file is not usable.
fw::UniqueGdiObject BitmapFromBmpFile(const unsigned char* data, size_t size);

}  // namespace controls
