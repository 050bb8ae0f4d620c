#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/BuildSettings.h"
#include "install/Downloader.h"

namespace {

using namespace install;

TEST(Downloader, SizeAndSpeedTexts) {
    struct Size {
        ULONGLONG bytes;
        const wchar_t* text;
    } sizes[] = {{0, L"0 bytes"}, {1, L"1 byte"}, {1023, L"1023 bytes"}, {1024, L"1.0 KB"},
                 {1048575, L"1024.0 KB"}, {1048576, L"1.0 MB"}, {5u * 1048576 / 2, L"2.5 MB"}};
    for (const Size& s : sizes) EXPECT_EQ(s.text, FormatByteSize(s.bytes)) << s.bytes;

    struct Speed {
        ULONGLONG bytes;
        DWORD ms;
        const wchar_t* text;
    } speeds[] = {{5000, 0, L"an unknown speed"}, {1, 1000, L"1 byte/s"}, {1000, 1000, L"1000 bytes/s"},
                  {2048, 1000, L"2.00 KB/s"}, {3u * 1048576, 2000, L"1.50 MB/s"}};
    for (const Speed& s : speeds) EXPECT_EQ(s.text, FormatTransferSpeed(s.bytes, s.ms)) << s.bytes << "/" << s.ms;
}

class RecordingContext : public ITaskContext {
public:
    void ReportTaskProgress(int percent, const std::wstring& text) override { reports.push_back({percent, text}); }
    void RememberTempFile(const std::wstring&) override {}
    bool IsCancelled() const override { return false; }
    void EnableCancel(bool) override {}
    std::vector<std::pair<int, std::wstring>> reports;
};

DWORD g_now = 0;
DWORD WINAPI FakeTicks() { return g_now; }

TEST(Downloader, ReportsAtMostOnceEvery66Milliseconds) {
    RecordingContext context;
    config::BuildSettings settings;
    CDownloader downloader(context, settings, &FakeTicks);
    // The start tick is taken when a download begins; here the clock starts at 0.
    for (DWORD t : {10u, 65u, 66u, 100u, 131u, 132u}) {
        g_now = t;
        EXPECT_TRUE(downloader.OnProgress(t * 100, 13200, t * 100 / 132));
    }
    ASSERT_EQ(2u, context.reports.size());
    EXPECT_EQ(50, context.reports[0].first);
    EXPECT_EQ(L"6.4 KB of 12.9 KB downloaded at 97.66 KB/s...", context.reports[0].second);
    EXPECT_EQ(100, context.reports[1].first);

    g_now = 300;
    downloader.OnProgress(100, ~0ull, 0);
    EXPECT_EQ(L"100 bytes of an unknown size downloaded at 333 bytes/s...", context.reports.back().second);
}

}  // namespace
