#include "wizard/MainWindow.h"

#include "ResourceIds.h"
#include "app/Exceptions.h"
#include "app/FailureReporting.h"
#include "app/Program.h"
#include "fw/Exception.h"
#include "fw/TextFormat.h"
#include "install/Installation.h"
#include "wizard/AboutDialog.h"
#include "wizard/SubDialog.h"

namespace wizard {

namespace {
constexpr UINT kAboutCommand = 16;

const std::wstring& PageOrderSetting() {
    const std::wstring* order = app::TheProgram().Settings().Lookup(L"PageOrder");
    if (!order) app::FatalError(new app::CToolkitException(IDS_NO_PAGE_CONFIG));
    return *order;
}
}  // namespace

std::vector<std::wstring> SplitPageOrder(const std::wstring& order) {
    std::vector<std::wstring> pieces;
    size_t start = 0;
    for (;;) {
        size_t comma = order.find(L',', start);
        if (comma == std::wstring::npos) {
            if (start < order.size()) pieces.push_back(order.substr(start));
            return pieces;
        }
        pieces.push_back(order.substr(start, comma - start));
        start = comma + 1;
    }
}

CMainWindow::CMainWindow() : fw::CDialog(IDD_MAINFRAME), offerRules_(std::make_unique<COfferRules>()) {
    icon_.reset(static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP),
                                                IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
}

CMainWindow::~CMainWindow() = default;

BOOL CMainWindow::OnInitDialog() {
    HWND hwnd = GetSafeHwnd();
    app::CProgram& program = app::TheProgram();
    program.SetMainWindow(hwnd);
    if (program.installationThread) program.installationThread->PageProxy().SetMainWindow(hwnd);
    ::SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.get()));
    ::SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.get()));
    trayIcon_.Prepare(hwnd, icon_.get(), program.appName, fw::LoadStringResource(IDS_TRAY_TITLE),
                      fw::FormatText(fw::LoadStringResource(IDS_TRAY_TEXT), program.appName));
    // Campaign builds with their own tracking code may not be minimised.
    const std::wstring* track = program.InjectedData().Lookup(L"track");
    if (track && *track != L"TWP00010" && *track != L"TWP00011") {
        LONG_PTR style = ::GetWindowLongPtrW(hwnd, GWL_STYLE);
        ::SetWindowLongPtrW(hwnd, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_MINIMIZEBOX));
    }
    ::PostMessageW(hwnd, AM_START, 0, 0);
    return TRUE;
}

