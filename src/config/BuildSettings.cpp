#include "config/BuildSettings.h"

#include <cstring>
#include <new>
#include <vector>

#include "ResourceIds.h"
#include "fw/Result.h"

namespace config {

HRESULT BuildSettings::Load(HMODULE module) {
    Clear();
    if (!module) module = ::GetModuleHandleW(nullptr);
    HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(IDR_BUILD_SETTINGS),
                                 MAKEINTRESOURCEW(RT_BUILD_SETTINGS));
    if (!info) return fw::LastErrorResult();
    DWORD size = ::SizeofResource(module, info);
    if (size == 0) return S_FALSE;
    HGLOBAL loaded = ::LoadResource(module, info);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data) return fw::LastErrorResult();
    return Parse(data, size);
}

HRESULT BuildSettings::Parse(const void* data, size_t size) {
    // Copy to aligned storage: resource data carries no alignment promise for us.
    std::vector<wchar_t> units(size / 2);
    if (!units.empty()) std::memcpy(units.data(), data, units.size() * 2);
    size_t keyStart = 0;
    size_t valueStart = 0;
    bool inValue = false;
    try {
        for (size_t i = 0; i < units.size(); ++i) {
            if (units[i] != 0) continue;
            if (inValue) {
                std::wstring key(units.data() + keyStart, valueStart - 1 - keyStart);
                values_.insert_or_assign(std::move(key),
                                         std::wstring(units.data() + valueStart, i - valueStart));
                keyStart = i + 1;
                inValue = false;
            } else {
                valueStart = i + 1;
                inValue = true;
            }
        }
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

const std::wstring* BuildSettings::Lookup(std::wstring_view key) const {
    auto it = values_.find(key);
    return it == values_.end() ? nullptr : &it->second;
}

}  // namespace config
