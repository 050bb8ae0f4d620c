#include "wizard/SubDialog.h"

#include <richedit.h>

#include <gdiplus.h>

#include <cmath>

#include "ResourceIds.h"
#include "app/Program.h"
#include "controls/BitmapCache.h"
#include "controls/RtfLabel.h"
#include "controls/SkinResources.h"
#include "controls/SuperLabel.h"
#include "fw/Exception.h"
#include "fw/GdiScope.h"
#include "fw/TextFormat.h"
#include "fw/WinApp.h"
#include "install/Installation.h"
#include "wizard/MainWindow.h"

namespace wizard {

IMPLEMENT_DYNAMIC(CSubDialog, fw::CDialog)

namespace {

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

std::wstring WindowText(HWND window) {
    int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

// Hands out a resource's bytes in the sizes the rich edit asks for.
struct RtfSource {
    const char* data;
    DWORD size;
    DWORD offset;
};

DWORD CALLBACK ReadRtf(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) {
    auto* source = reinterpret_cast<RtfSource*>(cookie);
    DWORD left = source->size - source->offset;
    DWORD count = wanted < 0 ? 0 : std::min<DWORD>(left, static_cast<DWORD>(wanted));
    memcpy(buffer, source->data + source->offset, count);
    source->offset += count;
    *given = static_cast<LONG>(count);
    return 0;
}

bool IsPictureStatic(DWORD style) { return (style & 0xE) != 0; }

BOOL CALLBACK CollectWindow(HWND child, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
    return TRUE;
}

}  // namespace

CSubDialog::CSubDialog(UINT templateId) : fw::CDialog(templateId) {
    if (!template_.Load(::GetModuleHandleW(nullptr), templateId)) fw::AfxThrowResourceException();
}

CSubDialog::~CSubDialog() {
    // Labels let go of their windows before the windows go.
    labels_.clear();
}

bool CSubDialog::Create(HWND frame) {
    if (!CreateModeless(frame)) return false;
    if (initFailed_) {
        ::ShowWindow(GetSafeHwnd(), SW_HIDE);
        return false;
    }
    BuildBackground();
    return GetSafeHwnd() != nullptr;
}

BOOL CSubDialog::OnInitDialog() {
    try {
        return OnInitPage();
    } catch (...) {
        initFailed_ = 1;
        throw;
    }
}

BOOL CSubDialog::OnInitPage() {
    RestyleControls();
    HideControl(IDC_HEADER_PICTURE);
    HideControl(IDC_BAND_MARKER);
    BuildBackground();
    return TRUE;
}

bool CSubDialog::PageText(UINT id, std::wstring& text) const {
    std::wstring buttonText;
    LRESULT defId = ::SendMessageW(GetSafeHwnd(), DM_GETDEFID, 0, 0);
    if (HIWORD(defId) == DC_HASDEFID) {
        if (HWND button = Control(LOWORD(defId))) {
            // "&&" shows one ampersand, so it stays one; a single "&" only marks the mnemonic.
            const std::wstring caption = WindowText(button);
            for (size_t i = 0; i < caption.size(); ++i) {
                if (caption[i] != L'&') buttonText.push_back(caption[i]);
                else if (i + 1 < caption.size() && caption[i + 1] == L'&') buttonText.push_back(caption[++i]);
            }
        }
    }
    std::wstring format;
    if (!fw::TryLoadString(id, format)) return false;
    text = fw::FormatText(format, app::TheProgram().appName, buttonText);
    return true;
}

bool CSubDialog::EnableControl(UINT id, bool enable) {
    HWND control = Control(id);
    if (!control) return false;
    ::EnableWindow(control, enable);
    return (::IsWindowEnabled(control) != FALSE) == enable;
}

bool CSubDialog::HideControl(UINT id) {
    HWND control = Control(id);
    if (!control) return false;
    ::ShowWindow(control, SW_HIDE);
    return !::IsWindowVisible(control);
}

void CSubDialog::RestyleControls() {
    // Collected first: attaching a label must not disturb the walk.
    std::vector<HWND> controls;
    ::EnumChildWindows(GetSafeHwnd(), &CollectWindow, reinterpret_cast<LPARAM>(&controls));
    for (HWND control : controls) RestyleControl(control);
}

void CSubDialog::RestyleControl(HWND control) {
    const UINT id = static_cast<UINT>(::GetDlgCtrlID(control));
    const std::wstring className = ClassOf(control);
    if (className == L"RichEdit20A" || className == L"RichEdit20W") {
        StreamRtf(control, id);
    } else if (className != L"Static") {
        std::wstring text;
        if (!PageText(id, text)) text.clear();
        ::SetWindowTextW(control, text.c_str());
    } else {
        const UINT textId = id == IDC_HEADING ? TemplateId() : id;
        const DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(control, GWL_STYLE));
        if (IsPictureStatic(style)) {
            controls::CBitmapCache& cache = app::TheProgram().Bitmaps();
            HBITMAP bitmap = cache.BitmapForId(id);
            if (!bitmap) {
                const TemplateItem* item = template_.Find(id);
                if (item && item->title.ordinal) bitmap = cache.BitmapForId(*item->title.ordinal);
            }
            if (bitmap) ::SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
        } else {
            std::wstring text;
            if (!PageText(textId, text)) text.clear();
            if (!HasLabel(control)) AttachLabel(control, text);
            ::SetWindowTextW(control, text.c_str());
        }
    }
    ApplySkinFont(control, id);
}

void CSubDialog::StreamRtf(HWND control, UINT id) {
    const char* data = nullptr;
    DWORD size = 0;
    if (!controls::FindSkinRtf(id, data, size)) return;
    LRESULT mask = ::SendMessageW(control, EM_GETEVENTMASK, 0, 0);
    ::SendMessageW(control, EM_SETEVENTMASK, 0, mask | ENM_LINK);
    ::SendMessageW(control, EM_AUTOURLDETECT, TRUE, 0);
    ::SendMessageW(control, EM_EXLIMITTEXT, 0, 0x1FFFC);
    RtfSource source{data, size, 0};
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&source), 0, &ReadRtf};
    ::SendMessageW(control, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
}

