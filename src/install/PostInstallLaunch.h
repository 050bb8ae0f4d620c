#pragma once
// Starting the installed product: the install scan during the install task, and
// the launch (or the scan results page) when the user leaves the wizard.
#include <windows.h>

#include <string>

#include "install/TaskContext.h"

namespace install {

struct AppPath {
    std::wstring directory;  // before the last backslash
    std::wstring fileName;   // after it
    std::wstring quoted;     // the whole path in double quotes
};
AppPath SplitAppPath(const std::wstring& path);

// "url?guid=id&lang=xx&params", the parameters without their leading "?"s.
std::wstring ScanResultsAddress(const std::wstring& url, const std::wstring& scanId, const std::wstring& language,
                                std::wstring params);

// Starts the product with -installscan and waits up to 8 s for its event.
bool RunInstallScan(ITaskContext& context, const std::wstring& eventName);
// Ends the wizard: starts the product or the results page, ends the dialog and
// sends the flow's last action.
void FinishAndLaunch(bool launchRequested);
// Starts a program through the desktop's shell, with the desktop user's rights.
bool LaunchThroughShell(const std::wstring& file, const std::wstring& directory, const std::wstring& arguments);

}  // namespace install
