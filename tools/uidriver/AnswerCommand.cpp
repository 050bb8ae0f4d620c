// answer: find a message box, report what it says, press one of its buttons.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "Commands.h"
#include "WindowQuery.h"
#include "WindowState.h"

namespace uidriver {

namespace {

constexpr int kLastStandardButton = IDCONTINUE;  // IDOK .. IDCONTINUE, as MessageBox uses them
constexpr DWORD kCloseWaitMs = 5000;

struct BoxContent {
    std::vector<std::wstring> texts;
    std::vector<HWND> buttons;  // visible ones only: the system hides the unused buttons
};

// A message box holds only static texts, icons and standard buttons. A dialog of the
// program (a wizard, a page host) holds more, so it is never mistaken for one.
bool ReadMessageBox(HWND box, BoxContent& content) {
    bool standardButton = false;
    for (HWND child : Descendants(box)) {
        const std::wstring className = ClassName(child);
        const bool visible = ::IsWindowVisible(child) != FALSE;
        if (EqualsNoCase(className, WC_STATICW)) {
            const bool icon = (::GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
            if (!icon && visible) {
                std::wstring text = ReadText(child);
                if (!text.empty()) content.texts.push_back(std::move(text));
            }
        } else if (EqualsNoCase(className, WC_BUTTONW)) {
            if (!visible) continue;
            const int id = ::GetDlgCtrlID(child);
            standardButton |= id >= IDOK && id <= kLastStandardButton;
            content.buttons.push_back(child);
        } else {
            return false;
        }
    }
    return standardButton;
}

// The topmost enabled message box that matches; the wizard behind it is disabled.
HWND FindMessageBox(const Options& options, BoxContent& content) {
    WindowFilter filter = options.window;
    if (!filter.className) filter.className = L"#32770";
    for (HWND window : FindWindows(filter, true)) {
        content = {};
        if (::IsWindowEnabled(window) && ReadMessageBox(window, content)) return window;
    }
    return nullptr;
}

HWND ChooseButton(const BoxContent& content, const std::wstring& wanted) {
    wchar_t* end = nullptr;
    const long id = std::wcstol(wanted.c_str(), &end, 0);
    const bool byId = !wanted.empty() && *end == L'\0';
    for (HWND button : content.buttons) {
        if (byId ? ::GetDlgCtrlID(button) == id
                 : EqualsNoCase(WithoutMnemonics(ReadText(button)), WithoutMnemonics(wanted)))
            return button;
    }
    return nullptr;
}

void WriteBox(JsonWriter& json, HWND box, const BoxContent& content) {
    json.Field("hwnd", box).Field("caption", StoredText(box)).Field("pid", ProcessOf(box));
    std::wstring joined;
    for (const auto& text : content.texts) joined += (joined.empty() ? L"" : L"\n") + text;
    json.Field("text", joined);
    json.Key("texts").BeginArray();
    for (const auto& text : content.texts) json.String(text);
    json.EndArray();
    json.Key("buttons").BeginArray();
    for (HWND button : content.buttons) {
        const auto type = ::GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK;
        json.BeginObject().Field("id", ::GetDlgCtrlID(button)).Field("text", ReadText(button));
        json.Field("default", type == BS_DEFPUSHBUTTON).EndObject();
    }
    json.EndArray();
}

bool WaitDestroyed(HWND window, DWORD ms) {
    const Deadline deadline(ms);
    while (::IsWindow(window) && ::IsWindowVisible(window)) {
        if (deadline.Passed()) return false;
        ::Sleep(kPollMs);
    }
    return true;
}

}  // namespace

Outcome Answer(const Options& options, JsonWriter& json) {
    const Deadline deadline(options.timeoutMs);
    BoxContent content;
    HWND box = nullptr;
    while (!(box = FindMessageBox(options, content))) {
        if (deadline.Passed()) return NotFound(L"no message box");
        ::Sleep(std::min(kPollMs, deadline.Remaining()));
    }
    WriteBox(json, box, content);
    if (!options.button) return Done();
    const HWND button = ChooseButton(content, *options.button);
    if (!button) return Failed(L"the box has no button " + *options.button);
    json.Field("pressed", ::GetDlgCtrlID(button));
    ::PostMessageW(button, BM_CLICK, 0, 0);
    const bool closed = WaitDestroyed(box, kCloseWaitMs);
    json.Field("closed", closed);
    return closed ? Done() : Failed(L"the box did not close");
}

}  // namespace uidriver
