#include <gtest/gtest.h>

#include <string>

#include "ResourceIds.h"
#include "app/Exceptions.h"

namespace {

std::wstring MessageOf(const fw::CException& e, UINT chars = 512) {
    wchar_t buffer[512];
    return e.GetErrorMessage(buffer, chars) ? std::wstring(buffer) : L"<false>";
}

TEST(Exceptions, WindowsExceptionTextsComeFromTheMessageTable) {
    struct Case {
        DWORD code;
        const wchar_t* message;
    } cases[] = {
        {0xC0000005, L"EXCEPTION_ACCESS_VIOLATION\r\n"},
        {0x80000003, L"EXCEPTION_BREAKPOINT\r\n"},
        {0x000000C0, L"WAIT_IO_COMPLETION\r\n"},
        {0xC0000194, L"EXCEPTION_POSSIBLE_DEADLOCK\r\n"},
        {0x40000015, L"Unable to retreive exception code."},
        {0x80070005, L"Unable to retreive exception code."},
    };
    for (const Case& c : cases) EXPECT_EQ(c.message, MessageOf(app::CWindowsException(c.code))) << std::hex << c.code;
}

TEST(Exceptions, ToolkitExceptionTexts) {
    EXPECT_EQ(L"Null message.", MessageOf(app::CToolkitException(static_cast<const wchar_t*>(nullptr))));
    EXPECT_EQ(L"Internal application error.", MessageOf(app::CToolkitException(UINT(IDS_INTERNAL_ERROR))));
    EXPECT_EQ(L"A required resource was unavailable.", MessageOf(app::CToolkitException(UINT(54321))));
    EXPECT_EQ(L"", MessageOf(app::CMsiException(app::CMsiException::Error, nullptr)));
}

TEST(Exceptions, GetErrorMessageCutsToTheBuffer) {
    app::CToolkitException e(L"A message longer than ten characters");
    wchar_t buffer[10];
    UINT help = 77;
    ASSERT_TRUE(e.GetErrorMessage(buffer, 10, &help));
    EXPECT_EQ(L"A message", std::wstring(buffer));
    EXPECT_EQ(0u, help);
    EXPECT_FALSE(e.GetErrorMessage(nullptr, 10));
    EXPECT_FALSE(e.GetErrorMessage(buffer, 0));
}

TEST(Exceptions, RunTimeClassNames) {
    app::CWindowsException w(5);
    EXPECT_STREQ("CWindowsException", w.GetRuntimeClass()->className);
    EXPECT_TRUE(w.IsKindOf(RUNTIME_CLASS(fw::CException)));
    EXPECT_FALSE(w.IsKindOf(RUNTIME_CLASS(app::CToolkitException)));
}

}  // namespace
