#include <gtest/gtest.h>

#include <cstring>

#include "app/Program.h"
#include "fw/UniqueHandle.h"

namespace {

constexpr wchar_t kRegistration[] = L"SOFTWARE\\Tamberly Utilities Inc\\WrenkitUnit\\Registration";
const GUID kStored = {0x11111111, 0x2222, 0x3333, {4, 4, 4, 4, 4, 4, 4, 4}};

class ReportInstallationFinished : public ::testing::Test {
protected:
    app::CProgram& program = app::TheProgram();

    void SetUp() override {
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tamberly Utilities Inc\\WrenkitUnit");
        program.appName = L"WrenkitUnit";
        program.finishReported = false;
        program.failed = 0;
        program.interrupted = 0;
        program.installationId = GUID{};
        program.InjectedData().Clear();
    }

    bool StoredId(GUID& id) {
        DWORD size = sizeof(id);
        return ::RegGetValueW(HKEY_LOCAL_MACHINE, kRegistration, L"InstallationID", RRF_RT_REG_BINARY, nullptr,
                              &id, &size) == ERROR_SUCCESS &&
               size == sizeof(id);
    }
    static bool Same(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }
};

TEST_F(ReportInstallationFinished, MakesANewIdOnce) {
    program.ReportInstallationFinished();
    GUID stored{};
    ASSERT_TRUE(StoredId(stored));
    EXPECT_TRUE(Same(stored, program.installationId));
    EXPECT_FALSE(Same(stored, GUID{}));

    program.ReportInstallationFinished();  // the second call does nothing
    GUID again{};
    ASSERT_TRUE(StoredId(again));
    EXPECT_TRUE(Same(stored, again));
}

TEST_F(ReportInstallationFinished, AnUpdateKeepsAKnownId) {
    program.InjectedData().SetPair(L"WK_UPDATE", L"1");
    program.installationId = kStored;
    program.ReportInstallationFinished();
    GUID stored{};
    EXPECT_FALSE(StoredId(stored));
    EXPECT_TRUE(Same(kStored, program.installationId));

    // Without a known id an update gets one like a first installation.
    program.finishReported = false;
    program.installationId = GUID{};
    program.ReportInstallationFinished();
    ASSERT_TRUE(StoredId(stored));
    EXPECT_TRUE(Same(stored, program.installationId));
}

TEST_F(ReportInstallationFinished, AnInterruptedRunWritesNothing) {
    program.interrupted = 1;
    program.ReportInstallationFinished();
    GUID stored{};
    EXPECT_FALSE(StoredId(stored));
    EXPECT_TRUE(program.finishReported);
}

}  // namespace
