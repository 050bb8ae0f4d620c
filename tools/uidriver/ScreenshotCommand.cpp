// screenshot: a window with its frame, as a 24-bit BMP file, copied from the screen
// as the user sees it. (PrintWindow gives black across processes under Wine, where a
// DC is only valid inside the process that made it.)
#include <vector>

#include "Commands.h"
#include "WindowQuery.h"
#include "fw/UniqueHandle.h"

namespace uidriver {

namespace {

// The screen DC is borrowed with GetDC and given back with ReleaseDC.
class ScreenDc {
public:
    ScreenDc() noexcept : dc_(::GetDC(nullptr)) {}
    ~ScreenDc() {
        if (dc_) ::ReleaseDC(nullptr, dc_);
    }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC get() const noexcept { return dc_; }

private:
    HDC dc_;
};

class MemoryDc {
public:
    explicit MemoryDc(HDC compatible) noexcept : dc_(::CreateCompatibleDC(compatible)) {}
    ~MemoryDc() {
        if (dc_) ::DeleteDC(dc_);
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    HDC get() const noexcept { return dc_; }

private:
    HDC dc_;
};

class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(::SelectObject(dc, object)) {}
    ~Selection() { ::SelectObject(dc_, previous_); }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

BITMAPINFOHEADER Header24(int width, int height) {
    BITMAPINFOHEADER header = {sizeof header};
    header.biWidth = width;
    header.biHeight = height;  // bottom-up, as BMP files store rows
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    return header;
}

bool WriteBmp(const std::wstring& path, const BITMAPINFOHEADER& header, const std::vector<BYTE>& pixels) {
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    fw::UniqueFile out(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!out) return false;
    DWORD written = 0;
    return ::WriteFile(out.get(), &file, sizeof file, &written, nullptr) &&
           ::WriteFile(out.get(), &header, sizeof header, &written, nullptr) &&
           ::WriteFile(out.get(), pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr);
}


}  // namespace

Outcome Screenshot(const Options& options, JsonWriter& json) {
    const auto target = WaitFor(options);
    if (!target) return NotFound();
    const HWND window = target->Subject();
    // The copy is of the screen: a hidden window would give whatever lies there.
    if (!::IsWindowVisible(window)) return Failed(L"window is not visible");
    RECT rect = {};
    ::GetWindowRect(window, &rect);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    json.Field("hwnd", window).Field("width", width).Field("height", height);
    if (width <= 0 || height <= 0) return Failed(L"window has no area");

    ScreenDc screen;
    MemoryDc memory(screen.get());
    fw::UniqueGdiObject bitmap(::CreateCompatibleBitmap(screen.get(), width, height));
    if (!memory.get() || !bitmap) return Failed(L"no bitmap");
    bool drawn = false;
    {
        Selection selected(memory.get(), bitmap.get());
        drawn = ::BitBlt(memory.get(), 0, 0, width, height, screen.get(), rect.left, rect.top, SRCCOPY | CAPTUREBLT);
    }
    if (!drawn) return Failed(L"capture failed");

    BITMAPINFOHEADER header = Header24(width, height);
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
    std::vector<BYTE> pixels(stride * static_cast<size_t>(height));
    // GetDIBits wants the bitmap out of every DC: the selection above has ended.
    if (!::GetDIBits(screen.get(), static_cast<HBITMAP>(bitmap.get()), 0, static_cast<UINT>(height), pixels.data(),
                     reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS))
        return Failed(L"GetDIBits failed");
    header.biSizeImage = static_cast<DWORD>(pixels.size());
    if (!WriteBmp(*options.out, header, pixels)) return Failed(L"cannot write " + *options.out);
    json.Field("path", *options.out);
    return Done();
}

}  // namespace uidriver
