#pragma once
// A static that shows inline markup (bold, italic, links) wrapped word by word, drawn
// transparently over the page; a click on a link opens its address.
#include <string>
#include <vector>

#include "controls/FontFamily.h"
#include "controls/Label.h"
#include "controls/Markup.h"

namespace controls {

class CSuperLabel : public CLabel {
public:
    static constexpr int kNoRun = -1;

    bool Attach(HWND existingStatic) override;

    // What tests observe.
    const std::vector<MarkupRun>& Runs() const { return runs_; }
    const std::vector<WordBox>& Words() const { return words_; }
    int HotRun() const { return hotRun_; }
    const CFontFamily& Fonts() const { return fonts_; }
    int LineHeight() const { return lineHeight_; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void SetMarkup(const wchar_t* text);
    void EnsureFonts();
    void Layout();
    void Paint();
    int RunAt(POINT point) const;
    void OnMouseMove(POINT point);
    void OnMouseLeave();
    void OnLButtonUp(POINT point);

    CFontFamily fonts_;
    std::vector<MarkupRun> runs_;
    std::vector<WordBox> words_;
    size_t longestWord_ = 0;
    int lineHeight_ = 0;
    int hotRun_ = kNoRun;
    bool tracking_ = false;
};

}  // namespace controls
