#include "WindowInfo.h"

#include <windows.h>
#include <commctrl.h>

#include "WindowQuery.h"
#include "WindowState.h"

namespace uidriver {

namespace {

const char* ButtonKind(LONG_PTR style) {
    static const char* const kinds[] = {"pushbutton", "defpushbutton", "checkbox", "autocheckbox",
                                        "radiobutton", "3state", "auto3state", "groupbox",
                                        "userbutton", "autoradiobutton", "pushbox", "ownerdraw",
                                        "splitbutton", "defsplitbutton", "commandlink", "defcommandlink"};
    return kinds[style & BS_TYPEMASK];
}

void WriteButtonFields(JsonWriter& json, HWND button, LONG_PTR style) {
    const auto type = style & BS_TYPEMASK;
    json.Field("kind", ButtonKind(style));
    json.Field("default", type == BS_DEFPUSHBUTTON || type == BS_DEFSPLITBUTTON || type == BS_DEFCOMMANDLINK);
    LRESULT check = 0;
    if (SendWithLimit(button, BM_GETCHECK, 0, 0, check)) json.Field("checked", static_cast<int>(check));
}

void WriteProgressFields(JsonWriter& json, HWND progress) {
    // PBM_GETRANGE with no PBRANGE pointer answers one limit at a time: nothing to marshal.
    LRESULT pos = 0, low = 0, high = 0;
    if (SendWithLimit(progress, PBM_GETPOS, 0, 0, pos)) json.Field("pos", static_cast<long long>(pos));
    if (SendWithLimit(progress, PBM_GETRANGE, TRUE, 0, low)) json.Field("min", static_cast<long long>(low));
    if (SendWithLimit(progress, PBM_GETRANGE, FALSE, 0, high)) json.Field("max", static_cast<long long>(high));
}

void WriteStyle(JsonWriter& json, HWND window) {
    json.Key("style").Hex(static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE)));
    json.Key("exstyle").Hex(static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_EXSTYLE)));
}

RECT WindowRect(HWND window) {
    RECT rect = {};
    ::GetWindowRect(window, &rect);
    return rect;
}

}  // namespace

HWND FocusOf(HWND window) {
    GUITHREADINFO info = {sizeof info};
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

void WriteWindowFields(JsonWriter& json, HWND window) {
    const DWORD pid = ProcessOf(window);
    const std::wstring className = ClassName(window);
    json.Field("hwnd", window).Field("caption", StoredText(window)).Field("class", className);
    json.Field("pid", pid).Field("exe", ProgramName(pid));
    json.Field("visible", ::IsWindowVisible(window) != FALSE).Field("enabled", ::IsWindowEnabled(window) != FALSE);
    json.Field("foreground", ::GetForegroundWindow() == window);
    WriteStyle(json, window);
    json.Field("rect", WindowRect(window));
    RECT client = {};
    ::GetClientRect(window, &client);
    json.Field("client", client);
    json.Field("owner", ::GetWindow(window, GW_OWNER));
    json.Key("focus").Handle(FocusOf(window));
    // DM_GETDEFID is WM_USER: only a dialog may be asked, elsewhere it means something else.
    LRESULT defId = 0;
    if (className == L"#32770" && SendWithLimit(window, DM_GETDEFID, 0, 0, defId) && HIWORD(defId) == DC_HASDEFID)
        json.Field("defid", static_cast<int>(LOWORD(defId)));
}

void WriteControl(JsonWriter& json, HWND control, HWND focus) {
    const std::wstring className = ClassName(control);
    bool hung = false;
    const std::wstring text = ReadText(control, &hung);
    json.BeginObject();
    json.Field("hwnd", control).Field("parent", ::GetAncestor(control, GA_PARENT));
    json.Field("id", ::GetDlgCtrlID(control)).Field("class", className).Field("text", text);
    json.Field("visible", ::IsWindowVisible(control) != FALSE).Field("enabled", ::IsWindowEnabled(control) != FALSE);
    json.Field("focused", control == focus);
    WriteStyle(json, control);
    json.Field("rect", WindowRect(control));
    if (hung) json.Field("hung", true);
    const LONG_PTR style = ::GetWindowLongPtrW(control, GWL_STYLE);
    if (EqualsNoCase(className, WC_BUTTONW)) WriteButtonFields(json, control, style);
    else if (EqualsNoCase(className, PROGRESS_CLASSW)) WriteProgressFields(json, control);
    json.EndObject();
}

void WriteInspection(JsonWriter& json, HWND window) {
    json.BeginObject();
    WriteWindowFields(json, window);
    const HWND focus = FocusOf(window);
    json.Key("controls").BeginArray();
    for (HWND control : Descendants(window)) WriteControl(json, control, focus);
    json.EndArray();
    json.EndObject();
}

}  // namespace uidriver
