#include "config/InstallerData.h"

#include <shellapi.h>

#include <cstring>
#include <new>

#include "fw/Result.h"
#include "fw/UniqueHandle.h"

namespace config {

namespace {

constexpr char kMagic[4] = {'T', 'B', 'P', 'L'};
constexpr uint64_t kMaxFileSize = 0x80000000ull;  // the trailer is read from a mapping of the whole file
constexpr DWORD kKeyAccess = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

std::wstring_view TranslateKey(std::wstring_view key) {
    if (key == L"P2") return L"p2";
    if (key == L"P2_ORIGIN") return L"secondOfferOrigin";
    if (key == L"UL_STUBID") return L"ul_stubid";
    return key;
}

}  // namespace

void InstallerData::Clear() {
    entries_.clear();
    items_.clear();
    doNotErase_ = doNotSave_ = false;
}

HRESULT InstallerData::LoadFromOwnFile() {
    std::wstring path;
    try {
        path.resize(32767);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0 || n >= path.size()) return fw::LastErrorResult();
    path.resize(n);
    return LoadFromFile(path);
}

HRESULT InstallerData::LoadFromFile(const std::wstring& path) {
    fw::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return fw::LastErrorResult();
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size)) return fw::LastErrorResult();
    if (static_cast<uint64_t>(size.QuadPart) >= kMaxFileSize) return E_OUTOFMEMORY;
    if (size.QuadPart < 8) return S_FALSE;  // an empty file cannot be mapped, and has no trailer
    fw::UniqueHandle mapping(::CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping) return fw::LastErrorResult();
    fw::UniqueView view(::MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
    if (!view) return fw::LastErrorResult();
    return ParseTrailer(static_cast<const uint8_t*>(view.get()), static_cast<uint64_t>(size.QuadPart));
}

HRESULT InstallerData::ParseTrailer(const uint8_t* file, uint64_t size) {
    if (size >= kMaxFileSize) return E_OUTOFMEMORY;
    if (size < 8 || std::memcmp(file + size - 4, kMagic, 4) != 0) return S_FALSE;
    uint32_t length = 0;
    std::memcpy(&length, file + size - 8, 4);  // little-endian on every target we build
    if (length == 0 || length > size - 8) return S_FALSE;
    const char* text = reinterpret_cast<const char*>(file + size - 8 - length);
    // The text ends at its first zero byte, if any.
    size_t used = strnlen(text, length);
    return ParseUtf8(std::string_view(text, used));
}

HRESULT InstallerData::ParseUtf8(std::string_view text) {
    if (text.empty()) {
        Clear();
        return S_OK;
    }
    int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                  static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return fw::LastErrorResult();
    std::wstring wide(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                          wide.data(), n);
    return ParseText(wide);
}

HRESULT InstallerData::ParseText(std::wstring_view text) {
    Clear();
    size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && (text[pos] == L'\r' || text[pos] == L'\n')) ++pos;
        if (pos >= text.size()) break;
        size_t end = text.find_first_of(L"\r\n", pos);
        if (end == std::wstring_view::npos) end = text.size();
        std::wstring_view line = text.substr(pos, end - pos);
        if (line == L"+DO_NOT_ERASE+") {
            doNotErase_ = true;
        } else if (line == L"+DO_NOT_SAVE+") {
            doNotSave_ = true;
        } else if (size_t eq = line.find(L'='); eq != std::wstring_view::npos) {
            HRESULT hr = SetPair(line.substr(0, eq), line.substr(eq + 1));
            if (FAILED(hr)) return hr;
        }
        pos = end;
    }
    return S_OK;
}

