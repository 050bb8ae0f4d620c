#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cwctype>
#include <string>
#include <vector>

#include "util/Registry.h"
#include "util/SystemProbes.h"

namespace {

// A key of the throw-away prefix that is gone again when the owner is.
class TestKey {
public:
    TestKey(HKEY root, std::wstring path) : root_(root), path_(std::move(path)) {
        ::RegDeleteTreeW(root_, path_.c_str());
        EXPECT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                                   key_.put(), nullptr));
    }
    ~TestKey() {
        key_.reset();
        ::RegDeleteTreeW(root_, path_.c_str());
    }
    void Set(const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ) {
        ::RegSetValueExW(key_.get(), name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                         DWORD((text.size() + 1) * sizeof(wchar_t)));
    }
    HKEY get() const { return key_.get(); }

private:
    HKEY root_;
    std::wstring path_;
    fw::UniqueHKey key_;
};

class Wow64Override {
public:
    explicit Wow64Override(bool answer) { util::OverrideWow64ForTesting(answer); }
    ~Wow64Override() { util::OverrideWow64ForTesting(std::nullopt); }
};

std::wstring Env(const wchar_t* name) {
    wchar_t value[32768] = {};
    DWORD chars = ::GetEnvironmentVariableW(name, value, 32768);
    return std::wstring(value, chars);
}

std::wstring Lower(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return wchar_t(std::towlower(c)); });
    return text;
}

bool EndsWithNoCase(const std::wstring& text, const std::wstring& tail) {
    return text.size() >= tail.size() && Lower(text.substr(text.size() - tail.size())) == Lower(tail);
}

void CreateEmptyFile(const std::wstring& path) {
    ::SHCreateDirectoryExW(nullptr, path.substr(0, path.rfind(L'\\')).c_str(), nullptr);
    fw::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file) << ::GetLastError();
}

// --- Windows version and WOW64 ------------------------------------------------

