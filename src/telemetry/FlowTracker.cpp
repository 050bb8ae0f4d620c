#include "telemetry/FlowTracker.h"

#include "fw/Exception.h"

namespace telemetry {

namespace {
void AddAttributes(FlowRecord& record, FlowAttributes attributes) {
    for (const FlowAttribute& a : attributes) {
        if (!a.name || !a.value) break;
        record.fields.emplace_back(std::wstring(L"attributes[") + a.name + L"]", a.value);
    }
}
}  // namespace

std::wstring FlowSessionState::Id() const {
    fw::CSingleLock lock(lock_);
    return id_;
}

void FlowSessionState::SetId(std::wstring id) {
    fw::CSingleLock lock(lock_);
    id_ = std::move(id);
}

CFlowSessions::~CFlowSessions() {
    if (sink_ && finalAtExit_) {
        const wchar_t* action = finalAtExit_();
        const std::set<CFlowSession*> open = open_;
        for (CFlowSession* s : open) EndFlow(s, action);
    }
    Drain();
    for (CFlowSession* s : open_) delete s;
}

void CFlowSessions::Drain() {
    if (sink_) sink_->Drain();
}

bool CFlowSessions::IsOpen(CFlowSession* session) { return open_.count(session) != 0; }

CFlowSession* CFlowSessions::Start(const std::wstring& flowName, FlowAttributes attributes) {
    if (!sink_) return nullptr;
    auto session = std::unique_ptr<CFlowSession>(new CFlowSession(this));
    FlowRecord record{FlowRecord::Start, session->state_, {{L"flow", flowName}}};
    AddAttributes(record, attributes);
    fw::CSingleLock lock(lock_);
    open_.insert(session.get());
    sink_->Deliver(record);
    return session.release();
}

void CFlowSessions::Post(CFlowSession* session, FlowRecord::Kind kind, const wchar_t* action,
                         FlowAttributes attributes) {
    FlowRecord record{kind, nullptr, {}};
    if (action) {
        record.fields.emplace_back(L"action", action);
        AddAttributes(record, attributes);
    }
    // Under the lock: an EndFlow on another thread cannot free the session meanwhile,
    // and records of all threads reach the sink in one order.
    fw::CSingleLock lock(lock_);
    if (!IsOpen(session)) fw::AfxThrowInvalidArgException();
    record.session = session->state_;
    sink_->Deliver(record);
}

void CFlowSessions::Close(CFlowSession* session) {
    {
        fw::CSingleLock lock(lock_);
        open_.erase(session);
    }
    delete session;
}

CFlowSession* StartFlow(CFlowSessions& tracker, const std::wstring& flowName, FlowAttributes attributes) {
    return tracker.Start(flowName, attributes);
}

void PostAction(CFlowSession* session, const std::wstring& action, FlowAttributes attributes) {
    if (!session) return;
    session->Tracker()->Post(session, FlowRecord::Action, action.c_str(), attributes);
}

void EndFlow(CFlowSession* session, const wchar_t* finalAction, FlowAttributes attributes) {
    if (!session) return;
    CFlowSessions* tracker = session->Tracker();
    tracker->Post(session, FlowRecord::End, finalAction, attributes);
    tracker->Close(session);
}

}  // namespace telemetry
