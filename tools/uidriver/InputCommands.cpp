// click, key, close, syscommand: the commands that act. Nothing waits for the
// program's handlers, so one that opens a modal box cannot hold the driver up.
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "Commands.h"
#include "KeySpec.h"
#include "WindowInfo.h"
#include "WindowQuery.h"
#include "WindowState.h"

namespace uidriver {

namespace {

constexpr DWORD kForegroundMs = 2000;

bool IsButton(HWND window) { return EqualsNoCase(ClassName(window), WC_BUTTONW); }

void PostMouseClick(HWND window, POINT point) {
    const LPARAM where = MAKELPARAM(point.x, point.y);
    ::PostMessageW(window, WM_MOUSEMOVE, 0, where);
    ::PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, where);
    ::PostMessageW(window, WM_LBUTTONUP, 0, where);
}

POINT ClientCenter(HWND window) {
    RECT client = {};
    ::GetClientRect(window, &client);
    return {client.right / 2, client.bottom / 2};
}

// Keys go where a keyboard would send them: the focused control of the window's thread.
HWND KeyDestination(HWND window) {
    const HWND focus = FocusOf(window);
    if (focus && (focus == window || ::IsChild(window, focus))) return focus;
    return window;
}

// The posted way cannot set the key state, so only Alt (a flag in lParam) goes with it.
Outcome PostKey(HWND window, const KeySpec& key) {
    if (key.ctrl || key.shift) return Failed(L"Ctrl and Shift need --method input");
    const HWND destination = KeyDestination(window);
    const UINT scan = ::MapVirtualKeyW(key.vk, MAPVK_VK_TO_VSC);
    const bool system = key.alt || key.vk == VK_F10;
    const LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16) | (key.alt ? (1 << 29) : 0);
    const LPARAM up = down | (1 << 30) | (static_cast<LPARAM>(1) << 31);
    // The target's own TranslateMessage makes the WM_CHAR, as it does for a real key.
    ::PostMessageW(destination, system ? WM_SYSKEYDOWN : WM_KEYDOWN, key.vk, down);
    ::PostMessageW(destination, system ? WM_SYSKEYUP : WM_KEYUP, key.vk, up);
    return Done();
}

INPUT KeyInput(WORD vk, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

Outcome SendKey(HWND window, const KeySpec& key) {
    const Deadline deadline(kForegroundMs);
    ::SetForegroundWindow(window);
    while (::GetForegroundWindow() != window && !deadline.Passed()) ::Sleep(20);
    if (::GetForegroundWindow() != window) return Failed(L"window did not come to the foreground");
    std::vector<WORD> modifiers;
    if (key.ctrl) modifiers.push_back(VK_CONTROL);
    if (key.shift) modifiers.push_back(VK_SHIFT);
    if (key.alt) modifiers.push_back(VK_MENU);
    std::vector<INPUT> inputs;
    for (WORD m : modifiers) inputs.push_back(KeyInput(m, false));
    inputs.push_back(KeyInput(key.vk, false));
    inputs.push_back(KeyInput(key.vk, true));
    for (auto m = modifiers.rbegin(); m != modifiers.rend(); ++m) inputs.push_back(KeyInput(*m, true));
    const UINT sent = ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    return sent == inputs.size() ? Done() : Failed(L"SendInput refused the keys");
}

Outcome FindWindowOnly(const Options& options, JsonWriter& json, HWND& window) {
    const auto target = WaitFor(options);
    if (!target) return NotFound();
    window = target->Subject();
    json.Field("hwnd", window);
    return Done();
}

}  // namespace

Outcome Click(const Options& options, JsonWriter& json) {
    // A user can click only what is shown and enabled; wait for that.
    Options clickable = options;
    clickable.visible = clickable.enabled = true;
    const auto target = WaitFor(clickable);
    if (!target) {
        const auto seen = Resolve(options);
        if (!seen) return NotFound();
        json.Key("control");
        WriteControl(json, seen->Subject(), nullptr);
        return Failed(::IsWindowVisible(seen->Subject()) ? L"control is disabled" : L"control is hidden");
    }
    const HWND control = target->Subject();
    json.Key("control");
    WriteControl(json, control, FocusOf(target->window));
    // BM_CLICK keeps the button's own behaviour: an auto check box toggles itself.
    if (options.at) PostMouseClick(control, *options.at);
    else if (options.mouse || !IsButton(control)) PostMouseClick(control, ClientCenter(control));
    else ::PostMessageW(control, BM_CLICK, 0, 0);
    return Done();
}

Outcome Key(const Options& options, JsonWriter& json) {
    const auto key = ParseKey(*options.key);
    if (!key) return {kBadUsage, L"unknown key: " + *options.key};
    HWND window = nullptr;
    if (auto found = FindWindowOnly(options, json, window); found.code != kDone) return found;
    return options.method == L"input" ? SendKey(window, *key) : PostKey(window, *key);
}

Outcome Close(const Options& options, JsonWriter& json) {
    HWND window = nullptr;
    if (auto found = FindWindowOnly(options, json, window); found.code != kDone) return found;
    // SC_CLOSE is what the title bar's close button sends.
    if (options.wmClose) ::PostMessageW(window, WM_CLOSE, 0, 0);
    else ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    return Done();
}

Outcome SysCommand(const Options& options, JsonWriter& json) {
    HWND window = nullptr;
    if (auto found = FindWindowOnly(options, json, window); found.code != kDone) return found;
    ::PostMessageW(window, WM_SYSCOMMAND, *options.sysCommand, 0);
    return Done();
}

}  // namespace uidriver
