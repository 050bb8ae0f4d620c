#pragma once
// The build-settings table compiled into the program's resources: UTF-16 key and
// value strings, each ended by one zero, in pairs. Read once, then only looked up.
#include <windows.h>

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

namespace config {

class BuildSettings {
public:
    // Reads resource type 33, id 1 of module (the program itself when null).
    // 0 when read, 1 when the resource is empty, the lookup's error otherwise.
    HRESULT Load(HMODULE module = nullptr);
    // Parses raw table bytes; an odd last byte and a key without value are dropped.
    HRESULT Parse(const void* data, size_t size);
    void Clear() noexcept { values_.clear(); }

    // The stored value, or null when the key is absent. Keys compare exactly.
    const std::wstring* Lookup(std::wstring_view key) const;
    size_t Count() const noexcept { return values_.size(); }

private:
    std::map<std::wstring, std::wstring, std::less<>> values_;
};

}  // namespace config
