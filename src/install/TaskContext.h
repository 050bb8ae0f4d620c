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
    // A temporary file to delete after the installation (at restart when locked).
    virtual void RememberTempFile(const std::wstring& path) = 0;
    // The user confirmed cancelling.
    virtual bool IsCancelled() const = 0;
    // Shows/enables or hides/disables the progress page's Cancel button.
    virtual void EnableCancel(bool enable) = 0;
};

}  // namespace install
