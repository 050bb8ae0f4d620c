#include <gtest/gtest.h>

#include <windows.h>
#include <msi.h>

#include <string>
#include <vector>

#include "RecordingTaskContext.h"
#include "install/MsiUiHandler.h"

namespace {

using install::MsiUiContext;
using install::MsiUiHandler;
using msi_test::RecordingTaskContext;

constexpr UINT kProgress = INSTALLMESSAGE_PROGRESS;

class MsiUiHandlerTest : public ::testing::Test {
protected:
    void SetUp() override {
        context.ResetForRun(&page, [this](const wchar_t* text, UINT style) {
            questions.emplace_back(text, style);
            return answer;
        });
    }
    // Sends each progress record and gives the percentages the page received.
    std::vector<int> Feed(std::initializer_list<const wchar_t*> records) {
        for (const wchar_t* r : records) EXPECT_EQ(IDOK, MsiUiHandler(context, kProgress, r)) << r;
        return page.Percents();
    }

    RecordingTaskContext page;
    MsiUiContext context;
    std::vector<std::pair<std::wstring, UINT>> questions;
    int answer = IDRETRY;
};

TEST_F(MsiUiHandlerTest, ProgressArithmetic) {
    struct Case {
        const char* name;
        std::vector<const wchar_t*> records;
        std::vector<int> percents;
    };
    const Case cases[] = {
        {"reset in script phase fills the bar", {L"1: 0 2: 1000 3: 0 4: 1 "}, {100}},
        {"reset before the script empties it", {L"1: 0 2: 1000 3: 0 4: 0 "}, {0}},
        {"forward report", {L"1: 0 2: 1000 3: 0 4: 0 ", L"1: 2 2: 500 "}, {0, 50}},
        {"reports add up", {L"1: 0 2: 1000 3: 0 4: 0 ", L"1: 2 2: 250 ", L"1: 2 2: 250 "}, {0, 25, 50}},
        {"backward shows what is left", {L"1: 0 2: 1000 3: 1 4: 0 ", L"1: 2 2: 300 "}, {0, 70}},
        {"backward never below 0", {L"1: 0 2: 100 3: 1 4: 0 ", L"1: 2 2: 300 "}, {0, 0}},
        {"negative increments count as done", {L"1: 0 2: 1000 3: 0 4: 0 ", L"1: 2 2: -100 "}, {0, 10}},
        {"step mode multiplies", {L"1: 0 2: 1000 3: 0 4: 0 ", L"1: 1 2: 100 3: 1 ", L"1: 2 2: 3 "}, {0, 30}},
        {"step mode off again",
         {L"1: 0 2: 1000 3: 0 4: 0 ", L"1: 1 2: 100 3: 1 ", L"1: 1 2: 100 3: 0 ", L"1: 2 2: 3 "},
         {0, 0}},
        {"reports before any reset are ignored", {L"1: 2 2: 500 "}, {}},
        {"overshoot stops at 100", {L"1: 0 2: 100 3: 0 4: 0 ", L"1: 2 2: 2147483647 ", L"1: 2 2: 9 "},
         {0, 100, 100}},
        {"unparsable records change nothing", {L"1: 0 2: 1000 3: 0 4: 0 ", L"1: 2 2: x ", L"junk"}, {0}},
    };
    for (const Case& c : cases) {
        SetUp();
        page.progress.clear();
        for (const wchar_t* r : c.records) EXPECT_EQ(IDOK, MsiUiHandler(context, kProgress, r)) << c.name;
        EXPECT_EQ(c.percents, page.Percents()) << c.name;
        for (const auto& p : page.progress) EXPECT_TRUE(p.second.empty()) << c.name;
    }
}

TEST_F(MsiUiHandlerTest, CancelledPageAnswersCancelToEveryProgressMessage) {
    Feed({L"1: 0 2: 1000 3: 0 4: 0 "});
    page.cancelled = true;
    EXPECT_EQ(IDCANCEL, MsiUiHandler(context, kProgress, L"1: 2 2: 10 "));
    EXPECT_EQ(IDCANCEL, MsiUiHandler(context, kProgress, L"not a record"));
    // Other messages keep their own answers.
    EXPECT_EQ(IDOK, MsiUiHandler(context, INSTALLMESSAGE_ACTIONSTART, L"InstallFiles"));
}

TEST_F(MsiUiHandlerTest, ActionDataShowsItsTextOnlyAfterAReset) {
    EXPECT_EQ(IDOK, MsiUiHandler(context, INSTALLMESSAGE_ACTIONDATA, L"early"));
    EXPECT_TRUE(page.progress.empty());
    Feed({L"1: 0 2: 1000 3: 0 4: 0 "});
    MsiUiHandler(context, INSTALLMESSAGE_ACTIONDATA, L"File: a.exe");
    Feed({L"1: 1 2: 10 3: 1 "});
    MsiUiHandler(context, INSTALLMESSAGE_ACTIONDATA, L"File: b.exe");
    ASSERT_EQ(3u, page.progress.size());
    EXPECT_EQ(std::make_pair(-1, std::wstring(L"File: a.exe")), page.progress[1]);  // keep the position
    EXPECT_EQ(std::make_pair(0, std::wstring(L"File: b.exe")), page.progress[2]);
}

TEST_F(MsiUiHandlerTest, CommonDataTogglesTheCancelButton) {
    MsiUiHandler(context, INSTALLMESSAGE_COMMONDATA, L"1: 2 2: 0 ");
    MsiUiHandler(context, INSTALLMESSAGE_COMMONDATA, L"1: 2 2: 1 ");
    MsiUiHandler(context, INSTALLMESSAGE_COMMONDATA, L"1: 0 2: 1033 ");  // language: no change
    MsiUiHandler(context, INSTALLMESSAGE_COMMONDATA, L"1: 1 2: Title ");
    EXPECT_EQ((std::vector<bool>{false, true}), page.cancelStates);
    EXPECT_EQ(0, context.commonDataType);
    EXPECT_EQ(1033, context.commonDataValue);
}

TEST_F(MsiUiHandlerTest, ProblemsWithOnlyOkBecomeThePendingFailure) {
    struct Case {
        UINT type;
        int kind;
    };
    const Case cases[] = {
        {INSTALLMESSAGE_FATALEXIT, app::CMsiException::FatalExit},
        {INSTALLMESSAGE_ERROR, app::CMsiException::Error},
        {INSTALLMESSAGE_WARNING, app::CMsiException::Warning},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IDOK, MsiUiHandler(context, c.type | MB_OK | MB_ICONERROR, L"Disk full"));
        ASSERT_TRUE(context.pendingException);
        EXPECT_EQ(c.kind, context.pendingException->MessageKind());
        EXPECT_EQ(L"Disk full", context.pendingException->Message());
    }
    EXPECT_TRUE(questions.empty());
    context.ResetForRun(&page, nullptr);
    EXPECT_FALSE(context.pendingException);  // nothing carries over into the next run
}

