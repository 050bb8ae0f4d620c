#include "install/InstallationWork.h"

#include "ResourceIds.h"
#include "app/Program.h"
#include "fw/TextFormat.h"
#include "install/Downloader.h"
#include "install/MsiRunner.h"
#include "install/OfferInstaller.h"
#include "install/PackageExtractor.h"
#include "install/PackageSelection.h"
#include "install/PostInstallLaunch.h"

namespace install {

namespace {

// Decompression reports every 64 KiB block, hundreds a second: this passes at most
// one per 66 ms on to the page and sends the last one held back when the work ends,
// so the bar still reaches its final value.
class ThrottledTaskContext : public ITaskContext {
public:
    explicit ThrottledTaskContext(ITaskContext& inner) : inner_(inner) {}

    void ReportTaskProgress(int percent, const std::wstring& text) override {
        held_ = true;
        percent_ = percent;
        text_ = text;
        const DWORD now = ::GetTickCount();
        if (sent_ && now - last_ < kInterval) return;
        sent_ = true;
        last_ = now;
        Flush();
    }
    void RememberTempFile(const std::wstring& path) override { inner_.RememberTempFile(path); }
    bool IsCancelled() const override { return inner_.IsCancelled(); }
    void EnableCancel(bool enable) override { inner_.EnableCancel(enable); }

    void Flush() {
        if (!held_) return;
        held_ = false;
        inner_.ReportTaskProgress(percent_, text_);
    }

private:
    static constexpr DWORD kInterval = 66;
    ITaskContext& inner_;
    bool sent_ = false, held_ = false;
    DWORD last_ = 0;
    int percent_ = 0;
    std::wstring text_;
};

// The real work: the network, libbzip2, Windows Installer and the offers' installers.
class SystemInstallationWork : public IInstallationWork {
public:
    std::wstring ChooseProductPackageKey() override { return install::ChooseProductPackageKey(); }

    std::wstring Download(const std::wstring& key, const wchar_t* prefix, bool allowFallback,
                          ITaskContext& context) override {
        CDownloader downloader(context, app::TheProgram().Settings());
        return downloader.DownloadToTempFile(key, prefix, allowFallback);
    }

    std::wstring Extract(const std::wstring& package, const wchar_t* extension, ITaskContext& context,
                         const volatile LONG& cancelFlag) override {
        ThrottledTaskContext throttled(context);
        std::wstring output = ExtractPackage(package, extension, throttled, cancelFlag);
        throttled.Flush();
        return output;
    }

    // The product's package goes to Windows Installer, the offers' programs are started.
    bool Install(const std::wstring& installer, const wchar_t* identity, ITaskContext& context) override {
        size_t dot = installer.rfind(L'.');
        if ((dot == std::wstring::npos ? installer : installer.substr(dot)) == kProductExtension) {
            context.ReportTaskProgress(0, fw::FormatText(fw::LoadStringResource(IDS_TASK_INSTALLING),
                                                         app::TheProgram().appName));
            // A cancel the installer did not act on (confirmed after its last progress
            // message, or ignored by it) still ends the product step as cancelled.
            return RunMsiPackage(installer, context) && !context.IsCancelled();
        }
        return StartOfferInstaller(installer, identity, context);
    }

    void InstallScan(const std::wstring& eventName, ITaskContext& context) override {
        RunInstallScan(context, eventName);
    }
};

}  // namespace

std::unique_ptr<IInstallationWork> CreateInstallationWork() { return std::make_unique<SystemInstallationWork>(); }

}  // namespace install
