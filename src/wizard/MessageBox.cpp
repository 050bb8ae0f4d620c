#include "wizard/MessageBox.h"

#include <algorithm>
#include <cwctype>

#include "ResourceIds.h"
#include "app/Exceptions.h"
#include "fw/GdiScope.h"
#include "fw/WinApp.h"

namespace wizard {

namespace {

constexpr int kIconId = 20;
constexpr int kMainInstructionId = 21;
constexpr int kSecondaryTextId = 22;

constexpr COLORREF kPanelColour = RGB(255, 255, 255);
constexpr COLORREF kStripColour = RGB(240, 240, 240);
constexpr COLORREF kBorderColour = RGB(223, 223, 223);
constexpr COLORREF kMainInstructionColour = RGB(0, 51, 153);
constexpr int kTitlePoints = 12;
constexpr wchar_t kTitleFace[] = L"Tahoma";

// Dialog units of the layout.
constexpr int kMarginDlu = 7;
constexpr int kGapDlu = 5;
constexpr int kButtonWidthDlu = 50;
constexpr int kButtonHeightDlu = 14;
constexpr int kTextWidthChars = 45;

constexpr UINT kTextFormat = DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL | DT_EXPANDTABS | DT_NOPREFIX;
// Long words break like the measurement above; texts are data, never mnemonics.
constexpr DWORD kTextStyle = WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL;

HICON SystemIcon(UINT type) {
    switch (type & MB_ICONMASK) {
    case MB_ICONHAND:
        return ::LoadIconW(nullptr, IDI_HAND);
    case MB_ICONQUESTION:
        return ::LoadIconW(nullptr, IDI_QUESTION);
    case MB_ICONEXCLAMATION:
        return ::LoadIconW(nullptr, IDI_EXCLAMATION);
    case MB_ICONASTERISK:
        return ::LoadIconW(nullptr, IDI_ASTERISK);
    default:
        return nullptr;
    }
}

SIZE MeasureWrapped(HWND hwnd, HFONT font, const std::wstring& text, int width) {
    fw::WindowDc dc(hwnd);
    if (!dc) return {width, 0};
    fw::SelectScope select(dc.get(), font);
    RECT rect{0, 0, width, 0};
    ::DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &rect, kTextFormat);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

// The key that presses a button alone: the character after its "&", upper-cased.
bool MnemonicKey(const std::wstring& caption, WORD& key) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != L'&') continue;
        if (caption[i + 1] == L'&') {
            ++i;
            continue;
        }
        const wchar_t c = static_cast<wchar_t>(std::towupper(caption[i + 1]));
        // Virtual-key codes equal the character only for letters and digits.
        if ((c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9')) {
            key = static_cast<WORD>(c);
            return true;
        }
        return false;
    }
    return false;
}

std::wstring ButtonCaption(WORD id) {
    std::wstring caption;
    if (!fw::TryLoadString(id, caption)) caption = DefaultButtonCaption(id);
    return caption;
}

}  // namespace

MessageBoxButtons ButtonsFor(UINT type) {
    MessageBoxButtons set;
    UINT kind = type & MB_TYPEMASK;
    if (kind > 7) kind = MB_OK;
    switch (kind) {
    case MB_OK:
        set.ids = {IDOK};
        set.closeResult = IDOK;
        break;
    case MB_OKCANCEL:
        set.ids = {IDOK, IDCANCEL};
        set.closable = true;
        break;
    case MB_ABORTRETRYIGNORE:
        set.ids = {IDABORT, IDRETRY, IDIGNORE};
        set.closeResult = IDABORT;
        break;
    case MB_YESNOCANCEL:
        set.ids = {IDYES, IDNO, IDCANCEL};
        set.closable = true;
        break;
    case MB_YESNO:
        set.ids = {IDYES, IDNO};
        set.closeResult = IDNO;
        break;
    case MB_RETRYCANCEL:
        set.ids = {IDRETRY, IDCANCEL};
        set.closable = true;
        break;
    case MB_CANCELTRYCONTINUE:
        set.ids = {IDCANCEL, IDTRYAGAIN, IDCONTINUE};
        set.closable = true;
        break;
    default:
        // No buttons: the title-bar close is the only way out, so it must work.
        set.closable = true;
        break;
    }
    if (type & MB_HELP) set.ids.push_back(IDHELP);
    const size_t wanted = (type & MB_DEFMASK) >> 8;
    set.defaultIndex = wanted < set.ids.size() ? wanted : 0;
    return set;
}

