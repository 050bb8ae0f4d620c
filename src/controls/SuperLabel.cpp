#include "controls/SuperLabel.h"

#include <shellapi.h>
#include <windowsx.h>

#include "fw/GdiScope.h"

namespace controls {
namespace {

HFONT ControlFont(HWND hwnd) { return reinterpret_cast<HFONT>(::SendMessageW(hwnd, WM_GETFONT, 0, 0)); }

POINT PointOf(LPARAM lParam) { return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

std::wstring WindowText(HWND hwnd) {
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace

bool CSuperLabel::Attach(HWND existingStatic) {
    if (!Subclass(existingStatic)) return false;
    SetMarkup(WindowText(existingStatic).c_str());
    return true;
}

void CSuperLabel::SetMarkup(const wchar_t* text) {
    // The old runs and words go only once the new ones are complete.
    std::vector<MarkupRun> runs = ParseMarkup(text ? text : L"");
    size_t longest = 0;
    std::vector<WordBox> words = BuildWords(runs, longest);
    runs_ = std::move(runs);
    words_ = std::move(words);
    longestWord_ = longest;
    hotRun_ = kNoRun;
    Layout();
}

void CSuperLabel::EnsureFonts() {
    HFONT font = ControlFont(Hwnd());
    if (!fonts_.IsBuiltFrom(font)) fonts_.Rebuild(font);
}

void CSuperLabel::Layout() {
    if (!Hwnd()) return;
    EnsureFonts();
    fw::WindowDc dc(Hwnd());
    if (!dc.get()) return;
    TEXTMETRICW metrics{};
    {
        fw::SelectScope base(dc.get(), fonts_.Base());
        ::GetTextMetricsW(dc.get(), &metrics);
    }
    lineHeight_ = metrics.tmHeight;

    // One measuring call per word gives the widths of all its prefixes.
    std::vector<int> prefixWidths(words_.empty() ? 1 : words_[longestWord_].text.size() + 1);
    auto measure = [&](const WordBox& word) {
        WordWidths widths;
        if (word.text.empty()) return widths;
        fw::SelectScope font(dc.get(), fonts_.Font(static_cast<size_t>(runs_[word.run].style)));
        SIZE size{};
        if (!::GetTextExtentExPointW(dc.get(), word.text.c_str(), static_cast<int>(word.text.size()), 0, nullptr,
                                     prefixWidths.data(), &size))
            return widths;
        widths.full = size.cx;
        widths.visible = word.lastVisible >= 0 ? prefixWidths[static_cast<size_t>(word.lastVisible)] : 0;
        return widths;
    };
    RECT client{};
    ::GetClientRect(Hwnd(), &client);
    LayoutWords(words_, client.right, client.bottom, lineHeight_, measure);
    ::InvalidateRect(Hwnd(), nullptr, TRUE);
    ::UpdateWindow(Hwnd());
}

void CSuperLabel::Paint() {
    fw::PaintDc dc(Hwnd());
    if (!dc.get()) return;
    ::SetBkMode(dc.get(), TRANSPARENT);
    FillBackground(dc.get());  // the page sets the text colour on the way
    EnsureFonts();
    fw::SelectScope base(dc.get(), fonts_.Base());
    for (WordBox& word : words_) {
        const MarkupRun& run = runs_[word.run];
        fw::SavedDcState saved(dc.get());
        if (!run.address.empty()) ::SetTextColor(dc.get(), ::GetSysColor(COLOR_HOTLIGHT));
        if (::IsRectEmpty(&word.rect)) continue;
        ::SelectObject(dc.get(), fonts_.Font(static_cast<size_t>(run.style)));
        ::DrawTextW(dc.get(), word.text.c_str(), static_cast<int>(word.text.size()), &word.rect,
                    DT_SINGLELINE | DT_EXPANDTABS | DT_NOPREFIX);
    }
}

int CSuperLabel::RunAt(POINT point) const {
    for (const WordBox& word : words_) {
        if (::PtInRect(&word.rect, point) && !runs_[word.run].address.empty()) return static_cast<int>(word.run);
    }
    return kNoRun;
}

void CSuperLabel::OnMouseMove(POINT point) {
    if (!tracking_) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, Hwnd(), 0};
        tracking_ = ::TrackMouseEvent(&track) != FALSE;
    }
    hotRun_ = RunAt(point);
    ::SetCursor(::LoadCursorW(nullptr, hotRun_ != kNoRun ? IDC_HAND : IDC_ARROW));
}

void CSuperLabel::OnMouseLeave() {
    tracking_ = false;
    hotRun_ = kNoRun;
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
}

void CSuperLabel::OnLButtonUp(POINT point) {
    // The release point decides too: a click may come without a move before it.
    hotRun_ = RunAt(point);
    if (hotRun_ == kNoRun) return;
    // A link that cannot be opened is ignored.
    ::ShellExecuteW(::GetAncestor(Hwnd(), GA_ROOT), L"open", runs_[static_cast<size_t>(hotRun_)].address.c_str(),
                    nullptr, nullptr, SW_SHOWNORMAL);
}

LRESULT CSuperLabel::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETTEXT:
        // The runs replace the text; the static keeps none of its own.
        SetMarkup(reinterpret_cast<const wchar_t*>(lParam));
        return TRUE;
    case WM_SETFONT: {
        LRESULT result = Default(message, wParam, lParam);
        Layout();
        return result;
    }
    case WM_SIZE: {
        LRESULT result = Default(message, wParam, lParam);
        Layout();
        return result;
    }
    case WM_PAINT:
        Paint();
        return 0;
    case WM_ERASEBKGND:
        ::SelectClipRgn(reinterpret_cast<HDC>(wParam), nullptr);
        return Default(message, wParam, lParam);
    case WM_NCHITTEST:
        // A plain static is transparent to the mouse; links need the clicks.
        return HTCLIENT;
    case WM_SETCURSOR:
        if (hotRun_ != kNoRun) {
            ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        return Default(message, wParam, lParam);
    case WM_MOUSEMOVE:
        OnMouseMove(PointOf(lParam));
        return 0;
    case WM_MOUSELEAVE:
        OnMouseLeave();
        return 0;
    case WM_LBUTTONUP:
        OnLButtonUp(PointOf(lParam));
        return Default(message, wParam, lParam);
    default:
        return Default(message, wParam, lParam);
    }
}

}  // namespace controls
