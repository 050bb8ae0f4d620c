#pragma once
// The thread that sends flow records to the servers, one form POST per message,
// strictly in the order they were queued.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "fw/WinThread.h"
#include "net/PostForm.h"
#include "telemetry/FlowTracker.h"
#include "telemetry/SessionReply.h"

namespace telemetry {

// Thread messages; lParam carries a heap FlowRecord that the thread frees.
constexpr UINT kFlowStartMessage = 0x8000;
constexpr UINT kFlowActionMessage = 0x8001;
constexpr UINT kFlowEndMessage = 0x8002;
constexpr UINT kFlowQuitMessage = 0x8003;

struct FlowServers {
    std::wstring sessionInitUrl;  // empty: no session-init goes out, ids stay empty
    std::wstring actionUrl;       // empty: no action goes out
    std::wstring application;
    // Called on the tracker thread with a well-formed session-init reply.
    std::function<void(const SessionReply&)> onReply;
    net::PostTimeouts timeouts;
};

class CFlowTrackerThread : public fw::CWinThread {
public:
    explicit CFlowTrackerThread(FlowServers servers);

    // Queues a copy of the record; false when the queue refused it.
    bool Queue(const FlowRecord& record);
    // Ends the loop once everything queued before it was sent.
    bool QueueQuit();
    // Messages posted and not yet taken from the queue.
    LONG Pending() const noexcept { return pending_; }

protected:
    BOOL InitInstance() override;
    bool OnThreadMessage(const MSG& msg) override;
    int ExitInstance() override;

private:
    bool PostCounted(UINT message, LPARAM record);
    void Send(FlowRecord& record);
    void StartSession(FlowRecord& record);

    FlowServers servers_;
    std::wstring osVersion_;
    std::wstring arch_;
    volatile LONG pending_ = 0;
    bool comStarted_ = false;
};

// "major.minor" of the running system, told truthfully whatever the manifest says.
std::wstring OsVersionText();
// "x64" on a 64-bit system, whichever kind of process asks.
std::wstring ArchText();

}  // namespace telemetry
