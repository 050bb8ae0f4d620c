// The message box's layout arithmetic and button sets, without windows.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "wizard/MessageBox.h"

namespace {

using Edges = std::array<LONG, 4>;
Edges E(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

constexpr int kLine = 16;
// A text of n lines at any width; wide > 0 is a word that does not break.
wizard::MeasureText Text(int lines, int wide = 0) {
    return [=](int width) { return SIZE{wide ? wide : width, lines * kLine}; };
}

wizard::MessageBoxMetrics Metrics(SIZE icon = {}) {
    wizard::MessageBoxMetrics m;
    m.margin = 10;
    m.gap = 7;
    m.button = {75, 23};
    m.textWidth = 300;
    m.minContentHeight = 60;
    m.icon = icon;
    return m;
}

struct LayoutCase {
    const char* name;
    SIZE icon;
    wizard::MeasureText main, secondary;
    size_t buttons;
    Edges mainRect, secondaryRect;
    std::vector<Edges> buttonRects;
    SIZE client;
    LONG panelBottom;
};

TEST(MessageBoxLayout, PlacesTextsButtonsAndPanel) {
    const LayoutCase cases[] = {
        {"main instruction only", {}, Text(2), {}, 2, {10, 10, 310, 42}, {},
         {{153, 68, 228, 91}, {235, 68, 310, 91}}, {320, 98}, 61},
        // The icon narrows the text by its width less a margin; the secondary text
        // follows one margin below.
        {"icon, long main and secondary", {32, 32}, Text(5), Text(1), 1, {52, 10, 330, 90}, {52, 100, 330, 116},
         {{255, 135, 330, 158}}, {340, 165}, 128},
        {"secondary only starts at the margin", {}, {}, Text(1), 1, {}, {10, 10, 310, 26},
         {{235, 68, 310, 91}}, {320, 98}, 61},
        {"no text: the buttons still fit", {}, {}, {}, 3, {}, {},
         {{10, 68, 85, 91}, {92, 68, 167, 91}, {174, 68, 249, 91}}, {259, 98}, 61},
        {"an unbreakable word widens the box", {}, Text(1, 420), {}, 1, {10, 10, 430, 26}, {},
         {{355, 68, 430, 91}}, {440, 98}, 61},
        {"a tall icon sets the panel's height", {48, 80}, {}, {}, 1, {}, {},
         {{10, 109, 85, 132}}, {95, 139}, 102},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        const wizard::MessageBoxLayout layout = wizard::LayoutMessageBox(Metrics(c.icon), c.main, c.secondary, c.buttons);
        EXPECT_EQ(E(layout.mainInstruction), c.mainRect);
        EXPECT_EQ(E(layout.secondaryText), c.secondaryRect);
        std::vector<Edges> buttons;
        for (const RECT& r : layout.buttons) buttons.push_back(E(r));
        EXPECT_EQ(buttons, c.buttonRects);
        EXPECT_EQ(layout.client.cx, c.client.cx);
        EXPECT_EQ(layout.client.cy, c.client.cy);
        // The panel's border line is the strip's top; both overhang the client by one pixel.
        EXPECT_EQ(E(layout.panel), (Edges{-1, -1, c.client.cx + 1, c.panelBottom}));
        EXPECT_EQ(E(layout.strip), (Edges{-1, c.panelBottom - 1, c.client.cx + 1, c.client.cy + 1}));
    }
}

TEST(MessageBoxButtons, DefaultAndCloseFollowTheType) {
    struct Case {
        UINT type;
        std::vector<WORD> ids;
        WORD closeResult;
        bool closable;
        size_t defaultIndex;
    } cases[] = {
        {MB_YESNO | MB_DEFBUTTON2, {IDYES, IDNO}, IDNO, false, 1},
        {MB_YESNO | MB_DEFBUTTON4, {IDYES, IDNO}, IDNO, false, 0},  // beyond the set: the first
        {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, {IDABORT, IDRETRY, IDIGNORE}, IDABORT, false, 2},
        {MB_OK | MB_HELP | MB_DEFBUTTON2, {IDOK, IDHELP}, IDOK, false, 1},
        {7, {}, IDCANCEL, true, 0},  // no buttons: closing is the way out
        {0xF, {IDOK}, IDOK, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        const wizard::MessageBoxButtons set = wizard::ButtonsFor(c.type);
        EXPECT_EQ(set.ids, c.ids);
        EXPECT_EQ(set.closeResult, c.closeResult);
        EXPECT_EQ(set.closable, c.closable);
        EXPECT_EQ(set.defaultIndex, c.defaultIndex);
    }
}

}  // namespace
