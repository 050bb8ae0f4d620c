#include "wizard/AboutDialog.h"

#include <vector>

#include "ResourceIds.h"
#include "app/Program.h"
#include "fw/Exception.h"
#include "fw/TextFormat.h"
#include "util/FileVersionInfo.h"
#include "wizard/MessageBox.h"

namespace wizard {

namespace {

constexpr int kMaxDateChars = 127;

std::wstring OwnFilePath() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) return std::wstring(path.data(), n);
        path.resize(path.size() * 2);
    }
}

DWORD OwnLinkTime() {
    const auto* base = reinterpret_cast<const BYTE*>(::GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    return nt->FileHeader.TimeDateStamp;
}

// Sets the control's text to the string `id` formatted; a missing string keeps the template's.
void SetFromString(HWND dialog, int control, UINT id, std::initializer_list<std::wstring> args) {
    std::wstring format;
    if (fw::TryLoadString(id, format)) ::SetDlgItemTextW(dialog, control, fw::FormatText(format, args).c_str());
}

}  // namespace

std::wstring FormatBuildTime(DWORD linkTime) {
    // A zero stamp is a build that records none, not 1970.
    if (linkTime == 0) return {};
    const ULONGLONG ticks = (static_cast<ULONGLONG>(linkTime) + 11644473600ull) * 10000000ull;
    const FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME utcTime{}, local{};
    if (!::FileTimeToSystemTime(&utc, &utcTime) || !::SystemTimeToTzSpecificLocalTime(nullptr, &utcTime, &local))
        return {};
    wchar_t date[kMaxDateChars + 1] = {};
    wchar_t time[kMaxDateChars + 1] = {};
    if (!::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_LONGDATE, &local, nullptr, date, kMaxDateChars + 1) ||
        !::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &local, nullptr, time, kMaxDateChars + 1))
        return {};
    std::wstring text = std::wstring(date) + L" " + time;
    if (text.size() > kMaxDateChars) text.resize(kMaxDateChars);
    return text;
}

CAboutDialog::CAboutDialog() : fw::CDialog(IDD_ABOUT) {}

BOOL CAboutDialog::OnInitDialog() {
    HWND hwnd = GetSafeHwnd();
    util::CFileVersionInfo info;
    if (!info.Read(OwnFilePath().c_str())) fw::AfxThrowResourceException();
    const std::wstring version = info.FileVersion().empty() ? info.ProductVersion() : info.FileVersion();
    app::CProgram& program = app::TheProgram();
    const std::wstring appName = program.AppNameCopy();

    SetFromString(hwnd, IDC_ABOUT_TITLE, IDS_ABOUT_TITLE, {appName});
    if (const std::wstring copyright = info.LegalCopyright(); !copyright.empty())
        ::SetDlgItemTextW(hwnd, IDC_ABOUT_COPYRIGHT, copyright.c_str());
    else
        SetFromString(hwnd, IDC_ABOUT_COPYRIGHT, IDS_ABOUT_COPYRIGHT, {appName});
    SetFromString(hwnd, IDC_ABOUT_POWERED_BY, IDS_ABOUT_POWERED_BY, {appName, version});
    SetFromString(hwnd, IDC_ABOUT_BUILT_ON, IDS_ABOUT_BUILT_ON, {FormatBuildTime(OwnLinkTime())});

    const std::wstring* flow = program.InjectedData().Lookup(L"FlowName");
    if (!flow) flow = program.Settings().Lookup(L"FlowName");
    ::SetDlgItemTextW(hwnd, IDC_ABOUT_FLOW, flow ? flow->c_str() : L"");
    SetFromString(hwnd, IDC_ABOUT_CLOSE, IDS_BUTTON_CLOSE, {});
    RECT rect{};
    ::GetWindowRect(hwnd, &rect);
    PlaceCentred(hwnd, rect.right - rect.left, rect.bottom - rect.top);
    // Focus on the button, not the flow field, whose text would show selected.
    ::SendMessageW(hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(hwnd, IDC_ABOUT_CLOSE)), TRUE);
    return FALSE;
}

bool CAboutDialog::OnCommand(WORD id, WORD, HWND) {
    // Escape and the title-bar close arrive as IDCANCEL.
    if (id == IDC_ABOUT_CLOSE || id == IDCANCEL) {
        EndDialog(id);
        return true;
    }
    return false;
}

}  // namespace wizard
