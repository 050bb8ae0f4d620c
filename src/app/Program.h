#pragma once
// The application object: start-up and shut-down, the configuration layers, the
// machine and installation identity, and the state that pages, the installation
// thread and telemetry share.
#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "config/BuildSettings.h"
#include "config/InstallerData.h"
#include "fw/CriticalSection.h"
#include "fw/UniqueHandle.h"
#include "fw/WinApp.h"
#include "telemetry/FlowTracker.h"
#include "telemetry/UnifiedLogger.h"

namespace controls { class CBitmapCache; }
namespace install { class CInstallation; }
namespace wizard { class CMainWindow; }

namespace app {

class IBrandExtender;

// Thread messages to the interface thread.
constexpr UINT AM_REBOOT_REQUIRED = WM_APP + 1;

class CProgram : public fw::CWinApp {
public:
    CProgram();
    ~CProgram() override;

    BOOL InitInstance() override;
    int ExitInstance() override;
    int DoMessageBox(const wchar_t* prompt, UINT type, UINT helpId) override;
    // The entry with a secondary text, used by the fatal reports.
    int DoMessageBox(const wchar_t* prompt, const wchar_t* details, UINT type, UINT helpId);
    LRESULT ProcessWndProcException(fw::CException* e, const MSG* msg) override;
    void OnThreadMessage(const MSG& msg) override;

    // Called once by the installation thread after the product is installed.
    void ReportInstallationFinished();
    // AM_REBOOT_REQUIRED, posted to the interface thread by the installer runner.
    void OnRebootRequired();

    const config::BuildSettings& Settings() const noexcept { return settings_; }
    const config::InstallerData& InjectedData() const noexcept { return injectedData_; }
    config::InstallerData& InjectedData() noexcept { return injectedData_; }
    std::wstring AppNameCopy() const { return appName; }
    wizard::CMainWindow* Frame() const noexcept { return frame_.get(); }
    // Decompressed skin bitmaps, kept until the application ends.
    controls::CBitmapCache& Bitmaps();

    // Start-up pieces, in the order InitInstance runs them; separate so the fault
    // fixture can run the real steps.
    bool StartPlatform();
    bool LoadConfiguration();
    bool StartTelemetry();
    void EstablishIdentity(HKEY root = HKEY_LOCAL_MACHINE);
    void StartLogging();
    void StartInstallationThread();
    // At shut-down: lets a thread that never got to its end finish, so it removes its files.
    void FinishInstallationThread();

    std::wstring appName;
    GUID machineId{};
    GUID installationId{};
    volatile LONG failed = 0;
    volatile LONG interrupted = 0;
    volatile LONG installerValid = 1;
    volatile LONG serverAllowsBackup = 1;
    volatile LONG serverAllowsTwp = 1;
    volatile LONG serverAllowsVantrell = 1;
    // Written by the welcome page, read by the installation thread's package choice.
    void SetInstalledProductVersion(const std::wstring& version);
    std::wstring InstalledProductVersion() const;
    bool finishReported = false;
    install::CInstallation* installationThread = nullptr;
    telemetry::CFlowSession* flowSession = nullptr;
    std::unique_ptr<telemetry::UnifiedLogger> unifiedLogger;
    std::map<std::wstring, LONG> choiceFlags;

private:
    bool CreateBrandExtender();
    void StartupFailure(const std::wstring& reason);

    // Declared in reverse order of their destruction at shut-down.
    std::unique_ptr<wizard::CMainWindow> frame_;
    telemetry::CFlowSessions flowSessions_;
    config::InstallerData injectedData_;
    config::BuildSettings settings_;
    std::unique_ptr<IBrandExtender> brandExtender_;
    std::unique_ptr<controls::CBitmapCache> bitmapCache_;
    mutable fw::CCriticalSection versionLock_;
    std::wstring installedProductVersion_;

    fw::UniqueHandle mutex_;
    fw::UniqueHandle installationHandle_;
    DWORD installationThreadId_ = 0;
    fw::UniqueHKey companyKey_;
    fw::UniqueHKey registrationKey_;
    ULONG_PTR gdiplusToken_ = 0;
    bool winsockStarted_ = false;
    int exitCode_ = 0;
};

CProgram& TheProgram();

// Registers every class that is created by name, before any thread starts.
void RegisterRuntimeClasses();

}  // namespace app
