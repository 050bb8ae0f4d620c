#pragma once
// The version resource of an executable: the fixed block and the twelve standard
// strings, in the translation that best matches the user's language.
#include <windows.h>

#include <cstddef>
#include <span>
#include <string>

namespace util {

// One entry of "\VarFileInfo\Translation".
struct VersionTranslation {
    WORD language;
    WORD codePage;
};

// The index of the entry to read for userLanguage; entries must not be empty.
size_t ChooseTranslation(std::span<const VersionTranslation> entries, LANGID userLanguage);

class CFileVersionInfo {
public:
    CFileVersionInfo() { Reset(); }
    virtual ~CFileVersionInfo() = default;
    virtual void Reset();

    // False when the file has no readable version resource; true otherwise,
    // also when no string was found. Out of memory raises the framework's exception.
    bool Read(const wchar_t* path);
    bool Read(const wchar_t* path, LANGID userLanguage);

    std::wstring FileVersion() const { return fileVersion_; }
    std::wstring LegalCopyright() const { return legalCopyright_; }
    std::wstring ProductVersion() const { return productVersion_; }
    const VS_FIXEDFILEINFO& FixedInfo() const noexcept { return fixedInfo_; }

private:
    void ReadStrings(const void* block, const VersionTranslation& translation);

    VS_FIXEDFILEINFO fixedInfo_;
    std::wstring companyName_;
    std::wstring fileDescription_;
    std::wstring fileVersion_;
    std::wstring internalName_;
    std::wstring legalCopyright_;
    std::wstring originalFileName_;
    std::wstring productName_;
    std::wstring productVersion_;
    std::wstring comments_;
    std::wstring legalTrademarks_;
    std::wstring privateBuild_;
    std::wstring specialBuild_;
};

}  // namespace util
