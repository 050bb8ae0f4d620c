#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ResourceIds.h"
#include "controls/SkinResources.h"

namespace {

using controls::FontFromRecord;
using controls::LoadSkinColour;
using controls::LoadSkinFont;

struct FontCase {
    UINT id;
    int dpi;
    LONG height;
    LONG weight;
};

TEST(SkinResources, FontsOfThisBuildConvertPointsWithTheScreenResolution) {
    const FontCase cases[] = {
        {IDC_HEADING, 96, -11, 700}, {IDC_HEADING, 120, -13, 700}, {1004, 96, -16, 400},
        {IDC_FINISHED_TITLE, 120, -20, 400}, {1053, 96, -16, 400},
    };
    for (const FontCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "font " << c.id << " at " << c.dpi << " dpi");
        LOGFONTW font{};
        ASSERT_TRUE(LoadSkinFont(c.id, c.dpi, font));
        EXPECT_EQ(font.lfHeight, c.height);
        EXPECT_EQ(font.lfWeight, c.weight);
        EXPECT_EQ(font.lfCharSet, 0);
        EXPECT_EQ(font.lfOutPrecision, 3);
        EXPECT_EQ(font.lfClipPrecision, 2);
        EXPECT_EQ(font.lfQuality, 1);
        EXPECT_EQ(font.lfPitchAndFamily, 0x22);
        EXPECT_FALSE(font.lfItalic || font.lfUnderline || font.lfStrikeOut);
        EXPECT_EQ(std::wstring(font.lfFaceName), L"Microsoft Sans Serif");
    }
    LOGFONTW font{};
    EXPECT_FALSE(LoadSkinFont(IDC_NEXT, 96, font));
}

TEST(SkinResources, AShortFontRecordIsRefused) {
    std::vector<unsigned char> record(sizeof(LOGFONTW) - 1, 0);
    LOGFONTW font{};
    EXPECT_FALSE(FontFromRecord(record.data(), static_cast<DWORD>(record.size()), 96, font));
    record.push_back(0);
    EXPECT_TRUE(FontFromRecord(record.data(), static_cast<DWORD>(record.size()), 96, font));
}

TEST(SkinResources, ColoursOfThisBuild) {
    const std::pair<UINT, COLORREF> cases[] = {
        {IDC_HEADING, RGB(0, 0, 0)},     {1053, RGB(99, 103, 106)},  {1054, RGB(106, 115, 122)},
        {1059, RGB(106, 115, 122)},      {1060, RGB(106, 115, 122)}, {1093, RGB(106, 115, 122)},
    };
    for (const auto& [id, expected] : cases) {
        COLORREF colour = CLR_INVALID;
        ASSERT_TRUE(LoadSkinColour(id, colour)) << id;
        EXPECT_EQ(colour, expected) << id;
    }
    COLORREF colour = CLR_INVALID;
    EXPECT_FALSE(LoadSkinColour(1004, colour));
    EXPECT_EQ(colour, CLR_INVALID);
}

TEST(SkinResources, RtfIsFoundOnlyWhereThereIsOne) {
    const char* data = nullptr;
    DWORD size = 0;
    EXPECT_FALSE(controls::FindSkinRtf(IDC_NEXT, data, size));
    EXPECT_EQ(data, nullptr);
}

}  // namespace
