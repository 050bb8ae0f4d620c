#pragma once
// "%1" and "%2" inserts, as the string table uses them.
#include <string>

namespace fw {

inline std::wstring FormatText(const std::wstring& format, const std::wstring& arg1,
                               const std::wstring& arg2 = std::wstring()) {
    std::wstring out;
    out.reserve(format.size() + arg1.size());
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == L'%' && i + 1 < format.size() && (format[i + 1] == L'1' || format[i + 1] == L'2')) {
            out += format[i + 1] == L'1' ? arg1 : arg2;
            ++i;
        } else {
            out += format[i];
        }
    }
    return out;
}

}  // namespace fw
