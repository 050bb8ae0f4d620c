// sysmenu: the items of a window's system menu, read from inside its process
// through the hook library (menus of another process cannot be read from outside).
#include <optional>
#include <string>
#include <vector>

#include "Commands.h"
#include "HookProtocol.h"
#include "WindowQuery.h"
#include "fw/UniqueHandle.h"

namespace uidriver {

namespace {

constexpr DWORD kReplyLimitMs = 5000;
constexpr wchar_t kReplyClass[] = L"Wrenkit.UiDriver.Reply";

struct HookTraits {
    static HHOOK Invalid() noexcept { return nullptr; }
    static void Close(HHOOK h) noexcept { ::UnhookWindowsHookEx(h); }
};
using UniqueHook = fw::UniqueResource<HHOOK, HookTraits>;

struct WindowTraits {
    static HWND Invalid() noexcept { return nullptr; }
    static void Close(HWND h) noexcept { ::DestroyWindow(h); }
};
using UniqueWindow = fw::UniqueResource<HWND, WindowTraits>;

LRESULT CALLBACK ReplyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        auto* reply = reinterpret_cast<std::optional<std::vector<BYTE>>*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (reply && data->dwData == hook::kSystemMenuReply) {
            const auto* bytes = static_cast<const BYTE*>(data->lpData);
            *reply = std::vector<BYTE>(bytes, bytes + data->cbData);
            return TRUE;
        }
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

UniqueWindow CreateReplyWindow(std::optional<std::vector<BYTE>>& reply) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = ReplyProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kReplyClass;
    ::RegisterClassW(&windowClass);
    UniqueWindow window(::CreateWindowExW(0, kReplyClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                          windowClass.hInstance, nullptr));
    if (window) ::SetWindowLongPtrW(window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&reply));
    return window;
}

std::wstring HookLibraryPath() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, ARRAYSIZE(path));
    std::wstring folder(path);
    folder.erase(folder.find_last_of(L"\\/") + 1);
    return folder + hook::kLibrary;
}

// Pumps our own messages (the reply arrives as a sent message) until it came or time is up.
bool PumpUntil(const std::optional<std::vector<BYTE>>& reply, DWORD ms) {
    const Deadline deadline(ms);
    while (!reply && !deadline.Passed()) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, deadline.Remaining(), QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    }
    return reply.has_value();
}

Outcome QueryMenu(HWND window, std::vector<BYTE>& bytes) {
    fw::UniqueModule library(::LoadLibraryW(HookLibraryPath().c_str()));
    if (!library) return Failed(L"cannot load " + HookLibraryPath());
    const auto procedure = reinterpret_cast<HOOKPROC>(::GetProcAddress(library.get(), hook::kProcedure));
    const DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
    UniqueHook hook(procedure ? ::SetWindowsHookExW(WH_GETMESSAGE, procedure, library.get(), thread) : nullptr);
    if (!hook) return Failed(L"cannot hook the window's thread");
    std::optional<std::vector<BYTE>> reply;
    const UniqueWindow replyWindow = CreateReplyWindow(reply);
    if (!replyWindow) return Failed(L"no reply window");
    const UINT query = ::RegisterWindowMessageW(hook::kQueryMessage);
    ::PostMessageW(window, query, reinterpret_cast<WPARAM>(replyWindow.get()), hook::kSystemMenu);
    if (!PumpUntil(reply, kReplyLimitMs)) return Failed(L"the window's thread did not answer");
    bytes = std::move(*reply);
    return Done();
}

// Turns the hook's records into JSON; false when they are cut short.
bool WriteItems(JsonWriter& json, const std::vector<BYTE>& bytes) {
    size_t at = 0;
    auto take = [&](void* out, size_t size) {
        if (bytes.size() - at < size) return false;
        memcpy(out, bytes.data() + at, size);
        at += size;
        return true;
    };
    UINT count = 0;
    if (!take(&count, sizeof count)) return false;
    json.Field("menu", count != hook::kNoMenu);
    json.Key("items").BeginArray();
    for (UINT i = 0; count != hook::kNoMenu && i < count; ++i) {
        hook::MenuItemRecord record = {};
        if (!take(&record, sizeof record)) return false;
        std::wstring text(record.textLength, L'\0');
        if (!take(text.data(), text.size() * sizeof(wchar_t))) return false;
        json.BeginObject().Field("id", record.id).Field("text", text);
        json.Field("separator", (record.type & MFT_SEPARATOR) != 0);
        // MFS_GRAYED is both bits; the item says which of the two it has.
        json.Field("enabled", (record.state & (MF_GRAYED | MF_DISABLED)) == 0);
        json.Field("grayed", (record.state & MF_GRAYED) != 0);
        json.Field("checked", (record.state & MF_CHECKED) != 0);
        json.Field("submenu", record.hasSubmenu != 0).EndObject();
    }
    json.EndArray();
    return true;
}

}  // namespace

Outcome SysMenu(const Options& options, JsonWriter& json) {
    const auto target = WaitFor(options);
    if (!target) return NotFound();
    json.Field("hwnd", target->window);
    std::vector<BYTE> bytes;
    if (auto queried = QueryMenu(target->window, bytes); queried.code != kDone) return queried;
    return WriteItems(json, bytes) ? Done() : Failed(L"malformed reply");
}

}  // namespace uidriver
