#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/MsiCommandLine.h"

namespace {

using install::JoinPropertyArguments;
using install::QuotePropertyArgument;

TEST(MsiCommandLine, QuotesOnlyValuesWindowsInstallerWouldCut) {
    struct Case {
        const wchar_t* argument;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"KEY=value", L"KEY=value"},
        {L"KEY=", L"KEY="},
        {L"WORD", L"WORD"},                              // bare words are kept
        {L"two words", L"two words"},                    // even with a space: there is no value
        {L"KEY=a b", L"KEY=\"a b\""},
        {L"KEY= lead", L"KEY=\" lead\""},
        {L"KEY=say \"hi\"", L"KEY=\"say \"\"hi\"\"\""},  // inner quotes doubled
        {L"KEY=\"", L"KEY=\"\"\"\""},
        {L"KEY=a=b c", L"KEY=\"a=b c\""},                // the key ends at the first '='
        {L"KEY=a=b", L"KEY=a=b"},
        {L"KEY=tab\there", L"KEY=tab\there"},
        {L"URL=http://x/?a=1&b=2", L"URL=http://x/?a=1&b=2"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, QuotePropertyArgument(c.argument)) << c.argument;
    }
}

TEST(MsiCommandLine, JoinsWithSingleSpacesInOrder) {
    EXPECT_EQ(L"", JoinPropertyArguments({}).value());
    EXPECT_EQ(L"B=1 w CAMPAIGN=\"spring sale\" Z=",
              JoinPropertyArguments({L"B=1", L"w", L"CAMPAIGN=spring sale", L"Z="}).value());
    // An empty argument still gets its separator, so the others keep their place.
    EXPECT_EQ(L" A=1", JoinPropertyArguments({L"", L"A=1"}).value());
}

}  // namespace
