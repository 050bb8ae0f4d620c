#include "controls/SkinResources.h"

#include <cstring>

#include "ResourceIds.h"

namespace controls {

bool FindResourceBytes(HMODULE module, UINT type, UINT id, const void*& data, DWORD& size) {
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(type));
    if (!found) return false;
    HGLOBAL loaded = ::LoadResource(module, found);
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes) return false;
    data = bytes;
    size = ::SizeofResource(module, found);
    return true;
}

bool FontFromRecord(const void* data, DWORD size, int dpiY, LOGFONTW& font) {
    if (!data || size < sizeof(LOGFONTW)) return false;
    LOGFONTW record;
    std::memcpy(&record, data, sizeof(record));
    record.lfFaceName[LF_FACESIZE - 1] = L'\0';
    // MulDiv rounds to nearest: 8 pt is 11 px at 96 dpi, 13 px at 120 dpi.
    record.lfHeight = -::MulDiv(record.lfHeight, dpiY, 72);
    font = record;
    return true;
}

bool LoadSkinFont(UINT controlId, int dpiY, LOGFONTW& font) {
    const void* data = nullptr;
    DWORD size = 0;
    return FindResourceBytes(nullptr, RT_SKIN_FONT, controlId, data, size) &&
           FontFromRecord(data, size, dpiY, font);
}

bool LoadSkinColour(UINT controlId, COLORREF& colour) {
    const void* data = nullptr;
    DWORD size = 0;
    if (!FindResourceBytes(nullptr, RT_SKIN_COLOUR, controlId, data, size) || size < sizeof(COLORREF))
        return false;
    std::memcpy(&colour, data, sizeof(colour));
    return true;
}

bool FindSkinRtf(UINT controlId, const char*& data, DWORD& size) {
    const void* bytes = nullptr;
    // FindResourceW picks the language the way the string tables are picked.
    if (!FindResourceBytes(nullptr, RT_SKIN_RTF, controlId, bytes, size)) return false;
    data = static_cast<const char*>(bytes);
    return true;
}

}  // namespace controls
