#pragma once
// What the work inside an installation task reports through. The installation
// thread implements it over its progress proxy; tests give their own.
#include <string>

namespace install {

class ITaskContext {
public:
    virtual ~ITaskContext() = default;
    // The task bar: percent of the current task (scaled by the task's offset and
    // scale into the overall task bar value) and the text under it.
    virtual void ReportTaskProgress(int percent, const std::wstring& text) = 0;
    // The task bar as Windows Installer drives it: its own values, unscaled; -1
    // keeps the position and a null text keeps the text.
    virtual void ReportUnscaledProgress(int value, const std::wstring* text) {
        ReportTaskProgress(value, text ? *text : std::wstring());
    }
    // A temporary file to delete after the installation (at restart when locked).
    virtual void RememberTempFile(const std::wstring& path) = 0;
    // The user confirmed cancelling.
    virtual bool IsCancelled() const = 0;
    // Shows/enables or hides/disables the progress page's Cancel button.
    virtual void EnableCancel(bool enable) = 0;
};

}  // namespace install