const wchar_t* DefaultButtonCaption(WORD id) {
    static const wchar_t* const captions[] = {L"OK",      L"Cancel", L"&Abort", L"&Retry",
                                              L"&Ignore", L"&Yes",   L"&No",    L"&Close",
                                              L"&Help",   L"&Try Again", L"&Continue"};
    return id >= 1 && id <= std::size(captions) ? captions[id - 1] : L"";
}

MessageBoxLayout LayoutMessageBox(const MessageBoxMetrics& metrics, const MeasureText& mainInstruction,
                                  const MeasureText& secondaryText, size_t buttonCount) {
    const int m = metrics.margin;
    const int g = metrics.gap;
    MessageBoxLayout layout;
    int textWidth = metrics.textWidth;
    int left = m;
    int right = 0;
    int bottom = 0;
    if (metrics.icon.cx > 0) {
        layout.icon = {m, m, m + metrics.icon.cx, m + metrics.icon.cy};
        textWidth += m - metrics.icon.cx;
        left = layout.icon.right + m;
        right = layout.icon.right;
        bottom = layout.icon.bottom;
    }
    auto place = [&](const MeasureText& measure, int top, RECT& rect) {
        const SIZE size = measure(textWidth);
        rect = {left, top, left + std::max<int>(textWidth, size.cx), top + size.cy};
        right = std::max<int>(right, rect.right);
        bottom = std::max<int>(bottom, rect.bottom);
    };
    if (mainInstruction) place(mainInstruction, m, layout.mainInstruction);
    if (secondaryText) place(secondaryText, mainInstruction ? layout.mainInstruction.bottom + m : m,
                             layout.secondaryText);

    const int contentHeight = std::max(bottom + m + 1, metrics.minContentHeight);
    // The buttons always fit, even beside a short text or none.
    const int count = static_cast<int>(buttonCount);
    const int buttonsWidth = count * metrics.button.cx + std::max(count - 1, 0) * g;
    right = std::max(right, m + buttonsWidth);

    const int top = contentHeight + g + 1;
    layout.buttons.resize(buttonCount);
    int x = right;
    for (size_t i = buttonCount; i-- > 0;) {
        layout.buttons[i] = {x - metrics.button.cx, top, x, top + metrics.button.cy};
        x -= metrics.button.cx + g;
    }
    layout.client = {right + m, top + metrics.button.cy + g};
    layout.panel = {-1, -1, layout.client.cx + 1, contentHeight + 1};
    layout.strip = {-1, contentHeight, layout.client.cx + 1, layout.client.cy + 1};
    return layout;
}

