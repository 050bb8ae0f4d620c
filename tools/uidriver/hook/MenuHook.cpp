// Runs inside the program under test, loaded there by the system for the driver's
// message hook: reads the window's system menu and sends it back.
#include <windows.h>

#include <vector>

#include "../HookProtocol.h"

namespace {

using uidriver::hook::MenuItemRecord;

void Append(std::vector<BYTE>& bytes, const void* data, size_t size) {
    const auto* begin = static_cast<const BYTE*>(data);
    bytes.insert(bytes.end(), begin, begin + size);
}

std::vector<BYTE> DescribeMenu(HMENU menu) {
    std::vector<BYTE> bytes;
    const int count = menu ? ::GetMenuItemCount(menu) : -1;
    const UINT header = count < 0 ? uidriver::hook::kNoMenu : static_cast<UINT>(count);
    Append(bytes, &header, sizeof header);
    for (int i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        MENUITEMINFOW info = {sizeof info};
        info.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_STRING | MIIM_SUBMENU;
        info.dwTypeData = text;
        info.cch = ARRAYSIZE(text) - 1;
        if (!::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) info = {sizeof info};
        const UINT length = static_cast<UINT>(lstrlenW(text));
        const MenuItemRecord record = {info.wID, info.fState, info.fType, info.hSubMenu != nullptr, length};
        Append(bytes, &record, sizeof record);
        Append(bytes, text, length * sizeof(wchar_t));
    }
    return bytes;
}

void AnswerQuery(HWND window, HWND replyTo, LPARAM kind) {
    if (kind != uidriver::hook::kSystemMenu) return;
    std::vector<BYTE> bytes = DescribeMenu(::GetSystemMenu(window, FALSE));
    COPYDATASTRUCT data = {uidriver::hook::kSystemMenuReply, static_cast<DWORD>(bytes.size()), bytes.data()};
    DWORD_PTR ignored = 0;
    // Limited, so that a driver that gave up cannot hang the program.
    ::SendMessageTimeoutW(replyTo, WM_COPYDATA, reinterpret_cast<WPARAM>(window), reinterpret_cast<LPARAM>(&data),
                          SMTO_ABORTIFHUNG, 2000, &ignored);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK UiDriverGetMessageHook(int code, WPARAM removed, LPARAM lParam) {
    static const UINT query = ::RegisterWindowMessageW(uidriver::hook::kQueryMessage);
    auto* msg = reinterpret_cast<MSG*>(lParam);
    // A peek without removal would answer the same query twice.
    if (code == HC_ACTION && removed == PM_REMOVE && msg->message == query) {
        AnswerQuery(msg->hwnd, reinterpret_cast<HWND>(msg->wParam), msg->lParam);
        msg->message = WM_NULL;
    }
    return ::CallNextHookEx(nullptr, code, removed, lParam);
}
