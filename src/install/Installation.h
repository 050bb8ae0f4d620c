#pragma once
// The installation worker thread: one task per thread message, in queue order.
// Tasks post their follow-ups to the same queue, so the order of the whole
// installation comes from what the pages post and when.
#include <memory>
#include <string>

#include "fw/WinThread.h"
#include "install/InstallationWork.h"
#include "install/OfferCommandLines.h"
#include "install/ProgressPageProxy.h"
#include "install/TaskContext.h"

namespace install {

enum TaskMessage : UINT {
    TM_DOWNLOAD_PRODUCT = WM_USER + 0,
    TM_DOWNLOAD_BACKUP = WM_USER + 1,
    TM_DOWNLOAD_TWP = WM_USER + 2,
    TM_DOWNLOAD_VANTRELL = WM_USER + 3,
    TM_EXTRACT_PRODUCT = WM_USER + 4,
    TM_EXTRACT_BACKUP = WM_USER + 5,
    TM_EXTRACT_TWP = WM_USER + 6,
    TM_EXTRACT_VANTRELL = WM_USER + 7,
    TM_PAGE_READY = WM_USER + 8,
    TM_INSTALL = WM_USER + 9,
    TM_FINISH = WM_USER + 10,
};

class CInstallation : public fw::CWinThread, public ITaskContext {
    DECLARE_DYNCREATE(CInstallation)
public:
    CInstallation() = default;
    ~CInstallation() override;

    // Replaces the real work (before the thread handles its first task).
    void SetWork(std::unique_ptr<IInstallationWork> work) { work_ = std::move(work); }
    CProgressPageProxy& PageProxy() noexcept { return pageProxy; }

    // ITaskContext, for the work inside the tasks.
    void ReportTaskProgress(int percent, const std::wstring& text) override;
    void ReportUnscaledProgress(int value, const std::wstring* text) override { pageProxy.ChangeProgress(value, text); }
    void RememberTempFile(const std::wstring& path) override { pageProxy.RememberTempFile(path); }
    bool IsCancelled() const override { return const_cast<CProgressPageProxy&>(pageProxy).IsCancelled() != 0; }
    void EnableCancel(bool enable) override { pageProxy.EnableCancel(enable); }

    std::wstring productPackagePath, backupPackagePath, twpPackagePath, vantrellPackagePath;
    std::wstring productInstallerPath, backupInstallerPath, twpInstallerPath, vantrellInstallerPath;
    volatile LONG productCancelled = 0;
    volatile LONG backupSkipped = 0;
    volatile LONG twpSkipped = 0;
    volatile LONG vantrellSkipped = 0;
    int progressOffset = 0;
    int progressScale = 0;
    CProgressPageProxy pageProxy;

protected:
    BOOL InitInstance() override;
    int ExitInstance() override;
    bool OnThreadMessage(const MSG& msg) override;

private:
    struct Offer {
        std::wstring* packagePath;
        std::wstring* installerPath;
        volatile LONG* skipped;
        const wchar_t* prefix;
        UINT extractMessage;
    };
    Offer OfferOf(OfferKind kind);

    void DownloadProduct();
    void DownloadOffer(OfferKind kind);
    void ExtractProduct();
    void ExtractOffer(OfferKind kind);
    void Install();
    bool InstallProduct();
    void RecordInstallation();
    void RunOfferInstallers();
    void Finish();

    void SetScale(int offset, int scale) { progressOffset = offset, progressScale = scale; }
    void NextTask(int position, UINT textId);
    void ChangeProgress(UINT textId, int value);
    void Post(UINT message) { PostThreadMessage(message, 0, 0); }
    void HandOver(fw::CException* e) { pageProxy.PostInstallationEnded(e); }

    std::unique_ptr<IInstallationWork> work_;
    bool comStarted_ = false;
};

}  // namespace install
