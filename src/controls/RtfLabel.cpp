#include "controls/RtfLabel.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "fw/GdiScope.h"

namespace controls {
namespace {

constexpr int kDefaultDpi = 96;
constexpr LONG kTwipsPerInch = 1440;
constexpr wchar_t kRtfPrefix[] = L"{\\rtf1";

HFONT ControlFont(HWND hwnd) { return reinterpret_cast<HFONT>(::SendMessageW(hwnd, WM_GETFONT, 0, 0)); }

int DpiOf(HWND hwnd) {
    fw::WindowDc dc(hwnd);
    return dc.get() ? ::GetDeviceCaps(dc.get(), LOGPIXELSY) : kDefaultDpi;
}

std::wstring WindowText(HWND hwnd) {
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

// Hands out the document in the sizes the engine asks for.
struct StreamSource {
    const std::string* bytes;
    size_t position;
};

DWORD CALLBACK ReadStream(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) {
    auto* source = reinterpret_cast<StreamSource*>(cookie);
    const size_t left = source->bytes->size() - source->position;
    const size_t count = std::min(left, static_cast<size_t>(std::max<LONG>(wanted, 0)));
    std::memcpy(buffer, source->bytes->data() + source->position, count);
    source->position += count;
    *given = static_cast<LONG>(count);
    return 0;
}

}  // namespace

CHARFORMATW DefaultCharFormat(HFONT font, int dpiY) {
    CHARFORMATW format{};
    format.cbSize = sizeof(format);
    // Size and offset belong in the mask too: an engine that honours the mask would drop them.
    format.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_COLOR | CFM_FACE | CFM_CHARSET |
                    CFM_SIZE | CFM_OFFSET;
    format.crTextColor = RGB(0, 0, 0);
    LOGFONTW logFont{};
    if (!font || ::GetObjectW(font, sizeof(logFont), &logFont) != sizeof(logFont)) {
        format.yHeight = 160;  // 8 points
        format.bCharSet = DEFAULT_CHARSET;
        std::wcscpy(format.szFaceName, L"Tahoma");
        return format;
    }
    if (logFont.lfWeight > FW_BOLD) format.dwEffects |= CFE_BOLD;
    if (logFont.lfItalic) format.dwEffects |= CFE_ITALIC;
    if (logFont.lfUnderline) format.dwEffects |= CFE_UNDERLINE;
    if (logFont.lfStrikeOut) format.dwEffects |= CFE_STRIKEOUT;
    format.yHeight = ::MulDiv(std::abs(logFont.lfHeight), kTwipsPerInch, dpiY > 0 ? dpiY : kDefaultDpi);
    format.bCharSet = logFont.lfCharSet;
    format.bPitchAndFamily = logFont.lfPitchAndFamily;
    std::wcsncpy(format.szFaceName, logFont.lfFaceName, LF_FACESIZE - 1);
    return format;
}

UINT RtfCodePage(std::wstring_view rtf) {
    if (rtf.find(L"\\mac") != std::wstring_view::npos) return CP_MACCP;
    if (rtf.find(L"\\pc") != std::wstring_view::npos) return CP_OEMCP;  // "\pca" included
    return CP_ACP;
}

std::string RtfBytes(std::wstring_view rtf) {
    if (rtf.empty()) return {};
    const UINT codePage = RtfCodePage(rtf);
    const int length = static_cast<int>(rtf.size());
    const int size = ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, rtf.data(), length, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(std::max(size, 0)), '\0');
    if (size > 0)
        ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, rtf.data(), length, bytes.data(), size, nullptr, nullptr);
    return bytes;
}

bool IsRtf(std::wstring_view text) { return text.substr(0, 6) == kRtfPrefix; }

CRtfLabel::~CRtfLabel() {
    // The services go before their host.
    services_.reset();
    host_.reset();
}

bool CRtfLabel::Attach(HWND existingStatic) {
    if (!Subclass(existingStatic)) return false;
    format_ = DefaultCharFormat(ControlFont(existingStatic), DpiOf(existingStatic));
    CreateServices();
    ApplyText(WindowText(existingStatic).c_str());
    return true;
}

void CRtfLabel::CreateServices() {
    // Any failure leaves the label without services: it shows the background only.
    host_.reset(new CTextHost);
    if (FAILED(host_->Init(Hwnd(), &format_))) return;
    PCreateTextServices create = CreateTextServicesFunction();
    CComRef<IUnknown> unknown;
    if (!create || FAILED(create(nullptr, host_.get(), unknown.put())) || !unknown) return;
    if (FAILED(unknown->QueryInterface(kIidTextServices, reinterpret_cast<void**>(services_.put())))) {
        services_.reset();
        return;
    }
    services_->OnTxPropertyBitsChange(TXTBIT_CHARFORMATCHANGE, TXTBIT_CHARFORMATCHANGE);
}

void CRtfLabel::ApplyText(const wchar_t* text) {
    if (!services_) return;
    std::wstring_view view = text ? text : L"";
    if (!IsRtf(view)) {
        services_->TxSetText(text ? text : L"");
        return;
    }
    const std::string bytes = RtfBytes(view);
    StreamSource source{&bytes, 0};
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&source), 0, ReadStream};
    LRESULT result = 0;
    services_->TxSendMessage(EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream), &result);
}

void CRtfLabel::OnFontChanged(HFONT font) {
    format_ = DefaultCharFormat(font, DpiOf(Hwnd()));
    if (!host_ || !services_) return;
    host_->OnTxCharFormatChange(&format_);
    services_->OnTxPropertyBitsChange(TXTBIT_CHARFORMATCHANGE, TXTBIT_CHARFORMATCHANGE);
    // Not every engine reads the host's format again on that bit (Wine's does not): make it
    // the default and lay the text out anew, which starts from the default.
    LRESULT result = 0;
    services_->TxSendMessage(EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format_), &result);
    ApplyText(WindowText(Hwnd()).c_str());
}

void CRtfLabel::Paint() {
    fw::PaintDc dc(Hwnd());
    if (!dc.get()) return;
    fw::SavedDcState saved(dc.get());
    FillBackground(dc.get());
    if (!services_) return;
    RECT client{};
    ::GetClientRect(Hwnd(), &client);
    RECTL bounds{client.left, client.top, client.right, client.bottom};
    services_->TxDraw(DVASPECT_CONTENT, 0, nullptr, nullptr, dc.get(), nullptr, &bounds, nullptr, nullptr,
                      nullptr, 0, TXTVIEW_INACTIVE);
}

LRESULT CRtfLabel::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETTEXT:
        ApplyText(reinterpret_cast<const wchar_t*>(lParam));
        return Default(message, wParam, lParam);  // the static keeps the text too
    case WM_SETFONT:
        OnFontChanged(reinterpret_cast<HFONT>(wParam));
        return Default(message, wParam, lParam);
    case WM_PAINT:
        Paint();
        return 0;
    default:
        return Default(message, wParam, lParam);
    }
}

}  // namespace controls
