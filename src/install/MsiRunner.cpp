#include "install/MsiRunner.h"

#include "fw/Exception.h"

#include <msiquery.h>

#include <cwctype>
#include <new>

#include "app/Program.h"
#include "fw/Result.h"
#include "install/MsiCommandLine.h"
#include "install/MsiHandle.h"
#include "install/TaskContext.h"
#include "util/SystemProbes.h"

namespace install {
namespace {

constexpr INSTALLUILEVEL kSilentWithSourceResolution =
    static_cast<INSTALLUILEVEL>(INSTALLUILEVEL_NONE | INSTALLUILEVEL_SOURCERESONLY);

class SystemInstaller final : public IWindowsInstaller {
public:
    void SetUserInterface(INSTALLUILEVEL level, INSTALLUI_HANDLERW handler, DWORD filter,
                          void* context) override {
        ::MsiSetInternalUI(level, nullptr);
        ::MsiSetExternalUIW(handler, filter, context);
    }

    std::wstring ReadProductCode(const std::wstring& packagePath) override {
        UniqueMsiHandle database;
        if (::MsiOpenDatabaseW(packagePath.c_str(), MSIDBOPEN_READONLY, database.put()) != ERROR_SUCCESS)
            return {};
        UniqueMsiHandle view;
        if (::MsiDatabaseOpenViewW(database.get(),
                                   L"SELECT `Property`.`Value` FROM `Property` WHERE "
                                   L"`Property`.`Property`='ProductCode'",
                                   view.put()) != ERROR_SUCCESS)
            return {};
        if (::MsiViewExecute(view.get(), 0) != ERROR_SUCCESS) return {};
        UniqueMsiHandle record;
        if (::MsiViewFetch(view.get(), record.put()) != ERROR_SUCCESS) return {};

        wchar_t empty[1] = L"";
        DWORD length = 0;
        UINT rc = ::MsiRecordGetStringW(record.get(), 1, empty, &length);
        if (rc == ERROR_SUCCESS) return {};
        if (rc != ERROR_MORE_DATA) return {};
        std::wstring code(length + 1, L'\0');
        length += 1;
        if (::MsiRecordGetStringW(record.get(), 1, code.data(), &length) != ERROR_SUCCESS) return {};
        code.resize(length);
        return code;
    }

    INSTALLSTATE QueryProductState(const std::wstring& productCode) override {
        return ::MsiQueryProductStateW(productCode.c_str());
    }

