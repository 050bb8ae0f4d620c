#include "WindowState.h"

#include <algorithm>
#include <set>
#include <vector>

#include "fw/UniqueHandle.h"

namespace uidriver {

namespace {

constexpr UINT kMessageLimitMs = 2000;
constexpr int kMaxText = 1 << 20;  // a licence text fits; a runaway control does not

std::set<DWORD>& HungThreads() {
    static std::set<DWORD> threads;
    return threads;
}

}  // namespace

std::wstring ClassName(HWND window) {
    wchar_t name[256] = {};
    ::GetClassNameW(window, name, ARRAYSIZE(name));
    return name;
}

std::wstring StoredText(HWND window) {
    std::vector<wchar_t> buffer(4096);
    const int length = ::InternalGetWindowText(window, buffer.data(), static_cast<int>(buffer.size()));
    return std::wstring(buffer.data(), static_cast<size_t>(length > 0 ? length : 0));
}

bool SendWithLimit(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
    if (HungThreads().count(thread)) return false;
    DWORD_PTR answer = 0;
    if (!::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kMessageLimitMs, &answer)) {
        if (::IsWindow(window)) HungThreads().insert(thread);
        return false;
    }
    result = static_cast<LRESULT>(answer);
    return true;
}

std::wstring ReadText(HWND window, bool* hung) {
    if (hung) *hung = false;
    LRESULT length = 0;
    if (SendWithLimit(window, WM_GETTEXTLENGTH, 0, 0, length)) {
        if (length <= 0) return {};
        // The length may be an upper bound (DBCS), and the text may grow in between.
        std::vector<wchar_t> buffer(static_cast<size_t>(std::min<LRESULT>(length, kMaxText)) + 1);
        LRESULT copied = 0;
        if (SendWithLimit(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()), copied))
            return std::wstring(buffer.data(), static_cast<size_t>(std::max<LRESULT>(copied, 0)));
    }
    if (hung) *hung = ::IsWindow(window) != FALSE;
    return StoredText(window);
}

DWORD ProcessOf(HWND window) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    return pid;
}

std::wstring ProgramName(DWORD pid) {
    fw::UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process) return {};
    wchar_t path[MAX_PATH * 2] = {};
    DWORD size = ARRAYSIZE(path);
    if (!::QueryFullProcessImageNameW(process.get(), 0, path, &size)) return {};
    const std::wstring full(path, size);
    const size_t slash = full.find_last_of(L"\\/");
    return slash == std::wstring::npos ? full : full.substr(slash + 1);
}

std::wstring WithoutMnemonics(std::wstring_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&') {
            // "&&" is a literal ampersand; a single one only marks the mnemonic.
            if (i + 1 < text.size() && text[i + 1] == L'&') {
                out += L'&';
                ++i;
            }
            continue;
        }
        out += text[i];
    }
    return out;
}

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
}

}  // namespace uidriver
