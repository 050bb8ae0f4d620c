#include "install/MsiRecordText.h"

#include <climits>
#include <cwchar>

namespace install {
namespace {

// Walks "D: VALUE " pairs. Values end at a space or at the end of the text.
class FieldReader {
public:
    explicit FieldReader(const wchar_t* text) : p_(text) {}

    bool AtEnd() {
        while (*p_ == L' ') ++p_;
        return *p_ == L'\0';
    }

    // The field's digit, or -1 when the text does not start a field here.
    int NextFieldDigit() {
        if (*p_ < L'0' || *p_ > L'9' || p_[1] != L':') return -1;
        const int digit = *p_ - L'0';
        p_ += 2;
        if (*p_ == L' ') ++p_;
        return digit;
    }

    bool ReadSingleDigit(int& value) {
        if (*p_ < L'0' || *p_ > L'9' || (p_[1] != L' ' && p_[1] != L'\0')) return false;
        value = *p_++ - L'0';
        return true;
    }

    // A decimal number that fits an int; anything else up to the space fails.
    bool ReadNumber(int& value) {
        bool negative = false;
        if (*p_ == L'-') { negative = true; ++p_; }
        if (*p_ < L'0' || *p_ > L'9') return false;
        long long n = 0;
        while (*p_ >= L'0' && *p_ <= L'9') {
            n = n * 10 + (*p_++ - L'0');
            if (n > static_cast<long long>(INT_MAX) + 1) return false;
        }
        if (*p_ != L' ' && *p_ != L'\0') return false;
        if (negative) n = -n;
        if (n > INT_MAX || n < INT_MIN) return false;
        value = static_cast<int>(n);
        return true;
    }

private:
    const wchar_t* p_;
};

}  // namespace

std::optional<ProgressFields> ParseProgressRecord(const wchar_t* text) {
    if (!text || !*text) return std::nullopt;
    FieldReader reader(text);
    ProgressFields fields;
    if (reader.AtEnd() || reader.NextFieldDigit() != 1 || !reader.ReadSingleDigit(fields.field[0]))
        return std::nullopt;
    // Reset records carry four fields, action info three, reports two.
    const int type = fields.field[0];
    const int lastField = (type == 2 || type == 3) ? 2 : type == 1 ? 3 : 4;
    for (int expected = 2; expected <= lastField; ++expected) {
        if (reader.AtEnd()) return fields;
        const int digit = reader.NextFieldDigit();
        if (digit < 2 || digit > 4) return std::nullopt;
        if (!reader.ReadNumber(fields.field[digit - 1])) return std::nullopt;
        if (digit >= lastField) break;
    }
    return fields;
}

std::optional<CommonDataFields> ParseCommonDataRecord(const wchar_t* text) {
    if (!text || !*text) return std::nullopt;
    FieldReader reader(text);
    CommonDataFields fields;
    if (reader.AtEnd() || reader.NextFieldDigit() != 1 || !reader.ReadSingleDigit(fields.type)) return std::nullopt;
    if (fields.type == 1) return std::nullopt;
    if (reader.AtEnd() || reader.NextFieldDigit() != 2 || !reader.ReadNumber(fields.value)) return std::nullopt;
    return fields;
}

}  // namespace install
