#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/InstallerData.h"
#include "fw/UniqueHandle.h"

namespace {

using config::InstallerData;

std::wstring ValueOf(const InstallerData& d, const wchar_t* key) {
    const std::wstring* v = d.Lookup(key);
    return v ? *v : L"<none>";
}

std::vector<uint8_t> WithTrailer(const std::string& program, const std::string& text,
                                 uint32_t length, const char* magic = "TBPL") {
    std::vector<uint8_t> file(program.begin(), program.end());
    file.insert(file.end(), text.begin(), text.end());
    for (int i = 0; i < 4; ++i) file.push_back(static_cast<uint8_t>(length >> (8 * i)));
    file.insert(file.end(), magic, magic + 4);
    return file;
}

TEST(InstallerData, LineRules) {
    InstallerData d;
    ASSERT_EQ(S_OK, d.ParseText(L"MaxOffers=1\r\n&MaxOffers=3\n\n?Hidden=1\rk=a=b\n=novalue\n?=x\n"
                                L" +DO_NOT_SAVE+\nno equals sign\n@@?track=\r\nP2=abc\np2=xyz\n"
                                L"P2_origin=1\nUL_STUBID=s\n ?spaced = v \n"));
    EXPECT_EQ(L"1", ValueOf(d, L"MaxOffers"));
    EXPECT_EQ(L"a=b", ValueOf(d, L"k"));
    EXPECT_EQ(L"xyz", ValueOf(d, L"p2"));
    EXPECT_EQ(L"<none>", ValueOf(d, L"P2"));
    EXPECT_EQ(L"1", ValueOf(d, L"P2_origin"));
    EXPECT_EQ(L"s", ValueOf(d, L"ul_stubid"));
    EXPECT_EQ(L" v ", ValueOf(d, L" ?spaced "));  // nothing is trimmed
    EXPECT_EQ(L"<none>", ValueOf(d, L"?Hidden"));  // lookups take the stored key
    EXPECT_FALSE(d.DoNotSave());                    // a flag line with a leading space is no flag
    const InstallerData::Entry* track = d.Find(L"track");
    ASSERT_NE(nullptr, track);
    EXPECT_TRUE(track->persistent && track->isPrivate && track->value.empty());
    EXPECT_EQ(nullptr, d.Find(L""));
}

TEST(InstallerData, SetPairStatusAndPrivacyChanges) {
    InstallerData d;
    EXPECT_EQ(S_OK, d.SetPair(L"?MaxOffers", L"1"));
    EXPECT_EQ(S_FALSE, d.SetPair(L"&MaxOffers", L"3"));
    EXPECT_EQ(S_FALSE, d.SetPair(L"?@&", L"x"));
    EXPECT_EQ(S_OK, d.SetPair(L"MaxOffers", L"2"));  // a later public line makes it public again
    EXPECT_EQ(std::vector<std::wstring>{L"MaxOffers=2"}, d.BuildArgumentList());
}

TEST(InstallerData, CommandLineAddsToTheTrailer) {
    InstallerData d;
    ASSERT_EQ(S_OK, d.ParseText(L"b=0\nfirst=1\n"));
    ASSERT_EQ(S_OK, d.ParseCommandLine(L"setup.exe \"?a=x y\" b=1 w +DO_NOT_SAVE+"));
    EXPECT_EQ(L"x y", ValueOf(d, L"a"));
    EXPECT_TRUE(d.Find(L"a")->isPrivate);
    EXPECT_FALSE(d.DoNotSave());
    std::vector<std::wstring> expected{L"b=1", L"first=1", L"w", L"+DO_NOT_SAVE+"};
    EXPECT_EQ(expected, d.BuildArgumentList());
}

TEST(InstallerData, TrailerCases) {
    const std::string text = "MaxOffers=1\r\n@upl=abc==\r\n";
    struct Case {
        const char* name;
        std::vector<uint8_t> file;
        HRESULT status;
        size_t entries;
    };
    std::string bom = "\xEF\xBB\xBFk=v";
    std::vector<Case> cases = {
        {"valid", WithTrailer("MZprogram", text, uint32_t(text.size())), S_OK, 2},
        {"text with zero padding", WithTrailer("MZ", text + std::string(3, '\0'), uint32_t(text.size() + 3)), S_OK, 2},
        {"zero length", WithTrailer("MZ", text, 0), S_FALSE, 0},
        {"length beyond file", WithTrailer("MZ", text, 1000), S_FALSE, 0},
        {"wrong magic", WithTrailer("MZ", text, uint32_t(text.size()), "TBPX"), S_FALSE, 0},
        {"shorter than 8 bytes", {'T', 'B', 'P', 'L'}, S_FALSE, 0},
        {"invalid utf-8", WithTrailer("MZ", "k=\xC3\x28", 4), HRESULT(0x80070459), 0},
        {"leading zero byte", WithTrailer("MZ", std::string("\0k=v", 4), 4), S_OK, 0},
    };
    for (const Case& c : cases) {
        InstallerData d;
        EXPECT_EQ(c.status, d.ParseTrailer(c.file.data(), c.file.size())) << c.name;
        EXPECT_EQ(c.entries, d.Count()) << c.name;
    }
    // A byte-order mark becomes part of the first key.
    InstallerData d;
    auto file = WithTrailer("MZ", bom, uint32_t(bom.size()));
    ASSERT_EQ(S_OK, d.ParseTrailer(file.data(), file.size()));
    EXPECT_EQ(nullptr, d.Lookup(L"k"));
    EXPECT_EQ(L"v", ValueOf(d, L"\xFEFFk"));
}

class InstallerDataRegistry : public ::testing::Test {
protected:
    const std::wstring parent = L"SOFTWARE\\WrenkitTest\\Save";
    void SetUp() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, parent.c_str()); }
    void TearDown() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, parent.c_str()); }

    std::vector<std::wstring> ValueNames() {
        fw::UniqueHKey key;
        std::vector<std::wstring> names;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, (parent + L"\\InstallerData").c_str(), 0, KEY_READ,
                            key.put()) != ERROR_SUCCESS)
            return names;
        wchar_t name[256];
        for (DWORD i = 0;; ++i) {
            DWORD n = 256;
            if (::RegEnumValueW(key.get(), i, name, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            names.emplace_back(name, n);
        }
        return names;
    }
    std::wstring Value(const wchar_t* name) {
        wchar_t data[256] = {};
        DWORD size = sizeof(data);
        ::RegGetValueW(HKEY_CURRENT_USER, (parent + L"\\InstallerData").c_str(), name, RRF_RT_REG_SZ,
                       nullptr, data, &size);
        return data;
    }
};

