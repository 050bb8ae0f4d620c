#pragma once
// The notification-area icon that lets the wizard go on hidden while it installs.
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace wizard {

constexpr UINT kTrayIconId = 4096;
constexpr UINT AM_TRAY_NOTIFY = WM_APP + 6;

class CTrayIcon {
public:
    CTrayIcon() = default;
    ~CTrayIcon() { Remove(); }
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    // Fills the icon's data once; nothing is shown yet.
    void Prepare(HWND window, HICON icon, const std::wstring& tip, const std::wstring& balloonTitle,
                 const std::wstring& balloonText);
    // Adds the icon; its balloon shows at once.
    bool Show();
    void Remove();
    bool Shown() const noexcept { return shown_ != 0; }
    void ClearShown() noexcept { shown_ = 0; }
    const NOTIFYICONDATAW& Data() const noexcept { return data_; }

    // The structure size the running shell understands.
    static DWORD StructureSize(DWORD major, DWORD minor, DWORD build);

private:
    NOTIFYICONDATAW data_{};
    LONG shown_ = 0;
    bool added_ = false;
};

}  // namespace wizard
