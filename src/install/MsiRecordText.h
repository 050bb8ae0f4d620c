#pragma once
// Windows Installer hands progress and common-data records to the external
// handler as text: "1: 2 2: 500 3: 0 4: 1 ".
#include <optional>

namespace install {

struct ProgressFields {
    int field[4] = {0, 0, 0, 0};  // fields 1-4; missing ones stay 0
};

struct CommonDataFields {
    int type = 0;   // field 1
    int value = 0;  // field 2
};

std::optional<ProgressFields> ParseProgressRecord(const wchar_t* text);
// Caption records (type 1) are not used and count as a failure.
std::optional<CommonDataFields> ParseCommonDataRecord(const wchar_t* text);

}  // namespace install
