// The download's attempts, resume and length checks, through a scripted request:
// the cases that a real server cannot be made to produce on demand.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "NetTestSupport.h"
#include "net/DownloadToStream.h"
#include "net/NetResults.h"

namespace {

using Headers = std::map<std::wstring, std::wstring>;
constexpr size_t kNever = static_cast<size_t>(-1);
constexpr HRESULT kConnectionError = static_cast<HRESULT>(0x80072EFE);
constexpr HRESULT kCannotConnect = static_cast<HRESULT>(0x80072EFD);

// One scripted response.
struct Answer {
    LONG status = 200;
    Headers headers;
    std::string body;
    size_t endAfter = kNever;        // the body stops after this many bytes...
    HRESULT endResult = kConnectionError;  // ...with this Read result (S_OK: a quiet short body)
    HRESULT send = S_OK;
};

class BodyStream : public nettest::TestStream {
public:
    void Reset(const Answer* answer) { answer_ = answer, position_ = 0; }
    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override {
        *read = 0;
        size_t end = std::min(answer_->body.size(), answer_->endAfter);
        if (position_ >= end) return position_ < answer_->body.size() ? answer_->endResult : S_OK;
        // Chunks of 1 MiB, so that progress is seen several times.
        size_t n = std::min<size_t>({count, end - position_, 1u << 20});
        memcpy(buffer, answer_->body.data() + position_, n);
        position_ += n;
        *read = static_cast<ULONG>(n);
        return S_OK;
    }

private:
    const Answer* answer_ = nullptr;
    size_t position_ = 0;
};

class ScriptedRequest : public net::IHttpRequest {
public:
    explicit ScriptedRequest(std::vector<Answer> answers) : answers_(std::move(answers)) {}
    HRESULT Open(const wchar_t*) override {
        current_ = &answers_[std::min(sent.size(), answers_.size() - 1)];
        sent.emplace_back();
        return S_OK;
    }
    HRESULT SetRequestHeader(const wchar_t* name, const wchar_t* value) override {
        sent.back()[name] = value;
        return S_OK;
    }
    HRESULT Send() override { return current_->send; }
    HRESULT Status(LONG* status) override {
        *status = current_->status;
        return S_OK;
    }
    HRESULT GetResponseHeader(const wchar_t* name, std::wstring* value) override {
        auto it = current_->headers.find(name);
        if (it == current_->headers.end()) return static_cast<HRESULT>(0x80072F76);
        *value = it->second;
        return S_OK;
    }
    HRESULT ResponseStream(IStream** body) override {
        body_.Reset(current_);
        *body = &body_;
        return S_OK;
    }