void CSubDialog::ApplySkinFont(HWND control, UINT id) {
    LOGFONTW font{};
    int dpiY = 96;
    if (fw::WindowDc dc(control); dc) dpiY = ::GetDeviceCaps(dc.get(), LOGPIXELSY);
    if (!controls::LoadSkinFont(id, dpiY, font)) return;
    fonts_.emplace_back(::CreateFontIndirectW(&font));
    if (HFONT created = fonts_.back().get()) ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(created), TRUE);
}

void CSubDialog::AttachLabel(HWND control, const std::wstring& text) {
    std::unique_ptr<controls::CLabel> label;
    if (!text.empty() && text[0] == L'\x1B') label = std::make_unique<controls::CSuperLabel>();
    else if (text.compare(0, 6, L"{\\rtf1") == 0) label = std::make_unique<controls::CRtfLabel>();
    if (label && label->Attach(control)) labels_.push_back(std::move(label));
}

bool CSubDialog::HasLabel(HWND control) const {
    for (const auto& label : labels_)
        if (label->Hwnd() == control) return true;
    return false;
}

void CSubDialog::BuildBackground() {
    HWND page = GetSafeHwnd();
    if (!page) return;
    RECT client{};
    ::GetClientRect(page, &client);
    const int width = client.right, height = client.bottom;
    if (width <= 0 || height <= 0) return;

    fw::WindowDc screen(page);
    fw::UniqueMemoryDc dc(::CreateCompatibleDC(screen.get()));
    fw::UniqueBitmap bitmap(::CreateCompatibleBitmap(screen.get(), width, height));
    if (!dc || !bitmap) return;
    {
        fw::SelectScope selected(dc.get(), bitmap.get());
        ::FillRect(dc.get(), &client, ::GetSysColorBrush(COLOR_BTNFACE));

        // The header picture keeps its look at any dialog-unit size: its pixels are
        // taken as dialog units of a 6 x 13 font and mapped with the page's own.
        HBITMAP header = nullptr;
        int pictureWidth = 0, pictureHeight = 0;
        if (HWND picture = Control(IDC_HEADER_PICTURE)) {
            if (::IsWindowVisible(picture)) ::ShowWindow(picture, SW_HIDE);
            header = reinterpret_cast<HBITMAP>(::SendMessageW(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
            BITMAP info{};
            if (header && ::GetObjectW(header, sizeof info, &info)) {
                RECT units{0, 0, static_cast<LONG>(std::lround(info.bmWidth * 4.0 / 6.0)),
                           static_cast<LONG>(std::lround(info.bmHeight * 8.0 / 13.0))};
                ::MapDialogRect(page, &units);
                pictureWidth = units.right;
                pictureHeight = units.bottom;
            }
        }
        int bandBottom = pictureHeight;
        HWND marker = Control(IDC_BAND_MARKER);
        if (marker) {
            if (::IsWindowVisible(marker)) ::ShowWindow(marker, SW_HIDE);
            RECT rect{};
            ::GetWindowRect(marker, &rect);
            ::MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&rect), 2);
            bandBottom = rect.top;
        }
        RECT band{0, 0, width, bandBottom};
        ::FillRect(dc.get(), &band, ::GetSysColorBrush(COLOR_WINDOW));
        if (header && pictureWidth > 0 && pictureHeight > 0) {
            Gdiplus::Bitmap image(header, nullptr);
            Gdiplus::Graphics graphics(dc.get());
            graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
            graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHighQuality);
            graphics.DrawImage(&image, Gdiplus::Rect(0, 0, pictureWidth, pictureHeight));
        }
        auto engrave = [&](int y) {
            fw::UniquePen shadow(::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_BTNSHADOW)));
            fw::UniquePen light(::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_BTNHIGHLIGHT)));
            {
                fw::SelectScope pen(dc.get(), shadow.get());
                ::MoveToEx(dc.get(), 0, y, nullptr);
                ::LineTo(dc.get(), width, y);
            }
            fw::SelectScope pen(dc.get(), light.get());
            ::MoveToEx(dc.get(), 0, y + 1, nullptr);
            ::LineTo(dc.get(), width, y + 1);
        };
        engrave(pictureHeight);
        if (marker) engrave(bandBottom);
    }
    fw::UniqueBrush brush(::CreatePatternBrush(bitmap.get()));
    background_ = std::move(bitmap);
    backgroundBrush_ = std::move(brush);
}

