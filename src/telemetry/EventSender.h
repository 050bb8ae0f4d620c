#pragma once
// Fire-and-forget GETs for the logging events, each on a thread of its own. Unlike a
// detached request, these are waited for when the sender goes: the event of the
// Finish button is sent a moment before the process ends and would otherwise die
// with it. The wait is bounded, so a server that never answers cannot keep us.
#include <windows.h>

#include <string>
#include <vector>

#include "fw/CriticalSection.h"
#include "fw/UniqueHandle.h"

namespace telemetry {

class CEventSender {
public:
    static constexpr DWORD kDefaultDrainLimitMs = 5000;

    explicit CEventSender(DWORD drainLimitMs = kDefaultDrainLimitMs) : drainLimitMs_(drainLimitMs) {}
    ~CEventSender();
    CEventSender(const CEventSender&) = delete;
    CEventSender& operator=(const CEventSender&) = delete;

    // False when the thread could not be started; the event is then lost.
    bool Send(const std::wstring& url);

private:
    DWORD drainLimitMs_;
    fw::CCriticalSection lock_;
    std::vector<fw::UniqueHandle> threads_;
};

}  // namespace telemetry
