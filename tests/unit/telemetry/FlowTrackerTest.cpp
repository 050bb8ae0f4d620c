#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "fw/Exception.h"
#include "telemetry/FlowTracker.h"

namespace {

using telemetry::FlowRecord;

struct ListSink : telemetry::IFlowSink {
    std::vector<FlowRecord>* records;
    explicit ListSink(std::vector<FlowRecord>* r) : records(r) {}
    void Deliver(const FlowRecord& record) override { records->push_back(record); }
    void Drain() override {}
};

TEST(FlowTracker, RecordsInOrderWithAttributesUpToTheFirstGap) {
    std::vector<FlowRecord> records;
    telemetry::CFlowSessions tracker;
    tracker.SetSink(std::make_unique<ListSink>(&records));
    telemetry::CFlowSession* session = telemetry::StartFlow(tracker, L"Install3::2014-11-13");
    ASSERT_NE(nullptr, session);
    telemetry::PostAction(session, L"EULAAccept", {{L"product", L"Vantrell"}, {L"cut", nullptr}, {L"after", L"x"}});
    telemetry::EndFlow(session, L"InstallBroken");
    telemetry::PostAction(nullptr, L"Ignored");

    ASSERT_EQ(3u, records.size());
    EXPECT_EQ(FlowRecord::Start, records[0].kind);
    EXPECT_EQ(L"Install3::2014-11-13", records[0].fields.at(0).second);
    ASSERT_EQ(2u, records[1].fields.size());
    EXPECT_EQ(L"attributes[product]", records[1].fields[1].first);
    EXPECT_EQ(FlowRecord::End, records[2].kind);
    EXPECT_EQ(L"InstallBroken", records[2].fields.at(0).second);
    // Every record of a session shares the state the session-init reply fills in.
    EXPECT_EQ(records[0].session, records[2].session);
}

TEST(FlowTracker, ClosedSessionIsRejectedAndNoSinkMeansNoFlow) {
    std::vector<FlowRecord> records;
    telemetry::CFlowSessions tracker;
    EXPECT_EQ(nullptr, telemetry::StartFlow(tracker, L"flow"));
    tracker.SetSink(std::make_unique<ListSink>(&records));
    telemetry::CFlowSession* open = telemetry::StartFlow(tracker, L"flow");
    telemetry::CFlowSessions other;
    other.SetSink(std::make_unique<ListSink>(&records));
    telemetry::CFlowSession* foreign = telemetry::StartFlow(other, L"flow");
    // A session of another tracker looks closed to this one.
    bool threw = false;
    try {
        tracker.Post(foreign, FlowRecord::Action, L"x", {});
    } catch (fw::CException* e) {
        threw = e->IsKindOf(RUNTIME_CLASS(fw::CInvalidArgException));
        e->Delete();
    }
    EXPECT_TRUE(threw);
    telemetry::EndFlow(open, nullptr);
}

}  // namespace
