#pragma once
// Reads the program's string tables and licence documents language by language, the way
// FindResourceExW hands them out, so that each table is checked on its own.
#include <windows.h>

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "ResourceIds.h"

namespace restest {

struct Language {
    const char* name;
    LANGID id;
};

inline constexpr LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
// German, Spanish and French are neutral so that every country variant falls back to them.
inline constexpr Language kTranslations[] = {
    {"de", MAKELANGID(LANG_GERMAN, SUBLANG_NEUTRAL)},
    {"es", MAKELANGID(LANG_SPANISH, SUBLANG_NEUTRAL)},
    {"fr", MAKELANGID(LANG_FRENCH, SUBLANG_NEUTRAL)},
    {"ja", MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN)},
};

inline std::vector<Language> Languages() {
    std::vector<Language> all{{"en", kEnglish}};
    all.insert(all.end(), std::begin(kTranslations), std::end(kTranslations));
    return all;
}

inline std::set<LANGID> AllLanguages() {
    std::set<LANGID> all;
    for (const Language& l : Languages()) all.insert(l.id);
    return all;
}

inline HMODULE Self() { return ::GetModuleHandleW(nullptr); }

// The bytes of one resource in exactly one language; empty when it is missing.
inline std::string_view ResourceBytes(LPCWSTR type, LPCWSTR name, LANGID lang) {
    HRSRC found = ::FindResourceExW(Self(), type, name, lang);
    if (!found) return {};
    HGLOBAL loaded = ::LoadResource(Self(), found);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data) return {};
    return {static_cast<const char*>(data), ::SizeofResource(Self(), found)};
}

inline std::vector<WORD> StringBlocks() {
    std::vector<WORD> blocks;
    ::EnumResourceNamesW(
        Self(), RT_STRING,
        [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR list) -> BOOL {
            if (IS_INTRESOURCE(name))
                reinterpret_cast<std::vector<WORD>*>(list)->push_back(static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name)));
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&blocks));
    return blocks;
}

inline std::set<LANGID> LanguagesOf(LPCWSTR type, LPCWSTR name) {
    std::set<LANGID> languages;
    ::EnumResourceLanguagesW(
        Self(), type, name,
        [](HMODULE, LPCWSTR, LPCWSTR, WORD lang, LONG_PTR set) -> BOOL {
            reinterpret_cast<std::set<LANGID>*>(set)->insert(lang);
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&languages));
    return languages;
}

// Every non-empty string of one language's table, by id. A block holds 16 counted strings.
inline std::map<UINT, std::wstring> StringTable(LANGID lang) {
    std::map<UINT, std::wstring> table;
    for (WORD block : StringBlocks()) {
        std::string_view bytes = ResourceBytes(RT_STRING, MAKEINTRESOURCEW(block), lang);
        const auto* p = reinterpret_cast<const WCHAR*>(bytes.data());
        const auto* end = p + bytes.size() / sizeof(WCHAR);
        for (UINT i = 0; i < 16 && p < end; ++i) {
            const WORD length = *p++;
            if (length > end - p) break;
            if (length) table[(block - 1u) * 16u + i] = std::wstring(p, length);
            p += length;
        }
    }
    return table;
}

}  // namespace restest
