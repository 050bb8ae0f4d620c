#include <gtest/gtest.h>

#include "app/Program.h"

namespace {

TEST(RebootRequired, ThreadMessageSetsTheChoiceFlag) {
    app::CProgram& program = app::TheProgram();
    program.choiceFlags.clear();
    MSG msg{nullptr, app::AM_REBOOT_REQUIRED, 0, 0, 0, {}};
    program.OnThreadMessage(msg);
    EXPECT_EQ(1, program.choiceFlags[L"RebootRequired"]);
    msg.message = app::AM_REBOOT_REQUIRED + 1;  // other thread messages change nothing
    program.choiceFlags.clear();
    program.OnThreadMessage(msg);
    EXPECT_TRUE(program.choiceFlags.empty());
}

}  // namespace
