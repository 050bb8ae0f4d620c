// The real client and download against the test servers, whose addresses
// tests/e2e/test_download.py passes in; without them these cases skip.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "NetTestSupport.h"
#include "net/DownloadToStream.h"
#include "net/NetResults.h"

namespace {

std::wstring ServerOrSkip(const wchar_t* variable) { return nettest::EnvText(variable); }

#define REQUIRE_SERVER(var, name)                                                    \
    const std::wstring var = ServerOrSkip(name);                                     \
    if (var.empty()) GTEST_SKIP() << "no test server: tests/e2e/test_download.py sets it"

struct Progress {
    ULONGLONG last = 0;
    ULONG maxPercent = 0;
    int calls = 0;
    int abortAt = -1;
};

bool Track(ULONGLONG bytes, ULONGLONG, ULONG percent, void* context) {
    auto* p = static_cast<Progress*>(context);
    p->last = bytes;
    p->maxPercent = std::max(p->maxPercent, percent);
    return ++p->calls != p->abortAt;
}

struct ServerCase {
    const char* name;
    const wchar_t* path;
    HRESULT expected;
    size_t size;      // of the resulting file
    int version;
};

void PrintTo(const ServerCase& c, std::ostream* os) { *os << c.name; }

class FaultServerDownload : public testing::TestWithParam<ServerCase> {};

TEST_P(FaultServerDownload, Case) {
    REQUIRE_SERVER(base, L"WRENKIT_FAULT_SERVER");
    const ServerCase& c = GetParam();
    IStream* sink = nettest::NewMemoryStream();
    Progress progress;
    HRESULT hr = net::DownloadToStream((base + c.path).c_str(), sink, &Track, &progress);
    EXPECT_EQ(static_cast<unsigned>(c.expected), static_cast<unsigned>(hr));
    if (SUCCEEDED(c.expected)) {
        std::string held = nettest::StreamBytes(sink);
        EXPECT_EQ(c.size, held.size());
        EXPECT_TRUE(held == nettest::PatternBytes(c.size, c.version)) << "content differs";
        EXPECT_EQ(c.size, progress.last);
    }
    sink->Release();
}

// test_download.py checks what the server received for each of these paths.
INSTANTIATE_TEST_SUITE_P(
    Cases, FaultServerDownload,
    testing::Values(
        ServerCase{"Resume", L"/drop/resume?size=10485760&after=3145728", S_OK, 10485760, 0},
        ServerCase{"WrongContentRange", L"/badrange/badrange?size=4194304&after=1048576", S_OK, 4194304, 0},
        ServerCase{"WrongLength", L"/badlength/badlength?size=4194304&after=1048576", S_OK, 4194304, 0},
        ServerCase{"WholeAnswerToRange", L"/ignorerange/ignorerange?size=4194304&after=1048576", S_OK, 4194304, 0},
        ServerCase{"ChangedBetweenAttempts", L"/changing/changing?size=4194304&after=1048576&size2=3000000", S_OK,
                   3000000, 1},
        ServerCase{"NotFound", L"/status/notfound?code=404", net::HResultFromHttpStatus(404), 0, 0},
        ServerCase{"NoLength", L"/nolength/nolength?size=2000000", S_OK, 2000000, 0},
        ServerCase{"Plain", L"/file/plain?size=5000000", S_OK, 5000000, 0}),
    [](const testing::TestParamInfo<ServerCase>& info) { return std::string(info.param.name); });

TEST(FaultServerDownloadProgress, UnknownLengthStaysAtZeroPercent) {
    REQUIRE_SERVER(base, L"WRENKIT_FAULT_SERVER");
    IStream* sink = nettest::NewMemoryStream();
    Progress progress;
    EXPECT_EQ(S_OK, net::DownloadToStream((base + L"/nolength/percent?size=3000000").c_str(), sink, &Track, &progress));
    EXPECT_EQ(0u, progress.maxPercent);
    EXPECT_GT(progress.calls, 0);
    sink->Release();
}

TEST(FaultServerDownloadProgress, AbortEndsASlowBodyAtOnce) {
    REQUIRE_SERVER(base, L"WRENKIT_FAULT_SERVER");
    IStream* sink = nettest::NewMemoryStream();
    Progress progress;
    DWORD start = ::GetTickCount();
    progress.abortAt = 1;
    // 64 chunks of 256 KiB, 0.1 s apart: 6.4 s when read to the end. Wine's
    // WinHttpReadData fills the whole 4 MiB buffer before it returns, so the first
    // chunk of progress comes after 1.6 s there.
    EXPECT_EQ(E_ABORT, net::DownloadToStream((base + L"/slow/abort?size=16777216&chunk=262144&delay=0.1").c_str(),
                                             sink, &Track, &progress));
    DWORD elapsed = ::GetTickCount() - start;
    EXPECT_LT(elapsed, 4000u);
    EXPECT_EQ(1, progress.calls);
    EXPECT_EQ(progress.last, nettest::StreamBytes(sink).size());
    sink->Release();
}

// The real request, with the first body cut short on our side: a server (nginx)
// that never drops a connection can then be seen answering the resume.
class CutFirstBody : public net::IHttpRequest {
public:
    CutFirstBody(std::unique_ptr<net::IHttpRequest> real, ULONG keep) : real_(std::move(real)), keep_(keep) {}
    std::function<void(int attempt)> beforeOpen;
    std::vector<std::pair<std::wstring, std::wstring>> sentHeaders;
    std::vector<LONG> statuses;