    std::vector<Headers> sent;  // request headers of every attempt

private:
    std::vector<Answer> answers_;
    const Answer* current_ = nullptr;
    BodyStream body_;
};

struct Progress {
    std::vector<ULONGLONG> offsets;
    std::vector<ULONG> percents;
    size_t abortAfter = kNever;
};

bool Record(ULONGLONG bytes, ULONGLONG, ULONG percent, void* context) {
    auto* p = static_cast<Progress*>(context);
    p->offsets.push_back(bytes);
    p->percents.push_back(percent);
    return p->offsets.size() < p->abortAfter;
}

Headers Full(const std::string& body, const wchar_t* etag = L"\"v1\"") {
    Headers h{{L"Content-Length", std::to_wstring(body.size())}};
    if (etag) h[L"ETag"] = etag;
    return h;
}

Headers Tail(size_t from, size_t size, size_t length, const wchar_t* etag = L"\"v1\"") {
    Headers h{{L"Content-Length", std::to_wstring(length)},
              {L"Content-Range", L"bytes " + std::to_wstring(from) + L"-" + std::to_wstring(size - 1) + L"/" +
                                     std::to_wstring(size)}};
    if (etag) h[L"ETag"] = etag;
    return h;
}

const std::string kFile = nettest::PatternBytes(10 << 20);
const std::string kOtherFile = nettest::PatternBytes(6 << 20, 1);
constexpr size_t kDrop = 3 << 20;

struct Case {
    const char* name;
    std::vector<Answer> answers;
    HRESULT expected;
    size_t attempts;
    std::string sinkAfter;                 // what the sink holds at the end
    std::vector<std::wstring> ranges;      // Range header per attempt ("" for none)
};

std::vector<Case> Cases() {
    std::string tail = kFile.substr(kDrop);
    Answer dropped{200, Full(kFile), kFile, kDrop};
    return {
        {"NotFoundEveryTime", {{404, {}, "gone"}}, net::HResultFromHttpStatus(404), 5, "", {L"", L"", L"", L"", L""}},
        {"ResumesWith206", {dropped, {206, Tail(kDrop, kFile.size(), tail.size()), tail}}, S_OK, 2, kFile,
         {L"", L"bytes=3145728-"}},
        {"RestartsOn200ToRange", {dropped, {200, Full(kFile), kFile}}, S_OK, 2, kFile, {L"", L"bytes=3145728-"}},
        {"WrongLengthOn206StartsOver",
         {dropped, {206, Tail(kDrop, kFile.size(), kFile.size()), kFile}, {200, Full(kFile), kFile}}, S_OK, 3, kFile,
         {L"", L"bytes=3145728-", L""}},
        // Right length, wrong place: appending it would splice the file's head onto its middle.
        {"WrongContentRangeOn206StartsOver",
         {dropped, {206, Tail(0, kFile.size(), tail.size()), kFile.substr(0, tail.size())}, {200, Full(kFile), kFile}},
         S_OK, 3, kFile, {L"", L"bytes=3145728-", L""}},
        {"MissingContentRangeOn206StartsOver",
         {dropped, {206, Full(tail), tail}, {200, Full(kFile), kFile}}, S_OK, 3, kFile, {L"", L"bytes=3145728-", L""}},
        // The resource changed: If-Range makes the server send the new one whole, of another size.
        {"ChangedFileComesBackWhole", {dropped, {200, Full(kOtherFile, L"\"v2\""), kOtherFile}}, S_OK, 2, kOtherFile,
         {L"", L"bytes=3145728-"}},
        {"QuietShortBodyResumes",
         {{200, Full(kFile), kFile, kDrop, S_OK}, {206, Tail(kDrop, kFile.size(), tail.size()), tail}}, S_OK, 2, kFile,
         {L"", L"bytes=3145728-"}},
        {"UnknownLengthSucceedsWhenBodyEnds", {{200, {}, kFile}}, S_OK, 1, kFile, {L""}},
        {"UnknownLengthFailureRefetchesWhole", {{200, {}, kFile, kDrop}, {200, {}, kFile}}, S_OK, 2, kFile, {L"", L""}},
        {"NonNumericLengthIsUnknown", {{200, {{L"Content-Length", L"12abc"}}, kFile}}, S_OK, 1, kFile, {L""}},
        {"EmptyResource", {{200, Full(""), ""}}, S_OK, 1, "", {L""}},
        // A server that cannot be reached must not look like an empty success.
        {"SendFailsEveryTime", {{200, {}, "", kNever, S_OK, kCannotConnect}}, kCannotConnect, 5, "",
         {L"", L"", L"", L"", L""}},
        // The body ends short of the announced total: the length check speaks last.
        {"DropsEveryTime", {dropped}, net::kResultLengthMismatch, 5, kFile.substr(0, kDrop),
         {L"", L"bytes=3145728-", L"bytes=3145728-", L"bytes=3145728-", L"bytes=3145728-"}},
    };
}

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class DownloadStateMachine : public testing::TestWithParam<Case> {};

TEST_P(DownloadStateMachine, Attempts) {
    const Case& c = GetParam();
    ScriptedRequest request(c.answers);
    IStream* sink = nettest::NewMemoryStream();
    Progress progress;
    HRESULT hr = net::DownloadToStream(request, L"http://packages.test/p.msi.bz2", sink, &Record, &progress);
    EXPECT_EQ(static_cast<unsigned>(c.expected), static_cast<unsigned>(hr));
    EXPECT_EQ(c.attempts, request.sent.size());
    std::string held = nettest::StreamBytes(sink);
    EXPECT_TRUE(held == c.sinkAfter) << "sink holds " << held.size() << " bytes, expected " << c.sinkAfter.size();
    for (size_t i = 0; i < c.ranges.size() && i < request.sent.size(); ++i) {
        auto range = request.sent[i].find(L"Range");
        EXPECT_EQ(c.ranges[i], range == request.sent[i].end() ? L"" : range->second) << "attempt " << i;
    }
    // Offsets count every byte in the sink and never run backwards within one start.
    if (SUCCEEDED(hr) && !c.sinkAfter.empty()) {
        EXPECT_EQ(c.sinkAfter.size(), progress.offsets.back());
    }
    sink->Release();
}

INSTANTIATE_TEST_SUITE_P(Cases, DownloadStateMachine, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(DownloadResume, ProgressGrowsAcrossResumeAndEndsAt100) {
    std::string tail = kFile.substr(kDrop);
    ScriptedRequest request({{200, Full(kFile), kFile, kDrop}, {206, Tail(kDrop, kFile.size(), tail.size()), tail}});
    IStream* sink = nettest::NewMemoryStream();
    Progress progress;
    ASSERT_EQ(S_OK, net::DownloadToStream(request, L"http://h/p", sink, &Record, &progress));
    EXPECT_TRUE(std::is_sorted(progress.offsets.begin(), progress.offsets.end()));
    EXPECT_EQ(ULONGLONG{kDrop}, progress.offsets[2]);   // three 1 MiB chunks before the drop
    EXPECT_EQ(ULONGLONG{kDrop + (1 << 20)}, progress.offsets[3]);
    EXPECT_EQ(100u, progress.percents.back());
    EXPECT_EQ(30u, progress.percents[2]);
    sink->Release();
}

TEST(DownloadResume, IfRangeCarriesTheFirstResponsesValidator) {
    struct ValidatorCase {
        Headers first;
        std::wstring ifRange;  // empty: not sent
    };
    const std::wstring lastModified = L"Mon, 07 Dec 2026 10:00:00 GMT";
    std::vector<ValidatorCase> cases = {
        {{{L"ETag", L"\"abc\""}, {L"Last-Modified", lastModified}}, L"\"abc\""},
        {{{L"Last-Modified", lastModified}}, lastModified},
        // A weak tag cannot guard a range; the date can.
        {{{L"ETag", L"W/\"abc\""}, {L"Last-Modified", lastModified}}, lastModified},
        {{}, L""},
    };
    for (const auto& c : cases) {
        Headers first = c.first;
        first[L"Content-Length"] = std::to_wstring(kFile.size());
        std::string tail = kFile.substr(kDrop);
        ScriptedRequest request({{200, first, kFile, kDrop}, {206, Tail(kDrop, kFile.size(), tail.size()), tail}});
        IStream* sink = nettest::NewMemoryStream();
        EXPECT_EQ(S_OK, net::DownloadToStream(request, L"http://h/p", sink, nullptr, nullptr));
        ASSERT_EQ(2u, request.sent.size());
        EXPECT_EQ(0u, request.sent[0].count(L"If-Range"));
        auto it = request.sent[1].find(L"If-Range");
        EXPECT_EQ(c.ifRange, it == request.sent[1].end() ? L"" : it->second);
        sink->Release();
    }
}

TEST(DownloadAbort, CallbackFalseStopsAtOnceKeepingTheBytes) {
    ScriptedRequest request({{200, Full(kFile), kFile}});
    IStream* sink = nettest::NewMemoryStream();
    Progress progress;
    progress.abortAfter = 2;
    EXPECT_EQ(E_ABORT, net::DownloadToStream(request, L"http://h/p", sink, &Record, &progress));
    EXPECT_EQ(1u, request.sent.size());
    EXPECT_EQ(size_t{2 << 20}, nettest::StreamBytes(sink).size());
    sink->Release();
}

// A sink over a memory stream that fails one operation on purpose.
class FaultySink : public nettest::TestStream {
public:
    explicit FaultySink(IStream* inner) : inner_(inner) {}
    HRESULT STDMETHODCALLTYPE Write(const void* data, ULONG count, ULONG* written) override {
        if (shortWrite) count /= 2;
        return inner_->Write(data, count, written);
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER to, DWORD origin, ULARGE_INTEGER* at) override {
        return inner_->Seek(to, origin, at);
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override {
        return setSizeResult != S_OK ? setSizeResult : inner_->SetSize(size);
    }
    bool shortWrite = false;
    HRESULT setSizeResult = S_OK;

private:
    IStream* inner_;
};

TEST(DownloadSink, FailuresEndTheDownloadWithoutRetry) {
    IStream* memory = nettest::NewMemoryStream();
    {
        FaultySink sink(memory);
        sink.setSizeResult = STG_E_ACCESSDENIED;
        ScriptedRequest request({{200, Full(kFile), kFile}});
        EXPECT_EQ(STG_E_ACCESSDENIED, net::DownloadToStream(request, L"http://h/p", &sink, nullptr, nullptr));
        EXPECT_EQ(1u, request.sent.size());
    }
    {
        FaultySink sink(memory);
        sink.shortWrite = true;
        ScriptedRequest request({{200, Full(kFile), kFile}});
        EXPECT_EQ(net::kResultShortWrite, net::DownloadToStream(request, L"http://h/p", &sink, nullptr, nullptr));
        EXPECT_EQ(1u, request.sent.size());
    }
    memory->Release();
}

TEST(DownloadArguments, MissingUrlOrSink) {
    ScriptedRequest request({{200, Full(""), ""}});
    IStream* sink = nettest::NewMemoryStream();
    EXPECT_EQ(E_INVALIDARG, net::DownloadToStream(request, nullptr, sink, nullptr, nullptr));
    EXPECT_EQ(E_INVALIDARG, net::DownloadToStream(request, L"", sink, nullptr, nullptr));
    EXPECT_EQ(E_INVALIDARG, net::DownloadToStream(request, L"http://h/p", nullptr, nullptr, nullptr));
    sink->Release();
}

TEST(DownloadPercent, Table) {
    struct { ULONGLONG offset, total; ULONG percent; } cases[] = {
        {0, 100, 0}, {99, 100, 99}, {100, 100, 100}, {150, 100, 100},
        {5, net::kUnknownTotal, 0}, {~0ull / 50, ~0ull - 1, 100},  // offset * 100 overflows
        {1, 3, 33},
    };
    for (const auto& c : cases) EXPECT_EQ(c.percent, net::DownloadPercent(c.offset, c.total)) << c.offset;
}

TEST(DownloadHeaders, ContentLengthAndRangeParsing) {
    ULONGLONG v = 0;
    EXPECT_TRUE(net::ParseContentLength(L"7340032", &v));
    EXPECT_EQ(7340032u, v);
    for (const wchar_t* bad : {L"", L"-5", L"12abc", L" 12", L"99999999999999999999", L"18446744073709551615"})
        EXPECT_FALSE(net::ParseContentLength(bad, &v)) << bad;

    EXPECT_TRUE(net::ContentRangeContinues(L"bytes 3145728-10485759/10485760", 3145728, 10485760));
    EXPECT_TRUE(net::ContentRangeContinues(L"bytes 3145728-10485759/*", 3145728, 10485760));
    for (const wchar_t* bad : {L"bytes 0-7340031/10485760", L"bytes 3145728-10485758/10485760",
                               L"bytes 3145728-10485759/10485761", L"items 3145728-10485759/10485760", L""})
        EXPECT_FALSE(net::ContentRangeContinues(bad, 3145728, 10485760)) << bad;
}

}  // namespace
