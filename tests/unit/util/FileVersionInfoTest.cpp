#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "fw/UniqueHandle.h"
#include "util/FileVersionInfo.h"

namespace {

using util::VersionTranslation;

// --- Which translation is read ------------------------------------------------

TEST(ChooseTranslation, RulesInOrder) {
    const struct {
        std::vector<WORD> languages;
        LANGID user;
        size_t chosen;
    } cases[] = {
        {{0x0407, 0x0409}, 0x0407, 0},
        {{0x0409, 0x0807, 0x0407}, 0x0407, 2},  // the exact language beats an earlier relative
        {{0x0409, 0x0407}, 0x0807, 1},          // Swiss German reads German
        {{0x0000, 0x0807}, 0x0407, 1},          // the same language beats neutral
        {{0x0000}, 0x0411, 0},
        {{0x0409, 0x0400, 0x0000}, 0x0411, 2},  // neutral before another language-0 entry
        {{0x0409, 0x0400}, 0x0411, 1},          // a language-0 entry before English
        {{0x040C, 0x0809}, 0x0411, 1},          // any English
        {{0x0809, 0x0009}, 0x0411, 1},          // plain English before another English
        {{0x040C, 0x0410}, 0x0411, 0},          // nothing fits: the first
    };
    for (const auto& c : cases) {
        std::vector<VersionTranslation> entries;
        for (WORD language : c.languages) entries.push_back({language, 1200});
        EXPECT_EQ(c.chosen, util::ChooseTranslation(entries, c.user))
            << "user " << std::hex << c.user << ", first entry " << c.languages[0];
    }
}

// --- Reading real files ----------------------------------------------------------

// One node of a version resource: header, key, aligned value, aligned children.
struct VersionNode {
    std::wstring key;
    std::vector<BYTE> value;
    WORD valueLength;  // characters for text, bytes for binary
    WORD type;         // 1 text, 0 binary
    std::vector<VersionNode> children;
};

void Align(std::vector<BYTE>& bytes) {
    while (bytes.size() % 4) bytes.push_back(0);
}

void Append(std::vector<BYTE>& bytes, const void* data, size_t size) {
    const BYTE* from = static_cast<const BYTE*>(data);
    for (size_t i = 0; i < size; ++i) bytes.push_back(from[i]);
}

std::vector<BYTE> Encode(const VersionNode& node) {
    const WORD header[3] = {0, node.valueLength, node.type};  // the length is known at the end
    std::vector<BYTE> bytes;
    Append(bytes, header, sizeof(header));
    Append(bytes, node.key.c_str(), (node.key.size() + 1) * sizeof(wchar_t));
    Align(bytes);
    Append(bytes, node.value.data(), node.value.size());
    for (const VersionNode& child : node.children) {
        Align(bytes);
        std::vector<BYTE> encoded = Encode(child);
        Append(bytes, encoded.data(), encoded.size());
    }
    bytes[0] = BYTE(bytes.size() & 0xFF);
    bytes[1] = BYTE(bytes.size() >> 8);
    return bytes;
}

VersionNode Text(const std::wstring& name, const std::wstring& text) {
    const BYTE* chars = reinterpret_cast<const BYTE*>(text.c_str());
    return {name, {chars, chars + (text.size() + 1) * sizeof(wchar_t)}, WORD(text.size() + 1), 1, {}};
}

struct StringTable {
    const wchar_t* id;  // language and code page in hexadecimal
    const wchar_t* fileVersion;
    const wchar_t* copyright;
};

// A version resource with a fixed block of fixedSize bytes (52 is the real one),
// one string table per entry and, when asked, the translation table.
std::vector<BYTE> VersionResource(size_t fixedSize, const std::vector<StringTable>& tables,
                                  const std::vector<VersionTranslation>* translations) {
    VS_FIXEDFILEINFO fixed{};
    fixed.dwSignature = VS_FFI_SIGNATURE;
    fixed.dwStrucVersion = VS_FFI_STRUCVERSION;
    fixed.dwFileVersionMS = MAKELONG(5, 2);
    fixed.dwProductVersionMS = MAKELONG(5, 2);
    std::vector<BYTE> fixedBytes(fixedSize);
    std::memcpy(fixedBytes.data(), &fixed, std::min(fixedSize, sizeof(fixed)));

    VersionNode strings{L"StringFileInfo", {}, 0, 1, {}};
    for (const StringTable& table : tables)
        strings.children.push_back({table.id, {}, 0, 1,
                                    {Text(L"FileVersion", table.fileVersion), Text(L"LegalCopyright", table.copyright),
                                     Text(L"ProductVersion", table.fileVersion)}});
    VersionNode root{L"VS_VERSION_INFO", fixedBytes, WORD(fixedSize), 0, {strings}};
    if (translations) {
        const BYTE* raw = reinterpret_cast<const BYTE*>(translations->data());
        VersionNode var{L"Translation", {raw, raw + translations->size() * 4}, WORD(translations->size() * 4), 0, {}};
        root.children.push_back({L"VarFileInfo", {}, 0, 1, {var}});
    }
    return Encode(root);
}

class VersionFiles : public ::testing::Test {
protected:
    void TearDown() override {
        for (const std::wstring& path : created_) ::DeleteFileW(path.c_str());
    }
    std::wstring TempPath(const wchar_t* name) {
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        created_.push_back(std::wstring(temp) + name);
        return created_.back();
    }
    // A copy of this test program (which has no version resource) with one written in.
    std::wstring VersionedCopy(const wchar_t* name, const std::vector<BYTE>& resource) {
        wchar_t self[MAX_PATH];
        ::GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring path = TempPath(name);
        EXPECT_TRUE(::CopyFileW(self, path.c_str(), FALSE));
        HANDLE update = ::BeginUpdateResourceW(path.c_str(), FALSE);
        EXPECT_TRUE(update);
        EXPECT_TRUE(::UpdateResourceW(update, RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO),
                                      MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), const_cast<BYTE*>(resource.data()),
                                      DWORD(resource.size())));
        EXPECT_TRUE(::EndUpdateResourceW(update, FALSE));
        return path;
    }

