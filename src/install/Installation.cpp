#include "install/Installation.h"

#include <objbase.h>

#include "ResourceIds.h"
#include "app/Program.h"
#include "fw/TextFormat.h"
#include "fw/UniqueHandle.h"
#include "install/PackageSelection.h"

namespace install {

IMPLEMENT_DYNCREATE(CInstallation, fw::CWinThread)

namespace {

std::wstring TaskText(UINT id) { return fw::FormatText(fw::LoadStringResource(id), app::TheProgram().appName); }

// Writes one session value; a key that cannot be opened or created is skipped.
void WriteSessionValue(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    fw::UniqueHKey key;
    if (::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, key.put(), nullptr) !=
        ERROR_SUCCESS)
        return;
    ::RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

}  // namespace

CInstallation::~CInstallation() {
    auto& program = app::TheProgram();
    if (program.installationThread == this) program.installationThread = nullptr;
}

BOOL CInstallation::InitInstance() {
    comStarted_ = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    if (!work_) work_ = CreateInstallationWork();
    return TRUE;
}

int CInstallation::ExitInstance() {
    if (comStarted_) ::CoUninitialize();
    return 0;
}

void CInstallation::ReportTaskProgress(int percent, const std::wstring& text) {
    pageProxy.ChangeProgress(::MulDiv(percent, progressScale, 100) + progressOffset, &text);
}

void CInstallation::NextTask(int position, UINT textId) { pageProxy.NextTask(position, TaskText(textId)); }

void CInstallation::ChangeProgress(UINT textId, int value) { ReportTaskProgress(value, TaskText(textId)); }

bool CInstallation::OnThreadMessage(const MSG& msg) {
    switch (msg.message) {
    case TM_DOWNLOAD_PRODUCT: DownloadProduct(); break;
    case TM_DOWNLOAD_BACKUP: DownloadOffer(OfferKind::Backup); break;
    case TM_DOWNLOAD_TWP: DownloadOffer(OfferKind::Twp); break;
    case TM_DOWNLOAD_VANTRELL: DownloadOffer(OfferKind::Vantrell); break;
    case TM_EXTRACT_PRODUCT: ExtractProduct(); break;
    case TM_EXTRACT_BACKUP: ExtractOffer(OfferKind::Backup); break;
    case TM_EXTRACT_TWP: ExtractOffer(OfferKind::Twp); break;
    case TM_EXTRACT_VANTRELL: ExtractOffer(OfferKind::Vantrell); break;
    case TM_PAGE_READY: Post(TM_INSTALL); break;  // the relay keeps queued work ahead of the install
    case TM_INSTALL: Install(); break;
    case TM_FINISH:
        Finish();
        return false;  // ends the thread; later messages are never handled
    default: break;
    }
    return true;
}

CInstallation::Offer CInstallation::OfferOf(OfferKind kind) {
    const wchar_t* prefix = OfferInfo(kind).downloadPrefix;
    switch (kind) {
    case OfferKind::Backup: return {&backupPackagePath, &backupInstallerPath, &backupSkipped, prefix, TM_EXTRACT_BACKUP};
    case OfferKind::Twp: return {&twpPackagePath, &twpInstallerPath, &twpSkipped, prefix, TM_EXTRACT_TWP};
    default: return {&vantrellPackagePath, &vantrellInstallerPath, &vantrellSkipped, prefix, TM_EXTRACT_VANTRELL};
    }
}

void CInstallation::DownloadProduct() {
    if (!productPackagePath.empty()) return;
    try {
        std::wstring key = work_->ChooseProductPackageKey();
        if (productCancelled) return;
        SetScale(0, 100);
        NextTask(25, IDS_TASK_DOWNLOADING);
        productPackagePath = work_->Download(key, L"tmu", true, *this);
    } catch (fw::CException* e) {
        HandOver(e);
        return;
    }
    if (!productPackagePath.empty()) Post(TM_EXTRACT_PRODUCT);
}

void CInstallation::DownloadOffer(OfferKind kind) {
    Offer offer = OfferOf(kind);
    if (!offer.packagePath->empty()) return;
    try {
        if (*offer.skipped) return;
        SetScale(50, 50);
        NextTask(25, IDS_TASK_DOWNLOADING);
        std::wstring key = ChooseOfferPackageKey(kind);
        if (app::TheProgram().Settings().Lookup(key)) *offer.packagePath = work_->Download(key, offer.prefix, false, *this);
    } catch (fw::CException* e) {
        e->Delete();  // an offer never reports to the user
    }
    if (!offer.packagePath->empty()) Post(offer.extractMessage);
}

void CInstallation::ExtractProduct() {
    if (!productInstallerPath.empty() || productPackagePath.empty() || productCancelled) return;
    try {
        SetScale(0, 50);
        NextTask(50, IDS_TASK_EXTRACTING);
        productInstallerPath = work_->Extract(productPackagePath, L".msi", *this, productCancelled);
    } catch (fw::CException* e) {
        HandOver(e);
    }
}

void CInstallation::ExtractOffer(OfferKind kind) {
    Offer offer = OfferOf(kind);
    if (!offer.installerPath->empty() || offer.packagePath->empty() || *offer.skipped) return;
    try {
        SetScale(50, 50);
        NextTask(50, IDS_TASK_EXTRACTING);
        *offer.installerPath = work_->Extract(*offer.packagePath, L".exe", *this, *offer.skipped);
    } catch (fw::CException* e) {
        e->Delete();
    }
}

void CInstallation::Install() {
    if (InstallProduct()) RunOfferInstallers();
    Post(TM_FINISH);
}

bool CInstallation::InstallProduct() {
    if (productInstallerPath.empty() || productCancelled) return false;
    bool installed = false;
    try {
        SetScale(0, 50);
        NextTask(75, IDS_TASK_INSTALLING);
        installed = work_->Install(productInstallerPath, L"tmu", *this);
    } catch (fw::CException* e) {
        HandOver(e);
        return false;
    }
    if (!installed) {
        pageProxy.Cancel();  // Windows Installer reported the user's cancel
        return false;
    }
    try {
        RecordInstallation();
        app::CProgram& program = app::TheProgram();
        if (const std::wstring* scanEvent = program.Settings().Lookup(L"InstallScanEvent")) {
            SetScale(0, 100);
            NextTask(75, IDS_TASK_INSTALLING);
            work_->InstallScan(*scanEvent, *this);
        } else {
            ChangeProgress(IDS_TASK_INSTALLING, 100);
        }
    } catch (fw::CException* e) {
        HandOver(e);  // reported, but the product is installed
    }
    return true;
}

void CInstallation::RecordInstallation() {
    app::CProgram& program = app::TheProgram();
    const std::wstring company = L"SOFTWARE\\Tamberly Utilities Inc";
    const std::wstring appKey = company + L"\\" + program.appName;
    const std::wstring session = program.flowSession ? program.flowSession->SessionId() : std::wstring();
    WriteSessionValue(HKEY_LOCAL_MACHINE, company, L"tbInstallationSessionID", session);
    WriteSessionValue(HKEY_LOCAL_MACHINE, appKey, L"InstallationSessionID", session);
    if (const std::wstring* partner = program.Settings().Lookup(L"PartnerId"))
        WriteSessionValue(HKEY_LOCAL_MACHINE, appKey, L"PartnerId", *partner);
    WriteSessionValue(HKEY_CURRENT_USER, appKey, L"InstallationSessionID", session);
    WriteSessionValue(HKEY_CURRENT_USER, company, L"tbInstallationSessionID", session);
    program.InjectedData().SaveToRegistry(appKey);
    program.ReportInstallationFinished();
}

void CInstallation::RunOfferInstallers() {
    for (OfferKind kind : {OfferKind::Backup, OfferKind::Twp, OfferKind::Vantrell}) {
        Offer offer = OfferOf(kind);
        if (offer.installerPath->empty() || productCancelled || *offer.skipped) continue;
        try {
            SetScale(50, 50);
            NextTask(75, IDS_TASK_INSTALLING);
            work_->Install(*offer.installerPath, offer.prefix, *this);
        } catch (fw::CException* e) {
            e->Delete();  // one offer's failure does not stop the next
        }
    }
}

void CInstallation::Finish() {
    NextTask(100, IDS_TASK_DONE);
    pageProxy.PostInstallationEnded(nullptr);
}

}  // namespace install
