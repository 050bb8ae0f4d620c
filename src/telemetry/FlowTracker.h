#pragma once
// Flow telemetry: sessions and their action records. Callers never wait and never
// learn whether a record arrived: records go to a sink, in the program the flow
// servers' (FlowServerSink.h), which sends them on a thread of its own.
#include <functional>
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

// What a session's records share: the id the session-init reply gave. It outlives
// the session while records of it are still queued.
class FlowSessionState {
public:
    std::wstring Id() const;
    void SetId(std::wstring id);

private:
    mutable fw::CCriticalSection lock_;
    std::wstring id_;
};

struct FlowRecord {
    enum Kind { Start, Action, End };
    Kind kind;
    std::shared_ptr<FlowSessionState> session;
    // Start: "flow" and attributes; Action: "action" and attributes; End: either, or none.
    std::vector<std::pair<std::wstring, std::wstring>> fields;
};

class IFlowSink {
public:
    virtual ~IFlowSink() = default;
    // Called on the poster's thread; must not wait for the network.
    virtual void Deliver(const FlowRecord& record) = 0;
    // Waits, within the sink's own limit, until what was handed over has been sent.
    virtual void Drain() = 0;
};

class CFlowSessions;

class CFlowSession {
public:
    CFlowSessions* Tracker() const noexcept { return tracker_; }
    // Empty until the session-init reply gave one; a copy, as the tracker thread writes it.
    std::wstring SessionId() const { return state_->Id(); }

private:
    friend class CFlowSessions;
    explicit CFlowSession(CFlowSessions* tracker)
        : tracker_(tracker), state_(std::make_shared<FlowSessionState>()) {}
    CFlowSessions* tracker_;
    std::shared_ptr<FlowSessionState> state_;
};

// The set of open sessions, guarded by its lock. Destroying it drains the sink.
class CFlowSessions {
public:
    CFlowSessions() = default;
    ~CFlowSessions();
    CFlowSessions(const CFlowSessions&) = delete;
    CFlowSessions& operator=(const CFlowSessions&) = delete;

    // Without a sink no flow can start: telemetry is off.
    void SetSink(std::unique_ptr<IFlowSink> sink) { sink_ = std::move(sink); }
    // A flow still open when the tracker goes is ended with the action this gives
    // (none: closed without one), so a run that ends early still says how it ended.
    void SetFinalActionAtExit(std::function<const wchar_t*()> finalAction) { finalAtExit_ = std::move(finalAction); }

    CFlowSession* Start(const std::wstring& flowName, FlowAttributes attributes);
    // Raises the invalid-argument exception for a session that is not open here.
    void Post(CFlowSession* session, FlowRecord::Kind kind, const wchar_t* action, FlowAttributes attributes);
    void Close(CFlowSession* session);
    void Drain();

private:
    bool IsOpen(CFlowSession* session);

    fw::CCriticalSection lock_;
    std::set<CFlowSession*> open_;
    std::unique_ptr<IFlowSink> sink_;
    std::function<const wchar_t*()> finalAtExit_;
};

CFlowSession* StartFlow(CFlowSessions& tracker, const std::wstring& flowName, FlowAttributes attributes = {});
void PostAction(CFlowSession* session, const std::wstring& action, FlowAttributes attributes = {});
// Sends the final action, if any, then destroys the session.
void EndFlow(CFlowSession* session, const wchar_t* finalAction, FlowAttributes attributes = {});

}  // namespace telemetry
