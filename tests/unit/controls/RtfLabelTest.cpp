#include <gtest/gtest.h>

#include <string>

#include "TestWindow.h"
#include "controls/RtfLabel.h"

namespace {

using controls::CRtfLabel;
using controls::DefaultCharFormat;
using controls_test::MakeFont;
using controls_test::TestWindow;

TEST(RtfLabel, DefaultFormatFollowsTheFontAndIsBoldOnlyAboveWeight700) {
    struct Case { int weight; bool bold; };
    for (const Case c : {Case{400, false}, Case{700, false}, Case{800, true}}) {
        fw::UniqueGdiObject font = MakeFont(L"Arial", -16, c.weight);
        const CHARFORMATW format = DefaultCharFormat(static_cast<HFONT>(font.get()), 96);
        EXPECT_EQ((format.dwEffects & CFE_BOLD) != 0, c.bold) << c.weight;
        EXPECT_EQ(format.cbSize, 92u);
        // Effects, colour, face and character set, and the size and offset as well.
        EXPECT_EQ(format.dwMask, 0xF800000Fu);
        EXPECT_EQ(format.yHeight, 240);  // 16 px at 96 dpi = 12 pt
        EXPECT_EQ(format.crTextColor, RGB(0, 0, 0));
        EXPECT_EQ(std::wstring(format.szFaceName), L"Arial");
    }
    fw::UniqueGdiObject font = MakeFont(L"Arial", 20);  // a cell height counts as well
    EXPECT_EQ(DefaultCharFormat(static_cast<HFONT>(font.get()), 120).yHeight, 240);
}

TEST(RtfLabel, WithoutAFontTheTextIsEightPointTahoma) {
    const CHARFORMATW format = DefaultCharFormat(nullptr, 96);
    EXPECT_EQ(format.yHeight, 160);
    EXPECT_EQ(format.bCharSet, 1);
    EXPECT_EQ(format.bPitchAndFamily, 0);
    EXPECT_EQ(format.dwEffects, 0u);
    EXPECT_EQ(std::wstring(format.szFaceName), L"Tahoma");
}

TEST(RtfLabel, TheDocumentChoosesItsCodePage) {
    const std::pair<const wchar_t*, UINT> cases[] = {
        {L"{\\rtf1\\ansi x}", CP_ACP}, {L"{\\rtf1\\pc x}", CP_OEMCP}, {L"{\\rtf1\\pca x}", CP_OEMCP},
        {L"{\\rtf1\\mac x}", CP_MACCP}, {L"{\\rtf1\\mac\\pc x}", CP_MACCP},
    };
    for (const auto& [rtf, codePage] : cases) EXPECT_EQ(controls::RtfCodePage(rtf), codePage) << rtf;

    // The prefix's code pages: OEM 437 and ANSI 1252 write an e-acute differently.
    ASSERT_EQ(::GetOEMCP(), 437u);
    ASSERT_EQ(::GetACP(), 1252u);
    EXPECT_EQ(controls::RtfBytes(L"{\\rtf1\\pc \x00E9}"), "{\\rtf1\\pc \x82}");
    EXPECT_EQ(controls::RtfBytes(L"{\\rtf1\\ansi \x00E9}"), "{\\rtf1\\ansi \xE9}");
    // No best-fit substitute: a character outside the code page becomes the default character.
    EXPECT_EQ(controls::RtfBytes(L"{\\rtf1 \x0100}"), "{\\rtf1 ?}");
}

TEST(TextHost, RejectsMissingArgumentsAndChangesNothing) {
    TestWindow window(100, 20);
    CHARFORMATW format = DefaultCharFormat(nullptr, 96);
    CHARFORMATW unsized = format;
    unsized.cbSize = 0;
    auto* host = new controls::CTextHost;
    EXPECT_EQ(host->Init(nullptr, &format), E_INVALIDARG);
    EXPECT_EQ(host->Init(window.Static(), nullptr), E_INVALIDARG);
    EXPECT_EQ(host->Init(window.Static(), &unsized), E_INVALIDARG);
    RECT rect{};
    EXPECT_EQ(host->TxGetClientRect(&rect), E_POINTER);  // no window yet
    const CHARFORMATW* stored = nullptr;
    EXPECT_EQ(host->TxGetCharFormat(&stored), E_FAIL);
    ASSERT_EQ(host->Init(window.Static(), &format), S_OK);

    EXPECT_EQ(host->TxGetClientRect(nullptr), E_INVALIDARG);
    EXPECT_EQ(host->TxGetClientRect(&rect), S_OK);
    EXPECT_EQ(rect.right, 100);
    EXPECT_EQ(host->QueryInterface(IID_IUnknown, nullptr), E_INVALIDARG);
    void* object = &rect;
    EXPECT_EQ(host->QueryInterface(IID_IDispatch, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(host->QueryInterface(controls::kIidTextHost, &object), S_OK);
    EXPECT_EQ(object, static_cast<ITextHost*>(host));
    EXPECT_EQ(host->References(), 2);
    host->Release();

    EXPECT_EQ(host->OnTxCharFormatChange(nullptr), E_INVALIDARG);
    EXPECT_EQ(host->OnTxCharFormatChange(&unsized), E_INVALIDARG);
    EXPECT_EQ(host->OnTxParaFormatChange(nullptr), E_INVALIDARG);
    DWORD bits = 0;
    EXPECT_EQ(host->TxGetPropertyBits(~0u, &bits), S_OK);
    EXPECT_EQ(bits, 0x142Fu);
    EXPECT_EQ(host->TxGetPropertyBits(~0u, nullptr), E_INVALIDARG);

    // A change is flagged until the engine reads the format again.
    CHARFORMATW changed = format;
    changed.yHeight = 400;
    EXPECT_EQ(host->OnTxCharFormatChange(&changed), S_OK);
    EXPECT_EQ(host->TxGetPropertyBits(~0u, &bits), S_OK);
    EXPECT_EQ(bits, 0x142Fu | TXTBIT_CHARFORMATCHANGE);
    EXPECT_EQ(host->TxGetPropertyBits(TXTBIT_RICHTEXT, &bits), S_OK);
    EXPECT_EQ(bits, static_cast<DWORD>(TXTBIT_RICHTEXT));
    ASSERT_EQ(host->TxGetCharFormat(&stored), S_OK);
    EXPECT_EQ(stored->yHeight, 400);
    EXPECT_FALSE(host->CharFormatChanged());
    EXPECT_EQ(host->Release(), 0u);
}

// The label in a real window, drawn by the platform's text services.
class RtfLabelWindowTest : public testing::Test {
protected:
    void Attach(const wchar_t* text) {
        window_ = std::make_unique<TestWindow>(300, 60, text);
        ::SendMessageW(window_->Static(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        ASSERT_TRUE(label_.Attach(window_->Static()));
        ASSERT_NE(label_.Services(), nullptr);
    }
    int DarkPixels() {
        ::RedrawWindow(window_->Static(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        int dark = 0;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 300; x += 2) dark += GetGValue(window_->PixelAt(x, y)) < 100;
        return dark;
    }
    // The format of the text itself, as the engine holds it.
    CHARFORMATW EngineFormat() {
        CHARFORMATW format{};
        format.cbSize = sizeof(format);
        LRESULT result = 0;
        label_.Services()->TxSendMessage(EM_SETSEL, 0, -1, &result);
        label_.Services()->TxSendMessage(EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format), &result);
        return format;
    }

    fw::UniqueGdiObject font_ = MakeFont(L"Arial", -16);
    std::unique_ptr<TestWindow> window_;
    CRtfLabel label_;
};

TEST_F(RtfLabelWindowTest, DrawsTheDocumentTransparentlyOverThePage) {
    Attach(L"{\\rtf1\\ansi {\\b Hello} world}");
    EXPECT_EQ(window_->PixelAt(299, 59), controls_test::kPageColour);
    EXPECT_GT(DarkPixels(), 20);
}

TEST_F(RtfLabelWindowTest, PlainTextSetLaterIsShownInTheDefaultFormat) {
    Attach(L"");
    EXPECT_EQ(DarkPixels(), 0);
    ::SetWindowTextW(window_->Static(), L"Plain words");
    EXPECT_GT(DarkPixels(), 20);
    wchar_t text[32] = {};
    ::GetWindowTextW(window_->Static(), text, 32);
    EXPECT_EQ(std::wstring(text), L"Plain words");  // the static keeps it too
}

TEST_F(RtfLabelWindowTest, AFontChangeReachesTheEngine) {
    Attach(L"Plain words");
    EXPECT_EQ(std::wstring(EngineFormat().szFaceName), L"Arial");
    EXPECT_EQ(EngineFormat().yHeight, 240);
    fw::UniqueGdiObject other = MakeFont(L"Courier New", -32);
    ::SendMessageW(window_->Static(), WM_SETFONT, reinterpret_cast<WPARAM>(other.get()), TRUE);
    EXPECT_EQ(std::wstring(label_.CharFormat().szFaceName), L"Courier New");
    EXPECT_EQ(std::wstring(EngineFormat().szFaceName), L"Courier New");
    EXPECT_EQ(EngineFormat().yHeight, 480);
}

}  // namespace
