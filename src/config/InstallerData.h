#pragma once
// Per-download configuration: key=value lines appended to the program file by the
// distribution server (the trailer), plus the command-line form from the build
// settings. Key prefixes: '?' private, '@' persistent (and private), '&' keep an
// existing value.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace config {

class InstallerData {
public:
    struct Entry {
        std::wstring value;
        bool isPrivate = false;
        bool persistent = false;
    };

    // Reads the trailer of the running program's own file.
    HRESULT LoadFromOwnFile();
    HRESULT LoadFromFile(const std::wstring& path);
    // The file's bytes: text, 32-bit little-endian length, "TBPL". 1 when there is none.
    HRESULT ParseTrailer(const uint8_t* file, uint64_t size);
    // Empties the store, then reads the lines.
    HRESULT ParseText(std::wstring_view text);
    HRESULT ParseUtf8(std::string_view text);
    // Adds the arguments after the first (a program name) to the store.
    HRESULT ParseCommandLine(const std::wstring& commandLine);
    // 1 when the key is empty after its prefixes or kept by '&'.
    HRESULT SetPair(std::wstring_view keyWithPrefixes, std::wstring_view value);
    void Clear();

    // The stored value of an exact key, or null. Prefixes are not interpreted here.
    const std::wstring* Lookup(std::wstring_view key) const;
    const Entry* Find(std::wstring_view key) const;
    // "key=value" for public entries and the bare words, in the order first stored.
    std::vector<std::wstring> BuildArgumentList() const;
    // Writes the persistent entries under root\parentPath\InstallerData.
    HRESULT SaveToRegistry(const std::wstring& parentPath, HKEY root = HKEY_LOCAL_MACHINE) const;

    bool DoNotErase() const noexcept { return doNotErase_; }
    bool DoNotSave() const noexcept { return doNotSave_; }
    size_t Count() const noexcept { return entries_.size(); }

private:
    struct Item {
        bool isWord;
        std::wstring text;  // the entry's key, or the bare word
    };

    HRESULT SaveEntries(HKEY key) const;

    std::map<std::wstring, Entry, std::less<>> entries_;
    std::vector<Item> items_;
    bool doNotErase_ = false;
    bool doNotSave_ = false;
};

}  // namespace config
