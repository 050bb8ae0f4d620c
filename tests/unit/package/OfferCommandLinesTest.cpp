#include <gtest/gtest.h>

#include <string>

#include "config/InstallerData.h"
#include "install/OfferCommandLines.h"

namespace {

config::InstallerData DataFrom(const wchar_t* lines) {
    config::InstallerData data;
    data.ParseText(lines);
    return data;
}

const wchar_t* const kExe = L"C:\\users\\me\\Temp\\stw1.tmp.exe";

}  // namespace

TEST(OfferCommandLines, BackupForm) {
    const GUID id = {0x0123ABCD, 0x4567, 0x89EF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
    struct Case {
        const char* name;
        const wchar_t* data;
        GUID id;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {"hash and identifier", L"BackupHash=77aa", id,
         L"\"C:\\users\\me\\Temp\\stw1.tmp.exe\" /S /product=stowline /hash=77aa "
         L"/tid=0123ABCD-4567-89EF-0123-456789ABCDEF /popup_delay=1200000"},
        {"no hash, no identifier yet", L"Other=1", GUID{},
         L"\"C:\\users\\me\\Temp\\stw1.tmp.exe\" /S /product=stowline /hash=4b0c9f37 "
         L"/tid=00000000-0000-0000-0000-000000000000 /popup_delay=1200000"},
        {"inserts are not formatted again", L"BackupHash=%2!s!%1", GUID{},
         L"\"C:\\users\\me\\Temp\\stw1.tmp.exe\" /S /product=stowline /hash=%2!s!%1 "
         L"/tid=00000000-0000-0000-0000-000000000000 /popup_delay=1200000"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, install::BuildBackupCommandLine(kExe, DataFrom(c.data), c.id)) << c.name;
}

TEST(OfferCommandLines, SilentInstallerForm) {
    using install::OfferKind;
    struct Case {
        const char* name;
        OfferKind kind;
        const wchar_t* data;
        const wchar_t* expectedAfterPath;
    };
    const Case cases[] = {
        {"nothing set", OfferKind::Twp, L"", L" SI_LAUNCH=immediate"},
        {"on reboot", OfferKind::Twp, L"TwpInstallOnReboot=yes", L" SI_LAUNCH=onreboot"},
        {"reboot answer is exact", OfferKind::Twp, L"TwpInstallOnReboot=Yes", L" SI_LAUNCH=immediate"},
        {"the other offer's reboot key is not ours", OfferKind::Vantrell, L"TwpInstallOnReboot=yes",
         L" SI_LAUNCH=immediate"},
        {"mode and delay only", OfferKind::Twp, L"SI_DELAY=5\nSI_MODE=toaster",
         L" SI_LAUNCH=immediate SI_MODE=toaster SI_DELAY=5"},
        {"values go in unquoted", OfferKind::Twp, L"SI_CHNL=two words", L" SI_LAUNCH=immediate SI_CHNL=two words"},
        {"every part, in order", OfferKind::Twp,
         L"TwpStubId=s1\nTwpOfferP2=o1\nTwpCallerP2=c1\nSI_DELAY=9\nSI_MODE=m\nSI_CHNL=ch\nTwpInstallOnReboot=yes",
         L" SI_LAUNCH=onreboot SI_CHNL=ch SI_MODE=m SI_DELAY=9 @P2_ORIGIN=c1 @P2=o1 @UL_STUBID=s1"},
        {"each offer reads its own keys", OfferKind::Vantrell,
         L"TwpCallerP2=c1\nVantrellCallerP2=v1\nVantrellOfferP2=v2\nVantrellStubId=v3\nVantrellInstallOnReboot=yes",
         L" SI_LAUNCH=onreboot @P2_ORIGIN=v1 @P2=v2 @UL_STUBID=v3"},
        {"a present empty value still counts", OfferKind::Twp, L"SI_MODE=", L" SI_LAUNCH=immediate SI_MODE="},
    };
    for (const Case& c : cases)
        EXPECT_EQ(std::wstring(L"\"") + kExe + L"\"" + c.expectedAfterPath,
                  install::BuildSilentInstallerCommandLine(kExe, DataFrom(c.data), c.kind))
            << c.name;
}

TEST(OfferCommandLines, IdentitiesAreTheDownloadPrefixes) {
    EXPECT_EQ(install::OfferKind::Backup, install::OfferByIdentity(L"stw")->kind);
    EXPECT_EQ(install::OfferKind::Twp, install::OfferByIdentity(L"twp")->kind);
    EXPECT_EQ(install::OfferKind::Vantrell, install::OfferByIdentity(L"vtl")->kind);
    EXPECT_EQ(nullptr, install::OfferByIdentity(L"tmu"));
    EXPECT_EQ(nullptr, install::OfferByIdentity(L"STW"));
}
