#pragma once
// Scoped GDI state: a window's DC, a paint DC, and an object selected into a DC
// for as long as the scope lasts.
#include <windows.h>

namespace fw {

class WindowDc {
public:
    explicit WindowDc(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
    ~WindowDc() { if (dc_) ::ReleaseDC(window_, dc_); }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

class PaintDc {
public:
    explicit PaintDc(HWND window) noexcept : window_(window) { dc_ = ::BeginPaint(window, &paint_); }
    ~PaintDc() { ::EndPaint(window_, &paint_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    HDC get() const noexcept { return dc_; }
    const PAINTSTRUCT& Paint() const noexcept { return paint_; }

private:
    HWND window_;
    HDC dc_;
    PAINTSTRUCT paint_{};
};

// Selects an object and puts the previous one back; the object stays the caller's.
class SelectScope {
public:
    SelectScope(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(object ? ::SelectObject(dc, object) : nullptr) {}
    ~SelectScope() { if (previous_) ::SelectObject(dc_, previous_); }
    SelectScope(const SelectScope&) = delete;
    SelectScope& operator=(const SelectScope&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// Saves the DC's whole drawing state and restores it.
class SavedDcState {
public:
    explicit SavedDcState(HDC dc) noexcept : dc_(dc), saved_(::SaveDC(dc)) {}
    ~SavedDcState() { if (saved_) ::RestoreDC(dc_, saved_); }
    SavedDcState(const SavedDcState&) = delete;
    SavedDcState& operator=(const SavedDcState&) = delete;

private:
    HDC dc_;
    int saved_;
};

}  // namespace fw