TEST(WindowsVersion, ComparesMajorThenMinor) {
    OSVERSIONINFOW v{sizeof(v)};
    ASSERT_TRUE(::GetVersionExW(&v));
    const unsigned major = v.dwMajorVersion, minor = v.dwMinorVersion;
    const struct {
        unsigned major, minor;
        bool atLeast;
    } cases[] = {
        {major, minor, true},
        {major, minor + 1, false},
        {major + 1, 0, false},
        {major - 1, 99, true},
        {0x10000 + major, minor, true},  // only the low 16 bits are asked
        {major, 0x10000 + minor + 1, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.atLeast, util::IsWindowsVersionAtLeast(c.major, c.minor)) << c.major << "." << c.minor;
}

TEST(Wow64, SixtyFourBitProcessIsNotWow64AndTestsCanForceTheAnswer) {
    if (sizeof(void*) == 8) {
        EXPECT_FALSE(util::IsRunningUnderWow64());
    }
    {
        Wow64Override wow64(true);
        EXPECT_TRUE(util::IsRunningUnderWow64());
        EXPECT_EQ(REGSAM(0x20119), util::Read64ViewAccess());
    }
    Wow64Override native(false);
    EXPECT_FALSE(util::IsRunningUnderWow64());
    EXPECT_EQ(REGSAM(0x20019), util::Read64ViewAccess());
}

// --- Installed-offer checks -----------------------------------------------------

TEST(OfferPrerequisites, InstalledKeyBlocksTheOffer) {
    const struct {
        const char* offer;
        HKEY root;
        const wchar_t* key;
        bool (*check)(std::wstring&);
    } offers[] = {
        {"Twp", HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tamberly Utilities, Inc.\\Tidewell Plus", util::CheckTwpPrerequisites},
        {"Vantrell", HKEY_CURRENT_USER, L"SOFTWARE\\Tamberly Utilities Inc\\Vantrell",
         util::CheckVantrellPrerequisites},
    };
    for (const auto& offer : offers) {
        for (bool wow64 : {false, true}) {
            SCOPED_TRACE(::testing::Message() << offer.offer << (wow64 ? " under WOW64" : " native"));
            Wow64Override view(wow64);
            std::wstring reasons = L"Earlier.";
            EXPECT_TRUE(offer.check(reasons));
            EXPECT_EQ(L"Earlier.", reasons);

            TestKey installed(offer.root, offer.key);
            reasons.clear();
            EXPECT_FALSE(offer.check(reasons));
            EXPECT_EQ(L"Already installed.", reasons);
            reasons = L"Earlier.";
            EXPECT_FALSE(offer.check(reasons));
            EXPECT_EQ(L"Earlier. Already installed.", reasons);
        }
    }
}

// --- Uninstall entries ------------------------------------------------------------

TEST(Registry, ReadRegistryTextFitsTwoHundredFiftyNineCharacters) {
    TestKey key(HKEY_CURRENT_USER, L"Software\\WrenkitProbeTest");
    key.Set(L"Fits", std::wstring(259, L'a'));
    key.Set(L"TooLong", std::wstring(260, L'b'));
    key.Set(L"Empty", L"");
    EXPECT_EQ(std::wstring(259, L'a'), util::ReadRegistryText(key.get(), L"Fits"));
    EXPECT_EQ(L"NA", util::ReadRegistryText(key.get(), L"TooLong"));
    EXPECT_EQ(L"", util::ReadRegistryText(key.get(), L"Empty"));
    EXPECT_EQ(L"NA", util::ReadRegistryText(key.get(), L"Missing"));
}

TEST(Registry, FindUninstallString) {
    const std::wstring root = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    TestKey product(HKEY_LOCAL_MACHINE, root + L"WrenkitTest.A");
    product.Set(L"DisplayName", L"Demo Product 1.0");
    product.Set(L"UninstallString", L"MsiExec.exe /X{DEMO}");
    TestKey noCommand(HKEY_LOCAL_MACHINE, root + L"WrenkitTest.B");
    noCommand.Set(L"DisplayName", L"Entry Without Command");
    TestKey first(HKEY_LOCAL_MACHINE, root + L"WrenkitTest.C1");
    first.Set(L"DisplayName", L"Twice Listed");
    first.Set(L"UninstallString", L"first");
    TestKey second(HKEY_LOCAL_MACHINE, root + L"WrenkitTest.C2");
    second.Set(L"DisplayName", L"TWICE LISTED");
    second.Set(L"UninstallString", L"second");

    const struct {
        const wchar_t* name;
        const wchar_t* command;
    } cases[] = {
        {L"demo PRODUCT 1.0", L"MsiExec.exe /X{DEMO}"},
        {L"Demo Product 1.0", L"MsiExec.exe /X{DEMO}"},
        {L"entry without command", L"NA"},
        {L"Twice listed", L"second"},  // sub-keys enumerate in name order; the last match wins
        {L"Demo Product", L""},
        {L"Nothing Like It", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(c.command, util::FindUninstallString(c.name)) << c.name;
}

// --- Default browser ---------------------------------------------------------------

class DefaultBrowser : public ::testing::Test {
protected:
    static constexpr wchar_t kApp[] = L"WrenkitProbeTest";
    static std::wstring ChromeUnder(const wchar_t* variable) {
        return Env(variable) + L"\\Google\\Chrome\\Application\\chrome.exe";
    }
    static void RemoveChromes() {
        for (const wchar_t* variable : {L"ProgramFiles", L"LOCALAPPDATA"}) ::DeleteFileW(ChromeUnder(variable).c_str());
    }
    void TearDown() override { RemoveChromes(); }
};

TEST_F(DefaultBrowser, ChoiceFromInstallerDataElseHttpHandler) {
    const std::wstring iexplore = Env(L"ProgramFiles") + L"\\Internet Explorer\\iexplore.exe";
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(iexplore.c_str())) << "the prefix ships iexplore.exe";
    const std::wstring handler = L"<http handler>";
    const struct {
        const wchar_t* value;  // null: no value at all
        DWORD type;
        std::vector<const wchar_t*> chromeUnder;
        std::wstring expected;
    } cases[] = {
        {L"chrome", REG_SZ, {L"LOCALAPPDATA"}, ChromeUnder(L"LOCALAPPDATA")},
        {L"chrome", REG_EXPAND_SZ, {L"LOCALAPPDATA"}, ChromeUnder(L"LOCALAPPDATA")},
        {L"chrome", REG_SZ, {L"LOCALAPPDATA", L"ProgramFiles"}, ChromeUnder(L"ProgramFiles")},
        {L"Chrome", REG_SZ, {L"LOCALAPPDATA"}, handler},  // compared case-sensitively
        {L"chrome", REG_MULTI_SZ, {L"LOCALAPPDATA"}, handler},
        {L"chrome", REG_SZ, {}, handler},
        {L"ie", REG_SZ, {}, iexplore},
        {L"ff", REG_SZ, {}, handler},  // no Firefox in the prefix
        {nullptr, REG_SZ, {}, handler},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << (c.value ? c.value : L"<none>") << L" type " << c.type << L", chrome in "
                                          << c.chromeUnder.size() << L" places");
        TestKey data(HKEY_LOCAL_MACHINE, std::wstring(L"SOFTWARE\\Tamberly Utilities Inc\\") + kApp + L"\\InstallerData");
        if (c.value) data.Set(L"browser", c.value, c.type);
        for (const wchar_t* variable : c.chromeUnder) CreateEmptyFile(ChromeUnder(variable));

        std::wstring path = util::GetDefaultBrowserPath(kApp);
        if (c.expected == handler)
            EXPECT_TRUE(EndsWithNoCase(path, L"winebrowser.exe")) << path;  // Wine's http association
        else
            EXPECT_EQ(Lower(c.expected), Lower(path));
        RemoveChromes();
    }
}

// --- Language and paths ----------------------------------------------------------

TEST(UiLanguage, OnlyTheListedIdentifiersMatch) {
    const struct {
        LANGID language;
        const wchar_t* code;
    } cases[] = {
        {1031, L"de"}, {1034, L"es"}, {3082, L"es"}, {1036, L"fr"}, {1041, L"jp"}, {1033, L"en"},
        {2055, L"en"}, {3079, L"en"}, {3084, L"en"}, {2058, L"en"}, {0, L"en"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.code, util::UiLanguageCodeFor(c.language)) << c.language;
}

TEST(ExpandEnvironmentText, ExpandsWithinTheBuffer) {
    EXPECT_EQ(Env(L"SystemRoot") + L"\\a %NoSuchWrenkitVariable%",
              util::ExpandEnvironmentText(L"%SystemRoot%\\a %NoSuchWrenkitVariable%"));
    EXPECT_EQ(L"", util::ExpandEnvironmentText(L""));
    // 16,383 characters hold 16,382 and the end mark; what does not fit gives nothing.
    EXPECT_EQ(std::wstring(16382, L'x'), util::ExpandEnvironmentText(std::wstring(16382, L'x')));
    EXPECT_EQ(L"", util::ExpandEnvironmentText(std::wstring(16383, L'x')));
    EXPECT_EQ(std::wstring(20000, L'x'), util::ExpandEnvironmentText(std::wstring(20000, L'x'), util::kLongExpansionChars));
}

// A 32-bit process sees the x86 folder in %ProgramFiles%; the test process plays one.
class ProgramFilesPath : public ::testing::Test {
protected:
    static constexpr wchar_t kX86Folder[] = L"C:\\Program Files (x86)";
    void SetUp() override {
        savedEnv_ = Env(L"ProgramFiles");
        ::SetEnvironmentVariableW(L"ProgramFiles", kX86Folder);
        fw::UniqueHKey key = util::OpenRegistryKey(HKEY_LOCAL_MACHINE, kKey, util::kRead64Access);
        ASSERT_TRUE(key && util::ReadStringValue(key.get(), L"ProgramFilesDir", MAX_PATH, folder64_));
        ASSERT_NE(folder64_, kX86Folder);
    }
    void TearDown() override {
        ::SetEnvironmentVariableW(L"ProgramFiles", savedEnv_.c_str());
        RestoreValue();
    }
    void RestoreValue() {
        if (folder64_.empty()) return;  // never read, nothing to put back
        fw::UniqueHKey key = WritableKey();
        ::RegSetValueExW(key.get(), L"ProgramFilesDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder64_.c_str()),
                         DWORD((folder64_.size() + 1) * sizeof(wchar_t)));
    }
    static fw::UniqueHKey WritableKey() {
        fw::UniqueHKey key;
        EXPECT_EQ(ERROR_SUCCESS, ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, key.put()));
        return key;
    }
    static constexpr wchar_t kKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    std::wstring savedEnv_;
    std::wstring folder64_;  // what the prefix's 64-bit view has
};

TEST_F(ProgramFilesPath, SixtyFourBitPackageUsesTheSixtyFourBitFolder) {
    const std::wstring path = L"%ProgramFiles%\\Vantrell\\%ProgramFiles%.exe %USERNAME%";
    const std::wstring user = Env(L"USERNAME");
    const struct {
        bool wow64, x64Package;
        std::wstring expected;
    } cases[] = {
        {true, true, folder64_ + L"\\Vantrell\\" + folder64_ + L".exe %USERNAME%"},  // nothing else expanded
        {true, false, std::wstring(kX86Folder) + L"\\Vantrell\\" + kX86Folder + L".exe " + user},
        {false, true, std::wstring(kX86Folder) + L"\\Vantrell\\" + kX86Folder + L".exe " + user},
    };
    for (const auto& c : cases) {
        Wow64Override view(c.wow64);
        EXPECT_EQ(c.expected, util::ExpandProgramFilesPath(path, c.x64Package)) << c.wow64 << c.x64Package;
    }
}

TEST_F(ProgramFilesPath, UnreadableFolderLeavesThePath) {
    ASSERT_EQ(ERROR_SUCCESS, ::RegDeleteValueW(WritableKey().get(), L"ProgramFilesDir"));
    Wow64Override view(true);
    EXPECT_EQ(L"%ProgramFiles%\\Vantrell\\Vantrell.exe",
              util::ExpandProgramFilesPath(L"%ProgramFiles%\\Vantrell\\Vantrell.exe", true));
}

TEST(Folders, CommonDocuments) {
    EXPECT_EQ(L"c:\\users\\public\\documents", Lower(util::GetCommonDocumentsFolder()));
}

// --- Processes and windows ------------------------------------------------------------

TEST(LaunchProcess, RunsTheCommandLine) {
    wchar_t system[MAX_PATH];
    ::GetSystemDirectoryW(system, MAX_PATH);
    fw::UniqueHandle process = util::LaunchProcess(L"\"" + std::wstring(system) + L"\\cmd.exe\" /c exit 3");
    ASSERT_TRUE(process) << ::GetLastError();
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(process.get(), 30000));
    DWORD exitCode = 0;
    ASSERT_TRUE(::GetExitCodeProcess(process.get(), &exitCode));
    EXPECT_EQ(3u, exitCode);
}

TEST(LaunchProcess, FailureKeepsTheLastError) {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    ::SetLastError(0);
    fw::UniqueHandle process = util::LaunchProcess(L"\"" + std::wstring(temp) + L"no-such-wrenkit-program.exe\" /x");
    DWORD error = ::GetLastError();
    EXPECT_FALSE(process);
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), error);
}

TEST(RestoreFirstWindow, RestoresOnlyAVisibleFirstWindow) {
    auto minimized = [](bool visible) {
        HWND w = ::CreateWindowExW(0, L"STATIC", L"probe", WS_OVERLAPPEDWINDOW | WS_MINIMIZE | (visible ? WS_VISIBLE : 0),
                                   10, 10, 200, 100, nullptr, nullptr, nullptr, nullptr);
        EXPECT_TRUE(w);
        return w;
    };
    HWND hidden = minimized(false);
    EXPECT_FALSE(util::RestoreFirstWindow(hidden, 0));
    EXPECT_FALSE(::IsWindowVisible(hidden));
    EXPECT_TRUE(::IsIconic(hidden));

    HWND visible = minimized(true);
    ASSERT_TRUE(::IsIconic(visible));
    EXPECT_FALSE(util::RestoreFirstWindow(visible, 0));
    EXPECT_TRUE(::IsWindowVisible(visible));
    EXPECT_FALSE(::IsIconic(visible));
    ::DestroyWindow(visible);
    ::DestroyWindow(hidden);
}

}  // namespace
