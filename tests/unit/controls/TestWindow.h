#pragma once
// A real top-level window standing in for a page: it answers static colour requests with a
// solid brush of kPageColour and holds one static of the given client size.
#include <windows.h>

#include "fw/UniqueHandle.h"

namespace controls_test {

inline constexpr COLORREF kPageColour = RGB(0, 200, 0);

class TestWindow {
public:
    TestWindow(int staticWidth, int staticHeight, const wchar_t* text = L"");
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND Parent() const { return parent_; }
    HWND Static() const { return static_; }
    // Pumps the queue until it is empty, so paints and posted messages arrive.
    static void Pump();
    // The colour of a pixel of the static's client area, as on screen after it painted.
    COLORREF PixelAt(int x, int y) const;

private:
    HWND parent_ = nullptr;
    HWND static_ = nullptr;
};

// A font of the given face and pixel height, owned.
fw::UniqueGdiObject MakeFont(const wchar_t* face, int height, int weight = FW_NORMAL);

}  // namespace controls_test
