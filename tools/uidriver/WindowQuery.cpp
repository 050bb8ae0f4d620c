#include "WindowQuery.h"

#include <algorithm>
#include <map>

#include "WindowState.h"

namespace uidriver {

namespace {

bool Contains(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

// Program names are looked up once per process and run.
const std::wstring& CachedProgramName(DWORD pid) {
    static std::map<DWORD, std::wstring> names;
    auto found = names.find(pid);
    if (found == names.end()) found = names.emplace(pid, ProgramName(pid)).first;
    return found->second;
}

bool MatchesWindow(HWND window, const WindowFilter& filter, bool visibleOnly) {
    if (visibleOnly && !::IsWindowVisible(window)) return false;
    if (filter.pid && ProcessOf(window) != *filter.pid) return false;
    if (filter.className && !EqualsNoCase(ClassName(window), *filter.className)) return false;
    if (filter.caption || filter.captionContains) {
        const std::wstring caption = StoredText(window);
        if (filter.caption && caption != *filter.caption) return false;
        if (filter.captionContains && !Contains(caption, *filter.captionContains)) return false;
    }
    if (filter.exe && !EqualsNoCase(CachedProgramName(ProcessOf(window)), *filter.exe)) return false;
    return true;
}

bool MatchesControl(HWND control, const ControlFilter& filter) {
    if (filter.id && ::GetDlgCtrlID(control) != *filter.id) return false;
    if (filter.className && !EqualsNoCase(ClassName(control), *filter.className)) return false;
    if (filter.text || filter.textContains) {
        const std::wstring text = WithoutMnemonics(ReadText(control));
        if (filter.text && text != WithoutMnemonics(*filter.text)) return false;
        if (filter.textContains && !Contains(text, WithoutMnemonics(*filter.textContains))) return false;
    }
    return true;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

}  // namespace

DWORD Deadline::Remaining() const noexcept {
    const ULONGLONG now = ::GetTickCount64();
    return now >= end_ ? 0 : static_cast<DWORD>(end_ - now);
}

std::vector<HWND> FindWindows(const WindowFilter& filter, bool visibleOnly) {
    std::vector<HWND> candidates;
    if (filter.hwnd) {
        if (::IsWindow(*filter.hwnd)) candidates.push_back(*filter.hwnd);
    } else {
        ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&candidates));
    }
    std::vector<HWND> found;
    for (HWND window : candidates)
        if (MatchesWindow(window, filter, visibleOnly)) found.push_back(window);
    return found;
}

std::vector<HWND> Descendants(HWND window) {
    std::vector<HWND> children;
    ::EnumChildWindows(window, CollectWindow, reinterpret_cast<LPARAM>(&children));
    return children;
}

HWND FindControl(HWND window, const ControlFilter& filter, bool visibleOnly, bool enabledOnly) {
    HWND hidden = nullptr;
    for (HWND control : Descendants(window)) {
        if (enabledOnly && !::IsWindowEnabled(control)) continue;
        if (!MatchesControl(control, filter)) continue;
        if (::IsWindowVisible(control)) return control;
        if (!hidden) hidden = control;
    }
    return visibleOnly ? nullptr : hidden;
}

std::optional<Target> Resolve(const Options& options) {
    const bool wantControl = options.control.Any();
    for (HWND window : FindWindows(options.window, options.visible)) {
        if (!wantControl) {
            if (options.enabled && !::IsWindowEnabled(window)) continue;
            return Target{window, nullptr};
        }
        if (HWND control = FindControl(window, options.control, options.visible, options.enabled))
            return Target{window, control};
    }
    return std::nullopt;
}

std::optional<Target> WaitFor(const Options& options) {
    const Deadline deadline(options.timeoutMs);
    for (;;) {
        if (auto target = Resolve(options)) return target;
        if (deadline.Passed()) return std::nullopt;
        ::Sleep(std::min(kPollMs, deadline.Remaining()));
    }
}

bool WaitGone(const Options& options) {
    const Deadline deadline(options.timeoutMs);
    for (;;) {
        if (!Resolve(options)) return true;
        if (deadline.Passed()) return false;
        ::Sleep(std::min(kPollMs, deadline.Remaining()));
    }
}

}  // namespace uidriver
