#include "telemetry/FlowServerSink.h"

#include "fw/UniqueHandle.h"

namespace telemetry {

std::unique_ptr<CFlowServerSink> CFlowServerSink::Create(FlowServers servers, DWORD drainLimitMs) {
    auto thread = std::make_unique<CFlowTrackerThread>(std::move(servers));
    thread->SetAutoDelete(false);
    if (!thread->CreateThread()) return nullptr;
    return std::unique_ptr<CFlowServerSink>(new CFlowServerSink(thread.release(), drainLimitMs));
}

void CFlowServerSink::Deliver(const FlowRecord& record) {
    if (!thread_) return;
    try {
        thread_->Queue(record);
    } catch (...) {
        // Out of memory for the copy: the record is dropped, the installation goes on.
    }
}

void CFlowServerSink::Drain() {
    CFlowTrackerThread* thread = std::exchange(thread_, nullptr);
    if (!thread) return;
    fw::UniqueHandle done;
    ::DuplicateHandle(::GetCurrentProcess(), thread->Handle(), ::GetCurrentProcess(), done.put(), SYNCHRONIZE,
                      FALSE, 0);
    // From the quit on the thread frees itself, whether or not we are still waiting.
    thread->SetAutoDelete(true);
    if (!thread->QueueQuit() || !done) return;
    ::WaitForSingleObject(done.get(), drainLimitMs_);
}

}  // namespace telemetry
