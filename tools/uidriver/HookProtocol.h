#pragma once
// What the driver and its hook library say to each other. Some things (another
// process's menus) can only be read from inside that process: the driver hooks
// the window's thread, posts it a query, and the hook answers with WM_COPYDATA.
#include <windows.h>

namespace uidriver::hook {

inline constexpr wchar_t kLibrary[] = L"uidriver_hook.dll";
inline constexpr char kProcedure[] = "UiDriverGetMessageHook";
inline constexpr wchar_t kQueryMessage[] = L"Wrenkit.UiDriver.Query";

// Query: posted to the window, wParam = the driver's reply window, lParam = kind.
inline constexpr LPARAM kSystemMenu = 1;
// Reply: COPYDATASTRUCT.dwData, then the bytes below.
inline constexpr ULONG_PTR kSystemMenuReply = 0x55444D31;

// A reply is a count, then per item this record followed by textLength wide chars.
// A count of kNoMenu means the window has no system menu.
inline constexpr UINT kNoMenu = 0xFFFFFFFF;
struct MenuItemRecord {
    UINT id;
    UINT state;  // MFS_* flags
    UINT type;   // MFT_* flags
    UINT hasSubmenu;
    UINT textLength;
};

}  // namespace uidriver::hook