TEST_F(MsiUiHandlerTest, QuestionsGoToTheMessageBoxWithTheirStyle) {
    const UINT style = MB_RETRYCANCEL | MB_ICONWARNING | MB_DEFBUTTON2;
    EXPECT_EQ(IDRETRY, MsiUiHandler(context, INSTALLMESSAGE_ERROR | style, L"Retry?"));
    answer = IDNO;
    EXPECT_EQ(IDNO, MsiUiHandler(context, INSTALLMESSAGE_USER | MB_YESNO, L"Go on?"));
    answer = IDOK;
    EXPECT_EQ(IDOK, MsiUiHandler(context, INSTALLMESSAGE_USER | MB_OK, L"Note"));  // user boxes always show
    ASSERT_EQ(3u, questions.size());
    EXPECT_EQ(std::make_pair(std::wstring(L"Retry?"), style), questions[0]);
    EXPECT_EQ(std::make_pair(std::wstring(L"Go on?"), UINT(MB_YESNO)), questions[1]);
    EXPECT_FALSE(context.pendingException);
}

TEST_F(MsiUiHandlerTest, AnswersByMessageType) {
    struct Case {
        UINT type;
        int answer;
    };
    const Case cases[] = {
        {INSTALLMESSAGE_INFO, IDOK},          {INSTALLMESSAGE_OUTOFDISKSPACE, IDOK},
        {INSTALLMESSAGE_ACTIONSTART, IDOK},   {INSTALLMESSAGE_INITIALIZE, IDOK},
        {INSTALLMESSAGE_TERMINATE, IDOK},     {INSTALLMESSAGE_SHOWDIALOG, IDOK},
        {INSTALLMESSAGE_FILESINUSE, 0},       {INSTALLMESSAGE_RESOLVESOURCE, 0},
        {INSTALLMESSAGE_RMFILESINUSE, 0},     {0x7F000000, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.answer, MsiUiHandler(context, c.type, L"x")) << std::hex << c.type;
    EXPECT_TRUE(page.progress.empty());
}

TEST_F(MsiUiHandlerTest, WithoutAPageMessagesChangeNothing) {
    context.page = nullptr;
    EXPECT_EQ(IDOK, MsiUiHandler(context, kProgress, L"1: 0 2: 1000 3: 0 4: 1 "));
    EXPECT_EQ(IDOK, MsiUiHandler(context, INSTALLMESSAGE_COMMONDATA, L"1: 2 2: 1 "));
    EXPECT_EQ(IDOK, MsiUiHandler(context, INSTALLMESSAGE_ACTIONDATA, nullptr));
    EXPECT_TRUE(page.progress.empty());
    EXPECT_TRUE(page.cancelStates.empty());
}

}  // namespace
