#pragma once
// Starts an accepted offer's decompressed installer and lets it run on its own.
#include <windows.h>

#include <string>

#include "config/InstallerData.h"
#include "install/TaskContext.h"

namespace telemetry { class CFlowSession; }

namespace install {

// What an offer's start needs from the program.
struct OfferLaunchContext {
    const config::InstallerData* data;
    GUID installationId;                 // all zeros when none is recorded
    telemetry::CFlowSession* flowSession;  // may be null: telemetry off
    std::wstring appName;
};

// identity is the offer's download prefix ("stw", "twp", "vtl"). Sends the
// offer's flow action, then starts the installer without waiting for it. True
// unless the installation was cancelled. Raises the platform failure when the
// start fails, and the not-supported exception for an unknown identity.
bool StartOfferInstaller(const std::wstring& exePath, const std::wstring& identity, ITaskContext& task,
                         const OfferLaunchContext& context);
// The same with the program's installer data, identity and flow session.
bool StartOfferInstaller(const std::wstring& exePath, const std::wstring& identity, ITaskContext& task);

}  // namespace install
