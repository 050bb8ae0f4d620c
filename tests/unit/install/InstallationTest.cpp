#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/Program.h"
#include "fw/CriticalSection.h"
#include "install/Installation.h"
#include "MessageWindowPage.h"

namespace {

using namespace install;

// Records what the tasks ask for, in order; downloads and installs succeed.
class RecordingWork : public IInstallationWork {
public:
    struct Log {
        fw::CCriticalSection lock;
        std::vector<std::wstring> calls;
        void Add(std::wstring call) {
            fw::CSingleLock hold(lock);
            calls.push_back(std::move(call));
        }
    };
    explicit RecordingWork(Log& log, bool failProductDownload = false)
        : log_(log), failProductDownload_(failProductDownload) {}

    std::wstring ChooseProductPackageKey() override { return L"MsiUrl"; }
    std::wstring Download(const std::wstring& key, const wchar_t* prefix, bool, ITaskContext&) override {
        log_.Add(L"download " + key);
        if (failProductDownload_ && std::wstring(prefix) == L"tmu") throw new fw::CUserException;
        return std::wstring(L"C:\\temp\\") + prefix + L".tmp";
    }
    std::wstring Extract(const std::wstring& package, const wchar_t* extension, ITaskContext& context,
                         const volatile LONG&) override {
        context.ReportTaskProgress(100, L"extracting");
        log_.Add(L"extract " + package);
        return package + extension;
    }
    bool Install(const std::wstring& installer, const wchar_t* identity, ITaskContext&) override {
        log_.Add(std::wstring(L"install ") + identity);
        return true;
    }
    void InstallScan(const std::wstring& eventName, ITaskContext&) override { log_.Add(L"scan " + eventName); }

private:
    Log& log_;
    bool failProductDownload_;
};

class TestPage : public install_test::MessageWindowPage {
public:
    // Waits for the end notice; returns the task-bar values seen before it.
    std::vector<WPARAM> WaitForEnd(bool& ended, int& failures) {
        std::vector<WPARAM> values;
        ended = false;
        failures = 0;
        DWORD deadline = ::GetTickCount() + 10000;
        while (::GetTickCount() < deadline) {
            MSG msg;
            while (::PeekMessageW(&msg, window_, WM_USER, WM_USER + 10, PM_REMOVE)) {
                if (msg.message == PM_CHANGE_PROGRESS) values.push_back(msg.wParam);
                if (msg.message == PM_INSTALLATION_ENDED) {
                    if (msg.lParam) {
                        ++failures;
                        reinterpret_cast<fw::CException*>(msg.lParam)->Delete();
                    } else {
                        ended = true;
                        return values;
                    }
                } else {
                    std::free(reinterpret_cast<void*>(msg.lParam));
                }
            }
            ::Sleep(10);
        }
        return values;
    }
};

class InstallationSequence : public ::testing::Test {
protected:
    void SetUp() override {
        app::RegisterRuntimeClasses();
        ASSERT_TRUE(app::TheProgram().LoadConfiguration());  // this build's settings name the offers' addresses
        app::TheProgram().appName = L"WrenkitUnit";
        app::TheProgram().finishReported = false;
    }
    CInstallation* Start(std::unique_ptr<IInstallationWork> work) {
        auto* thread = new CInstallation;
        thread->SetWork(std::move(work));
        EXPECT_TRUE(thread->CreateThread());
        return thread;
    }
    RecordingWork::Log log;
    TestPage page;
};

TEST_F(InstallationSequence, BackupAcceptedDuringTheProductDownload) {
    CInstallation* thread = Start(std::make_unique<RecordingWork>(log));
    thread->PostThreadMessage(TM_DOWNLOAD_PRODUCT, 0, 0);
    thread->PostThreadMessage(TM_DOWNLOAD_PRODUCT, 0, 0);  // the welcome page shown twice
    thread->PostThreadMessage(TM_DOWNLOAD_BACKUP, 0, 0);
    thread->PageProxy().AttachPage(&page);
    thread->PostThreadMessage(TM_PAGE_READY, 0, 0);
    bool ended = false;
    int failures = 0;
    std::vector<WPARAM> values = page.WaitForEnd(ended, failures);
    ASSERT_TRUE(ended);
    EXPECT_EQ(0, failures);
    std::vector<std::wstring> expected{L"download MsiUrl",
                                       L"download BackupUrl",
                                       L"extract C:\\temp\\tmu.tmp",
                                       L"extract C:\\temp\\stw.tmp",
                                       L"install tmu",
                                       L"scan Global\\Vantrell_InstallScan",
                                       L"install stw"};
    EXPECT_EQ(expected, log.calls);
    // Product decompression fills the first half of the task bar, the offer's the second.
    ASSERT_GE(values.size(), 2u);
    EXPECT_EQ(50u, values[values.size() - 2]);
    EXPECT_EQ(100u, values.back());
}

TEST_F(InstallationSequence, AFailedProductDownloadRunsNoOfferButStillEnds) {
    CInstallation* thread = Start(std::make_unique<RecordingWork>(log, true));
    thread->PageProxy().AttachPage(&page);
    thread->PostThreadMessage(TM_DOWNLOAD_PRODUCT, 0, 0);
    thread->PostThreadMessage(TM_DOWNLOAD_BACKUP, 0, 0);
    thread->PostThreadMessage(TM_PAGE_READY, 0, 0);
    bool ended = false;
    int failures = 0;
    page.WaitForEnd(ended, failures);
    EXPECT_TRUE(ended);
    EXPECT_EQ(1, failures);
    std::vector<std::wstring> expected{L"download MsiUrl", L"download BackupUrl", L"extract C:\\temp\\stw.tmp"};
    EXPECT_EQ(expected, log.calls);
}

TEST_F(InstallationSequence, CancelEndsAfterTheTaskInProgress) {
    CInstallation* thread = Start(std::make_unique<RecordingWork>(log));
    thread->PageProxy().AttachPage(&page);
    thread->PostThreadMessage(TM_DOWNLOAD_PRODUCT, 0, 0);
    thread->productCancelled = 1;  // as the cancel confirmation does
    thread->PostThreadMessage(TM_FINISH, 0, 0);
    thread->PostThreadMessage(TM_PAGE_READY, 0, 0);  // behind the finish: never handled
    bool ended = false;
    int failures = 0;
    page.WaitForEnd(ended, failures);
    EXPECT_TRUE(ended);
    for (const std::wstring& call : log.calls) EXPECT_EQ(std::wstring::npos, call.find(L"install")) << call;
}

}  // namespace
