#pragma once
// The work behind the installation tasks: download, decompression, installers and
// the install scan. The installation thread decides what runs when; this decides
// how. Tests put a recording stand-in here to watch the task sequence.
#include <windows.h>

#include <memory>
#include <string>

#include "install/TaskContext.h"

namespace install {

class IInstallationWork {
public:
    virtual ~IInstallationWork() = default;
    // The build-settings key of the product package to download.
    virtual std::wstring ChooseProductPackageKey() = 0;
    // Downloads the address of settingKey into a new temporary file named with prefix.
    virtual std::wstring Download(const std::wstring& settingKey, const wchar_t* prefix, bool allowFallback,
                                  ITaskContext& context) = 0;
    // Decompresses into package + extension; empty when cancelled.
    virtual std::wstring Extract(const std::wstring& package, const wchar_t* extension, ITaskContext& context,
                                 const volatile LONG& cancelFlag) = 0;
    // Runs an installer; identity "tmu" is the product package, the others the offers.
    // False when the user cancelled.
    virtual bool Install(const std::wstring& installer, const wchar_t* identity, ITaskContext& context) = 0;
    virtual void InstallScan(const std::wstring& eventName, ITaskContext& context) = 0;
};

// The real work over the network, libbzip2 and Windows Installer.
std::unique_ptr<IInstallationWork> CreateInstallationWork();

}  // namespace install
