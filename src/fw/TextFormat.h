#pragma once
// "%1" and "%2" inserts, as the string table uses them.
#include <initializer_list>
#include <string>

namespace fw {

// "%1" to "%9" replaced by the arguments in order; a missing argument gives nothing.
inline std::wstring FormatText(const std::wstring& format, std::initializer_list<std::wstring> args) {
    std::wstring out;
    out.reserve(format.size());
    for (size_t i = 0; i < format.size(); ++i) {
        wchar_t next = i + 1 < format.size() ? format[i + 1] : 0;
        if (format[i] == L'%' && next >= L'1' && next <= L'9') {
            size_t index = static_cast<size_t>(next - L'1');
            if (index < args.size()) out += *(args.begin() + index);
            ++i;
        } else {
            out += format[i];
        }
    }
    return out;
}

inline std::wstring FormatText(const std::wstring& format, const std::wstring& arg1,
                               const std::wstring& arg2 = std::wstring()) {
    return FormatText(format, {arg1, arg2});
}

}  // namespace fw
