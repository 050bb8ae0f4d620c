#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ControlsTestIds.h"
#include "ResourceIds.h"
#include "controls/BitmapCache.h"

namespace {

using controls::BitmapFromBmpFile;
using controls::CBitmapCache;

constexpr size_t MiB = 1024 * 1024;

DIBSECTION SectionOf(HBITMAP bitmap) {
    DIBSECTION section{};
    EXPECT_EQ(::GetObjectW(bitmap, sizeof(section), &section), static_cast<int>(sizeof(section)));
    return section;
}

// Alpha of a pixel counted from the top-left corner of a bottom-up 32-bit section.
unsigned char AlphaAt(const DIBSECTION& s, int x, int y) {
    auto* row = static_cast<const unsigned char*>(s.dsBm.bmBits) + (s.dsBm.bmHeight - 1 - y) * s.dsBm.bmWidthBytes;
    return row[x * 4 + 3];
}

TEST(BitmapCache, SkinBitmapsHaveTheirSizeAndDepth) {
    struct Case { UINT id; LONG width; LONG height; WORD bits; };
    const Case cases[] = {
        {IDB_HEADER, 492, 63, 24},      {IDB_SIDE, 164, 312, 24},     {IDB_BACKUP_LOGO, 160, 26, 32},
        {IDB_TWP_LOGO, 98, 19, 32},     {IDB_VANTRELL_LOGO, 219, 35, 32},
    };
    CBitmapCache cache;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        HBITMAP bitmap = cache.BitmapForId(c.id);
        ASSERT_NE(bitmap, nullptr);
        const DIBSECTION s = SectionOf(bitmap);
        EXPECT_EQ(s.dsBm.bmWidth, c.width);
        EXPECT_EQ(s.dsBm.bmHeight, c.height);
        EXPECT_EQ(s.dsBmih.biBitCount, c.bits);
        if (c.bits != 32) continue;
        // A transparent corner, an opaque mark at the left.
        EXPECT_EQ(AlphaAt(s, 0, 0), 0);
        EXPECT_EQ(AlphaAt(s, c.width - 1, c.height - 1), 0);
        EXPECT_EQ(AlphaAt(s, c.height / 2, c.height / 2), 255);
    }
}

TEST(BitmapCache, ABitmapIsMadeOnceAndTheSameHandleReturned) {
    CBitmapCache cache;
    HBITMAP first = cache.BitmapForId(IDB_HEADER);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(cache.BitmapForId(IDB_HEADER), first);
    EXPECT_EQ(cache.Decompressions(), 1);
    EXPECT_EQ(cache.LastAttempts(), std::vector<size_t>{MiB});
}

TEST(BitmapCache, UnusableResourcesGiveNoneAndAreTriedAgain) {
    CBitmapCache cache;
    EXPECT_EQ(cache.BitmapForId(4242), nullptr);  // no such resource
    EXPECT_EQ(cache.Decompressions(), 0);
    EXPECT_EQ(cache.BitmapForId(IDB_TEST_NOT_BZIP2), nullptr);
    EXPECT_EQ(cache.BitmapForId(IDB_TEST_NOT_BZIP2), nullptr);
    EXPECT_EQ(cache.Decompressions(), 2);
    // Decompressed once; the BMP check refuses it every time.
    EXPECT_EQ(cache.BitmapForId(IDB_TEST_OVERSIZED), nullptr);
    EXPECT_EQ(cache.BitmapForId(IDB_TEST_OVERSIZED), nullptr);
    EXPECT_EQ(cache.Decompressions(), 3);
}

