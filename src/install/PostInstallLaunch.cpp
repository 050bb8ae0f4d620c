#include "install/PostInstallLaunch.h"

#include <exdisp.h>
#include <shldisp.h>
#include <shlobj.h>
#include <shellapi.h>

#include "ResourceIds.h"
#include "app/Program.h"
#include "fw/UniqueHandle.h"
#include "util/SystemProbes.h"
#include "wizard/MainWindow.h"

namespace install {

namespace {

template <typename T>
struct ComPtr {
    T* p = nullptr;
    ~ComPtr() {
        if (p) p->Release();
    }
    T** put() { return &p; }
    T* operator->() const { return p; }
    explicit operator bool() const { return p != nullptr; }
};

// A VARIANT holding a copy of text; cleared with the object.
struct TextVariant {
    VARIANT v;
    explicit TextVariant(const std::wstring& text) {
        ::VariantInit(&v);
        v.vt = VT_BSTR;
        v.bstrVal = ::SysAllocString(text.c_str());
    }
    ~TextVariant() { ::VariantClear(&v); }
};

bool ShellChoosesLaunch(const std::wstring* launchAs, bool ruleA) {
    return ruleA ? launchAs && *launchAs != L"AsInvoker" : launchAs && *launchAs == L"AsInvoker";
}

// Creates the process; both handles are closed unless the caller keeps the process.
fw::UniqueHandle Start(const std::wstring& commandLine, const std::wstring& directory, bool breakaway,
                       WORD show = SW_SHOWDEFAULT) {
    std::wstring writable = commandLine;
    STARTUPINFOW si{sizeof(si)};
    if (show != SW_SHOWDEFAULT) {
        si.dwFlags = STARTF_USESHOWWINDOW;
        si.wShowWindow = show;
    }
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, breakaway ? CREATE_BREAKAWAY_FROM_JOB : 0,
                          nullptr, directory.empty() ? nullptr : directory.c_str(), &si, &pi))
        return fw::UniqueHandle();
    ::CloseHandle(pi.hThread);
    return fw::UniqueHandle(pi.hProcess);
}

// Launch rule shared by the scan start and the final start.
void Launch(const AppPath& app, const std::wstring& arguments, bool useShell) {
    std::wstring command = app.quoted + arguments;
    if (useShell && util::IsWindowsVersionAtLeast(5, 3) && LaunchThroughShell(app.fileName, app.directory, command))
        return;
    Start(command, app.directory, useShell);
}

void WaitAndRestore(HANDLE process, DWORD threadId) {
    if (::WaitForInputIdle(process, 60000) == 0) ::EnumThreadWindows(threadId, &util::RestoreFirstWindow, 0);
}

bool AppPathOf(AppPath& app) {
    const std::wstring* exe = app::TheProgram().Settings().Lookup(L"AppExe");
    if (!exe) return false;
    bool x64 = app::TheProgram().Settings().Lookup(L"x64MsiUrl") != nullptr;
    app = SplitAppPath(util::ExpandProgramFilesPath(*exe, x64));
    return true;
}

std::wstring ReadUserText(HKEY key, const wchar_t* name, bool& exists) {
    wchar_t buffer[2048] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t);
    DWORD type = 0;
    exists = ::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS &&
             type == REG_SZ;
    return exists ? std::wstring(buffer) : std::wstring();
}

}  // namespace

AppPath SplitAppPath(const std::wstring& path) {
    size_t slash = path.rfind(L'\\');
    AppPath app;
    app.directory = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
    app.fileName = slash == std::wstring::npos ? path : path.substr(slash + 1);
    app.quoted = L"\"" + path + L"\"";
    return app;
}

std::wstring ScanResultsAddress(const std::wstring& url, const std::wstring& scanId, const std::wstring& language,
                                std::wstring params) {
    params.erase(0, params.find_first_not_of(L'?') == std::wstring::npos ? params.size() : params.find_first_not_of(L'?'));
    return url + L"?guid=" + scanId + L"&lang=" + language + L"&" + params;
}

bool LaunchThroughShell(const std::wstring& file, const std::wstring& directory, const std::wstring& arguments) {
    ComPtr<IShellWindows> windows;
    if (FAILED(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                  reinterpret_cast<void**>(windows.put()))))
        return false;
    VARIANT location;
    ::VariantInit(&location);
    location.vt = VT_I4;
    location.lVal = CSIDL_DESKTOP;
    VARIANT empty;
    ::VariantInit(&empty);
    long hwnd = 0;
    ComPtr<IDispatch> desktop;
    if (windows->FindWindowSW(&location, &empty, SWC_DESKTOP, &hwnd, SWFO_NEEDDISPATCH, desktop.put()) != S_OK ||
        !desktop)
        return false;
    ComPtr<IServiceProvider> provider;
    ComPtr<IShellBrowser> browser;
    ComPtr<IShellView> view;
    ComPtr<IDispatch> background;
    ComPtr<IShellFolderViewDual> folderView;
    ComPtr<IDispatch> application;
    ComPtr<IShellDispatch2> shell;
    if (FAILED(desktop->QueryInterface(IID_IServiceProvider, reinterpret_cast<void**>(provider.put()))) ||
        FAILED(provider->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, reinterpret_cast<void**>(browser.put()))) ||
        FAILED(browser->QueryActiveShellView(view.put())) ||
        FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, reinterpret_cast<void**>(background.put()))) ||
        FAILED(background->QueryInterface(IID_IShellFolderViewDual, reinterpret_cast<void**>(folderView.put()))) ||
        FAILED(folderView->get_Application(application.put())) ||
        FAILED(application->QueryInterface(IID_IShellDispatch2, reinterpret_cast<void**>(shell.put()))))
        return false;
    BSTR name = ::SysAllocString(file.c_str());
    TextVariant args(arguments), dir(directory), verb(L"");
    VARIANT show;
    ::VariantInit(&show);
    show.vt = VT_I4;
    show.lVal = SW_SHOWNORMAL;
