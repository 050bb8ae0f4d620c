#include <gtest/gtest.h>

#include <string>

#include "TestWindow.h"
#include "controls/SuperLabel.h"

namespace {

using controls::CSuperLabel;
using controls::WordBox;
using controls_test::MakeFont;
using controls_test::TestWindow;

int TextWidth(HFONT font, const std::wstring& text) {
    HDC dc = ::GetDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, font);
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
    return size.cx;
}

// A label in a real window with a real font; its static is width x height pixels.
class SuperLabelTest : public testing::Test {
protected:
    void Show(int width, int height, const wchar_t* text) {
        window_ = std::make_unique<TestWindow>(width, height);
        ASSERT_TRUE(label_.Attach(window_->Static()));
        ::SendMessageW(window_->Static(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
        ::SetWindowTextW(window_->Static(), text);
        TestWindow::Pump();
    }
    HFONT Font() const { return static_cast<HFONT>(font_.get()); }
    const WordBox& Word(size_t i) const { return label_.Words().at(i); }
    int Line() const { return label_.LineHeight(); }
    void MoveMouse(int x, int y) {
        ::SendMessageW(window_->Static(), WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    }

    fw::UniqueGdiObject font_ = MakeFont(L"Tahoma", -13);
    std::unique_ptr<TestWindow> window_;
    CSuperLabel label_;
};

TEST_F(SuperLabelTest, AttachParsesTheStaticsTextAndSetTextReplacesIt) {
    window_ = std::make_unique<TestWindow>(300, 40, L"\x1B" L"Click \x04Next\x05 to proceed without Stowline");
    ASSERT_TRUE(label_.Attach(window_->Static()));
    ASSERT_EQ(label_.Runs().size(), 3u);
    EXPECT_EQ(label_.Runs()[1].style, controls::kBold);
    EXPECT_FALSE(CSuperLabel().Attach(nullptr));

    EXPECT_TRUE(::SetWindowTextW(window_->Static(), L"plain"));
    ASSERT_EQ(label_.Runs().size(), 1u);
    EXPECT_EQ(label_.Runs()[0].text, L"plain");
    ::SendMessageW(window_->Static(), WM_SETTEXT, 0, 0);  // no text counts as empty
    EXPECT_TRUE(label_.Words().empty());
}

TEST_F(SuperLabelTest, AWordTooWideAtTheLineStartIsPlacedAndOverflows) {
    Show(40, 100, L"Supercalifragilistic next");
    ASSERT_EQ(label_.Words().size(), 2u);
    EXPECT_EQ(Word(0).rect.left, 0);
    EXPECT_GT(Word(0).rect.right, 40);
    EXPECT_EQ(Word(1).rect.left, 0);
    EXPECT_EQ(Word(1).rect.top, Line());
}

TEST_F(SuperLabelTest, AWordWhoseLettersFitButNotItsSpaceEndsTheLine) {
    const int width = TextWidth(Font(), L"ab ") + TextWidth(Font(), L"cd") + 1;
    ASSERT_GT(TextWidth(Font(), L"ab cd         "), width);
    Show(width, 100, L"ab cd         ef");
    ASSERT_EQ(label_.Words().size(), 3u);
    EXPECT_EQ(Word(1).rect.left, TextWidth(Font(), L"ab "));
    EXPECT_EQ(Word(1).rect.top, 0);
    EXPECT_EQ(Word(1).rect.right - Word(1).rect.left, TextWidth(Font(), L"cd         "));
    EXPECT_EQ(Word(2).rect.left, 0);
    EXPECT_EQ(Word(2).rect.top, Line());
}

TEST_F(SuperLabelTest, LineFeedsBreakAndLinesBeyondTheHeightAreNeitherPlacedNorClickable) {
    Show(300, 0, L"");  // size the label after the line height is known
    const int line = Line();
    ASSERT_GT(line, 0);
    ::SetWindowPos(window_->Static(), nullptr, 0, 0, 300, 3 * line - 1, SWP_NOMOVE | SWP_NOZORDER);
    ::SetWindowTextW(window_->Static(),
                     L"\x02http://one.test/\x01one\x03\n\x02http://two.test/\x01two\x03\nthree \x02http://x.test/\x01hidden\x03");
    // Words: "one", "\n", "two", "\n", "three ", "hidden"; the runs of "two" and "hidden" are 3 and 5.
    ASSERT_EQ(label_.Words().size(), 6u);
    EXPECT_TRUE(Word(1).lineBreak);
    EXPECT_EQ(Word(1).rect.top, 0);      // the line feed ends the first line
    EXPECT_EQ(Word(2).rect.top, line);
    EXPECT_EQ(Word(2).rect.left, 0);
    EXPECT_TRUE(::IsRectEmpty(&Word(4).rect));
    EXPECT_TRUE(::IsRectEmpty(&Word(5).rect));

    MoveMouse(2, line + line / 2);
    EXPECT_EQ(label_.HotRun(), 3);      // the "two" link
    MoveMouse(Word(0).rect.right + 50, 2);
    EXPECT_EQ(label_.HotRun(), CSuperLabel::kNoRun);
    MoveMouse(2, 2 * line + 1);         // where the hidden link would be
    EXPECT_EQ(label_.HotRun(), CSuperLabel::kNoRun);
    ::SendMessageW(window_->Static(), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(label_.HotRun(), CSuperLabel::kNoRun);
}

TEST_F(SuperLabelTest, SetFontRebuildsTheFamilyAndLaysOutAgain) {
    Show(400, 100, L"Click \x04Next\x05 now");
    EXPECT_EQ(label_.Fonts().Base(), Font());
    const LONG narrow = Word(0).rect.right;

    fw::UniqueGdiObject large = MakeFont(L"Tahoma", -26);
    ::SendMessageW(window_->Static(), WM_SETFONT, reinterpret_cast<WPARAM>(large.get()), TRUE);
    EXPECT_EQ(label_.Fonts().Base(), large.get());
    EXPECT_GT(Word(0).rect.right, narrow);
    EXPECT_GE(label_.LineHeight(), 26);
    for (size_t style = 1; style < controls::CFontFamily::kSize; ++style) {
        SCOPED_TRACE(style);
        ASSERT_TRUE(label_.Fonts().HasVariant(style));
        LOGFONTW font{};
        ::GetObjectW(label_.Fonts().Font(style), sizeof(font), &font);
        EXPECT_EQ(font.lfHeight, -26);
        EXPECT_EQ(font.lfWeight, (style & 1) ? FW_BOLD : FW_NORMAL);
        EXPECT_EQ(font.lfItalic != 0, (style & 2) != 0);
        EXPECT_EQ(font.lfUnderline != 0, (style & 4) != 0);
    }
    EXPECT_EQ(label_.Fonts().Font(99), large.get());
    ::SendMessageW(window_->Static(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
}

TEST_F(SuperLabelTest, PaintsOverThePageBackgroundWithLinksInTheHotTrackColour) {
    Show(300, 40, L"\x02http://example.test/\x01terms of use\x03");
    ::RedrawWindow(window_->Static(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    EXPECT_EQ(window_->PixelAt(299, 39), controls_test::kPageColour);
    const COLORREF hot = ::GetSysColor(COLOR_HOTLIGHT);
    const RECT link = Word(0).rect;
    int hotPixels = 0;
    for (int y = link.top; y < link.bottom; ++y)
        for (int x = link.left; x < link.right; ++x) hotPixels += window_->PixelAt(x, y) == hot;
    EXPECT_GT(hotPixels, TextWidth(Font(), L"terms") / 2) << "the underline is drawn in the hot-track colour";
}

}  // namespace
