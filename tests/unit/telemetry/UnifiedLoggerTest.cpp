#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "telemetry/UnifiedLogger.h"

namespace {

const GUID kMachine = {0x01234567, 0x89AB, 0xCDEF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
const GUID kInstall = {0xDEADBEEF, 0x0001, 0x0002, {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80}};
const std::wstring kBase = L"http://track.test:8080/ulc.php?ev=";
const std::wstring kMachineText = L"&machineId=01234567-89AB-CDEF-0123-456789ABCDEF";

TEST(UnifiedLogger, CampaignTextIsCutAndEscaped) {
    struct Case {
        const wchar_t* upl;
        const wchar_t* sent;
    } cases[] = {
        {L"QUJD+/z9==", L"QUJD%2B%2Fz9%3D%3D"},
        {L"abc def", L"abc"},
        {L"abc\r\nmore", L"abc"},
        {L"", L""},
        {L"%s%%", L""},
    };
    for (const Case& c : cases) {
        telemetry::UnifiedLogger logger(L"http://track.test:8080", c.upl, GUID{}, kMachine, nullptr);
        EXPECT_EQ(kBase + L"InstallerInvoked&upl=" + c.sent + kMachineText, logger.EventUrl(L"InstallerInvoked"))
            << c.upl;
    }
}

TEST(UnifiedLogger, InstallationIdOnlyOnceKnown) {
    std::vector<std::wstring> sent;
    telemetry::UnifiedLogger logger(L"http://track.test:8080", L"x", GUID{}, kMachine,
                                    [&](const std::wstring& url) { sent.push_back(url); });
    logger.SendEvent(L"InstallerInvoked");
    logger.SetInstallationId(kInstall);
    logger.SendEvent(L"InstallerFinished");
    ASSERT_EQ(2u, sent.size());
    EXPECT_EQ(std::wstring::npos, sent[0].find(L"installId"));
    EXPECT_EQ(kBase + L"InstallerFinished&upl=x" + kMachineText + L"&installId=DEADBEEF-0001-0002-1020-304050607080",
              sent[1]);
}

}  // namespace
