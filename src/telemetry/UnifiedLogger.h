#pragma once
// Milestone events of a run, sent as GET requests to the tracking server with the
// campaign text, the machine id and, once known, the installation id.
#include <windows.h>

#include <functional>
#include <string>

namespace telemetry {

class UnifiedLogger {
public:
    using Sender = std::function<void(const std::wstring& url)>;

    // serverBase is like http://host[:port]; the fixed path is appended here.
    UnifiedLogger(const std::wstring& serverBase, const std::wstring& upl, const GUID& installationId,
                  const GUID& machineId, Sender sender);

    void SendEvent(const wchar_t* name) const;
    void SetInstallationId(const GUID& installationId);
    std::wstring EventUrl(const wchar_t* name) const;

private:
    std::wstring template_;  // "%s" stands for the event name, "%%" for "%"
    std::wstring suffix_;
    Sender sender_;
};

// The registry form of a GUID without its braces: 36 upper-case characters.
std::wstring GuidText(const GUID& id);
bool IsZeroGuid(const GUID& id);

}  // namespace telemetry
