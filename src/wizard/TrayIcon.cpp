#include "wizard/TrayIcon.h"


namespace wizard {

namespace {
template <size_t N>
void CopyCut(wchar_t (&field)[N], const std::wstring& text) {
    size_t count = std::min(text.size(), N - 1);
    wmemcpy(field, text.data(), count);
    field[count] = L'\0';
}
}  // namespace

// The layouts the shell tells apart by size: 956, 952, 936 and 152 bytes in a 32-bit
// program; the same layouts are larger in a 64-bit one, so they come from the header.
DWORD CTrayIcon::StructureSize(DWORD major, DWORD minor, DWORD build) {
    if (major > 6 || (major == 6 && (minor > 0 || build >= 6))) return sizeof(NOTIFYICONDATAW);
    if (major == 6) return NOTIFYICONDATAW_V3_SIZE;
    if (major >= 5) return NOTIFYICONDATAW_V2_SIZE;
    return NOTIFYICONDATAW_V1_SIZE;
}

void CTrayIcon::Prepare(HWND window, HICON icon, const std::wstring& tip, const std::wstring& balloonTitle,
                        const std::wstring& balloonText) {
    OSVERSIONINFOW version{sizeof version};
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    ::GetVersionExW(&version);
#pragma GCC diagnostic pop
    data_ = {};
    DWORD size = StructureSize(version.dwMajorVersion, version.dwMinorVersion, version.dwBuildNumber);
    data_.cbSize = size;
    data_.hWnd = window;
    data_.uID = kTrayIconId;
    data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
    data_.uCallbackMessage = AM_TRAY_NOTIFY;
    data_.hIcon = icon;
    CopyCut(data_.szTip, tip);
    CopyCut(data_.szInfoTitle, balloonTitle);
    CopyCut(data_.szInfo, balloonText);
    data_.uTimeout = 5000;
    data_.dwInfoFlags = NIIF_INFO;
}

bool CTrayIcon::Show() {
    shown_ = 1;
    added_ = ::Shell_NotifyIconW(NIM_ADD, &data_) != FALSE;
    return added_;
}

void CTrayIcon::Remove() {
    if (!added_) return;
    ::Shell_NotifyIconW(NIM_DELETE, &data_);
    added_ = false;
}

}  // namespace wizard
