#pragma once
// Flow telemetry: sessions and their action records. Callers never wait and never
// learn whether a record arrived. Records go to a sink; the network sink replaces
// the recording one once the flow servers are wired in.
#include <initializer_list>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "fw/CriticalSection.h"

namespace telemetry {

// An attribute list ends at the first pair with a missing name or value.
struct FlowAttribute {
    const wchar_t* name;
    const wchar_t* value;
};
using FlowAttributes = std::initializer_list<FlowAttribute>;

struct FlowRecord {
    enum Kind { Start, Action, End };
    Kind kind;
    std::wstring sessionId;
    std::vector<std::pair<std::wstring, std::wstring>> fields;
};

class IFlowSink {
public:
    virtual ~IFlowSink() = default;
    virtual void Deliver(const FlowRecord& record) = 0;
    // Waits until every record handed over so far has been delivered.
    virtual void Drain() = 0;
};

class CFlowSessions;

class CFlowSession {
public:
    CFlowSessions* Tracker() const noexcept { return tracker_; }
    const std::wstring& SessionId() const noexcept { return sessionId_; }

private:
    friend class CFlowSessions;
    explicit CFlowSession(CFlowSessions* tracker) : tracker_(tracker) {}
    CFlowSessions* tracker_;
    std::wstring sessionId_;
};

// The set of open sessions. Destroying it drains the sink.
class CFlowSessions {
public:
    CFlowSessions() = default;
    ~CFlowSessions();
    CFlowSessions(const CFlowSessions&) = delete;
    CFlowSessions& operator=(const CFlowSessions&) = delete;

    // Without a sink no flow can start: telemetry is off.
    void SetSink(std::unique_ptr<IFlowSink> sink) { sink_ = std::move(sink); }

    CFlowSession* Start(const std::wstring& flowName, FlowAttributes attributes);
    void Post(CFlowSession* session, FlowRecord::Kind kind, const wchar_t* action, FlowAttributes attributes);
    void Close(CFlowSession* session);
    void Drain();

private:
    bool IsOpen(CFlowSession* session);

    fw::CCriticalSection lock_;
    std::set<CFlowSession*> open_;
    std::unique_ptr<IFlowSink> sink_;
};

CFlowSession* StartFlow(CFlowSessions& tracker, const std::wstring& flowName, FlowAttributes attributes = {});
void PostAction(CFlowSession* session, const std::wstring& action, FlowAttributes attributes = {});
// Sends the final action, if any, then destroys the session.
void EndFlow(CFlowSession* session, const wchar_t* finalAction, FlowAttributes attributes = {});

}  // namespace telemetry
