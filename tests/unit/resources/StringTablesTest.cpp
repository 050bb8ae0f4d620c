#include <gtest/gtest.h>

#include <cwctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ResourceTables.h"
#include "controls/Markup.h"

namespace {

using restest::kEnglish;
using restest::kTranslations;
using restest::StringTable;

// "%1".."%9" inserts and printf conversions such as "%0.1f": a translation may reorder or
// repeat them, but must take the same arguments.
std::set<std::wstring> Inserts(const std::wstring& s) {
    std::set<std::wstring> inserts;
    for (size_t i = 0; i + 1 < s.size(); ++i) {
        if (s[i] != L'%') continue;
        size_t end = i + 1;
        if (!(s[end] >= L'1' && s[end] <= L'9')) {
            while (end < s.size() && !std::iswalpha(s[end]) && s[end] != L' ') ++end;
            if (end == s.size() || s[end] == L' ') continue;  // a literal percent sign
        }
        inserts.insert(s.substr(i, end - i + 1));
        i = end;
    }
    return inserts;
}

// Markup codes, line breaks and every other control character, in order.
std::wstring ControlCharacters(const std::wstring& s) {
    std::wstring codes;
    for (wchar_t c : s)
        if (c < 0x20) codes += c;
    return codes;
}

bool IsMarkup(const std::wstring& s) {
    for (wchar_t c : s)
        if (c == 0x1B || (c >= 0x01 && c <= 0x07)) return true;
    return false;
}

// Mnemonic letters, upper-cased; "&&" is a literal ampersand. Markup labels draw "&" as is.
std::wstring Mnemonics(const std::wstring& s) {
    std::wstring letters;
    if (IsMarkup(s)) return letters;
    for (size_t i = 0; i + 1 < s.size(); ++i) {
        if (s[i] != L'&') continue;
        if (s[i + 1] != L'&') letters += static_cast<wchar_t>(std::towupper(s[i + 1]));
        ++i;
    }
    return letters;
}

TEST(StringTables, EveryTranslationMatchesTheEnglishTable) {
    const auto english = StringTable(kEnglish);
    ASSERT_TRUE(english.count(IDS_APP_TITLE));
    for (const auto& language : kTranslations) {
        SCOPED_TRACE(language.name);
        const auto translated = StringTable(language.id);
        for (const auto& [id, text] : english) {
            SCOPED_TRACE(id);
            auto found = translated.find(id);
            ASSERT_NE(found, translated.end()) << "missing";
            EXPECT_EQ(Inserts(text), Inserts(found->second));
            EXPECT_EQ(ControlCharacters(text), ControlCharacters(found->second));
            EXPECT_EQ(Mnemonics(text).size(), Mnemonics(found->second).size()) << "mnemonic";
            // Product, maker and partner names stay as they are.
            for (const wchar_t* name : {L"Vantrell", L"Stowline", L"Tidewell Plus", L"Tamberly Utilities", L"Wrenkit"}) {
                if (text.find(name) != std::wstring::npos) {
                    EXPECT_NE(std::wstring::npos, found->second.find(name)) << "name";
                }
            }
        }
        for (const auto& [id, text] : translated) EXPECT_TRUE(english.count(id)) << "stray id " << id;
    }
}

TEST(StringTables, EveryBlockExistsInExactlyTheFiveLanguages) {
    // A block in another language, a neutral one above all, would win over the user's language.
    const auto blocks = restest::StringBlocks();
    ASSERT_FALSE(blocks.empty());
    for (WORD block : blocks)
        EXPECT_EQ(restest::AllLanguages(), restest::LanguagesOf(RT_STRING, MAKEINTRESOURCEW(block))) << block;
}

TEST(StringTables, ButtonsShownTogetherHaveDistinctMnemonics) {
    // Message-box button sets, then the buttons of the welcome, backup and offer pages.
    const std::vector<std::vector<UINT>> groups = {
        {IDS_BUTTON_ABORT, IDS_BUTTON_RETRY, IDS_BUTTON_IGNORE},
        {IDS_BUTTON_YES, IDS_BUTTON_NO, IDS_BUTTON_CANCEL},
        {IDS_BUTTON_RETRY, IDS_BUTTON_CANCEL},
        {IDS_BUTTON_CANCEL, IDS_BUTTON_TRY_AGAIN, IDS_BUTTON_CONTINUE},
        {IDS_BUTTON_BACK, IDS_BUTTON_NEXT, IDS_BUTTON_AGREE, IDS_BUTTON_CANCEL},
        {IDS_BUTTON_BACK, IDS_BUTTON_NEXT, IDS_BACKUP_CHECK},
        {IDS_BUTTON_ACCEPT_INSTALL, IDS_BUTTON_DECLINE, IDS_BUTTON_CANCEL},
    };
    for (const auto& language : restest::Languages()) {
        const auto table = StringTable(language.id);
        for (const auto& group : groups) {
            std::wstring letters;
            for (UINT id : group)
                if (auto it = table.find(id); it != table.end()) letters += Mnemonics(it->second);
            std::set<wchar_t> distinct(letters.begin(), letters.end());
            EXPECT_EQ(letters.size(), distinct.size()) << language.name << " group of " << group[0];
        }
    }
}

TEST(StringTables, TrayTextsFitTheBalloonFields) {
    // The notification block cuts longer texts; "%1" is the product name.
    for (const auto& language : restest::Languages()) {
        const auto table = StringTable(language.id);
        const std::wstring& name = table.at(IDS_APP_TITLE);
        std::wstring text = table.at(IDS_TRAY_TEXT);
        text.replace(text.find(L"%1"), 2, name);
        EXPECT_LE(table.at(IDS_TRAY_TITLE).size(), 63u) << language.name;
        EXPECT_LE(text.size(), 255u) << language.name;
    }
}

// Sets the thread's languages for resource loading (Wine takes the thread locale, Windows
// the thread UI language) and puts the old ones back.
class ThreadLanguage {
public:
    explicit ThreadLanguage(LANGID lang) : locale_(::GetThreadLocale()), uiLanguage_(::GetThreadUILanguage()) {
        ::SetThreadUILanguage(lang);
        applied_ = ::SetThreadLocale(MAKELCID(lang, SORT_DEFAULT)) != FALSE;
    }
    ~ThreadLanguage() {
        ::SetThreadLocale(locale_);
        ::SetThreadUILanguage(uiLanguage_);
    }
    ThreadLanguage(const ThreadLanguage&) = delete;
    ThreadLanguage& operator=(const ThreadLanguage&) = delete;
    bool Applied() const { return applied_; }

private:
    LCID locale_;
    LANGID uiLanguage_;
    bool applied_ = false;
};

std::wstring LoadedString(UINT id) {
    const wchar_t* text = nullptr;
    int n = ::LoadStringW(restest::Self(), id, reinterpret_cast<LPWSTR>(&text), 0);
    return n > 0 ? std::wstring(text, static_cast<size_t>(n)) : std::wstring();
}

TEST(StringTables, TextsDecodeToTheExactCodeUnits) {
    // Escapes and UTF-8 under code page 65001, as the table holds them and as LoadStringW
    // returns them when the loader picks the language. Wine tries the thread locale only as it
    // stands, so the neutral tables are reached through the user locale (the language e2e test).
    struct Case {
        LANGID lang;
        UINT id;
        std::wstring expected;
    };
    const LANGID german = MAKELANGID(LANG_GERMAN, SUBLANG_NEUTRAL);
    const LANGID japanese = MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN);
    const Case cases[] = {
        {kEnglish, IDS_BACKUP_DECLINED, L"Click \x04Next\x05 to proceed without Stowline"},
        {kEnglish, IDS_WELCOME_HEADING, L"Welcome to the\r\n%1 Setup Wizard"},
        {kEnglish, IDS_BUTTON_ACCEPT_INSTALL, L"Accept && Inst&all"},
        {japanese, IDS_BUTTON_FINISH, L"\x5B8C\x4E86"},
        {japanese, IDS_BUTTON_BACK, L"\x623B\x308B(&B)"},
        {german, IDS_BUTTON_BACK, L"&Zur\x00FC" L"ck"},
        {german, IDS_BUTTON_CLOSE, L"&Schlie\x00DF" L"en"},
        {MAKELANGID(LANG_FRENCH, SUBLANG_NEUTRAL), IDS_TASK_DONE, L"Termin\x00E9\x00A0!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const auto table = StringTable(c.lang);
        ASSERT_TRUE(table.count(c.id));
        EXPECT_EQ(c.expected, table.at(c.id));
        if (SUBLANGID(c.lang) == SUBLANG_NEUTRAL) continue;
        ThreadLanguage language(c.lang);
        ASSERT_TRUE(language.Applied()) << std::hex << c.lang;
        EXPECT_EQ(c.expected, LoadedString(c.id));
    }
}

// Columns a word takes: East Asian letters are twice as wide as Latin ones.
size_t Columns(const std::wstring& word) {
    size_t columns = 0;
    for (wchar_t c : word) columns += c >= 0x2E80 ? 2 : 1;
    return columns;
}

TEST(StringTables, MarkupTextsParseWholeAndCanWrap) {
    const std::wstring consent = StringTable(kEnglish).at(IDS_BACKUP_CONSENT);
    EXPECT_EQ(0u, consent.find(L"\x1B" L"By clicking \x04Next\x05, you agree to the Stowline "
                               L"\x02https://www.stowline.example/terms#eula\x01"
                               L"End User License Agreement\x03 & "));
    for (LANGID lang : restest::AllLanguages()) {
        for (const auto& [id, text] : StringTable(lang)) {
            if (!IsMarkup(text)) continue;
            SCOPED_TRACE(id);
            const auto runs = controls::ParseMarkup(text);
            size_t parsed = 0;
            for (const auto& run : runs) {
                parsed += run.text.size() + run.address.size();
                if (run.style == controls::kLink) {
                    EXPECT_EQ(0u, run.address.find(L"https://www.")) << std::hex << lang;
                }
            }
            // A misplaced code would stop the parse and drop the rest of the text.
            EXPECT_EQ(text.size() - ControlCharacters(text).size(), parsed) << std::hex << lang;
            // The label breaks lines only at white space, so no word may be wider than a line.
            size_t longest = 0;
            const auto words = controls::BuildWords(runs, longest);
            if (!words.empty()) {
                EXPECT_LE(Columns(words[longest].text), 40u) << std::hex << lang;
            }
        }
    }
}

}  // namespace
