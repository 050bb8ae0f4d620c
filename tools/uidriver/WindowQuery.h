#pragma once
// Finding the window and control a command is about, and waiting for them.
#include <windows.h>

#include <optional>
#include <vector>

#include "Options.h"

namespace uidriver {

struct Target {
    HWND window = nullptr;   // the top-level window (or the --hwnd window)
    HWND control = nullptr;  // null when no control was asked for

    HWND Subject() const noexcept { return control ? control : window; }
};

// Top-level windows that match, topmost first.
std::vector<HWND> FindWindows(const WindowFilter& filter, bool visibleOnly);
// Every descendant of a window, parents before their children.
std::vector<HWND> Descendants(HWND window);
// The first matching descendant, preferring a visible one.
HWND FindControl(HWND window, const ControlFilter& filter, bool visibleOnly, bool enabledOnly);

// One look: the first window (and control) that meets the options' conditions.
std::optional<Target> Resolve(const Options& options);
// Looks again every few milliseconds until found or the time is up.
std::optional<Target> WaitFor(const Options& options);
// True once nothing matches any more; false when something still does at the end.
bool WaitGone(const Options& options);

class Deadline {
public:
    explicit Deadline(DWORD ms) noexcept : end_(::GetTickCount64() + ms) {}
    bool Passed() const noexcept { return ::GetTickCount64() >= end_; }
    DWORD Remaining() const noexcept;

private:
    ULONGLONG end_;
};

constexpr DWORD kPollMs = 50;

}  // namespace uidriver
