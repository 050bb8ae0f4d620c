#include <gtest/gtest.h>

#include <optional>

#include "install/MsiRecordText.h"

namespace {

using install::ParseCommonDataRecord;
using install::ParseProgressRecord;

TEST(MsiRecordText, ProgressRecords) {
    struct Case {
        const wchar_t* text;
        bool ok;
        int f1 = 0, f2 = 0, f3 = 0, f4 = 0;
    };
    const Case cases[] = {
        {L"1: 0 2: 1500 3: 0 4: 1 ", true, 0, 1500, 0, 1},
        {L"1: 0 2: 1500 3: 0 4: 1", true, 0, 1500, 0, 1},  // no trailing space
        {L"1: 2 2: 500 ", true, 2, 500, 0, 0},
        {L"1: 2 2: -25 ", true, 2, -25, 0, 0},
        {L"1: 2 2: 500 3: 9 4: 9 ", true, 2, 500, 0, 0},  // reports stop after field 2
        {L"1: 3 2: 7 3: 9 ", true, 3, 7, 0, 0},
        {L"1: 1 2: 24000 3: 1 4: 9 ", true, 1, 24000, 1, 0},  // action info stops after 3
        {L"1: 0 2: 10 ", true, 0, 10, 0, 0},                  // the text may end early
        {L"1: 7 ", true, 7, 0, 0, 0},
        {L"", false},
        {L"   ", false},
        {L"1: 12 2: 3 ", false},  // field 1 is one digit
        {L"1: x 2: 3 ", false},
        {L"2: 5 ", false},        // field 1 comes first
        {L"1: 0 5: 3 ", false},   // no field 5
        {L"1: 0 2: 12x ", false},
        {L"1: 0 2: ", false},
        {L"1: 0 2: 99999999999 ", false},  // would overflow
        {L"garbage", false},
    };
    for (const Case& c : cases) {
        std::optional<install::ProgressFields> r = ParseProgressRecord(c.text);
        ASSERT_EQ(c.ok, r.has_value()) << c.text;
        if (!r) continue;
        EXPECT_EQ(c.f1, r->field[0]) << c.text;
        EXPECT_EQ(c.f2, r->field[1]) << c.text;
        EXPECT_EQ(c.f3, r->field[2]) << c.text;
        EXPECT_EQ(c.f4, r->field[3]) << c.text;
    }
    EXPECT_FALSE(ParseProgressRecord(nullptr));
}

TEST(MsiRecordText, CommonDataRecords) {
    struct Case {
        const wchar_t* text;
        bool ok;
        int type = 0, value = 0;
    };
    const Case cases[] = {
        {L"1: 2 2: 1 ", true, 2, 1},
        {L"1: 2 2: 0 3: 7 ", true, 2, 0},
        {L"1: 0 2: 1033 3: 1252 ", true, 0, 1033},
        {L"1: 1 2: Caption ", false},  // captions are not used
        {L"1: 2 ", false},
        {L"1: 2 3: 1 ", false},
        {L"1: 22 2: 1 ", false},
        {L"", false},
    };
    for (const Case& c : cases) {
        std::optional<install::CommonDataFields> r = ParseCommonDataRecord(c.text);
        ASSERT_EQ(c.ok, r.has_value()) << c.text;
        if (!r) continue;
        EXPECT_EQ(c.type, r->type) << c.text;
        EXPECT_EQ(c.value, r->value) << c.text;
    }
}

}  // namespace