void CMainWindow::OnStart() {
    HWND hwnd = GetSafeHwnd();
    const std::wstring appName = app::TheProgram().appName;
    std::wstring about;
    HMENU menu = ::GetSystemMenu(hwnd, FALSE);
    if (menu && fw::TryLoadString(IDS_ABOUT_MENU, about)) {
        ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(menu, MF_STRING, kAboutCommand, fw::FormatText(about, appName).c_str());
    }
    ::SetWindowTextW(hwnd, fw::FormatText(fw::LoadStringResource(IDS_FRAME_TITLE), appName).c_str());
    std::vector<std::wstring> pieces = SplitPageOrder(PageOrderSetting());
    if (!pieces.empty()) pageOrder_.push_back(pieces.front());
    if (!history_.empty()) throw new app::CToolkitException(IDS_FIRST_PAGE_LATE);
    GoNext();
    if (::GetForegroundWindow() != hwnd) {
        ::SetFocus(hwnd);
        ::SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        ::SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
    ::SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void CMainWindow::GoNext() {
    if (pageOrder_.size() == 1 && currentIndex_ == 0) ExpandPageOrder();
    if (pageOrder_.empty()) app::FatalError(new app::CToolkitException(IDS_NO_PAGES));
    if (currentIndex_ != LastIndex()) ::PostMessageW(GetSafeHwnd(), AM_SHOW_PAGE, 0, 0);
}

void CMainWindow::GoBack() { ::PostMessageW(GetSafeHwnd(), AM_BACK, 0, 0); }

void CMainWindow::GoToFinish() {
    if (pageOrder_.empty()) app::FatalError(new app::CToolkitException(IDS_NO_PAGES));
    if (pageOrder_.back() != L"CFinishedPage") pageOrder_.push_back(L"CFinishedPage");
    if (currentIndex_ == LastIndex()) return;
    currentIndex_ = LastIndex();
    auto* name = new std::wstring(pageOrder_.back());
    if (!::PostMessageW(GetSafeHwnd(), AM_SHOW_PAGE, 0, reinterpret_cast<LPARAM>(name))) delete name;
}

void AppendLaterPages(const std::vector<std::wstring>& pieces, IOfferRules& rules,
                      std::vector<std::wstring>& pageOrder) {
    for (size_t i = 1; i < pieces.size(); ++i) {
        const std::wstring& piece = pieces[i];
        if (piece.empty() || piece == L"CBackupOfferPage") continue;
        if (piece == L"CProgressPage") rules.AppendOfferPages(pageOrder);
        pageOrder.push_back(piece);
    }
}

void CMainWindow::ExpandPageOrder() { AppendLaterPages(SplitPageOrder(PageOrderSetting()), *offerRules_, pageOrder_); }

void CMainWindow::OnShowPage(LPARAM lParam) {
    if (lParam) {
        std::unique_ptr<std::wstring> name(reinterpret_cast<std::wstring*>(lParam));
        ShowPageNamed(*name);
        history_.push_back(*name);
        return;
    }
    // Two quick Next clicks post twice; the second finds no page after the last.
    if (currentIndex_ + 1 > LastIndex()) return;
    const std::wstring name = pageOrder_[static_cast<size_t>(currentIndex_ + 1)];
    ShowPageNamed(name);
    history_.push_back(name);
    ++currentIndex_;
}

void CMainWindow::ShowPageNamed(const std::wstring& name) {
    const fw::CRuntimeClass* pageClass = fw::CRuntimeClass::FromName(name);
    if (!pageClass) fw::AfxThrowInvalidArgException();
    std::unique_ptr<fw::CObject> object(pageClass->CreateObject());
    if (!object) fw::AfxThrowMemoryException();
    if (!object->IsKindOf(RUNTIME_CLASS(CSubDialog))) fw::AfxThrowInvalidArgException();
    ShowPage(std::unique_ptr<CSubDialog>(static_cast<CSubDialog*>(object.release())));
}

void CMainWindow::ShowPage(std::unique_ptr<CSubDialog> page) {
    std::unique_ptr<CSubDialog> old = std::move(currentPage_);
    try {
        if (old) old->OnLeavePage();
        if (!page->GetSafeHwnd() && !page->Create(GetSafeHwnd())) fw::AfxThrowUserException();
        ::ShowWindow(page->GetSafeHwnd(), SW_SHOW);
        if (!::IsWindowVisible(page->GetSafeHwnd())) fw::AfxThrowUserException();
    } catch (...) {
        // The page that was on screen stays there.
        currentPage_ = std::move(old);
        throw;
    }
    currentPage_ = std::move(page);
    if (old) {
        if (HWND window = old->GetSafeHwnd()) ::ShowWindow(window, SW_HIDE);
        CSubDialog* left = old.get();
        leftPages_.push_back(std::move(old));
        ::PostMessageW(GetSafeHwnd(), AM_DESTROY_PAGE, 0, reinterpret_cast<LPARAM>(left));
    }
}

void CMainWindow::OnDestroyPage(LPARAM lParam) {
    auto* page = reinterpret_cast<CSubDialog*>(lParam);
    for (auto it = leftPages_.begin(); it != leftPages_.end(); ++it) {
        if (it->get() == page) {
            leftPages_.erase(it);  // destroys the window with the object
            return;
        }
    }
}

void CMainWindow::OnBack() {
    if (history_.size() < 2) fw::AfxThrowOleException(0x103);
    std::wstring removed = history_.back();
    history_.pop_back();
    ShowPageNamed(history_.back());
    if (currentIndex_ >= 0 && currentIndex_ <= LastIndex() && removed == pageOrder_[static_cast<size_t>(currentIndex_)])
        --currentIndex_;
}

bool CMainWindow::OnSysCommand(WPARAM command) {
    if ((command & 0xFFF0) == SC_MINIMIZE && trayIcon_.Shown()) {
        ::ShowWindow(GetSafeHwnd(), SW_HIDE);
        return true;
    }
    if ((command & 0xFFF0) == kAboutCommand) {
        CAboutDialog about;
        about.DoModal(GetSafeHwnd());
        return true;
    }
    return false;
}

void CMainWindow::OnClose() {
    if (currentIndex_ == LastIndex() && currentIndex_ != 0) {
        EndDialog(IDCANCEL);
        return;
    }
    if (currentPage_ && currentPage_->GetSafeHwnd())
        ::SendMessageW(currentPage_->GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

HWND CMainWindow::KeyboardDialog() const {
    HWND page = currentPage_ ? currentPage_->GetSafeHwnd() : nullptr;
    return page ? page : GetSafeHwnd();
}

// The dialog manager sends Enter and Escape to the outermost dialog, the frame, which
// has no buttons of its own: they go to the page on screen instead.
bool CMainWindow::PreTranslateMessage(MSG& msg) {
    HWND page = currentPage_ ? currentPage_->GetSafeHwnd() : nullptr;
    if (msg.message != WM_KEYDOWN || !page) return false;
    if (msg.hwnd != GetSafeHwnd() && msg.hwnd != page && !::IsChild(page, msg.hwnd)) return false;
    if (msg.wParam == VK_ESCAPE) {
        ::SendMessageW(page, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return true;
    }
    if (msg.wParam != VK_RETURN) return false;
    HWND button = nullptr;
    const LRESULT code = ::SendMessageW(msg.hwnd, WM_GETDLGCODE, 0, 0);
    if (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) {
        button = msg.hwnd;  // Enter presses the focused button
    } else if ((code & DLGC_WANTALLKEYS) && !(::GetWindowLongPtrW(msg.hwnd, GWL_STYLE) & ES_READONLY)) {
        return false;  // an editable multi-line field takes its Enter; the licence box does not
    } else {
        const LRESULT defId = ::SendMessageW(page, DM_GETDEFID, 0, 0);
        if (HIWORD(defId) == DC_HASDEFID) button = ::GetDlgItem(page, LOWORD(defId));
    }
    if (button && ::IsWindowEnabled(button) && ::IsWindowVisible(button))
        ::SendMessageW(page, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(button), BN_CLICKED), reinterpret_cast<LPARAM>(button));
    return true;  // without a default button Enter does nothing
}

bool CMainWindow::OnCommand(WORD id, WORD, HWND) {
    // The frame has no controls of its own; Escape before the first page does nothing.
    return id == IDCANCEL || id == IDOK;
}

bool CMainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case AM_START:
        OnStart();
        return true;
    case AM_DESTROY_PAGE:
        OnDestroyPage(lParam);
        return true;
    case AM_SHOW_PAGE:
        OnShowPage(lParam);
        return true;
    case AM_BACK:
        OnBack();
        return true;
    case install::AM_INSTALLATION_ENDED:
        if (lParam) throw reinterpret_cast<fw::CException*>(lParam);
        return true;
    case AM_TRAY_NOTIFY:
        if (wParam == kTrayIconId && (lParam == WM_LBUTTONDOWN || lParam == NIN_BALLOONUSERCLICK)) {
            ::ShowWindow(GetSafeHwnd(), SW_SHOW);
            result = 1;
        } else {
            result = 0;
        }
        return true;
    case WM_CLOSE:
        OnClose();
        return true;
    case WM_SYSCOMMAND:
        return OnSysCommand(wParam);
    case WM_DESTROY:
        trayIcon_.ClearShown();
        trayIcon_.Remove();
        return false;
    default:
        return false;
    }
}

}  // namespace wizard