private:
    std::vector<std::wstring> created_;
};

TEST_F(VersionFiles, ReadsTheTranslationThatMatchesTheUser) {
    const std::vector<VersionTranslation> translations = {{0x0407, 1200}, {0x0409, 1200}};
    std::wstring path = VersionedCopy(
        L"wrenkit-two-languages.exe",
        VersionResource(sizeof(VS_FIXEDFILEINFO),
                        {{L"040704B0", L"2.5.0 de", L"Rechte"}, {L"040904B0", L"2.5.0 en", L"Rights"}}, &translations));
    const struct {
        LANGID user;
        const wchar_t* fileVersion;
        const wchar_t* copyright;
    } cases[] = {
        {0x0407, L"2.5.0 de", L"Rechte"},
        {0x0807, L"2.5.0 de", L"Rechte"},
        {0x0409, L"2.5.0 en", L"Rights"},
        {0x0411, L"2.5.0 en", L"Rights"},
    };
    for (const auto& c : cases) {
        util::CFileVersionInfo info;
        ASSERT_TRUE(info.Read(path.c_str(), c.user));
        EXPECT_EQ(c.fileVersion, info.FileVersion()) << std::hex << c.user;
        EXPECT_EQ(c.fileVersion, info.ProductVersion()) << std::hex << c.user;
        EXPECT_EQ(c.copyright, info.LegalCopyright()) << std::hex << c.user;
        EXPECT_EQ(VS_FFI_SIGNATURE, info.FixedInfo().dwSignature);
        EXPECT_EQ(DWORD(MAKELONG(5, 2)), info.FixedInfo().dwFileVersionMS);
    }
}

TEST_F(VersionFiles, WithoutTranslationTableOnlyTheFixedBlockIsRead) {
    std::wstring path = VersionedCopy(
        L"wrenkit-no-translation.exe",
        VersionResource(sizeof(VS_FIXEDFILEINFO), {{L"040904B0", L"2.5.0", L"Rights"}}, nullptr));
    util::CFileVersionInfo info;
    ASSERT_TRUE(info.Read(path.c_str(), 0x0409));
    EXPECT_EQ(VS_FFI_SIGNATURE, info.FixedInfo().dwSignature);
    EXPECT_EQ(L"", info.FileVersion());
    EXPECT_EQ(L"", info.LegalCopyright());
}

TEST_F(VersionFiles, FixedBlockOfAnotherSizeIsIgnored) {
    const std::vector<VersionTranslation> translations = {{0x0409, 1200}};
    std::wstring path = VersionedCopy(
        L"wrenkit-short-fixed.exe",
        VersionResource(sizeof(VS_FIXEDFILEINFO) - 4, {{L"040904B0", L"2.5.0", L"Rights"}}, &translations));
    util::CFileVersionInfo info;
    ASSERT_TRUE(info.Read(path.c_str(), 0x0409));
    EXPECT_EQ(0u, info.FixedInfo().dwSignature);
    EXPECT_EQ(0u, info.FixedInfo().dwFileVersionMS);
    EXPECT_EQ(L"2.5.0", info.FileVersion());
}

TEST_F(VersionFiles, FileWithoutVersionResourceEmptiesEverything) {
    wchar_t system[MAX_PATH];
    ::GetSystemDirectoryW(system, MAX_PATH);
    util::CFileVersionInfo info;
    ASSERT_TRUE(info.Read((std::wstring(system) + L"\\kernel32.dll").c_str()));
    ASSERT_NE(L"", info.FileVersion());
    ASSERT_EQ(VS_FFI_SIGNATURE, info.FixedInfo().dwSignature);

    // The same object: what the last file said must not survive.
    std::wstring plain = TempPath(L"wrenkit-not-a-program.txt");
    {
        fw::UniqueFile file(::CreateFileW(plain.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(file);
        DWORD written = 0;
        ::WriteFile(file.get(), "not a program", 13, &written, nullptr);
    }
    for (const std::wstring& path : {plain, TempPath(L"wrenkit-missing.exe")}) {
        EXPECT_FALSE(info.Read(path.c_str()));
        EXPECT_EQ(L"", info.FileVersion());
        EXPECT_EQ(L"", info.ProductVersion());
        EXPECT_EQ(L"", info.LegalCopyright());
        EXPECT_EQ(0u, info.FixedInfo().dwSignature);
    }
}

}  // namespace

namespace {

// The test programs carry the installer's own version resource.
TEST(FileVersionInfo, TheProgramsOwnVersion) {
    wchar_t path[MAX_PATH];
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    util::CFileVersionInfo info;
    ASSERT_TRUE(info.Read(path));
    EXPECT_EQ(L"2.5.0", info.FileVersion());
    EXPECT_EQ(L"2.5.0", info.ProductVersion());
    EXPECT_NE(std::wstring::npos, info.LegalCopyright().find(L"Tamberly Utilities Inc"));
}

}  // namespace