TEST(BitmapCache, ALargeBitmapGetsABufferOneMiBLargerPerAttempt) {
    CBitmapCache cache;
    HBITMAP bitmap = cache.BitmapForId(IDB_TEST_LARGE);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(cache.LastAttempts(), (std::vector<size_t>{MiB, 2 * MiB, 3 * MiB}));
    const DIBSECTION s = SectionOf(bitmap);
    EXPECT_EQ(s.dsBm.bmWidth, 1024);
    EXPECT_EQ(s.dsBm.bmHeight, 1000);
    // The pixels are the byte values 0..255 over and over.
    auto* bits = static_cast<const unsigned char*>(s.dsBm.bmBits);
    EXPECT_EQ(bits[0], 0);
    EXPECT_EQ(bits[255], 255);
    EXPECT_EQ(bits[3 * 1024 * 1000 - 1], 255);
}

// A BMP file in memory, with fields to spoil.
struct BmpFile {
    std::vector<unsigned char> bytes;

    BmpFile(int width, int height, WORD bits, DWORD colours = 0) {
        const DWORD stride = ((width * bits + 31) / 32) * 4;
        const DWORD pixelOffset = 54 + colours * 4;
        bytes.resize(pixelOffset + stride * height, 0x7F);
        bytes[0] = 'B';
        bytes[1] = 'M';
        Put32(2, static_cast<DWORD>(bytes.size()));
        Put32(10, pixelOffset);
        BITMAPINFOHEADER header{sizeof(header), width, height, 1, bits, BI_RGB, 0, 0, 0, colours, 0};
        std::memcpy(&bytes[14], &header, sizeof(header));
    }
    void Put32(size_t at, DWORD value) { std::memcpy(&bytes[at], &value, 4); }
    bool Usable() const { return static_cast<bool>(BitmapFromBmpFile(bytes.data(), bytes.size())); }
};

TEST(BitmapCache, TheBmpCheckRefusesFilesThatLieAboutTheirLayout) {
    EXPECT_TRUE(BmpFile(4, 4, 24).Usable());
    EXPECT_TRUE(BmpFile(4, 4, 8, 256).Usable());

    struct Case { const char* what; void (*spoil)(BmpFile&); };
    const Case cases[] = {
        {"no BM", [](BmpFile& f) { f.bytes[1] = 'X'; }},
        {"file size beyond the data", [](BmpFile& f) { f.Put32(2, static_cast<DWORD>(f.bytes.size() + 1)); }},
        {"pixels inside the header", [](BmpFile& f) { f.Put32(10, 50); }},
        {"pixels beyond the data", [](BmpFile& f) { f.Put32(10, static_cast<DWORD>(f.bytes.size())); }},
        {"header larger than the file", [](BmpFile& f) { f.Put32(14, 0x7FFFFFF0); }},
        {"core-sized header", [](BmpFile& f) { f.Put32(14, 12); }},
        {"colour table over the pixels", [](BmpFile& f) { f.Put32(10, 54 + 255 * 4); }},
    };
    for (const Case& c : cases) {
        BmpFile file(4, 4, 8, 256);
        c.spoil(file);
        EXPECT_FALSE(file.Usable()) << c.what;
    }
    EXPECT_FALSE(BitmapFromBmpFile(nullptr, 0));
    BmpFile truncated(4, 4, 24);
    truncated.bytes.resize(40);
    EXPECT_FALSE(BitmapFromBmpFile(truncated.bytes.data(), truncated.bytes.size()));
}

TEST(BitmapCache, PixelsShorterThanTheBitmapAreCopiedAsFarAsTheyGo) {
    BmpFile file(4, 4, 24);
    file.bytes.resize(54 + 10);
    file.Put32(2, static_cast<DWORD>(file.bytes.size()));
    fw::UniqueGdiObject bitmap = BitmapFromBmpFile(file.bytes.data(), file.bytes.size());
    ASSERT_TRUE(bitmap);
    const DIBSECTION s = SectionOf(static_cast<HBITMAP>(bitmap.get()));
    auto* bits = static_cast<const unsigned char*>(s.dsBm.bmBits);
    EXPECT_EQ(bits[9], 0x7F);
    EXPECT_EQ(bits[10], 0);
}

}  // namespace
