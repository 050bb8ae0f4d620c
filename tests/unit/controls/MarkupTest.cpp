#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/Markup.h"

namespace controls {
void PrintTo(const MarkupRun& run, std::ostream* os) {
    *os << "{" << run.style << ", " << testing::PrintToString(run.text) << ", "
        << testing::PrintToString(run.address) << "}";
}
}  // namespace controls

namespace {

using controls::BuildWords;
using controls::MarkupRun;
using controls::ParseMarkup;
using controls::WordBox;

struct ParseCase {
    const char* what;
    std::wstring text;
    std::vector<MarkupRun> runs;
};

TEST(Markup, ParsesRunsAndStopsAtTheFirstMisplacedCode) {
    const ParseCase cases[] = {
        {"string 3036", L"\x1B" L"Click \x04Next\x05 to proceed without Stowline",
         {{0, L"Click ", L""}, {1, L"Next", L""}, {0, L" to proceed without Stowline", L""}}},
        {"no marker", L"Click \x04Next\x05 now", {{0, L"Click ", L""}, {1, L"Next", L""}, {0, L" now", L""}}},
        {"a link first", L"\x02https://example.test/\x01" L"terms\x03",
         {{0, L"", L""}, {4, L"terms", L"https://example.test/"}, {0, L"", L""}}},
        {"italic", L"a\x06" L"b\x07", {{0, L"a", L""}, {2, L"b", L""}, {0, L"", L""}}},
        {"unclosed bold", L"before \x04" L"bold and after", {{0, L"before ", L""}}},
        {"a link inside bold", L"before \x04" L"bold \x02x\x01y\x03\x05 after", {{0, L"before ", L""}}},
        {"closing code in plain text", L"one\x05two", {}},
        {"link without its address end", L"a\x02" L"addr\x03", {{0, L"a", L""}}},
        {"marker elsewhere is text", L"a\x1B" L"b", {{0, L"a\x1B" L"b", L""}}},
        {"empty", L"", {{0, L"", L""}}},
        {"embedded end", std::wstring(L"a\0\x05", 3), {{0, L"a", L""}}},
    };
    for (const ParseCase& c : cases) EXPECT_EQ(ParseMarkup(c.text), c.runs) << c.what;
}

TEST(Markup, WordsEndAtRunBoundariesAndCarryTheirWhiteSpace) {
    size_t longest = 99;
    const std::vector<MarkupRun> runs = ParseMarkup(L"Hello  big\tworld\x04 bold\x05\nnext line");
    const std::vector<WordBox> words = BuildWords(runs, longest);
    struct Expected { std::wstring text; size_t run; int lastVisible; bool lineBreak; };
    const Expected expected[] = {
        {L"Hello  ", 0, 4, false}, {L"big\t", 0, 2, false}, {L"world", 0, 4, false},
        {L" ", 1, -1, false},      {L"bold", 1, 3, false},  {L"\n", 2, -1, true},
        {L"next ", 2, 3, false},   {L"line", 2, 3, false},
    };
    ASSERT_EQ(words.size(), std::size(expected));
    for (size_t i = 0; i < words.size(); ++i) {
        EXPECT_EQ(words[i].text, expected[i].text) << i;
        EXPECT_EQ(words[i].run, expected[i].run) << i;
        EXPECT_EQ(words[i].lastVisible, expected[i].lastVisible) << i;
        EXPECT_EQ(words[i].lineBreak, expected[i].lineBreak) << i;
    }
    EXPECT_EQ(longest, 0u);
}

}  // namespace
