#pragma once
// Base of the labels that take over a template's static control: subclassing, default
// processing and the transparent background the page hands out.
#include <windows.h>

namespace controls {

class CLabel {
public:
    virtual ~CLabel();
    CLabel(const CLabel&) = delete;
    CLabel& operator=(const CLabel&) = delete;

    // Takes over an existing static window; false leaves the window as it was.
    virtual bool Attach(HWND existingStatic) = 0;
    HWND Hwnd() const { return hwnd_; }

protected:
    CLabel() = default;

    bool Subclass(HWND hwnd);
    // Every message of the window; the default passes it on to the static.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);
    // Asks the parent for the static colour with this DC and fills the client area with
    // the brush it answers (the page's background pattern).
    void FillBackground(HDC dc) const;

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR self);
    void Unsubclass();

    HWND hwnd_ = nullptr;
};

}  // namespace controls
