#pragma once
// The driver's command line: one command, then --name value options.
#include <windows.h>

#include <optional>
#include <string>

namespace uidriver {

// Which top-level window: every given field must match.
struct WindowFilter {
    std::optional<HWND> hwnd;
    std::optional<std::wstring> caption;          // whole caption
    std::optional<std::wstring> captionContains;  // part of the caption
    std::optional<std::wstring> className;
    std::optional<DWORD> pid;
    std::optional<std::wstring> exe;  // file name of the owning program, e.g. VantrellSetup.exe
};

// Which descendant control. Texts are compared without mnemonic ampersands.
struct ControlFilter {
    std::optional<int> id;
    std::optional<std::wstring> className;
    std::optional<std::wstring> text;
    std::optional<std::wstring> textContains;

    bool Any() const noexcept { return id || className || text || textContains; }
};

struct Options {
    std::wstring command;
    WindowFilter window;
    ControlFilter control;
    bool visible = false;  // the window, and the control if one is named, must be visible
    bool enabled = false;  // the target (control, else window) must be enabled
    DWORD timeoutMs = 5000;

    std::optional<std::wstring> button;  // answer: button id or text
    std::optional<std::wstring> out;     // screenshot: BMP path
    std::wstring method;                 // key: post|input
    std::optional<std::wstring> key;     // key: "N", "Enter", "Alt+N", ...
    std::optional<UINT> sysCommand;      // syscommand: WM_SYSCOMMAND id
    std::optional<POINT> at;             // click: client point for a mouse click
    bool mouse = false;                  // click: mouse messages instead of BM_CLICK
    bool wmClose = false;                // close: WM_CLOSE instead of SC_CLOSE
};

// Returns nullopt and fills `error` on bad usage.
std::optional<Options> ParseOptions(int argc, wchar_t** argv, std::wstring& error);

extern const char kUsage[];

}  // namespace uidriver