// The shell's method shares its name with the API's macro.
#pragma push_macro("ShellExecute")
#undef ShellExecute
    HRESULT hr = shell->ShellExecute(name, args.v, dir.v, verb.v, show);
#pragma pop_macro("ShellExecute")
    ::SysFreeString(name);
    return SUCCEEDED(hr);
}

bool RunInstallScan(ITaskContext& context, const std::wstring& eventName) {
    const std::wstring text = fw::LoadStringResource(IDS_SCANNING);
    AppPath app;
    if (AppPathOf(app)) {
        context.ReportTaskProgress(0, text);
        Launch(app, L" -installscan", ShellChoosesLaunch(app::TheProgram().Settings().Lookup(L"LaunchAs"), true));
        auto eventExists = [&] {
            fw::UniqueHandle event(::OpenEventW(EVENT_ALL_ACCESS, FALSE, eventName.c_str()));
            return static_cast<bool>(event);
        };
        int counter = 0;
        for (int budget = 8000; budget > 0 && !eventExists(); budget -= 500) {
            counter += 7;
            context.ReportTaskProgress(counter, text);
            ::Sleep(500);
        }
    }
    context.ReportTaskProgress(95, text);
    return true;
}

void FinishAndLaunch(bool launchRequested) {
    app::CProgram& program = app::TheProgram();
    const config::BuildSettings& settings = program.Settings();
    HWND wizard = program.MainWindow();
    const std::wstring* launchAs = settings.Lookup(L"LaunchAs");
    const bool scanMode = settings.Lookup(L"InstallScanEvent") && settings.Lookup(L"InstallScanResultUrl");
    bool scanFinished = false;
    AppPath app;
    const bool haveApp = AppPathOf(app);
    if (!program.interrupted && scanMode) {
        if (haveApp) Launch(app, launchRequested ? L" -installresults" : L" -installresults -close",
                            ShellChoosesLaunch(launchAs, false));
        std::wstring address;
        fw::UniqueHKey key;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, (L"SOFTWARE\\Tamberly Utilities Inc\\" + program.appName).c_str(), 0,
                            KEY_READ, key.put()) == ERROR_SUCCESS) {
            bool paramsExist = false;
            std::wstring scanId = ReadUserText(key.get(), L"InstallScanID", scanFinished);
            std::wstring params = ReadUserText(key.get(), L"InstallScanUrlParams", paramsExist);
            if (!scanId.empty())
                address = ScanResultsAddress(*settings.Lookup(L"InstallScanResultUrl"), scanId,
                                             util::GetUiLanguageCode(), params);
        }
        std::wstring browser = util::GetDefaultBrowserPath(program.appName);
        if (!address.empty() && !browser.empty()) {
            STARTUPINFOW si{sizeof(si)};
            si.dwFlags = STARTF_USESHOWWINDOW;
            si.wShowWindow = SW_SHOWMAXIMIZED;
            PROCESS_INFORMATION pi{};
            // Quoted: an unquoted path with spaces lets CreateProcess try "C:\Program" first.
            std::wstring command = (browser.front() == L'"' ? browser : L"\"" + browser + L"\"") + L" " + address;
            if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
                fw::UniqueHandle process(pi.hProcess), thread(pi.hThread);
                if (wizard) ::ShowWindow(wizard, SW_HIDE);
                WaitAndRestore(process.get(), pi.dwThreadId);
            }
        } else if (!address.empty()) {
            ::ShellExecuteW(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
        }
    } else if (!program.interrupted && launchRequested && haveApp) {
        bool useShell = ShellChoosesLaunch(launchAs, false);
        if (useShell && util::IsWindowsVersionAtLeast(5, 3) && LaunchThroughShell(app.fileName, app.directory, app.quoted)) {
            if (wizard) ::ShowWindow(wizard, SW_HIDE);
        } else {
            STARTUPINFOW si{sizeof(si)};
            PROCESS_INFORMATION pi{};
            std::wstring command = app.quoted;
            BOOL started = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE,
                                            useShell ? CREATE_BREAKAWAY_FROM_JOB : 0, nullptr,
                                            app.directory.empty() ? nullptr : app.directory.c_str(), &si, &pi);
            if (wizard) ::ShowWindow(wizard, SW_HIDE);
            if (started) {
                fw::UniqueHandle process(pi.hProcess), thread(pi.hThread);
                WaitAndRestore(process.get(), pi.dwThreadId);
            }
        }
    }
    if (wizard::CMainWindow* frame = program.Frame()) frame->EndDialog(program.interrupted ? IDCANCEL : IDOK);
    if (program.interrupted) return;
    if (scanMode)
        telemetry::EndFlow(program.flowSession, L"InstallFinishedButton", {{L"ScanFinished", scanFinished ? L"yes" : L"no"}});
    else
        telemetry::EndFlow(program.flowSession, L"InstallFinishedButton");
    program.flowSession = nullptr;
    if (program.unifiedLogger) program.unifiedLogger->SendEvent(L"InstallerFinishedButton");
}

}  // namespace install
