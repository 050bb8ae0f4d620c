#include "app/Program.h"

#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
#include <objidl.h>
#include <gdiplus.h>
#include <objbase.h>
#include <ole2.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "ResourceIds.h"
#include "app/BrandExtender.h"
#include "app/Exceptions.h"
#include "app/FailureReporting.h"
#include "controls/BitmapCache.h"
#include "fw/TextFormat.h"
#include "install/Installation.h"
#include "telemetry/EventSender.h"
#include "telemetry/FlowServerSink.h"
#include "wizard/MainWindow.h"
#include "wizard/MessageBox.h"

namespace app {

namespace {

// Fixed per product: the single-instance check covers one logon session.
constexpr wchar_t kInstanceMutex[] = L"{6F1C2B7E-3D4A-4E59-9B8C-2A7D5E0F4C13}";
constexpr wchar_t kCompanyKey[] = L"SOFTWARE\\Tamberly Utilities Inc";
constexpr DWORD kKeyAccess = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

// A GUID stored as exactly 16 bytes of REG_BINARY; anything else does not count.
bool ReadGuid(HKEY key, const wchar_t* name, GUID& out) {
    DWORD type = 0;
    BYTE data[sizeof(GUID)];
    DWORD size = sizeof(data);
    LONG r = ::RegQueryValueExW(key, name, nullptr, &type, data, &size);
    if (r != ERROR_SUCCESS || type != REG_BINARY || size != sizeof(GUID)) return false;
    std::memcpy(&out, data, sizeof(GUID));
    return true;
}

bool WriteGuid(HKEY key, const wchar_t* name, const GUID& id) {
    return ::RegSetValueExW(key, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(&id), sizeof(GUID)) ==
           ERROR_SUCCESS;
}

UINT WithDefaultIcon(UINT type) {
    if (type & MB_ICONMASK) return type;
    switch (type & MB_TYPEMASK) {
    case MB_OK:
    case MB_OKCANCEL:
        return type | MB_ICONEXCLAMATION;
    case MB_YESNO:
    case MB_YESNOCANCEL:
        return type | MB_ICONQUESTION;
    default:
        return type;
    }
}

}  // namespace

CProgram::CProgram() = default;

CProgram::~CProgram() {
    brandExtender_.reset();
    settings_.Clear();
    // The rest goes in member order; the flow sessions drain before they stop.
}

controls::CBitmapCache& CProgram::Bitmaps() {
    if (!bitmapCache_) bitmapCache_ = std::make_unique<controls::CBitmapCache>();
    return *bitmapCache_;
}

void CProgram::SetInstalledProductVersion(const std::wstring& version) {
    fw::CSingleLock lock(versionLock_);
    installedProductVersion_ = version;
}

std::wstring CProgram::InstalledProductVersion() const {
    fw::CSingleLock lock(versionLock_);
    return installedProductVersion_;
}

CProgram& TheProgram() {
    static CProgram program;
    return program;
}

BOOL CProgram::InitInstance() {
    RegisterRuntimeClasses();
    if (!StartPlatform()) return FALSE;
    if (!LoadConfiguration()) return FALSE;
    if (!StartTelemetry()) return FALSE;
    EstablishIdentity();
    StartLogging();
    StartInstallationThread();

    frame_ = std::make_unique<wizard::CMainWindow>();
    frame_->DoModal();
    FinishInstallationThread();

    Gdiplus::GdiplusShutdown(gdiplusToken_);
    frame_.reset();
    SetMainWindow(nullptr);
    registrationKey_.reset();
    companyKey_.reset();
    mutex_.reset();
    return FALSE;
}

int CProgram::ExitInstance() {
    if (winsockStarted_) ::WSACleanup();
    return exitCode_;
}

bool CProgram::StartPlatform() {
    WSADATA wsa;
    if (::WSAStartup(0x0202, &wsa) != 0) {
        fw::AfxMessageBox(IDS_NETWORKING_FAILED, MB_OK | MB_ICONERROR);
        return false;
    }
    winsockStarted_ = true;
    InstallFatalExceptionHandler();
    INITCOMMONCONTROLSEX icc{sizeof(icc), 0xFF};
    ::InitCommonControlsEx(&icc);
    ::OleInitialize(nullptr);
    Gdiplus::GdiplusStartupInput gdiplusInput;
    Gdiplus::GdiplusStartup(&gdiplusToken_, &gdiplusInput, nullptr);
    ::LoadLibraryW(L"riched20.dll");  // kept for the life of the process

    mutex_.reset(::CreateMutexW(nullptr, FALSE, kInstanceMutex));
    if (mutex_ && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        std::wstring text = fw::FormatText(fw::LoadStringResource(IDS_ALREADY_RUNNING), AppName());
        fw::AfxMessageBox(text.c_str(), MB_OK);
        mutex_.reset();
        return false;
    }
    return true;
}

bool CProgram::LoadConfiguration() {
    settings_.Load();
    injectedData_.LoadFromOwnFile();
    if (const std::wstring* commandLine = settings_.Lookup(L"InstallerData"))
        injectedData_.ParseCommandLine(L"setup " + *commandLine);
    if (!CreateBrandExtender()) return false;
    if (FAILED(brandExtender_->CheckRequirements())) {
        mutex_.reset();
        return false;
    }
    return true;
}

bool CProgram::CreateBrandExtender() {
    const std::wstring* name = settings_.Lookup(L"BrandExtender");
    if (!name) {
        brandExtender_ = std::make_unique<CDefaultBrandExtender>();
        return true;
    }
    const fw::CRuntimeClass* rtc = fw::CRuntimeClass::FromName(*name);
    fw::CObject* object = rtc ? rtc->CreateObject() : nullptr;
    if (!object || !object->IsKindOf(RUNTIME_CLASS(IBrandExtender))) {
        delete object;
        StartupFailure(L"the brand hook \"" + *name + L"\" is not available.");
        return false;
    }
    brandExtender_.reset(static_cast<IBrandExtender*>(object));
    return true;
}

void CProgram::StartupFailure(const std::wstring& reason) {
    // No flow exists yet: the user is told, and the exit status says it failed.
    std::wstring text = fw::FormatText(fw::LoadStringResource(IDS_SETUP_INCOMPLETE), AppName(), reason);
    fw::AfxMessageBox(text.c_str(), MB_OK | MB_ICONERROR);
    mutex_.reset();
    exitCode_ = 1;
}

bool CProgram::StartTelemetry() {
    const std::wstring* flowName = injectedData_.Lookup(L"FlowName");
    if (!flowName) flowName = settings_.Lookup(L"FlowName");
    if (!flowName) {
        StartupFailure(L"it names no telemetry flow.");
        return false;
    }
    // The server flags are set before the flow starts, so a session-init reply that
    // arrives early is never overwritten by them.
    interrupted = 0;
    installerValid = 1;
    serverAllowsBackup = 1;
    serverAllowsTwp = 1;
    serverAllowsVantrell = 1;
    SetRegistryKey(L"Tamberly Utilities Inc");
    appName = AppName();

    // Without either server there is nowhere to send a flow: no session is opened.
    const std::wstring* initServer = settings_.Lookup(L"InstallerWebServer");
    const std::wstring* statisticsServer = settings_.Lookup(L"StatisticsServer");
    if (initServer || statisticsServer) {
        telemetry::FlowServers servers;
        if (initServer) servers.sessionInitUrl = *initServer + L"/installer/init_v2.php";
        if (statisticsServer) servers.actionUrl = *statisticsServer + L"/api/flow/action";
        servers.application = appName;
        servers.onReply = [this](const telemetry::SessionReply& reply) {
            if (reply.installerWithdrawn) ::InterlockedExchange(&installerValid, 0);
            if (reply.backupAllowed) ::InterlockedExchange(&serverAllowsBackup, 1);
        };
        flowSessions_.SetSink(telemetry::CFlowServerSink::Create(std::move(servers)));
        // A cancel or failure before the product was installed gets no end-of-installation
        // report; the exit still ends the flow the way the run ended.
        flowSessions_.SetFinalActionAtExit([this]() -> const wchar_t* {
            if (!interrupted) return nullptr;
            return failed ? L"InstallBroken" : L"InstallCancelled";
        });
    }
    flowSession = telemetry::StartFlow(flowSessions_, *flowName);
    return true;
}

void CProgram::EstablishIdentity(HKEY root) {
    if (::RegCreateKeyExW(root, kCompanyKey, 0, nullptr, 0, kKeyAccess, nullptr, companyKey_.put(), nullptr) !=
        ERROR_SUCCESS)
        RaiseFatalAppExit();
    std::wstring registration = appName + L"\\Registration";
    if (::RegCreateKeyExW(companyKey_.get(), registration.c_str(), 0, nullptr, 0, kKeyAccess, nullptr,
                          registrationKey_.put(), nullptr) != ERROR_SUCCESS)
        RaiseFatalAppExit();
    if (!ReadGuid(companyKey_.get(), L"MachineID", machineId)) ::CoCreateGuid(&machineId);
    if (!ReadGuid(registrationKey_.get(), L"InstallationID", installationId)) installationId = GUID{};
    if (!WriteGuid(companyKey_.get(), L"MachineID", machineId)) RaiseFatalAppExit();
}

void CProgram::StartLogging() {
    const std::wstring* upl = injectedData_.Lookup(L"upl");
    const std::wstring* logging = settings_.Lookup(L"UnifiedLogging");
    const std::wstring* server = settings_.Lookup(L"TrackingServer");
    if ((logging && *logging == L"disable") || !server) return;
    // The sender goes with the logger, and waits a little for events still on their way.
    auto events = std::make_shared<telemetry::CEventSender>();
    unifiedLogger = std::make_unique<telemetry::UnifiedLogger>(
        *server, upl ? *upl : std::wstring(), installationId, machineId,
        [events](const std::wstring& url) { events->Send(url); });
    unifiedLogger->SendEvent(L"InstallerInvoked");
}

void CProgram::StartInstallationThread() {
    installationThread =
        static_cast<install::CInstallation*>(fw::AfxBeginThread(RUNTIME_CLASS(install::CInstallation)));
    // The thread deletes its own object when it ends; its handle and id are kept apart.
    if (!installationThread) return;
    installationThreadId_ = installationThread->ThreadId();
    HANDLE handle = nullptr;
    if (::DuplicateHandle(::GetCurrentProcess(), installationThread->Handle(), ::GetCurrentProcess(), &handle,
                          SYNCHRONIZE, FALSE, 0))
        installationHandle_.reset(handle);
}

void CProgram::FinishInstallationThread() {
    // A download still running is allowed to end; a thread that waits forever is not.
    constexpr DWORD kFinishWaitMs = 30000;
    if (!installationHandle_ || ::WaitForSingleObject(installationHandle_.get(), 0) != WAIT_TIMEOUT) return;
    ::PostThreadMessageW(installationThreadId_, install::TM_FINISH, 0, 0);
    ::WaitForSingleObject(installationHandle_.get(), kFinishWaitMs);
}

namespace {

constexpr DWORD kHelpContextBase = 0x30000;

// appName once start-up has taken it, the framework's name before that, the program
// file as a last resort. Allocates nothing: the out-of-memory report uses it too.
const wchar_t* MessageBoxCaption(const std::wstring& appName, const std::wstring& frameworkName,
                                 wchar_t (&path)[MAX_PATH]) {
    if (!appName.empty()) return appName.c_str();
    if (!frameworkName.empty()) return frameworkName.c_str();
    path[0] = L'\0';
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

}  // namespace

int CProgram::DoMessageBox(const wchar_t* prompt, UINT type, UINT helpId) {
    return DoMessageBox(prompt, nullptr, type, helpId);
}

int CProgram::DoMessageBox(const wchar_t* prompt, const wchar_t* details, UINT type, UINT helpId) {
    HWND owner = ::GetActiveWindow();
    if (!owner) owner = MainWindow();
    wchar_t path[MAX_PATH];
    const std::wstring caption = MessageBoxCaption(appName, AppName(), path);
    const std::wstring mainInstruction = prompt ? prompt : L"";
    const std::wstring secondaryText = details ? details : L"";
    type = WithDefaultIcon(type);
    const DWORD ownerHelp = owner ? ::GetWindowContextHelpId(owner) : 0;
    if (owner && helpId) ::SetWindowContextHelpId(owner, helpId + kHelpContextBase);
    INT_PTR result = -1;
    bool shown = false;
    try {
        wizard::CMessageBox box(owner, caption, mainInstruction, secondaryText, type, helpId);
        result = box.DoModal();
        shown = box.WasCreated();
    } catch (fw::CException* e) {
        e->Delete();  // our box cannot be built: the system's says the same below
    }
    if (owner && helpId) ::SetWindowContextHelpId(owner, ownerHelp);
    if (shown) return static_cast<int>(result);
    std::wstring text = mainInstruction;
    if (!secondaryText.empty()) text += L"\r\n\r\n" + secondaryText;
    return ::MessageBoxW(owner, text.c_str(), caption.c_str(), type);
}

LRESULT CProgram::ProcessWndProcException(fw::CException* e, const MSG* msg) {
    if (e) {
        ReportException(flowSession, *e);
        if (e->IsKindOf(RUNTIME_CLASS(fw::CMemoryException)) || e->IsKindOf(RUNTIME_CLASS(CWindowsException))) {
            if (flowSession) {
                telemetry::EndFlow(flowSession, L"InstallBroken");
                flowSession = nullptr;
            }
            wchar_t text[512];
            if (!e->GetErrorMessage(text, 512)) wcscpy(text, L"Out of memory!");
            // The system's box, not ours: without memory ours cannot be built, and a
            // Windows error may have come from building it.
            wchar_t path[MAX_PATH];
            ::MessageBoxW(nullptr, text, MessageBoxCaption(appName, AppName(), path), MB_OK | MB_ICONERROR);
            std::exit(1);
        }
    }
    failed = 1;
    interrupted = 1;
    if (frame_) frame_->GoToFinish();
    return e ? fw::CWinApp::ProcessWndProcException(e, msg) : 0;
}

void CProgram::OnThreadMessage(const MSG& msg) {
    if (msg.message == AM_REBOOT_REQUIRED) OnRebootRequired();
}

void CProgram::OnRebootRequired() {
    telemetry::PostAction(flowSession, L"InstallRequiresReboot");
    choiceFlags[L"RebootRequired"] = 1;
}

void CProgram::ReportInstallationFinished() {
    if (finishReported) return;
    finishReported = true;
    if (interrupted) {
        telemetry::EndFlow(flowSession, failed ? L"InstallBroken" : L"InstallCancelled");
        flowSession = nullptr;
        return;
    }
    fw::UniqueHKey key;
    std::wstring path = std::wstring(kCompanyKey) + L"\\" + appName + L"\\Registration";
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, kKeyAccess, nullptr, key.put(),
                          nullptr) == ERROR_SUCCESS) {
        bool isUpdate = injectedData_.Lookup(L"WK_UPDATE") && !telemetry::IsZeroGuid(installationId);
        GUID fresh{};
        if (!isUpdate && ::CoCreateGuid(&fresh) == S_OK && WriteGuid(key.get(), L"InstallationID", fresh)) {
            installationId = fresh;
            if (unifiedLogger) unifiedLogger->SetInstallationId(fresh);
        }
    }
    if (unifiedLogger) unifiedLogger->SendEvent(L"InstallerFinished");
    telemetry::PostAction(flowSession, L"InstallFinished");
}

}  // namespace app