HRESULT InstallerData::ParseCommandLine(const std::wstring& commandLine) {
    int count = 0;
    ::SetLastError(0);
    fw::UniqueLocal args(reinterpret_cast<HLOCAL>(::CommandLineToArgvW(commandLine.c_str(), &count)));
    if (!args) return fw::LastErrorResult();
    if (count <= 0) return E_INVALIDARG;
    auto argv = static_cast<LPWSTR*>(args.get());
    try {
        for (int i = 1; i < count; ++i) {
            std::wstring_view arg = argv[i];
            size_t eq = arg.find(L'=');
            if (eq == std::wstring_view::npos) {
                items_.push_back({true, std::wstring(arg)});
                continue;
            }
            HRESULT hr = SetPair(arg.substr(0, eq), arg.substr(eq + 1));
            if (FAILED(hr)) return hr;
        }
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT InstallerData::SetPair(std::wstring_view keyWithPrefixes, std::wstring_view value) {
    bool keepExisting = false, isPrivate = false, persistent = false;
    size_t i = 0;
    for (; i < keyWithPrefixes.size(); ++i) {
        wchar_t c = keyWithPrefixes[i];
        if (c == L'&') keepExisting = true;
        else if (c == L'?') isPrivate = true;
        else if (c == L'@') persistent = isPrivate = true;
        else break;
    }
    std::wstring_view key = TranslateKey(keyWithPrefixes.substr(i));
    if (key.empty()) return S_FALSE;
    try {
        auto it = entries_.find(key);
        if (it != entries_.end()) {
            if (keepExisting) return S_FALSE;
            it->second = Entry{std::wstring(value), isPrivate, persistent};
            return S_OK;
        }
        entries_.emplace(std::wstring(key), Entry{std::wstring(value), isPrivate, persistent});
        items_.push_back({false, std::wstring(key)});
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

const InstallerData::Entry* InstallerData::Find(std::wstring_view key) const {
    auto it = entries_.find(key);
    return it == entries_.end() ? nullptr : &it->second;
}

const std::wstring* InstallerData::Lookup(std::wstring_view key) const {
    const Entry* e = Find(key);
    return e ? &e->value : nullptr;
}

std::vector<std::wstring> InstallerData::BuildArgumentList() const {
    std::vector<std::wstring> args;
    for (const Item& item : items_) {
        if (item.isWord) {
            args.push_back(item.text);
        } else if (const Entry* e = Find(item.text); e && !e->isPrivate) {
            args.push_back(item.text + L"=" + e->value);
        }
    }
    return args;
}

HRESULT InstallerData::SaveToRegistry(const std::wstring& parentPath, HKEY root) const {
    if (doNotSave_) return S_FALSE;
    fw::UniqueHKey parent;
    RETURN_IF_WIN32_ERROR(::RegCreateKeyExW(root, parentPath.c_str(), 0, nullptr, 0, kKeyAccess,
                                            nullptr, parent.put(), nullptr));
    fw::UniqueHKey key;
    RETURN_IF_WIN32_ERROR(::RegCreateKeyExW(parent.get(), L"InstallerData", 0, nullptr, 0, kKeyAccess,
                                            nullptr, key.put(), nullptr));
    return SaveEntries(key.get());
}

HRESULT InstallerData::SaveEntries(HKEY key) const {
    if (!doNotErase_) {
        std::wstring name;
        try {
            name.resize(32767);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        for (;;) {
            DWORD length = static_cast<DWORD>(name.size());
            LONG r = ::RegEnumValueW(key, 0, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
            if (r == ERROR_NO_MORE_ITEMS) break;
            RETURN_IF_WIN32_ERROR(r);
            RETURN_IF_WIN32_ERROR(::RegDeleteValueW(key, name.c_str()));
        }
    }
    for (const auto& [name, entry] : entries_) {
        if (!entry.persistent) continue;
        DWORD bytes = static_cast<DWORD>((entry.value.size() + 1) * sizeof(wchar_t));
        RETURN_IF_WIN32_ERROR(::RegSetValueExW(key, name.c_str(), 0, REG_SZ,
                                               reinterpret_cast<const BYTE*>(entry.value.c_str()), bytes));
    }
    return S_OK;
}

}  // namespace config
