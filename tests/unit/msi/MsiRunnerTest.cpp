#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "RecordingTaskContext.h"
#include "app/Exceptions.h"
#include "app/Program.h"
#include "install/MsiRunner.h"
#include "util/SystemProbes.h"

namespace {

using install::MsiRunSettings;
using install::RunMsiPackage;
using msi_test::RecordingTaskContext;

constexpr wchar_t kCode[] = L"{6A0E2B51-3C4D-4E5F-8A9B-0C1D2E3F4A5B}";

// Plays an install script through the handler the runner installed, the way
// msi.dll would, and honours a cancel answer (which Wine's installer does not).
class ScriptedInstaller : public install::IWindowsInstaller {
public:
    void SetUserInterface(INSTALLUILEVEL level, INSTALLUI_HANDLERW h, DWORD filter, void* ctx) override {
        uiLevel = level;
        handler = h;
        messageFilter = filter;
        context = ctx;
    }
    std::wstring ReadProductCode(const std::wstring&) override { return productCode; }
    INSTALLSTATE QueryProductState(const std::wstring& code) override {
        queriedCode = code;
        return state;
    }
    UINT InstallProduct(const std::wstring& package, const wchar_t* commandLine) override {
        ++installs;
        installedFrom = package;
        this->commandLine = commandLine ? std::optional<std::wstring>(commandLine) : std::nullopt;
        for (size_t i = 0; i < script.size(); ++i) {
            if (beforeMessage) beforeMessage(i);
            if (handler(context, script[i].first, script[i].second) == IDCANCEL) return ERROR_INSTALL_USEREXIT;
        }
        return result;
    }

    std::wstring productCode = kCode;
    INSTALLSTATE state = INSTALLSTATE_UNKNOWN;
    UINT result = ERROR_SUCCESS;
    std::vector<std::pair<UINT, const wchar_t*>> script;
    std::function<void(size_t)> beforeMessage;

    INSTALLUILEVEL uiLevel = INSTALLUILEVEL_DEFAULT;
    INSTALLUI_HANDLERW handler = nullptr;
    DWORD messageFilter = 0;
    void* context = nullptr;
    std::wstring queriedCode;
    int installs = 0;
    std::wstring installedFrom;
    std::optional<std::wstring> commandLine;
};

class MsiRunnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t dir[MAX_PATH];
        ::GetTempPathW(MAX_PATH, dir);
        package = std::wstring(dir) + L"msi_runner_test.tmp.msi";
        HANDLE f = ::CreateFileW(package.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        ::WriteFile(f, "package", 7, &written, nullptr);
        ::CloseHandle(f);
        MSG msg;
        ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // a queue for the reboot notice
        settings.appName = L"Vantrell";
        settings.arguments = std::vector<std::wstring>{L"CAMPAIGN=spring sale", L"B=1"};
        settings.noticeThreadId = ::GetCurrentThreadId();
    }
    void TearDown() override {
        ::DeleteFileW(package.c_str());
        ::DeleteFileW(KeptCopy().c_str());
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {}
    }
    std::wstring KeptCopy() const { return install::KeptPackagePath(util::GetCommonDocumentsFolder(), kCode); }
    bool RebootNoticePosted() {
        MSG msg;
        return ::PeekMessageW(&msg, reinterpret_cast<HWND>(-1), app::AM_REBOOT_REQUIRED, app::AM_REBOOT_REQUIRED,
                              PM_REMOVE) != 0;
    }
    bool Run() { return RunMsiPackage(package, page, installer, settings); }

    std::wstring package;
    RecordingTaskContext page;
    ScriptedInstaller installer;
    MsiRunSettings settings;
};

TEST_F(MsiRunnerTest, InstallsSilentlyFromTheKeptCopyWithQuotedProperties) {
    installer.script = {{INSTALLMESSAGE_PROGRESS, L"1: 0 2: 200 3: 0 4: 0 "},
                        {INSTALLMESSAGE_PROGRESS, L"1: 2 2: 100 "}};
    EXPECT_TRUE(Run());
    EXPECT_EQ(0x102, installer.uiLevel);
    EXPECT_EQ(0x7FDFu, installer.messageFilter);
    EXPECT_EQ(kCode, installer.queriedCode);
    EXPECT_EQ(1, installer.installs);
    EXPECT_EQ(KeptCopy(), installer.installedFrom);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(KeptCopy().c_str()));
    EXPECT_EQ(std::optional<std::wstring>(L"CAMPAIGN=\"spring sale\" B=1"), installer.commandLine);
    EXPECT_EQ((std::vector<int>{0, 50}), page.Percents());
    EXPECT_FALSE(RebootNoticePosted());
    EXPECT_EQ(nullptr, install::TheMsiUiContext().page);  // the page is not reachable after the run
}

