#include "TestWindow.h"

#include <cwchar>

namespace controls_test {
namespace {

constexpr wchar_t kClassName[] = L"WrenkitControlsTestPage";

LRESULT CALLBACK PageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    static HBRUSH brush = ::CreateSolidBrush(kPageColour);
    if (message == WM_CTLCOLORSTATIC) {
        ::SetTextColor(reinterpret_cast<HDC>(wParam), RGB(0, 0, 0));
        return reinterpret_cast<LRESULT>(brush);
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

void RegisterOnce() {
    static const bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = PageProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = kClassName;
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        return ::RegisterClassW(&wc) != 0;
    }();
    (void)registered;
}

}  // namespace

TestWindow::TestWindow(int staticWidth, int staticHeight, const wchar_t* text) {
    RegisterOnce();
    parent_ = ::CreateWindowExW(WS_EX_TOPMOST, kClassName, L"controls test", WS_POPUP | WS_VISIBLE, 10, 10,
                                staticWidth + 40, staticHeight + 40, nullptr, nullptr, ::GetModuleHandleW(nullptr),
                                nullptr);
    static_ = ::CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_VISIBLE, 20, 20, staticWidth, staticHeight,
                                parent_, reinterpret_cast<HMENU>(1), ::GetModuleHandleW(nullptr), nullptr);
    Pump();
}

TestWindow::~TestWindow() {
    if (parent_) ::DestroyWindow(parent_);
    Pump();
}

void TestWindow::Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

COLORREF TestWindow::PixelAt(int x, int y) const {
    HDC dc = ::GetDC(static_);
    COLORREF colour = ::GetPixel(dc, x, y);
    ::ReleaseDC(static_, dc);
    return colour;
}

fw::UniqueGdiObject MakeFont(const wchar_t* face, int height, int weight) {
    LOGFONTW font{};
    font.lfHeight = height;
    font.lfWeight = weight;
    font.lfCharSet = DEFAULT_CHARSET;
    std::wcsncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    return fw::UniqueGdiObject(::CreateFontIndirectW(&font));
}

}  // namespace controls_test
