#include <gtest/gtest.h>
#include "fw/Exception.h"
TEST(RuntimeClass, KindOf) {
    fw::CUserException e;
    EXPECT_TRUE(e.IsKindOf(RUNTIME_CLASS(fw::CException)));
}
