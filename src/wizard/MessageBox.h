#pragma once
// The program's own message box, in the look of a task dialog: an optional system
// icon, a blue main instruction and a secondary text on a white panel, and the
// buttons right-aligned on a light grey strip. It lays itself out from its texts.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "fw/Dialog.h"
#include "fw/UniqueHandle.h"

namespace wizard {

// The buttons a message-box type asks for, left to right, and what closing gives.
struct MessageBoxButtons {
    std::vector<WORD> ids;
    WORD closeResult = IDCANCEL;  // what a close request gives
    bool closable = false;        // the title-bar close and Escape work
    size_t defaultIndex = 0;
};
MessageBoxButtons ButtonsFor(UINT type);

// The English caption of a button, for a string table that lacks it.
const wchar_t* DefaultButtonCaption(WORD id);

// Sizes in pixels from which the box is laid out.
struct MessageBoxMetrics {
    int margin = 0;
    int gap = 0;
    SIZE button{};
    int textWidth = 0;         // wrap width of the texts
    int minContentHeight = 0;  // height of the white panel at least
    SIZE icon{};               // {0, 0} without an icon
};

// Height (and width, which may pass the limit for an unbreakable word) of a text
// wrapped to a width.
using MeasureText = std::function<SIZE(int width)>;

struct MessageBoxLayout {
    RECT icon{};
    RECT mainInstruction{};
    RECT secondaryText{};
    std::vector<RECT> buttons;  // left to right
    RECT panel{};
    RECT strip{};
    SIZE client{};
};

// Either text may be absent (an empty function).
MessageBoxLayout LayoutMessageBox(const MessageBoxMetrics& metrics, const MeasureText& mainInstruction,
                                  const MeasureText& secondaryText, size_t buttonCount);

// Sizes a popup and centres it on its owner (on the work area without a visible
// owner), kept on the screen.
void PlaceCentred(HWND popup, int width, int height);

class CMessageBox : public fw::CDialog {
public:
    // The title font is made here: failing that raises a CWindowsException.
    CMessageBox(HWND owner, std::wstring caption, std::wstring mainInstruction, std::wstring secondaryText,
                UINT type, DWORD helpContext = 0);
    ~CMessageBox() override;

    // The id of the button pressed, or the close result; -1 when the box could not be made.
    INT_PTR DoModal();
    // What closing the box from its title bar gives.
    WORD CloseResult() const noexcept { return buttons_.closeResult; }
    // False when the window was never made (no resources, no desktop).
    bool WasCreated() const noexcept { return created_; }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool PreTranslateMessage(MSG& msg) override;

private:
    MessageBoxMetrics Metrics(HWND hwnd, HICON icon) const;
    HWND CreateChild(const wchar_t* className, const std::wstring& text, DWORD style, int id, const RECT& rect,
                     HFONT font);
    void CreateButtons(const MessageBoxLayout& layout, HFONT font);
    void CreateAccelerators();
    void PlaceWindow(const SIZE& client);
    void ApplyDefaultButton();
    void SendHelpRequest();
    void PaintBackground(HDC dc) const;

    HWND owner_;
    std::wstring caption_;
    std::wstring mainInstruction_;
    std::wstring secondaryText_;
    UINT type_;
    DWORD helpContext_;
    MessageBoxButtons buttons_;

    fw::UniqueFont titleFont_;
    fw::UniqueBrush whiteBrush_;
    fw::UniqueBrush stripBrush_;
    fw::UniquePen borderPen_;
    fw::UniqueAccel accelerators_;
    HWND mainInstructionControl_ = nullptr;
    HWND helpButton_ = nullptr;
    RECT panel_{};
    RECT strip_{};
    bool created_ = false;
};

}  // namespace wizard
