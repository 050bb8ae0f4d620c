#include "wizard/BackupOfferPage.h"

#include <string>

#include "ResourceIds.h"
#include "app/Program.h"
#include "fw/Exception.h"
#include "wizard/MainWindow.h"

namespace wizard {

IMPLEMENT_DYNCREATE(CBackupOfferPage, COfferPage)

namespace {
constexpr OfferPageInfo kInfo{IDD_BACKUP_OFFER, L"BackupOffer", L"BackupAccept", L"BackupDecline",
                              &install::CInstallation::backupSkipped, install::TM_DOWNLOAD_BACKUP, 0, 0};
}  // namespace

CBackupOfferPage::CBackupOfferPage() : COfferPage(kInfo) {}

BOOL CBackupOfferPage::OnInitPage() {
    COfferPage::OnInitPage();
    ::CheckDlgButton(GetSafeHwnd(), IDS_BACKUP_CHECK, BST_CHECKED);
    return TRUE;
}

bool CBackupOfferPage::Checked() const {
    return ::IsDlgButtonChecked(GetSafeHwnd(), IDS_BACKUP_CHECK) == BST_CHECKED;
}

void CBackupOfferPage::ShowConsentFor(bool checked) {
    std::wstring text;
    if (!PageText(checked ? IDS_BACKUP_CONSENT : IDS_BACKUP_DECLINED, text)) fw::AfxThrowResourceException();
    ::SetWindowTextW(Control(IDS_BACKUP_CONSENT), text.c_str());
}

bool CBackupOfferPage::OnCommand(WORD id, WORD code, HWND control) {
    switch (id) {
    case IDS_BACKUP_CHECK:
        if (code == BN_CLICKED) ShowConsentFor(Checked());
        return true;
    case IDC_NEXT:
        if (Checked()) Accept();
        else Decline();
        return true;
    case IDC_BACK:
        if (CMainWindow* frame = app::TheProgram().Frame()) frame->GoBack();
        return true;
    default:
        return COfferPage::OnCommand(id, code, control);
    }
}

}  // namespace wizard
