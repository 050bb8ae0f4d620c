#pragma once
// Skin resources: fonts, text colours and RTF documents keyed by control id.
#include <windows.h>

namespace controls {

// The bytes of a resource, or false. They stay valid while the module is loaded.
bool FindResourceBytes(HMODULE module, UINT type, UINT id, const void*& data, DWORD& size);

// A font record (the LOGFONTW layout, points in the height field) with the height converted
// to pixels for dpiY. False when the record is shorter than a LOGFONTW.
bool FontFromRecord(const void* data, DWORD size, int dpiY, LOGFONTW& font);

// Font resource (type 30) named by control id; lfHeight already converted from points with dpiY.
bool LoadSkinFont(UINT controlId, int dpiY, LOGFONTW& font);
// Text colour resource (type 31), 0x00BBGGRR.
bool LoadSkinColour(UINT controlId, COLORREF& colour);
// RTF resource (type 32) for the id, in the user's language; false when none. Data stays in the module.
bool FindSkinRtf(UINT controlId, const char*& data, DWORD& size);

}  // namespace controls
