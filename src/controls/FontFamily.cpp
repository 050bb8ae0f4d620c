#include "controls/FontFamily.h"

namespace controls {

void CFontFamily::Rebuild(HFONT source) {
    for (auto& variant : variants_) variant.reset();
    built_ = true;
    source_ = source;
    base_ = source ? source : static_cast<HFONT>(::GetStockObject(SYSTEM_FONT));
    LOGFONTW base{};
    if (::GetObjectW(base_, sizeof(base), &base) != sizeof(base)) return;
    for (size_t index = 1; index < kSize; ++index) {
        LOGFONTW font = base;
        if (index & 1) font.lfWeight = FW_BOLD;
        if (index & 2) font.lfItalic = TRUE;
        if (index & 4) font.lfUnderline = TRUE;
        variants_[index].reset(::CreateFontIndirectW(&font));
    }
}

HFONT CFontFamily::Font(size_t index) const {
    if (index == 0 || index >= kSize || !variants_[index]) return base_;
    return static_cast<HFONT>(variants_[index].get());
}

}  // namespace controls
