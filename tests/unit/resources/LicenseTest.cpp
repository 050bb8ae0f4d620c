#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "ResourceTables.h"
#include "RichEditText.h"

namespace {

struct LicenseCase {
    const char* name;
    LANGID lang;
    std::wstring title;
};

const LicenseCase kLicenses[] = {
    {"en", restest::kEnglish, L"End-User License Agreement for Vantrell"},
    {"de", MAKELANGID(LANG_GERMAN, SUBLANG_NEUTRAL), L"Endbenutzer-Lizenzvertrag f\x00FCr Vantrell"},
    {"fr", MAKELANGID(LANG_FRENCH, SUBLANG_NEUTRAL), L"Contrat de licence utilisateur final de Vantrell"},
    {"es", MAKELANGID(LANG_SPANISH, SUBLANG_NEUTRAL), L"Contrato de licencia para el usuario final de Vantrell"},
    {"ja", MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN), L"Vantrell \x4F7F\x7528\x8A31\x8AFE\x5951\x7D04\x66F8"},
};

std::string_view LicenseBytes(LANGID lang) {
    return restest::ResourceBytes(MAKEINTRESOURCEW(RT_SKIN_RTF), MAKEINTRESOURCEW(IDC_LICENSE_TEXT), lang);
}

TEST(License, ExistsInExactlyTheFiveLanguages) {
    EXPECT_EQ(restest::AllLanguages(),
              restest::LanguagesOf(MAKEINTRESOURCEW(RT_SKIN_RTF), MAKEINTRESOURCEW(IDC_LICENSE_TEXT)));
}

TEST(License, EveryLanguageStreamsIntoARichEditControl) {
    for (const LicenseCase& c : kLicenses) {
        SCOPED_TRACE(c.name);
        const std::string_view rtf = LicenseBytes(c.lang);
        ASSERT_FALSE(rtf.empty());
        // The page base and the rich-text label recognise RTF by this prefix.
        EXPECT_EQ(0u, rtf.find("{\\rtf1"));
        EXPECT_TRUE(std::all_of(rtf.begin(), rtf.end(), [](char ch) { return static_cast<unsigned char>(ch) < 0x80; }))
            << "non-ASCII byte";

        const std::wstring text = restest::RtfToText(rtf);
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(c.title, restest::FirstLine(text));
        // Addresses are plain text (link fields lose their text under Wine); the control's
        // automatic URL detection turns them into links.
        EXPECT_NE(std::wstring::npos, text.find(L"https://www.vantrell.example/privacy"));
        EXPECT_NE(std::wstring::npos, text.find(L"https://www.tamberly.example/contact_us.php"));
        EXPECT_EQ(std::wstring::npos, text.find(L"HYPERLINK"));
        // The texts ask no questions: a "?" is the fallback of a "\uN" escape left behind.
        EXPECT_EQ(std::wstring::npos, text.find(L'?'));
    }
}

}  // namespace
