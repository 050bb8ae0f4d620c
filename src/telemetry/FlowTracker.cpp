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

CFlowSessions::~CFlowSessions() {
    Drain();
    for (CFlowSession* s : open_) delete s;
}

void CFlowSessions::Drain() {
    if (sink_) sink_->Drain();
}

bool CFlowSessions::IsOpen(CFlowSession* session) {
    fw::CSingleLock lock(lock_);
    return open_.count(session) != 0;
}

CFlowSession* CFlowSessions::Start(const std::wstring& flowName, FlowAttributes attributes) {
    if (!sink_) return nullptr;
    auto* session = new CFlowSession(this);
    {
        fw::CSingleLock lock(lock_);
        open_.insert(session);
    }
    FlowRecord record{FlowRecord::Start, session->sessionId_, {{L"flow", flowName}}};
    AddAttributes(record, attributes);
    sink_->Deliver(record);
    return session;
}

void CFlowSessions::Post(CFlowSession* session, FlowRecord::Kind kind, const wchar_t* action,
                         FlowAttributes attributes) {
    if (!IsOpen(session)) fw::AfxThrowInvalidArgException();
    FlowRecord record{kind, session->sessionId_, {}};
    if (action) {
        record.fields.emplace_back(L"action", action);
        AddAttributes(record, attributes);
    }
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
