#pragma once
// A dialog template resource read into its controls, in both the classic and the
// extended format. Pages use it to find the bitmap number a picture control's
// title names.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace wizard {

// A class or title field: a string, or a 16-bit ordinal.
struct TemplateName {
    std::wstring text;
    std::optional<WORD> ordinal;
};

struct TemplateItem {
    DWORD id = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    TemplateName className;
    TemplateName title;
};

class CDialogTemplate {
public:
    // Parses raw template bytes; false when they are not a whole template.
    bool Parse(const BYTE* data, size_t size);
    // Loads and parses template `id` of the module; false when missing or malformed.
    bool Load(HMODULE module, UINT id);

    const std::vector<TemplateItem>& Items() const noexcept { return items_; }
    const TemplateItem* Find(DWORD id) const noexcept;
    bool Extended() const noexcept { return extended_; }

private:
    std::vector<TemplateItem> items_;
    bool extended_ = false;
};

}  // namespace wizard
