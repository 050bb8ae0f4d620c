#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fw/UniqueHandle.h"
#include "util/SystemProbes.h"

namespace {

using util::MakeVersion;

constexpr wchar_t kSetupKey[] = L"SOFTWARE\\Microsoft\\NET Framework Setup\\NDP";
constexpr wchar_t kBackupAppPath[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Stowline";

void CreateKey(const std::wstring& path, HKEY root = HKEY_LOCAL_MACHINE, const wchar_t* version = nullptr) {
    fw::UniqueHKey key;
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr));
    if (version)
        ::RegSetValueExW(key.get(), L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                         DWORD((wcslen(version) + 1) * sizeof(wchar_t)));
}

// The framework keys belong to the throw-away prefix: each case starts without them.
void RemoveKeys() {
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSetupKey);
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kBackupAppPath);
}

void InstallVersions(const std::vector<std::wstring>& names) {
    RemoveKeys();
    CreateKey(kSetupKey);
    for (const std::wstring& name : names) CreateKey(std::wstring(kSetupKey) + L"\\" + name);
}

class DotNetKeys : public ::testing::Test {
protected:
    void SetUp() override { RemoveKeys(); }
    void TearDown() override { RemoveKeys(); }
};

TEST(ParseVersionText, Table) {
    const struct {
        const wchar_t* text;
        uint64_t version;
    } cases[] = {
        {L"4", MakeVersion(4, 0, 0, 0)},
        {L"1,2,3,4", MakeVersion(1, 2, 3, 4)},
        {L"1.2.3.4.5", MakeVersion(1, 2, 3, 4)},
        {L"70000.1", MakeVersion(4464, 1, 0, 0)},  // low 16 bits of 70000
        {L" \t2.0.50727\r\n", MakeVersion(2, 0, 50727, 0)},
        {L"1..3", MakeVersion(1, 0, 3, 0)},        // an empty middle piece still counts
        {L".5", MakeVersion(0, 5, 0, 0)},
        {L"1.2.", MakeVersion(1, 2, 0, 0)},
        {L"1,2.3", MakeVersion(1, 3, 0, 0)},       // a dot anywhere makes "." the separator
        {L"4.0abc.7", MakeVersion(4, 0, 7, 0)},    // digits up to the first non-digit
        {L"v2.0", MakeVersion(0, 0, 0, 0)},
        {L"-1.2", MakeVersion(0, 2, 0, 0)},
        {L"", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.version, util::ParseVersionText(c.text)) << L"text: \"" << c.text << L"\"";
}

TEST_F(DotNetKeys, VersionsFromSetupSubKeys) {
    const struct {
        std::vector<std::wstring> subKeys;
        bool hasDotNet2;
        uint64_t highest;
    } cases[] = {
        {{L"v2.0.50727", L"v3.5", L"v4", L"CDF"}, true, MakeVersion(4, 0, 0, 0)},
        {{L"v1.1.4322", L"v4.0.30319"}, false, MakeVersion(4, 0, 30319, 0)},
        {{L"v4.5.2", L"v4.8", L"v3.0"}, false, MakeVersion(4, 8, 0, 0)},  // compared as numbers, not text
        {{L"V2.0", L"2.0", L"CDF"}, false, 0},  // only a lower-case "v" marks a version
        // Every "v" goes before the .NET 2 test, only the first before the highest version.
        {{L"vv2.0"}, true, 0},
        {{}, false, 0},
    };
    for (const auto& c : cases) {
        InstallVersions(c.subKeys);
        std::wstring names;
        for (const std::wstring& name : c.subKeys) names += name + L" ";
        SCOPED_TRACE(::testing::Message() << L"sub-keys: " << names);
        EXPECT_EQ(c.hasDotNet2, util::HasDotNet2());
        EXPECT_EQ(c.highest, util::GetHighestDotNetVersion());
    }
}

TEST_F(DotNetKeys, MissingSetupKeyMeansNone) {
    EXPECT_FALSE(util::HasDotNet2());
    EXPECT_EQ(0u, util::GetHighestDotNetVersion());
}

constexpr wchar_t kNoDotNet[] = L"System is Windows 8 and .NET 2 Framework is missing.";
constexpr wchar_t kAsWindows8[] = L"WRENKIT_TEST_AS_WINDOWS8";

struct BackupCase {
    bool dotNet2;
    bool appPath;
    std::wstring before;
    bool allowed;
    std::wstring after;
};

void ExpectBackupCases(const std::vector<BackupCase>& cases) {
    for (const BackupCase& c : cases) {
        InstallVersions(c.dotNet2 ? std::vector<std::wstring>{L"v2.0.50727", L"v4"} : std::vector<std::wstring>{L"v4"});
        if (c.appPath) CreateKey(kBackupAppPath);
        std::wstring reasons = c.before;
        EXPECT_EQ(c.allowed, util::CheckBackupPrerequisites(reasons))
            << ".NET 2: " << c.dotNet2 << ", App Path: " << c.appPath;
        EXPECT_EQ(c.after, reasons);
    }
}

// Wine reads a program's Windows version when it starts: runs the current test
// again in a copy of this program that Wine tells it is Windows 8. Its exit code.
DWORD RunCurrentTestAsWindows8() {
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring exeName = self;
    exeName = exeName.substr(exeName.rfind(L'\\') + 1);
    const std::wstring appDefaults = L"Software\\Wine\\AppDefaults\\" + exeName;
    CreateKey(appDefaults, HKEY_CURRENT_USER, L"win8");

    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string filter = std::string(test->test_suite_name()) + "." + test->name();
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --gtest_brief=1 --gtest_filter=" +
                               std::wstring(filter.begin(), filter.end());
    STARTUPINFOW startup{sizeof(startup)};
    startup.dwFlags = STARTF_USESTDHANDLES;  // the copy's report shows in ours
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info{};
    ::SetEnvironmentVariableW(kAsWindows8, L"1");
    BOOL started = ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                    &startup, &info);
    ::SetEnvironmentVariableW(kAsWindows8, nullptr);
    DWORD exitCode = 0xFFFFFFFF;
    if (started) {
        fw::UniqueHandle process(info.hProcess), thread(info.hThread);
        ::WaitForSingleObject(process.get(), 120000);
        ::GetExitCodeProcess(process.get(), &exitCode);
    }
    ::RegDeleteTreeW(HKEY_CURRENT_USER, appDefaults.c_str());
    return exitCode;
}

TEST_F(DotNetKeys, BackupPrerequisiteReasons) {
    if (util::IsWindowsVersionAtLeast(6, 2)) {
        ExpectBackupCases({
            {true, false, L"", true, L""},
            {false, false, L"", false, kNoDotNet},
            {true, true, L"", false, L"Already installed."},
            {false, true, L"", false, std::wstring(kNoDotNet) + L" Already installed."},
            {false, true, L"Earlier.", false, std::wstring(L"Earlier. ") + kNoDotNet + L" Already installed."},
        });
        return;
    }
    ASSERT_EQ(0u, ::GetEnvironmentVariableW(kAsWindows8, nullptr, 0)) << "Wine ignored the Windows 8 setting";
    // Before Windows 8 a missing .NET 2 does not matter.
    ExpectBackupCases({
        {false, false, L"", true, L""},
        {false, true, L"", false, L"Already installed."},
    });
    EXPECT_EQ(0u, RunCurrentTestAsWindows8());
}

}  // namespace
