#include "ResourceTable.h"

#include <algorithm>

#include "fw/UniqueHandle.h"

namespace settings_writer {

using tools::LastError;

namespace {

// Until committed, an update is discarded and the file is left as it was.
struct ResourceUpdateTraits {
    static HANDLE Invalid() noexcept { return nullptr; }
    static void Close(HANDLE h) noexcept { ::EndUpdateResourceW(h, TRUE); }
};
using UniqueResourceUpdate = fw::UniqueResource<HANDLE, ResourceUpdateTraits>;

// A resource type or name: a number or a text, kept beyond the enumeration that gave it.
struct ResourceName {
    WORD id = 0;
    std::wstring text;

    static ResourceName From(LPCWSTR name) {
        return IS_INTRESOURCE(name) ? ResourceName{LOWORD(reinterpret_cast<ULONG_PTR>(name)), {}}
                                    : ResourceName{0, name};
    }
    LPCWSTR Get() const { return text.empty() ? MAKEINTRESOURCEW(id) : text.c_str(); }
    bool Is(WORD number) const { return text.empty() && id == number; }
};

struct Resource {
    ResourceName type;
    ResourceName name;
    WORD language = 0;
    std::vector<std::uint8_t> bytes;
};

struct Collection {
    HMODULE module = nullptr;
    std::vector<Resource> resources;
    ResourceName type;
    ResourceName name;
    bool failed = false;
};

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR context) {
    reinterpret_cast<std::vector<WORD>*>(context)->push_back(language);
    return TRUE;
}

BOOL CALLBACK CollectResource(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR context) {
    auto& collection = *reinterpret_cast<Collection*>(context);
    const HRSRC found = ::FindResourceExW(module, type, name, language);
    const HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
    const auto* bytes = static_cast<const std::uint8_t*>(loaded ? ::LockResource(loaded) : nullptr);
    if (!bytes) {
        collection.failed = true;
        return FALSE;
    }
    collection.resources.push_back(
        {collection.type, collection.name, language, {bytes, bytes + ::SizeofResource(module, found)}});
    return TRUE;
}

BOOL CALLBACK CollectName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR context) {
    auto& collection = *reinterpret_cast<Collection*>(context);
    collection.name = ResourceName::From(name);
    ::EnumResourceLanguagesW(module, type, name, CollectResource, context);
    return !collection.failed;
}

BOOL CALLBACK CollectType(HMODULE module, LPWSTR type, LONG_PTR context) {
    auto& collection = *reinterpret_cast<Collection*>(context);
    collection.type = ResourceName::From(type);
    ::EnumResourceNamesW(module, type, CollectName, context);
    return !collection.failed;
}

Problem ReadAllResources(const std::wstring& exe, std::vector<Resource>& resources) {
    fw::UniqueModule module(::LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!module) return LastError(L"cannot load the resources of", exe);
    Collection collection;
    ::EnumResourceTypesW(module.get(), CollectType, reinterpret_cast<LONG_PTR>(&collection));
    if (collection.failed) return L"cannot read the resources of " + exe;
    resources = std::move(collection.resources);
    return std::nullopt;
}

Problem WriteTable(const std::wstring& exe, const std::vector<std::uint8_t>& table) {
    UniqueResourceUpdate update(::BeginUpdateResourceW(exe.c_str(), FALSE));
    if (!update) return LastError(L"cannot open the resources of", exe);
    static const std::uint8_t kNoBytes = 0;
    // A null pointer with size 0 would mean delete.
    void* data = const_cast<std::uint8_t*>(table.empty() ? &kNoBytes : table.data());
    if (!::UpdateResourceW(update.get(), MAKEINTRESOURCEW(kSettingsType), MAKEINTRESOURCEW(kSettingsId),
                           kSettingsLanguage, data, static_cast<DWORD>(table.size())))
        return table.empty() ? Problem(L"the system's resource updater refuses an empty table; a one-byte --raw "
                                       L"table gives the program no pairs as well")
                             : LastError(L"cannot write the settings table into", exe);
    if (!::EndUpdateResourceW(update.release(), FALSE)) return LastError(L"cannot save the resources of", exe);
    return std::nullopt;
}

// Wine's updater merges the file's own resources in after the queued changes, so a queued
// delete of one of them has no effect. Rebuilding the directory from every other resource
// removes the table there and on Windows alike.
Problem RemoveTable(const std::wstring& exe) {
    std::vector<Resource> resources;
    if (auto problem = ReadAllResources(exe, resources)) return problem;
    UniqueResourceUpdate update(::BeginUpdateResourceW(exe.c_str(), TRUE));
    if (!update) return LastError(L"cannot open the resources of", exe);
    for (const Resource& resource : resources) {
        if (resource.type.Is(kSettingsType) && resource.name.Is(kSettingsId)) continue;
        if (resource.bytes.empty()) return L"cannot keep an empty resource of " + exe + L" while rewriting them";
        if (!::UpdateResourceW(update.get(), resource.type.Get(), resource.name.Get(), resource.language,
                               const_cast<std::uint8_t*>(resource.bytes.data()),
                               static_cast<DWORD>(resource.bytes.size())))
            return LastError(L"cannot rewrite the resources of", exe);
    }
    if (!::EndUpdateResourceW(update.release(), FALSE)) return LastError(L"cannot save the resources of", exe);
    return std::nullopt;
}

}  // namespace

Problem UpdateTable(const std::wstring& exe, const std::vector<std::uint8_t>* table) {
    return table ? WriteTable(exe, *table) : RemoveTable(exe);
}

Problem ReadStoredTable(const std::wstring& exe, StoredTable& stored) {
    // As a data file, so that a program of the other bitness loads too and nothing runs.
    fw::UniqueModule module(::LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!module) return LastError(L"cannot load the resources of", exe);
    stored = {};
    ::EnumResourceLanguagesW(module.get(), MAKEINTRESOURCEW(kSettingsType), MAKEINTRESOURCEW(kSettingsId),
                             CollectLanguage, reinterpret_cast<LONG_PTR>(&stored.languages));
    // The finder falls back to other languages; only the build's own language counts here.
    if (std::find(stored.languages.begin(), stored.languages.end(), kSettingsLanguage) == stored.languages.end())
        return std::nullopt;
    const HRSRC found = ::FindResourceExW(module.get(), MAKEINTRESOURCEW(kSettingsType),
                                          MAKEINTRESOURCEW(kSettingsId), kSettingsLanguage);
    if (!found) return LastError(L"cannot find the settings table of", exe);
    const DWORD size = ::SizeofResource(module.get(), found);
    const HGLOBAL loaded = ::LoadResource(module.get(), found);
    const auto* bytes = static_cast<const std::uint8_t*>(loaded ? ::LockResource(loaded) : nullptr);
    if (!bytes && size != 0) return LastError(L"cannot load the settings table of", exe);
    stored.bytes.emplace(bytes, bytes + size);
    return std::nullopt;
}

}  // namespace settings_writer
