#include "wizard/OfferPage.h"

#include <string>

#include "ResourceIds.h"
#include "app/Program.h"
#include "fw/GdiScope.h"
#include "telemetry/FlowTracker.h"
#include "wizard/MainWindow.h"

namespace wizard {

IMPLEMENT_DYNAMIC(COfferPage, CSubDialog)

namespace {

void PostFlowAction(const wchar_t* action) { telemetry::PostAction(app::TheProgram().flowSession, action); }

void GoNext() {
    if (CMainWindow* frame = app::TheProgram().Frame()) frame->GoNext();
}

RECT RectInParent(HWND control) {
    RECT rect{};
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The width of the control's text in the font it draws with.
int TextWidth(HWND control) {
    const int length = ::GetWindowTextLengthW(control);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(control, text.data(), length + 1)));
    fw::WindowDc dc(control);
    if (!dc) return 0;
    HFONT font = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
    fw::SelectScope selected(dc.get(), font ? static_cast<HGDIOBJ>(font) : ::GetStockObject(SYSTEM_FONT));
    SIZE size{};
    ::GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

}  // namespace

COfferPage::COfferPage(const OfferPageInfo& info) : CSubDialog(info.templateId), info_(info) {}

BOOL COfferPage::OnInitPage() {
    CSubDialog::OnInitPage();
    PostFlowAction(info_.offeredAction);
    if (info_.sentenceId) PlaceLogoAfterSentence();
    return TRUE;
}

void COfferPage::PlaceLogoAfterSentence() {
    HWND sentence = Control(info_.sentenceId);
    HWND logo = Control(info_.logoId);
    if (!sentence || !logo) return;
    RECT text = RectInParent(sentence);
    text.right = text.left + TextWidth(sentence);
    ::MoveWindow(sentence, text.left, text.top, text.right - text.left, text.bottom - text.top, TRUE);
    const RECT picture = RectInParent(logo);
    ::MoveWindow(logo, text.right + kLogoGap, picture.top, picture.right - picture.left, picture.bottom - picture.top,
                 TRUE);
}

void COfferPage::Accept() {
    PostFlowAction(info_.acceptAction);
    if (install::CInstallation* installation = app::TheProgram().installationThread) {
        installation->*info_.skipped = 0;
        installation->PostThreadMessage(info_.downloadMessage, 0, 0);
    }
    GoNext();
}

void COfferPage::Decline() {
    PostFlowAction(info_.declineAction);
    if (install::CInstallation* installation = app::TheProgram().installationThread) installation->*info_.skipped = 1;
    GoNext();
}

bool COfferPage::OnCommand(WORD id, WORD code, HWND control) {
    switch (id) {
    case IDS_BUTTON_ACCEPT_INSTALL:
        Accept();
        return true;
    case IDS_BUTTON_DECLINE:
        Decline();
        return true;
    default:
        return CSubDialog::OnCommand(id, code, control);
    }
}

}  // namespace wizard