    HRESULT Open(const wchar_t* url) override {
        ++attempt_;
        if (beforeOpen) beforeOpen(attempt_);
        return real_->Open(url);
    }
    HRESULT SetRequestHeader(const wchar_t* name, const wchar_t* value) override {
        sentHeaders.emplace_back(name, value);
        return real_->SetRequestHeader(name, value);
    }
    HRESULT Send() override { return real_->Send(); }
    HRESULT Status(LONG* status) override {
        HRESULT hr = real_->Status(status);
        if (SUCCEEDED(hr)) statuses.push_back(*status);
        return hr;
    }
    HRESULT GetResponseHeader(const wchar_t* name, std::wstring* value) override {
        return real_->GetResponseHeader(name, value);
    }
    HRESULT ResponseStream(IStream** body) override {
        HRESULT hr = real_->ResponseStream(body);
        if (SUCCEEDED(hr) && attempt_ == 1) {
            cut_.Wrap(*body, keep_);
            *body = &cut_;
        }
        return hr;
    }

private:
    class Cut : public nettest::TestStream {
    public:
        ~Cut() { if (inner_) inner_->Release(); }
        void Wrap(IStream* inner, ULONG keep) { inner_ = inner, left_ = keep; }
        HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override {
            *read = 0;
            if (left_ == 0) return S_OK;  // ends quietly, as a dropped connection may
            HRESULT hr = inner_->Read(buffer, std::min(count, left_), read);
            left_ -= *read;
            return hr;
        }

    private:
        IStream* inner_ = nullptr;
        ULONG left_ = 0;
    };

    std::unique_ptr<net::IHttpRequest> real_;
    ULONG keep_;
    int attempt_ = 0;
    Cut cut_;
};

constexpr size_t kPackageSize = 5 * 1024 * 1024 + 123;

TEST(PackageServerDownload, WholePackage) {
    REQUIRE_SERVER(base, L"WRENKIT_PACKAGE_SERVER");
    IStream* sink = nettest::NewMemoryStream();
    Progress progress;
    EXPECT_EQ(S_OK, net::DownloadToStream((base + L"/package.bin").c_str(), sink, &Track, &progress));
    EXPECT_TRUE(nettest::StreamBytes(sink) == nettest::PatternBytes(kPackageSize));
    EXPECT_EQ(100u, progress.maxPercent);
    sink->Release();
}

TEST(PackageServerDownload, ResumeIsAnsweredWithTheTail) {
    REQUIRE_SERVER(base, L"WRENKIT_PACKAGE_SERVER");
    std::unique_ptr<net::IHttpRequest> real;
    ASSERT_EQ(S_OK, net::CreateWinHttpRequest(&real));
    CutFirstBody request(std::move(real), 1000000);
    IStream* sink = nettest::NewMemoryStream();
    EXPECT_EQ(S_OK, net::DownloadToStream(request, (base + L"/package.bin").c_str(), sink, nullptr, nullptr));
    EXPECT_EQ((std::vector<LONG>{200, 206}), request.statuses);
    EXPECT_TRUE(nettest::StreamBytes(sink) == nettest::PatternBytes(kPackageSize));
    // nginx's ETag guards the range.
    ASSERT_EQ(2u, request.sentHeaders.size());
    EXPECT_EQ(L"bytes=1000000-", request.sentHeaders[0].second);
    EXPECT_EQ(L"If-Range", request.sentHeaders[1].first);
    sink->Release();
}

// The package is replaced while the download is interrupted: the result must be the
// new package whole, never the old head with the new tail.
TEST(PackageServerDownload, ReplacedPackageIsFetchedWhole) {
    REQUIRE_SERVER(base, L"WRENKIT_PACKAGE_SERVER");
    const std::wstring root = nettest::EnvText(L"WRENKIT_PACKAGE_ROOT");
    ASSERT_FALSE(root.empty());
    const std::wstring path = root + L"\\replaced.bin";
    auto writeFile = [&](const std::string& data) {
        HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        DWORD written = 0;
        ::WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
        ::CloseHandle(file);
    };
    const std::string oldPackage = nettest::PatternBytes(3000000, 0);
    const std::string newPackage = nettest::PatternBytes(3500000, 1);
    writeFile(oldPackage);

    std::unique_ptr<net::IHttpRequest> real;
    ASSERT_EQ(S_OK, net::CreateWinHttpRequest(&real));
    CutFirstBody request(std::move(real), 1000000);
    request.beforeOpen = [&](int attempt) {
        if (attempt == 2) writeFile(newPackage);
    };
    IStream* sink = nettest::NewMemoryStream();
    EXPECT_EQ(S_OK, net::DownloadToStream(request, (base + L"/replaced.bin").c_str(), sink, nullptr, nullptr));
    EXPECT_EQ((std::vector<LONG>{200, 200}), request.statuses);
    std::string held = nettest::StreamBytes(sink);
    EXPECT_EQ(newPackage.size(), held.size());
    EXPECT_TRUE(held == newPackage);
    sink->Release();
}

}  // namespace
