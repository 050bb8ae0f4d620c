#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/BuildSettings.h"

namespace {

std::vector<uint8_t> Table(std::initializer_list<std::wstring> strings) {
    std::vector<uint8_t> bytes;
    for (const std::wstring& s : strings) {
        for (wchar_t c : s) {
            bytes.push_back(static_cast<uint8_t>(c & 0xFF));
            bytes.push_back(static_cast<uint8_t>(c >> 8));
        }
        bytes.push_back(0);
        bytes.push_back(0);
    }
    return bytes;
}

std::wstring ValueOf(const config::BuildSettings& s, const wchar_t* key) {
    const std::wstring* v = s.Lookup(key);
    return v ? *v : L"<absent>";
}

TEST(BuildSettings, ParsesPairsExactly) {
    auto bytes = Table({L"PageOrder", L"A,B", L"pageorder", L"x", L"Path", L"%ProgramFiles%\\V=1",
                        L"", L"empty key", L"Empty", L"", L"PageOrder", L"C"});
    config::BuildSettings s;
    ASSERT_EQ(S_OK, s.Parse(bytes.data(), bytes.size()));
    EXPECT_EQ(L"C", ValueOf(s, L"PageOrder"));  // the later duplicate wins
    EXPECT_EQ(L"x", ValueOf(s, L"pageorder"));  // keys are case-sensitive
    EXPECT_EQ(L"%ProgramFiles%\\V=1", ValueOf(s, L"Path"));
    EXPECT_EQ(L"empty key", ValueOf(s, L""));
    ASSERT_NE(nullptr, s.Lookup(L"Empty"));
    EXPECT_TRUE(s.Lookup(L"Empty")->empty());
    EXPECT_EQ(L"<absent>", ValueOf(s, L"Missing"));
}

TEST(BuildSettings, DropsDanglingKeyAndOddByte) {
    auto bytes = Table({L"A", L"1", L"Dangling"});
    config::BuildSettings s;
    ASSERT_EQ(S_OK, s.Parse(bytes.data(), bytes.size()));
    EXPECT_EQ(nullptr, s.Lookup(L"Dangling"));

    // A stray last byte is ignored and the pair before it is still stored.
    auto odd = Table({L"A", L"1", L"B", L"2"});
    odd.push_back(0);
    ASSERT_EQ(1u, odd.size() % 2);
    ASSERT_EQ(S_OK, s.Parse(odd.data(), odd.size()));
    EXPECT_EQ(L"2", ValueOf(s, L"B"));
}

TEST(BuildSettings, LoadsTheProgramsOwnTable) {
    // The test program links the same generated table as the installer.
    config::BuildSettings s;
    ASSERT_EQ(S_OK, s.Load());
    EXPECT_EQ(L"CWelcomePage,CProgressPage,CFinishedPage", ValueOf(s, L"PageOrder"));
    EXPECT_EQ(L"%ProgramFiles%\\Vantrell\\Vantrell.exe", ValueOf(s, L"AppExe"));
    EXPECT_EQ(nullptr, s.Lookup(L"BrandExtender"));
}

TEST(BuildSettings, MissingResourceLeavesTableEmpty) {
    config::BuildSettings s;
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    HRESULT hr = s.Load(kernel);
    EXPECT_TRUE(FAILED(hr));
    EXPECT_EQ(FACILITY_WIN32, HRESULT_FACILITY(hr));  // the lookup's own error
    EXPECT_EQ(0u, s.Count());
}

}  // namespace
