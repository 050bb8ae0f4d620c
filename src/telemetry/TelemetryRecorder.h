#pragma once
// Writes what telemetry would send as JSON lines to the file named by the
// environment variable WRENKIT_TELEMETRY_RECORD, so tests can see it. Stands in
// for the network until the flow and tracking servers are wired in.
#include <memory>
#include <string>

#include "fw/CriticalSection.h"
#include "telemetry/FlowTracker.h"

namespace telemetry {

class TelemetryRecorder : public IFlowSink {
public:
    explicit TelemetryRecorder(std::wstring path) : path_(std::move(path)) {}
    // Null when the variable is not set.
    static std::unique_ptr<TelemetryRecorder> FromEnvironment();

    void Deliver(const FlowRecord& record) override;
    void Drain() override {}
    void RecordRequest(const std::wstring& url);

private:
    void WriteLine(const std::wstring& json);

    std::wstring path_;
    fw::CCriticalSection lock_;
};

std::wstring JsonString(const std::wstring& text);

}  // namespace telemetry
