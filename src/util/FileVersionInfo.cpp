#include "util/FileVersionInfo.h"

#include <cstring>
#include <cwchar>
#include <memory>
#include <new>

#include "fw/Exception.h"

namespace util {
namespace {

constexpr WORD kEnglish = 0x0009;

// The first entry whose language passes test, or entries.size().
template <typename Test>
size_t FindLanguage(std::span<const VersionTranslation> entries, Test test) {
    for (size_t i = 0; i < entries.size(); ++i)
        if (test(entries[i].language)) return i;
    return entries.size();
}

}  // namespace

size_t ChooseTranslation(std::span<const VersionTranslation> entries, LANGID userLanguage) {
    const WORD userPrimary = userLanguage & 0xFF;
    auto is = [](WORD wanted) { return [wanted](WORD language) { return language == wanted; }; };
    auto primaryIs = [](WORD wanted) { return [wanted](WORD language) { return (language & 0xFF) == wanted; }; };
    // The user's exact language, the same language elsewhere, neutral, any English.
    for (size_t found : {FindLanguage(entries, is(userLanguage)), FindLanguage(entries, primaryIs(userPrimary)),
                         FindLanguage(entries, is(0)), FindLanguage(entries, primaryIs(0)),
                         FindLanguage(entries, is(kEnglish)), FindLanguage(entries, primaryIs(kEnglish))})
        if (found < entries.size()) return found;
    return 0;
}

void CFileVersionInfo::Reset() {
    fixedInfo_ = VS_FIXEDFILEINFO{};
    for (std::wstring* text : {&companyName_, &fileDescription_, &fileVersion_, &internalName_, &legalCopyright_,
                               &originalFileName_, &productName_, &productVersion_, &comments_, &legalTrademarks_,
                               &privateBuild_, &specialBuild_})
        text->clear();
}

bool CFileVersionInfo::Read(const wchar_t* path) {
    return Read(path, ::GetUserDefaultLangID());
}

bool CFileVersionInfo::Read(const wchar_t* path, LANGID userLanguage) {
    Reset();
    DWORD handle = 0;
    DWORD size = ::GetFileVersionInfoSizeW(path, &handle);
    if (size == 0) return false;
    std::unique_ptr<BYTE[]> block(new (std::nothrow) BYTE[size]);
    if (!block) fw::AfxThrowMemoryException();
    if (!::GetFileVersionInfoW(path, 0, size, block.get())) return false;

    void* value = nullptr;
    UINT length = 0;
    if (::VerQueryValueW(block.get(), L"\\", &value, &length) && length == sizeof(VS_FIXEDFILEINFO))
        std::memcpy(&fixedInfo_, value, sizeof(VS_FIXEDFILEINFO));

    if (!::VerQueryValueW(block.get(), L"\\VarFileInfo\\Translation", &value, &length)) return true;
    std::span<const VersionTranslation> entries(static_cast<const VersionTranslation*>(value),
                                                length / sizeof(VersionTranslation));
    if (!entries.empty()) ReadStrings(block.get(), entries[ChooseTranslation(entries, userLanguage)]);
    return true;
}

void CFileVersionInfo::ReadStrings(const void* block, const VersionTranslation& translation) {
    const struct {
        const wchar_t* name;
        std::wstring* text;
    } fields[] = {
        {L"CompanyName", &companyName_},       {L"FileDescription", &fileDescription_},
        {L"FileVersion", &fileVersion_},       {L"InternalName", &internalName_},
        {L"LegalCopyright", &legalCopyright_}, {L"OriginalFileName", &originalFileName_},
        {L"ProductName", &productName_},       {L"ProductVersion", &productVersion_},
        {L"Comments", &comments_},             {L"LegalTrademarks", &legalTrademarks_},
        {L"PrivateBuild", &privateBuild_},     {L"SpecialBuild", &specialBuild_},
    };
    wchar_t prefix[40];
    swprintf(prefix, 40, L"\\StringFileInfo\\%04X%04X\\", translation.language, translation.codePage);
    for (const auto& field : fields) {
        std::wstring query = std::wstring(prefix) + field.name;
        void* value = nullptr;
        UINT chars = 0;
        if (::VerQueryValueW(block, query.c_str(), &value, &chars) && value)
            field.text->assign(static_cast<const wchar_t*>(value), wcsnlen(static_cast<const wchar_t*>(value), chars));
    }
}

}  // namespace util
