#pragma once
// The flow servers as a sink: records are queued to the tracker thread, which sends
// them; the caller never waits for the network.
#include <windows.h>

#include <memory>

#include "telemetry/FlowTracker.h"
#include "telemetry/FlowTrackerThread.h"

namespace telemetry {

class CFlowServerSink : public IFlowSink {
public:
    // How long the drain at exit waits for queued records. A server that never
    // answers costs each record the request time-outs, so without a limit the
    // process would linger for minutes; what is still queued then is lost.
    static constexpr DWORD kDefaultDrainLimitMs = 10000;

    // Starts the tracker thread; null when it cannot be started.
    static std::unique_ptr<CFlowServerSink> Create(FlowServers servers, DWORD drainLimitMs = kDefaultDrainLimitMs);
    ~CFlowServerSink() override { Drain(); }

    void Deliver(const FlowRecord& record) override;
    // Stops the thread after what is queued; later records are dropped.
    void Drain() override;

private:
    CFlowServerSink(CFlowTrackerThread* thread, DWORD drainLimitMs) : thread_(thread), drainLimitMs_(drainLimitMs) {}

    CFlowTrackerThread* thread_;  // owned until Drain hands it to itself
    DWORD drainLimitMs_;
};

}  // namespace telemetry
