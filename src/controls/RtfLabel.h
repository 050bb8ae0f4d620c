#pragma once
// A static that shows an RTF document (or plain text) through the windowless rich-edit
// engine, drawn transparently over the page. Read-only; no caret, scrolling or links.
#include <string>
#include <string_view>

#include "controls/Label.h"
#include "controls/ComRef.h"
#include "controls/TextHost.h"

namespace controls {

// The default character format from a control's font; without one, 8-point Tahoma.
// Bold only above weight 700.
CHARFORMATW DefaultCharFormat(HFONT font, int dpiY);

// The code page an RTF document is converted with: Mac for "\mac", OEM for "\pc" or "\pca",
// otherwise ANSI.
UINT RtfCodePage(std::wstring_view rtf);
// The document as bytes in that code page, without best-fit substitutes.
std::string RtfBytes(std::wstring_view rtf);

bool IsRtf(std::wstring_view text);

class CRtfLabel : public CLabel {
public:
    ~CRtfLabel() override;

    bool Attach(HWND existingStatic) override;

    // What tests observe.
    const CHARFORMATW& CharFormat() const { return format_; }
    ITextServices* Services() const { return services_.get(); }
    CTextHost* Host() const { return host_.get(); }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateServices();
    void ApplyText(const wchar_t* text);
    void OnFontChanged(HFONT font);
    void Paint();

    CHARFORMATW format_{};
    CComRef<CTextHost> host_;
    CComRef<ITextServices> services_;
};

}  // namespace controls