TEST_F(InstallerDataRegistry, SaveWritesExactlyThePersistentEntries) {
    InstallerData first;
    first.ParseText(L"@old=1\n@partner=9\n");
    ASSERT_EQ(S_OK, first.SaveToRegistry(parent, HKEY_CURRENT_USER));

    InstallerData second;
    second.ParseText(L"@partner=1004\n@browser=chrome\n?private=1\npublic=2\n");
    ASSERT_EQ(S_OK, second.SaveToRegistry(parent, HKEY_CURRENT_USER));
    EXPECT_EQ((std::vector<std::wstring>{L"browser", L"partner"}), ValueNames());
    EXPECT_EQ(L"1004", Value(L"partner"));

    // Without persistent entries the key is emptied.
    InstallerData none;
    none.ParseText(L"a=1\n");
    ASSERT_EQ(S_OK, none.SaveToRegistry(parent, HKEY_CURRENT_USER));
    EXPECT_TRUE(ValueNames().empty());
}

TEST_F(InstallerDataRegistry, FlagLinesKeepOrSkip) {
    InstallerData first;
    first.ParseText(L"@old=1\n");
    first.SaveToRegistry(parent, HKEY_CURRENT_USER);

    InstallerData keep;
    keep.ParseText(L"+DO_NOT_ERASE+\n@new=2\n");
    ASSERT_EQ(S_OK, keep.SaveToRegistry(parent, HKEY_CURRENT_USER));
    EXPECT_EQ((std::vector<std::wstring>{L"new", L"old"}), ValueNames());

    InstallerData skip;
    skip.ParseText(L"+DO_NOT_SAVE+\n@other=3\n");
    EXPECT_EQ(S_FALSE, skip.SaveToRegistry(parent, HKEY_CURRENT_USER));
    EXPECT_EQ((std::vector<std::wstring>{L"new", L"old"}), ValueNames());
}

}  // namespace

namespace {

// The injected data of a real download, as the distribution server stamps it.
TEST(InstallerData, RealDownloadExample) {
    wchar_t dir[MAX_PATH] = {};
    ASSERT_NE(0u, ::GetEnvironmentVariableW(L"WRENKIT_FIXTURES", dir, MAX_PATH)) << "run through the harness";
    fw::UniqueFile file(::CreateFileW((std::wstring(dir) + L"\\injected_example.txt").c_str(), GENERIC_READ,
                                      FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file);
    std::string text(4096, '\0');
    DWORD read = 0;
    ::ReadFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
    text.resize(read);
    text.push_back('\0');
    ASSERT_EQ(498u, text.size());
    auto stamped = WithTrailer("MZ...program...", text, 498);

    InstallerData d;
    ASSERT_EQ(S_OK, d.ParseTrailer(stamped.data(), stamped.size()));
    EXPECT_EQ(15u, d.Count());
    struct Expected {
        const wchar_t* key;
        bool isPrivate;
        bool persistent;
    };
    for (const Expected& e : std::vector<Expected>{{L"ZevOffer", false, false}, {L"BackupOffer", false, false},
                                                   {L"TwpOffer", true, false}, {L"SI_MODE", true, false},
                                                   {L"MaxOffers", false, false}, {L"FlowName", false, false},
                                                   {L"upl", true, true}, {L"track", true, true},
                                                   {L"partner", true, true}, {L"browser", true, true},
                                                   {L"TwpStubId", true, false}}) {
        const InstallerData::Entry* entry = d.Find(e.key);
        ASSERT_NE(nullptr, entry) << e.key;
        EXPECT_EQ(e.isPrivate, entry->isPrivate) << e.key;
        EXPECT_EQ(e.persistent, entry->persistent) << e.key;
    }
    EXPECT_EQ(L"enabled", ValueOf(d, L"TwpOffer"));
    EXPECT_EQ(L"", ValueOf(d, L"track"));
    EXPECT_FALSE(d.DoNotErase() || d.DoNotSave());
    std::vector<std::wstring> expected{L"ZevOffer=disabled", L"BackupOffer=disabled", L"MaxOffers=1",
                                       L"FlowName=Install5::02-09-2015::DEPRECATED"};
    EXPECT_EQ(expected, d.BuildArgumentList());
}

}  // namespace