TEST_F(MsiRunnerTest, WhereTheCopyCannotBeKeptTheTemporaryFileInstalls) {
    const char* why[] = {"no GUID", "path characters"};
    const wchar_t* codes[] = {L"not-a-guid", L"{..\\..\\..\\Windows\\System32\\x}"};
    for (int i = 0; i < 2; ++i) {
        installer.productCode = codes[i];
        EXPECT_TRUE(Run()) << why[i];
        EXPECT_EQ(package, installer.installedFrom) << why[i];
    }
}

TEST_F(MsiRunnerTest, NoArgumentListMeansNoProperties) {
    settings.arguments.reset();
    EXPECT_TRUE(Run());
    EXPECT_FALSE(installer.commandLine);
}

TEST_F(MsiRunnerTest, AlreadyInstalledSkipsTheInstall) {
    installer.state = INSTALLSTATE_DEFAULT;
    EXPECT_TRUE(Run());
    EXPECT_EQ(0, installer.installs);
}

TEST_F(MsiRunnerTest, CancelOnThePageStopsTheInstall) {
    installer.script = {{INSTALLMESSAGE_PROGRESS, L"1: 0 2: 100 3: 0 4: 0 "},
                        {INSTALLMESSAGE_ACTIONSTART, L"InstallFiles"},
                        {INSTALLMESSAGE_PROGRESS, L"1: 2 2: 10 "},
                        {INSTALLMESSAGE_PROGRESS, L"1: 2 2: 10 "}};
    // The user confirms Cancel while the files are copied.
    installer.beforeMessage = [this](size_t i) {
        if (i == 2) page.cancelled = true;
    };
    EXPECT_FALSE(Run());
    EXPECT_EQ((std::vector<int>{0, 10}), page.Percents());  // the next progress answer cancelled
}

TEST_F(MsiRunnerTest, RestartCodesPostTheRebootNoticeAndSucceed) {
    for (UINT code : {ERROR_SUCCESS_REBOOT_REQUIRED, ERROR_SUCCESS_REBOOT_INITIATED, ERROR_SUCCESS_RESTART_REQUIRED}) {
        installer.result = code;
        EXPECT_TRUE(Run()) << code;
        EXPECT_TRUE(RebootNoticePosted()) << code;
    }
}

TEST_F(MsiRunnerTest, FailureRaisesTheInstallersOwnMessage) {
    installer.script = {{INSTALLMESSAGE_ERROR | MB_OK, L"Error 1722. A program failed."}};
    installer.result = ERROR_INSTALL_FAILURE;
    try {
        Run();
        FAIL() << "no exception";
    } catch (app::CMsiException* e) {
        EXPECT_EQ(app::CMsiException::Error, e->MessageKind());
        EXPECT_EQ(L"Error 1722. A program failed.", e->Message());
        e->Delete();
    }
    EXPECT_FALSE(install::TheMsiUiContext().pendingException);
}

TEST_F(MsiRunnerTest, FailureWithoutAMessageRaisesItsCode) {
    // An OK-only error of a run that then succeeded must not describe a later failure.
    installer.script = {{INSTALLMESSAGE_WARNING | MB_OK, L"old warning"}};
    EXPECT_TRUE(Run());
    installer.script.clear();
    installer.result = ERROR_INSTALL_FAILURE;
    try {
        Run();
        FAIL() << "no exception";
    } catch (fw::COleException* e) {
        EXPECT_EQ(HRESULT(0x80070643), e->Code());
        e->Delete();
    }
    installer.result = ERROR_NOT_ENOUGH_MEMORY;
    EXPECT_THROW(Run(), fw::CMemoryException*);
}

TEST(MsiRunner, KeptPackagePath) {
    EXPECT_EQ(std::wstring(L"C:\\users\\Public\\Documents\\Downloaded Installers\\") + kCode + L"\\setup.msi",
              install::KeptPackagePath(L"C:\\users\\Public\\Documents", kCode));
    EXPECT_EQ(std::wstring(L"D:\\Downloaded Installers\\") + kCode + L"\\setup.msi",
              install::KeptPackagePath(L"D:\\", kCode));
    EXPECT_EQ(L"", install::KeptPackagePath(L"", kCode));
    EXPECT_EQ(L"", install::KeptPackagePath(L"C:\\d", L"{6A0E2B51-3C4D-4E5F-8A9B-0C1D2E3F4A5G}"));
    EXPECT_EQ(L"", install::KeptPackagePath(L"C:\\d", L"{6A0E2B51-3C4D-4E5F-8A9B0C1D2E3F4A5B1}"));
}

}  // namespace
