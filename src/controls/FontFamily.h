#pragma once
// A control's font and its seven derived styles, indexed by style bits:
// 1 bold (weight 700), 2 italic, 4 underline; index 0 is the base font itself.
#include <windows.h>

#include <array>

#include "fw/UniqueHandle.h"

namespace controls {

class CFontFamily {
public:
    static constexpr size_t kSize = 8;

    // source is the control's font (nullptr: the system font stands in). The base is borrowed.
    void Rebuild(HFONT source);
    bool IsBuiltFrom(HFONT source) const { return built_ && source == source_; }

    // An index beyond the family, or a variant that could not be made, yields the base font.
    HFONT Font(size_t index) const;
    HFONT Base() const { return base_; }
    // True when the variant exists in its own right (index 0: the base).
    bool HasVariant(size_t index) const { return index == 0 ? base_ != nullptr : index < kSize && variants_[index]; }

private:
    bool built_ = false;
    HFONT source_ = nullptr;
    HFONT base_ = nullptr;
    std::array<fw::UniqueGdiObject, kSize> variants_;  // slot 0 stays empty
};

}  // namespace controls