    UINT InstallProduct(const std::wstring& packagePath, const wchar_t* commandLine) override {
        return ::MsiInstallProductW(packagePath.c_str(), commandLine);
    }
};

bool IsGuidText(const std::wstring& text) {
    if (text.size() != 38 || text.front() != L'{' || text.back() != L'}') return false;
    for (size_t i = 1; i < 37; ++i) {
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        if (dash ? text[i] != L'-' : !std::iswxdigit(text[i])) return false;
    }
    return true;
}

bool EnsureDirectory(const std::wstring& path) {
    return ::CreateDirectoryW(path.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
}

// The kept copy lets Windows Installer find its source later; without it the
// temporary file still installs, so every failure here is swallowed.
std::wstring KeepCopy(const std::wstring& packagePath, const std::wstring& productCode) {
    try {
        const std::wstring target = KeptPackagePath(util::GetCommonDocumentsFolder(), productCode);
        if (target.empty()) return packagePath;
        const size_t codeDir = target.rfind(L'\\');
        const size_t downloadsDir = target.rfind(L'\\', codeDir - 1);
        if (!EnsureDirectory(target.substr(0, downloadsDir)) || !EnsureDirectory(target.substr(0, codeDir)))
            return packagePath;
        if (!::CopyFileW(packagePath.c_str(), target.c_str(), FALSE)) return packagePath;
        return target;
    } catch (fw::CException* e) {
        e->Delete();
    } catch (const std::bad_alloc&) {
    }
    return packagePath;
}

void RunCleaner(const std::wstring& appName) {
    if (appName != L"Tidewell+") return;
    std::wstring command = util::FindUninstallString(L"Mendora");
    if (command.empty()) return;
    command += L" /qn";
    util::LaunchProcess(command);  // not waited for: the handle closes at once
}

// Clears the page from the process-wide context however the run ends, so a
// message after the run cannot reach a page that no longer exists.
class PageBinding {
public:
    PageBinding(MsiUiContext& context, ITaskContext& page, MessageBoxHook hook) : context_(context) {
        context_.ResetForRun(&page, std::move(hook));
    }
    ~PageBinding() {
        context_.page = nullptr;
        context_.messageBox = nullptr;
    }
    PageBinding(const PageBinding&) = delete;
    PageBinding& operator=(const PageBinding&) = delete;

private:
    MsiUiContext& context_;
};

}  // namespace

IWindowsInstaller& SystemWindowsInstaller() {
    static SystemInstaller installer;
    return installer;
}

MsiUiContext& TheMsiUiContext() {
    static MsiUiContext context;
    return context;
}

MsiRunSettings MsiRunSettingsFromProgram() {
    app::CProgram& program = app::TheProgram();
    MsiRunSettings settings;
    settings.appName = program.appName;
    try {
        settings.arguments = program.InjectedData().BuildArgumentList();
    } catch (const std::bad_alloc&) {
        settings.arguments.reset();
    }
    settings.noticeThreadId = program.ThreadId();
    settings.messageBox = [](const wchar_t* text, UINT style) {
        return app::TheProgram().DoMessageBox(text, style, 0);
    };
    return settings;
}

std::wstring KeptPackagePath(const std::wstring& documentsFolder, const std::wstring& productCode) {
    if (documentsFolder.empty() || !IsGuidText(productCode)) return {};
    std::wstring path = documentsFolder;
    if (path.back() != L'\\') path += L'\\';
    return path + L"Downloaded Installers\\" + productCode + L"\\setup.msi";
}

MsiOutcome ClassifyInstallResult(UINT code) {
    switch (code) {
    case ERROR_SUCCESS:
        return MsiOutcome::Installed;
    case ERROR_INSTALL_USEREXIT:
        return MsiOutcome::Cancelled;
    case ERROR_SUCCESS_REBOOT_INITIATED:
    case ERROR_SUCCESS_REBOOT_REQUIRED:
    case ERROR_SUCCESS_RESTART_REQUIRED:
        return MsiOutcome::RebootRequired;
    default:
        return MsiOutcome::Failed;
    }
}

bool RunMsiPackage(const std::wstring& packagePath, ITaskContext& page) {
    return RunMsiPackage(packagePath, page, SystemWindowsInstaller(), MsiRunSettingsFromProgram());
}

bool RunMsiPackage(const std::wstring& packagePath, ITaskContext& page, IWindowsInstaller& installer,
                   MsiRunSettings settings) {
    MsiUiContext& context = TheMsiUiContext();
    PageBinding binding(context, page, std::move(settings.messageBox));
    installer.SetUserInterface(kSilentWithSourceResolution, &MsiUiHandlerCallback, kMsiMessageFilter, &context);

    const std::wstring productCode = installer.ReadProductCode(packagePath);
    const bool installed =
        !productCode.empty() && installer.QueryProductState(productCode) == INSTALLSTATE_DEFAULT;
    const std::wstring source = productCode.empty() ? packagePath : KeepCopy(packagePath, productCode);

    UINT code = ERROR_SUCCESS;
    if (!installed) {
        std::optional<std::wstring> commandLine;
        if (settings.arguments) commandLine = JoinPropertyArguments(*settings.arguments);
        code = installer.InstallProduct(source, commandLine ? commandLine->c_str() : nullptr);
    }
    RunCleaner(settings.appName);

    switch (ClassifyInstallResult(code)) {
    case MsiOutcome::Installed:
        return true;
    case MsiOutcome::Cancelled:
        return false;
    case MsiOutcome::RebootRequired:
        ::PostThreadMessageW(settings.noticeThreadId, app::AM_REBOOT_REQUIRED, 0, 0);
        return true;
    case MsiOutcome::Failed:
        break;
    }
    if (context.pendingException) throw context.pendingException.release();
    if (code == ERROR_NOT_ENOUGH_MEMORY || code == ERROR_OUTOFMEMORY) fw::AfxThrowMemoryException();
    // An HRESULT failure, not a CWindowsException: that class is fatal at the exception hook.
    fw::AfxThrowOleException(fw::HResultFromWin32(code));
}

}  // namespace install
