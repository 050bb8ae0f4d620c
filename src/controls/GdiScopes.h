#pragma once
// Scoped device contexts and selections of the labels: each undoes exactly what it did.
#include <windows.h>

namespace controls {

// A window's DC, released to that window.
class CWindowDC {
public:
    explicit CWindowDC(HWND hwnd) : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
    ~CWindowDC() { if (dc_) ::ReleaseDC(hwnd_, dc_); }
    CWindowDC(const CWindowDC&) = delete;
    CWindowDC& operator=(const CWindowDC&) = delete;
    HDC get() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// The DC of one WM_PAINT.
class CPaintDC {
public:
    explicit CPaintDC(HWND hwnd) : hwnd_(hwnd), dc_(::BeginPaint(hwnd, &paint_)) {}
    ~CPaintDC() { ::EndPaint(hwnd_, &paint_); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    HDC get() const { return dc_; }

private:
    HWND hwnd_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// Saves the drawing state and restores it.
class CSavedDC {
public:
    explicit CSavedDC(HDC dc) : dc_(dc), saved_(::SaveDC(dc)) {}
    ~CSavedDC() { if (saved_) ::RestoreDC(dc_, saved_); }
    CSavedDC(const CSavedDC&) = delete;
    CSavedDC& operator=(const CSavedDC&) = delete;

private:
    HDC dc_;
    int saved_;
};

// Selects an object into a DC and puts the previous one back.
class CSelectObject {
public:
    CSelectObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? ::SelectObject(dc, object) : nullptr) {}
    ~CSelectObject() { if (previous_) ::SelectObject(dc_, previous_); }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace controls
