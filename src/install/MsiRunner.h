#pragma once
// Installs the product's Windows Installer package silently, with our progress page
// in place of the installer's own interface.
#include <windows.h>
#include <msi.h>

#include <optional>
#include <string>
#include <vector>

#include "install/MsiUiHandler.h"

namespace install {

class ITaskContext;

// The msi.dll calls the runner makes. Tests put a fake here where the real
// installer would hide a fault: Wine's ignores a cancel answer.
class IWindowsInstaller {
public:
    virtual ~IWindowsInstaller() = default;
    // Internal UI level, then the external handler for the message filter.
    virtual void SetUserInterface(INSTALLUILEVEL level, INSTALLUI_HANDLERW handler, DWORD filter,
                                  void* context) = 0;
    // The package's ProductCode property; empty when the package cannot be read.
    virtual std::wstring ReadProductCode(const std::wstring& packagePath) = 0;
    virtual INSTALLSTATE QueryProductState(const std::wstring& productCode) = 0;
    virtual UINT InstallProduct(const std::wstring& packagePath, const wchar_t* commandLine) = 0;
};

// The real msi.dll.
IWindowsInstaller& SystemWindowsInstaller();

// What the runner takes from the application.
struct MsiRunSettings {
    std::wstring appName;
    std::optional<std::vector<std::wstring>> arguments;  // nullopt: no properties
    DWORD noticeThreadId = 0;                            // receives AM_REBOOT_REQUIRED
    MessageBoxHook messageBox;
};
MsiRunSettings MsiRunSettingsFromProgram();

// The one record the handler shares with the runner, for the whole process.
MsiUiContext& TheMsiUiContext();

// "Downloaded Installers\{code}\setup.msi" under documentsFolder; empty when the
// product code is no GUID (a package's text never becomes a path of its own).
std::wstring KeptPackagePath(const std::wstring& documentsFolder, const std::wstring& productCode);

enum class MsiOutcome { Installed, Cancelled, RebootRequired, Failed };
MsiOutcome ClassifyInstallResult(UINT code);

// True when installed or already present, false when the user cancelled. Raises
// the pending CMsiException or the result code as a COleException on failure.
bool RunMsiPackage(const std::wstring& packagePath, ITaskContext& page);
bool RunMsiPackage(const std::wstring& packagePath, ITaskContext& page, IWindowsInstaller& installer,
                   MsiRunSettings settings);

}  // namespace install
