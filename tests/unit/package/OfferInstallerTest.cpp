#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fw/Exception.h"
#include "config/InstallerData.h"
#include "install/BzFile.h"
#include "install/OfferInstaller.h"
#include "telemetry/FlowTracker.h"
#include "PackageTestFiles.h"

using namespace package_test;

namespace {

constexpr const wchar_t* kRecordVariable = L"WRENKIT_OFFER_RECORD";

// A copy of this program started as an offer installer writes down its command
// line and ends before any test runs.
const bool recorderRan = [] {
    wchar_t target[MAX_PATH];
    if (!::GetEnvironmentVariableW(kRecordVariable, target, MAX_PATH)) return false;
    std::wstring line = ::GetCommandLineW();
    HANDLE file = ::CreateFileW(target, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ::WriteFile(file, line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &written, nullptr);
    ::CloseHandle(file);
    ::ExitProcess(0);
    return true;
}();

class RecordingSink : public telemetry::IFlowSink {
public:
    explicit RecordingSink(std::vector<std::wstring>& actions) : actions_(actions) {}
    void Deliver(const telemetry::FlowRecord& record) override {
        for (const auto& [name, value] : record.fields)
            if (name == L"action") actions_.push_back(value);
    }
    void Drain() override {}

private:
    std::vector<std::wstring>& actions_;
};

class ProgressTask : public install::ITaskContext {
public:
    void ReportTaskProgress(int percent, const std::wstring&) override { percents.push_back(percent); }
    void RememberTempFile(const std::wstring&) override {}
    bool IsCancelled() const override { return cancelled; }
    void EnableCancel(bool) override {}
    std::vector<int> percents;
    bool cancelled = false;
};

std::wstring ReadRecordedLine(const std::wstring& path) {
    for (int i = 0; i < 200 && !Exists(path); ++i) ::Sleep(50);
    for (int i = 0; i < 40; ++i) {  // the child may still be writing
        Bytes bytes = ReadBytes(path);
        if (!bytes.empty()) return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
        ::Sleep(50);
    }
    return {};
}

class OfferInstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        tracker.SetSink(std::make_unique<RecordingSink>(actions));
        session = telemetry::StartFlow(tracker, L"installer");
        data.ParseText(L"SI_MODE=toaster\nVantrellStubId=st 7");
    }
    void TearDown() override {
        ::SetEnvironmentVariableW(kRecordVariable, nullptr);
        telemetry::EndFlow(session, nullptr);
    }
    install::OfferLaunchContext Context() { return {&data, GUID{}, session, L"Vantrell"}; }

    ScratchFolder folder;
    config::InstallerData data;
    std::vector<std::wstring> actions;
    telemetry::CFlowSessions tracker;
    telemetry::CFlowSession* session = nullptr;
};

}  // namespace

TEST_F(OfferInstallerTest, StartsTheInstallerWithItsCommandLineAndReportsIt) {
    const std::wstring dir = folder.File(L"offer dir");
    ASSERT_TRUE(::CreateDirectoryW(dir.c_str(), nullptr));
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring exe = dir + L"\\vtl4.tmp.exe";
    ASSERT_TRUE(::CopyFileW(self, exe.c_str(), FALSE));
    const std::wstring record = folder.File(L"line.txt");
    ::SetEnvironmentVariableW(kRecordVariable, record.c_str());

    ProgressTask task;
    EXPECT_TRUE(install::StartOfferInstaller(exe, L"vtl", task, Context()));

    EXPECT_EQ(L"\"" + exe + L"\" SI_LAUNCH=immediate SI_MODE=toaster @UL_STUBID=st 7", ReadRecordedLine(record));
    EXPECT_EQ((std::vector<int>{0, 25}), task.percents);
    EXPECT_EQ(std::vector<std::wstring>{L"VantrellInstalled"}, actions);
}

TEST_F(OfferInstallerTest, AFailedStartRaisesTheSystemErrorAfterTheActionWasSent) {
    ProgressTask task;
    try {
        install::StartOfferInstaller(folder.File(L"missing.exe"), L"stw", task, Context());
        ADD_FAILURE() << "no exception";
    } catch (fw::COleException* e) {
        EXPECT_EQ(static_cast<HRESULT>(0x80070002), e->Code());
        e->Delete();
    }
    EXPECT_EQ(std::vector<std::wstring>{L"BackupInstalled"}, actions);
}

TEST_F(OfferInstallerTest, AnUnknownIdentityIsNotSupportedAndStartsNothing) {
    ProgressTask task;
    try {
        install::StartOfferInstaller(folder.File(L"x.exe"), L"tmu", task, Context());
        ADD_FAILURE() << "no exception";
    } catch (fw::CException* e) {
        EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(fw::CNotSupportedException)));
        e->Delete();
    }
    EXPECT_TRUE(actions.empty());
}
