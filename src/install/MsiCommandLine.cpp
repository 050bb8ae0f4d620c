#include "install/MsiCommandLine.h"

#include <new>

namespace install {

std::wstring QuotePropertyArgument(const std::wstring& argument) {
    const size_t equals = argument.find(L'=');
    if (equals == std::wstring::npos) return argument;  // a bare word
    const std::wstring_view value = std::wstring_view(argument).substr(equals + 1);
    if (value.find_first_of(L" \"") == std::wstring_view::npos) return argument;

    std::wstring quoted = argument.substr(0, equals + 1);
    quoted.reserve(argument.size() + 8);
    quoted += L'"';
    for (wchar_t c : value) {
        if (c == L'"') quoted += L'"';
        quoted += c;
    }
    quoted += L'"';
    return quoted;
}

std::optional<std::wstring> JoinPropertyArguments(const std::vector<std::wstring>& arguments) noexcept {
    try {
        std::wstring line;
        for (size_t i = 0; i < arguments.size(); ++i) {
            if (i != 0) line += L' ';
            line += QuotePropertyArgument(arguments[i]);
        }
        return line;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace install
