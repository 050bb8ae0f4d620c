// Dialog templates read back into their controls, in both resource formats.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "ResourceIds.h"
#include "wizard/DialogTemplate.h"

namespace {

// A classic template (no DS_SETFONT) with one static whose title is the ordinal 501.
std::vector<BYTE> ClassicTemplate() {
    std::vector<WORD> words;
    auto dword = [&](DWORD v) { words.push_back(LOWORD(v)); words.push_back(HIWORD(v)); };
    dword(WS_CHILD);      // style
    dword(0);             // extended style
    words.push_back(1);   // one control
    for (int i = 0; i < 4; ++i) words.push_back(0);
    words.insert(words.end(), {0, 0, 0});  // no menu, no class, no caption
    if (words.size() % 2) words.push_back(0);
    dword(SS_BITMAP | WS_CHILD);
    dword(0);
    words.insert(words.end(), {1, 2, 30, 40});
    words.push_back(1039);
    words.insert(words.end(), {0xFFFF, 0x0082});  // the Static class by ordinal
    words.insert(words.end(), {0xFFFF, 501});
    words.push_back(0);  // no creation data
    std::vector<BYTE> bytes(words.size() * 2);
    memcpy(bytes.data(), words.data(), bytes.size());
    return bytes;
}

TEST(DialogTemplate, ReadsClassicTemplates) {
    std::vector<BYTE> bytes = ClassicTemplate();
    wizard::CDialogTemplate parsed;
    ASSERT_TRUE(parsed.Parse(bytes.data(), bytes.size()));
    EXPECT_FALSE(parsed.Extended());
    const wizard::TemplateItem* picture = parsed.Find(1039);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->title.ordinal, 501);
    EXPECT_EQ(picture->className.ordinal, 0x82);
    EXPECT_EQ(picture->cx, 30);
    // Cut anywhere, the template is refused rather than read past its end.
    for (size_t size = 0; size < bytes.size(); size += 3) EXPECT_FALSE(parsed.Parse(bytes.data(), size)) << size;
}

TEST(DialogTemplate, ReadsThePagesExtendedTemplates) {
    wizard::CDialogTemplate welcome;
    ASSERT_TRUE(welcome.Load(::GetModuleHandleW(nullptr), IDD_WELCOME));
    EXPECT_TRUE(welcome.Extended());
    const wizard::TemplateItem* header = welcome.Find(IDC_HEADER_PICTURE);
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->title.ordinal, IDB_HEADER);
    EXPECT_EQ(header->className.text, L"STATIC");  // windres upper-cases class names
    const wizard::TemplateItem* agree = welcome.Find(IDC_AGREE);
    ASSERT_NE(agree, nullptr);
    EXPECT_EQ(agree->title.text, L"I &Agree");
    EXPECT_FALSE(welcome.Load(::GetModuleHandleW(nullptr), 4242));
}

}  // namespace