HBRUSH CSubDialog::StaticColour(HDC dc, HWND control) {
    if (!backgroundBrush_) BuildBackground();
    RECT rect{};
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, GetSafeHwnd(), reinterpret_cast<POINT*>(&rect), 2);
    ::SetBrushOrgEx(dc, -rect.left, -rect.top, nullptr);
    COLORREF colour = 0;
    if (controls::LoadSkinColour(static_cast<UINT>(::GetDlgCtrlID(control)), colour)) ::SetTextColor(dc, colour);
    ::SetBkMode(dc, TRANSPARENT);
    return backgroundBrush_.get();
}

void CSubDialog::EraseBackground(HDC dc) {
    if (!backgroundBrush_) BuildBackground();
    BITMAP info{};
    if (background_ && ::GetObjectW(background_.get(), sizeof info, &info)) {
        fw::UniqueMemoryDc source(::CreateCompatibleDC(dc));
        fw::SelectScope selected(source.get(), background_.get());
        ::BitBlt(dc, 0, 0, info.bmWidth, info.bmHeight, source.get(), 0, 0, SRCCOPY);
    } else {
        RECT area{};
        ::GetClipBox(dc, &area);
        ::FillRect(dc, &area, ::GetSysColorBrush(COLOR_BTNFACE));
    }
}

int CSubDialog::ConfirmCancel() {
    int answer = fw::AfxMessageBox(IDS_CANCEL_QUESTION, MB_YESNO | MB_ICONQUESTION);
    if (answer == IDYES) {
        app::CProgram& program = app::TheProgram();
        if (install::CInstallation* installation = program.installationThread) {
            installation->productCancelled = 1;
            installation->backupSkipped = 1;
            installation->PageProxy().Cancel();
            installation->PostThreadMessage(install::TM_FINISH, 0, 0);
        }
    }
    return answer;
}

void CSubDialog::OnCancel() {
    if (ConfirmCancel() != IDYES) return;
    app::TheProgram().interrupted = 1;
    if (CMainWindow* frame = app::TheProgram().Frame()) frame->GoToFinish();
}

bool CSubDialog::OnCommand(WORD id, WORD code, HWND control) {
    switch (id) {
    case IDOK:
        OnOK();
        return true;
    case IDCANCEL:
        OnCancel();
        return true;
    default:
        return false;
    }
}

bool CSubDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_CTLCOLORSTATIC:
        result = reinterpret_cast<LRESULT>(StaticColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
        return true;
    case WM_ERASEBKGND:
        EraseBackground(reinterpret_cast<HDC>(wParam));
        result = TRUE;
        return true;
    case WM_SIZE:
        BuildBackground();
        return false;  // the dialog's default handling still runs
    default:
        return false;
    }
}

}  // namespace wizard
