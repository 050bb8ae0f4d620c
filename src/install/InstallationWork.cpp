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
        return ExtractPackage(package, extension, context, cancelFlag);
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
