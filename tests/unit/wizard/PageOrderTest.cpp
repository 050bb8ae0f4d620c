// The page order: splitting the setting, and the pages that follow the first one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wizard/MainWindow.h"

namespace {

using Names = std::vector<std::wstring>;

// Offers as the rules would allow them: a fixed list, and how often it was asked for.
class FixedOffers : public wizard::IOfferRules {
public:
    explicit FixedOffers(Names offers) : offers_(std::move(offers)) {}
    void AppendOfferPages(Names& pageOrder) override {
        ++calls;
        pageOrder.insert(pageOrder.end(), offers_.begin(), offers_.end());
    }
    int calls = 0;

private:
    Names offers_;
};

TEST(PageOrder, SplitsAtEveryCommaAndDropsOnlyAnEmptyLastPiece) {
    struct Case {
        const wchar_t* setting;
        Names pieces;
    } cases[] = {
        {L"CWelcomePage,CProgressPage,CFinishedPage", {L"CWelcomePage", L"CProgressPage", L"CFinishedPage"}},
        {L"CWelcomePage,,CFinishedPage", {L"CWelcomePage", L"", L"CFinishedPage"}},
        {L"CWelcomePage, CFinishedPage", {L"CWelcomePage", L" CFinishedPage"}},  // no trimming
        {L"CWelcomePage,", {L"CWelcomePage"}},
        {L",CWelcomePage", {L"", L"CWelcomePage"}},
        {L"", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(wizard::SplitPageOrder(c.setting), c.pieces) << c.setting;
}

TEST(PageOrder, OfferPagesStandBeforeTheProgressPage) {
    struct Case {
        const wchar_t* setting;
        Names expected;
        int ruleRuns;
    } cases[] = {
        {L"CWelcomePage,CProgressPage,CFinishedPage",
         {L"CWelcomePage", L"CBackupOfferPage", L"CProgressPage", L"CFinishedPage"}, 1},
        // Without a progress page the rules never run.
        {L"CWelcomePage,CLicensePage,CFinishedPage", {L"CWelcomePage", L"CLicensePage", L"CFinishedPage"}, 0},
        // A backup page listed by the build is not shown twice, and empty pieces are skipped.
        {L"CWelcomePage,CBackupOfferPage,,CProgressPage,CFinishedPage",
         {L"CWelcomePage", L"CBackupOfferPage", L"CProgressPage", L"CFinishedPage"}, 1},
    };
    for (const Case& c : cases) {
        FixedOffers rules({L"CBackupOfferPage"});
        Names pageOrder{L"CWelcomePage"};
        wizard::AppendLaterPages(wizard::SplitPageOrder(c.setting), rules, pageOrder);
        EXPECT_EQ(pageOrder, c.expected) << c.setting;
        EXPECT_EQ(rules.calls, c.ruleRuns) << c.setting;
    }
}

}  // namespace
