#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Program.h"
#include "fw/UniqueHandle.h"
#include "install/PostInstallLaunch.h"

namespace {

using namespace install;

TEST(PostInstallLaunch, PathPiecesAndResultsAddress) {
    AppPath app = SplitAppPath(L"C:\\Program Files\\Vantrell\\Vantrell.exe");
    EXPECT_EQ(L"C:\\Program Files\\Vantrell", app.directory);
    EXPECT_EQ(L"Vantrell.exe", app.fileName);
    EXPECT_EQ(L"\"C:\\Program Files\\Vantrell\\Vantrell.exe\"", app.quoted);
    EXPECT_EQ(L"http://r/scan?guid=G1&lang=de&a=1&b=2", ScanResultsAddress(L"http://r/scan", L"G1", L"de", L"??a=1&b=2"));
    EXPECT_EQ(L"http://r/scan?guid=G1&lang=en&", ScanResultsAddress(L"http://r/scan", L"G1", L"en", L"??"));
}

class ProgressLog : public ITaskContext {
public:
    void ReportTaskProgress(int percent, const std::wstring&) override { values.push_back(percent); }
    void RememberTempFile(const std::wstring&) override {}
    bool IsCancelled() const override { return false; }
    void EnableCancel(bool) override {}
    std::vector<int> values;
};

class InstallScan : public ::testing::Test {
protected:
    void SetUp() override {
        app::RegisterRuntimeClasses();
        ASSERT_TRUE(app::TheProgram().LoadConfiguration());  // "AppExe" names a program that is not installed
    }
    const std::wstring event = L"Local\\WrenkitUnitScan";
};

TEST_F(InstallScan, AnEventThatExistsAlreadyEndsTheWaitAtOnce) {
    fw::UniqueHandle existing(::CreateEventW(nullptr, TRUE, FALSE, event.c_str()));
    ProgressLog log;
    EXPECT_TRUE(RunInstallScan(log, event));
    EXPECT_EQ((std::vector<int>{0, 95}), log.values);
}

TEST_F(InstallScan, WaitsInHalfSecondStepsUntilTheEventAppears) {
    fw::UniqueHandle created;
    HANDLE thread = ::CreateThread(nullptr, 0, [](void* out) -> DWORD {
        ::Sleep(1200);
        reinterpret_cast<fw::UniqueHandle*>(out)->reset(::CreateEventW(nullptr, TRUE, FALSE, L"Local\\WrenkitUnitScan"));
        return 0;
    }, &created, 0, nullptr);
    ProgressLog log;
    EXPECT_TRUE(RunInstallScan(log, event));
    ::WaitForSingleObject(thread, 5000);
    ::CloseHandle(thread);
    ASSERT_GE(log.values.size(), 4u);
    EXPECT_EQ(0, log.values.front());
    EXPECT_EQ(7, log.values[1]);
    EXPECT_EQ(14, log.values[2]);
    EXPECT_EQ(95, log.values.back());
    EXPECT_LE(log.values.size(), 6u);  // not the whole eight seconds
}

}  // namespace
