// The .NET Framework versions, from the sub-keys of the framework's setup key.
#include <algorithm>
#include <cwctype>
#include <string>
#include <vector>

#include "util/Registry.h"
#include "util/SystemProbes.h"

namespace util {
namespace {

constexpr wchar_t kSetupKey[] = L"SOFTWARE\\Microsoft\\NET Framework Setup\\NDP";

std::wstring_view Trim(std::wstring_view text) {
    while (!text.empty() && std::iswspace(text.front())) text.remove_prefix(1);
    while (!text.empty() && std::iswspace(text.back())) text.remove_suffix(1);
    return text;
}

// Reading stops at the first non-digit. Wrapping at 32 bits keeps the low 16 exact.
uint16_t LeadingNumber(std::wstring_view piece) {
    uint32_t value = 0;
    for (wchar_t c : piece) {
        if (c < L'0' || c > L'9') break;
        value = value * 10 + uint32_t(c - L'0');
    }
    return uint16_t(value);
}

std::vector<std::wstring_view> SplitVersion(std::wstring_view text) {
    wchar_t separator = text.find(L'.') != std::wstring_view::npos ? L'.' : L',';
    std::vector<std::wstring_view> pieces;
    size_t start = 0;
    for (size_t at; (at = text.find(separator, start)) != std::wstring_view::npos; start = at + 1)
        pieces.push_back(text.substr(start, at - start));
    if (start < text.size()) pieces.push_back(text.substr(start));
    return pieces;
}

std::vector<std::wstring> VersionKeyNames() {
    fw::UniqueHKey key = OpenRegistryKey(HKEY_LOCAL_MACHINE, kSetupKey, kReadAccess);
    if (!key) return {};
    std::vector<std::wstring> names = SubKeyNames(key.get());
    // Only "v<version>" names are versions; "CDF" and the like are not.
    std::erase_if(names, [](const std::wstring& name) { return name.empty() || name[0] != L'v'; });
    return names;
}

}  // namespace

uint64_t ParseVersionText(std::wstring_view text) {
    std::vector<std::wstring_view> pieces = SplitVersion(Trim(text));
    uint64_t version = 0;
    for (size_t i = 0; i < 4; ++i) {
        uint16_t part = i < pieces.size() ? LeadingNumber(pieces[i]) : 0;
        version = (version << 16) | part;
    }
    return version;
}

bool HasDotNet2() {
    for (std::wstring name : VersionKeyNames()) {
        std::erase(name, L'v');
        if (VersionMajor(ParseVersionText(name)) == 2) return true;
    }
    return false;
}

uint64_t GetHighestDotNetVersion() {
    uint64_t highest = 0;
    for (const std::wstring& name : VersionKeyNames())
        highest = std::max(highest, ParseVersionText(std::wstring_view(name).substr(1)));
    return highest;
}

}  // namespace util