void PlaceCentred(HWND popup, int width, int height) {
    HWND owner = ::GetWindow(popup, GW_OWNER);
    MONITORINFO monitor{sizeof(monitor)};
    ::GetMonitorInfoW(::MonitorFromWindow(owner ? owner : popup, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT area = monitor.rcWork;
    RECT anchor = area;
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) ::GetWindowRect(owner, &anchor);
    int x = anchor.left + (anchor.right - anchor.left - width) / 2;
    int y = anchor.top + (anchor.bottom - anchor.top - height) / 2;
    // Keep it on the screen, the top-left corner first.
    x = std::max<int>(area.left, std::min<int>(x, area.right - width));
    y = std::max<int>(area.top, std::min<int>(y, area.bottom - height));
    ::SetWindowPos(popup, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

CMessageBox::CMessageBox(HWND owner, std::wstring caption, std::wstring mainInstruction,
                         std::wstring secondaryText, UINT type, DWORD helpContext)
    : fw::CDialog(IDD_MESSAGEBOX),
      owner_(owner),
      caption_(std::move(caption)),
      mainInstruction_(std::move(mainInstruction)),
      secondaryText_(std::move(secondaryText)),
      type_(type),
      helpContext_(helpContext),
      buttons_(ButtonsFor(type)),
      whiteBrush_(::CreateSolidBrush(kPanelColour)),
      stripBrush_(::CreateSolidBrush(kStripColour)),
      borderPen_(::CreatePen(PS_SOLID, 1, kBorderColour)) {
    int dpi = 96;
    if (fw::WindowDc screen(nullptr); screen) dpi = ::GetDeviceCaps(screen.get(), LOGPIXELSY);
    LOGFONTW font{};
    font.lfHeight = -::MulDiv(kTitlePoints, dpi, 72);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    std::copy(std::begin(kTitleFace), std::end(kTitleFace), font.lfFaceName);
    titleFont_.reset(::CreateFontIndirectW(&font));
    if (!titleFont_) {
        const DWORD error = ::GetLastError();
        throw new app::CWindowsException(error ? error : ERROR_NOT_ENOUGH_MEMORY);
    }
}

CMessageBox::~CMessageBox() = default;

INT_PTR CMessageBox::DoModal() { return fw::CDialog::DoModal(owner_ && ::IsWindow(owner_) ? owner_ : nullptr); }

MessageBoxMetrics CMessageBox::Metrics(HWND hwnd, HICON icon) const {
    MessageBoxMetrics metrics;
    RECT units{kMarginDlu, kButtonHeightDlu, kGapDlu, kButtonHeightDlu};
    ::MapDialogRect(hwnd, &units);
    metrics.margin = units.left;
    metrics.gap = units.right;
    metrics.button.cy = units.bottom;
    RECT width{0, 0, kButtonWidthDlu, 0};
    ::MapDialogRect(hwnd, &width);
    metrics.button.cx = width.right;
    // A fresh DC starts with the system font: the wrap width follows the screen font,
    // not the dialog's.
    TEXTMETRICW tm{};
    if (fw::WindowDc dc(hwnd); dc) ::GetTextMetricsW(dc.get(), &tm);
    metrics.textWidth = kTextWidthChars * tm.tmAveCharWidth;
    metrics.minContentHeight = 3 * tm.tmHeight + metrics.gap + metrics.margin;
    if (icon) metrics.icon = {::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON)};
    return metrics;
}

BOOL CMessageBox::OnInitDialog() {
    HWND hwnd = GetSafeHwnd();
    created_ = true;
    const HFONT dialogFont = reinterpret_cast<HFONT>(::SendMessageW(hwnd, WM_GETFONT, 0, 0));
    const HICON icon = SystemIcon(type_);
    const HFONT titleFont = titleFont_.get();
    auto measurer = [hwnd](const std::wstring& text, HFONT font) -> MeasureText {
        if (text.empty()) return {};
        return [hwnd, &text, font](int width) { return MeasureWrapped(hwnd, font, text, width); };
    };
    const MessageBoxLayout layout = LayoutMessageBox(Metrics(hwnd, icon), measurer(mainInstruction_, titleFont),
                                                     measurer(secondaryText_, dialogFont), buttons_.ids.size());
    if (icon) {
        HWND control = CreateChild(L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_ICON, kIconId, layout.icon, nullptr);
        ::SendMessageW(control, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    }
    if (!mainInstruction_.empty())
        mainInstructionControl_ =
            CreateChild(L"STATIC", mainInstruction_, kTextStyle, kMainInstructionId, layout.mainInstruction, titleFont);
    if (!secondaryText_.empty())
        CreateChild(L"STATIC", secondaryText_, kTextStyle, kSecondaryTextId, layout.secondaryText, dialogFont);
    CreateButtons(layout, dialogFont);
    CreateAccelerators();
    panel_ = layout.panel;
    strip_ = layout.strip;

    PlaceWindow(layout.client);
    if (!buttons_.closable) {
        if (HMENU menu = ::GetSystemMenu(hwnd, FALSE)) ::EnableMenuItem(menu, SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
    }
    ::SetWindowTextW(hwnd, caption_.c_str());
    ApplyDefaultButton();
    return FALSE;  // the focus is set
}

HWND CMessageBox::CreateChild(const wchar_t* className, const std::wstring& text, DWORD style, int id,
                              const RECT& rect, HFONT font) {
    HWND control = ::CreateWindowExW(0, className, text.c_str(), style, rect.left, rect.top, rect.right - rect.left,
                                     rect.bottom - rect.top, GetSafeHwnd(),
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                     ::GetModuleHandleW(nullptr), nullptr);
    if (control && font) ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

void CMessageBox::CreateButtons(const MessageBoxLayout& layout, HFONT font) {
    // Created left to right, so the tab order reads as the row does.
    for (size_t i = 0; i < buttons_.ids.size(); ++i) {
        const WORD id = buttons_.ids[i];
        DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_CENTER;
        style |= i == buttons_.defaultIndex ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        if (i == 0) style |= WS_GROUP;
        HWND button = CreateChild(L"BUTTON", ButtonCaption(id), style, id, layout.buttons[i], font);
        if (id == IDHELP) helpButton_ = button;
    }
}

void CMessageBox::CreateAccelerators() {
    std::vector<ACCEL> keys;
    keys.push_back({FVIRTKEY, VK_F1, IDHELP});
    if (buttons_.closable) keys.push_back({FVIRTKEY, VK_ESCAPE, buttons_.closeResult});
    for (WORD id : buttons_.ids) {
        WORD key = 0;
        if (MnemonicKey(ButtonCaption(id), key)) keys.push_back({FVIRTKEY, key, id});
    }
    accelerators_.reset(::CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size())));
}

void CMessageBox::PlaceWindow(const SIZE& client) {
    HWND hwnd = GetSafeHwnd();
    RECT frame{0, 0, client.cx, client.cy};
    ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrW(hwnd, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongPtrW(hwnd, GWL_EXSTYLE)));
    PlaceCentred(hwnd, frame.right - frame.left, frame.bottom - frame.top);
}

void CMessageBox::ApplyDefaultButton() {
    if (buttons_.ids.empty()) return;
    HWND hwnd = GetSafeHwnd();
    const WORD id = buttons_.ids[buttons_.defaultIndex];
    ::SendMessageW(hwnd, DM_SETDEFID, id, 0);
    if (HWND button = ::GetDlgItem(hwnd, id))
        ::SendMessageW(hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(button), TRUE);
}

bool CMessageBox::PreTranslateMessage(MSG& msg) {
    HWND hwnd = GetSafeHwnd();
    if (!accelerators_ || !hwnd || (msg.hwnd != hwnd && !::IsChild(hwnd, msg.hwnd))) return false;
    return ::TranslateAcceleratorW(hwnd, accelerators_.get(), &msg) != 0;
}

bool CMessageBox::OnCommand(WORD id, WORD, HWND) {
    if (id == IDHELP) {
        SendHelpRequest();
        return true;
    }
    const bool inSet = std::find(buttons_.ids.begin(), buttons_.ids.end(), id) != buttons_.ids.end();
    // Anything else, like the IDCANCEL that Escape makes in a box without Cancel, is ignored.
    if (inSet || (buttons_.closable && id == buttons_.closeResult)) EndDialog(id);
    return true;
}

void CMessageBox::SendHelpRequest() {
    if (!owner_ || !::IsWindow(owner_)) return;
    HELPINFO info{};
    info.cbSize = sizeof(info);
    info.iContextType = HELPINFO_WINDOW;
    info.iCtrlId = IDHELP;
    info.hItemHandle = helpButton_;
    info.dwContextId = helpContext_;
    ::GetCursorPos(&info.MousePos);
    ::SendMessageW(owner_, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
}

void CMessageBox::PaintBackground(HDC dc) const {
    fw::SelectScope pen(dc, borderPen_.get());
    {
        fw::SelectScope brush(dc, whiteBrush_.get());
        ::Rectangle(dc, panel_.left, panel_.top, panel_.right, panel_.bottom);
    }
    fw::SelectScope brush(dc, stripBrush_.get());
    ::Rectangle(dc, strip_.left, strip_.top, strip_.right, strip_.bottom);
}

bool CMessageBox::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_CLOSE:
        EndDialog(buttons_.closeResult);
        return true;
    case WM_SHOWWINDOW:
        if (wParam) {
            ::MessageBeep(type_ & MB_ICONMASK);
            ApplyDefaultButton();
        }
        return false;
    case WM_ERASEBKGND:
        PaintBackground(reinterpret_cast<HDC>(wParam));
        result = TRUE;
        return true;
    case WM_PRINTCLIENT:
        PaintBackground(reinterpret_cast<HDC>(wParam));
        return true;
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetBkMode(dc, TRANSPARENT);
        const bool blue = mainInstructionControl_ && reinterpret_cast<HWND>(lParam) == mainInstructionControl_;
        ::SetTextColor(dc, blue ? kMainInstructionColour : RGB(0, 0, 0));
        result = reinterpret_cast<LRESULT>(whiteBrush_.get());
        return true;
    }
    default:
        return false;
    }
}

}  // namespace wizard
