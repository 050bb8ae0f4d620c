// The form POST and the tracker thread against the recording telemetry server, whose
// address tests/e2e/test_telemetry.py passes in; without it these cases skip. The
// Python side then checks what the server received.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "net/PostForm.h"
#include "telemetry/FlowServerSink.h"

namespace {

std::wstring Env(const wchar_t* name) {
    wchar_t buffer[1024];
    DWORD n = ::GetEnvironmentVariableW(name, buffer, 1024);
    return n && n < 1024 ? std::wstring(buffer, n) : std::wstring();
}

#define REQUIRE_SERVER(var)                            \
    const std::wstring var = Env(L"WRENKIT_TELEMETRY_SERVER"); \
    if (var.empty()) GTEST_SKIP() << "no telemetry server: tests/e2e/test_telemetry.py sets it"

struct ComScope {
    ComScope() { ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComScope() { ::CoUninitialize(); }
};

std::string Text(const fw::CMemFile& file) {
    return std::string(file.Data().begin(), file.Data().end());
}

TEST(TelemetryServerPostForm, SendsEveryFieldAndReadsTheReply) {
    REQUIRE_SERVER(base);
    ComScope com;
    // The Python side expects exactly these fields under "/installer/init_v2.php?case=fields".
    const net::FormFields fields = {
        {L"plain", L"abc"},
        {L"empty", L""},
        {L"unsafe", L"a b?c#d&e=f+g%h/i"},
        {L"text", L"Gr\u00FC\u00DFe \u65E5\u672C"},
        {L"attributes[reason]", L"No backup URL found."},
    };
    fw::CMemFile reply;
    reply.Write("stale", 5);
    ASSERT_TRUE(net::PostForm(base + L"/installer/init_v2.php?case=fields&reply=6162630a310a320a31", fields, &reply));
    EXPECT_EQ("abc\n1\n2\n1", Text(reply));
    EXPECT_EQ(0u, reply.GetPosition());

    EXPECT_TRUE(net::PostForm(base + L"/installer/init_v2.php?case=empty", {}, nullptr));
}

TEST(TelemetryServerPostForm, ErrorStatusFailsOnlyWhenTheReplyIsWanted) {
    REQUIRE_SERVER(base);
    ComScope com;
    fw::CMemFile reply;
    reply.Write("kept", 4);
    EXPECT_FALSE(net::PostForm(base + L"/missing", {{L"a", L"1"}}, &reply));
    EXPECT_EQ("kept", Text(reply));
    EXPECT_TRUE(net::PostForm(base + L"/missing", {{L"a", L"1"}}, nullptr));
    // Nothing listens on port 1: a failure, quickly, not a hang.
    EXPECT_FALSE(net::PostForm(L"http://127.0.0.1:1/installer/init_v2.php", {}, &reply));
}

TEST(TelemetryServerSilent, AServerThatNeverAnswersIsGivenUpInTime) {
    const std::wstring silent = Env(L"WRENKIT_TELEMETRY_SILENT");
    if (silent.empty()) GTEST_SKIP() << "no silent server: tests/e2e/test_telemetry.py sets it";
    ComScope com;
    fw::CMemFile reply;
    const DWORD started = ::GetTickCount();
    EXPECT_FALSE(net::PostForm(silent + L"/installer/init_v2.php", {{L"flow", L"silent"}}, &reply));
    const DWORD elapsed = ::GetTickCount() - started;
    // The limit is the sum of the connect, send and receive time-outs (8 s), plus slack.
    EXPECT_LT(elapsed, 11000u);
    std::printf("a silent server cost PostForm %lu ms\n", static_cast<unsigned long>(elapsed));
}

struct ReplyCase {
    const char* name;
    const char* replyHex;
    const wchar_t* sessionId;  // what later actions must carry
    bool withdrawn;
    bool backupAllowed;
};

void PrintTo(const ReplyCase& c, std::ostream* os) { *os << c.name; }

class TelemetryServerReply : public testing::TestWithParam<ReplyCase> {};

// Each case opens a flow whose session-init gets the case's reply, then sends one
// action naming the id it expects; the Python side checks the action's session_id.
TEST_P(TelemetryServerReply, Case) {
    REQUIRE_SERVER(base);
    const ReplyCase& c = GetParam();
    bool withdrawn = false, backupAllowed = false;
    telemetry::FlowServers servers;
    servers.sessionInitUrl = base + L"/installer/init_v2.php?reply=" + std::wstring(c.replyHex, c.replyHex + strlen(c.replyHex));
    servers.actionUrl = base + L"/api/flow/action";
    servers.application = L"Vantrell";
    servers.onReply = [&](const telemetry::SessionReply& r) {
        withdrawn = r.installerWithdrawn;
        backupAllowed = r.backupAllowed;
    };
    telemetry::CFlowSessions tracker;
    tracker.SetSink(telemetry::CFlowServerSink::Create(std::move(servers)));
    const std::wstring name(c.name, c.name + strlen(c.name));
    telemetry::CFlowSession* session = telemetry::StartFlow(tracker, L"reply:" + name);
    ASSERT_NE(nullptr, session);
    // Queued before the reply can have come: the thread's order still gives it the id.
    telemetry::PostAction(session, L"ReplyCase", {{L"case", name.c_str()}, {L"expect", c.sessionId}});
    tracker.Drain();
    EXPECT_EQ(c.sessionId, session->SessionId());
    EXPECT_EQ(c.withdrawn, withdrawn);
    EXPECT_EQ(c.backupAllowed, backupAllowed);
    telemetry::EndFlow(session, nullptr);
}

// Hex so that CR, cut characters and stray bytes travel intact in a URL.
INSTANTIATE_TEST_SUITE_P(Replies, TelemetryServerReply, testing::Values(
    ReplyCase{"valid", "613162320a310a320a31", L"a1b2", false, true},                  // a1b2 1 2 1
    ReplyCase{"withdrawn", "613162320a300a320a310a", L"a1b2", true, true},             // final newline: 4
    ReplyCase{"no backup", "613162320a310a320a32", L"a1b2", false, false},
    ReplyCase{"crlf", "613162320d0a300d0a320d0a310d0a", L"", false, false},
    ReplyCase{"three lines", "613162320a310a32", L"", false, false},
    ReplyCase{"five lines", "613162320a310a320a310a35", L"", false, false},
    // 20-character id, then 1, 2, 1: the 23-byte cut leaves two pieces.
    ReplyCase{"cut", "61616161616161616161616161616161616161610a310a320a31", L"", false, false},
    // The cut falls inside a three-byte character of the id.
    ReplyCase{"cut inside utf-8", "6161616161616161610a310a320a31e697a5e697a5e697a5e697a5", L"", false, false},
    ReplyCase{"invalid utf-8", "61ff62320a310a320a31", L"", false, false},
    ReplyCase{"empty", "", L"", false, false}));

}  // namespace
