#pragma once
// An ITaskContext that remembers what the runner told the page.
#include <string>
#include <utility>
#include <vector>

#include "install/TaskContext.h"

namespace msi_test {

class RecordingTaskContext : public install::ITaskContext {
public:
    void ReportTaskProgress(int percent, const std::wstring& text) override { progress.emplace_back(percent, text); }
    void RememberTempFile(const std::wstring& path) override { tempFiles.push_back(path); }
    bool IsCancelled() const override { return cancelled; }
    void EnableCancel(bool enable) override { cancelStates.push_back(enable); }

    std::vector<int> Percents() const {
        std::vector<int> out;
        for (const auto& p : progress) out.push_back(p.first);
        return out;
    }

    std::vector<std::pair<int, std::wstring>> progress;
    std::vector<std::wstring> tempFiles;
    std::vector<bool> cancelStates;
    bool cancelled = false;
};

}  // namespace msi_test
