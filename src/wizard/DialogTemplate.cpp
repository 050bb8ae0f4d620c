#include "wizard/DialogTemplate.h"

namespace wizard {

namespace {

// Reads the template's little-endian fields with bounds checks; every read past
// the end leaves the reader failed.
class Reader {
public:
    Reader(const BYTE* data, size_t size) : data_(data), size_(size) {}
    bool Ok() const { return ok_; }

    template <typename T>
    T Read() {
        T value{};
        if (!ok_ || size_ - pos_ < sizeof(T)) {
            ok_ = false;
            return value;
        }
        memcpy(&value, data_ + pos_, sizeof(T));
        pos_ += sizeof(T);
        return value;
    }
    void Skip(size_t n) {
        if (!ok_ || size_ - pos_ < n) ok_ = false;
        else pos_ += n;
    }
    void Align(size_t to) {
        size_t pad = (to - pos_ % to) % to;
        if (pos_ + pad > size_) pos_ = size_;
        else pos_ += pad;
    }
    // A string-or-ordinal field: 0x0000 none, 0xFFFF then an ordinal, else a NUL-ended string.
    TemplateName Name() {
        TemplateName name;
        WORD first = Read<WORD>();
        if (first == 0xFFFF) {
            name.ordinal = Read<WORD>();
        } else {
            for (WORD c = first; ok_ && c != 0; c = Read<WORD>()) name.text.push_back(static_cast<wchar_t>(c));
        }
        return name;
    }
    std::wstring String() {
        std::wstring text;
        for (WORD c = Read<WORD>(); ok_ && c != 0; c = Read<WORD>()) text.push_back(static_cast<wchar_t>(c));
        return text;
    }

private:
    const BYTE* data_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};

}  // namespace

bool CDialogTemplate::Parse(const BYTE* data, size_t size) {
    items_.clear();
    Reader in(data, size);
    WORD version = in.Read<WORD>();
    WORD signature = in.Read<WORD>();
    extended_ = version == 1 && signature == 0xFFFF;
    DWORD style = 0;
    WORD count = 0;
    if (extended_) {
        in.Skip(4);  // help id
        in.Skip(4);  // extended style
        style = in.Read<DWORD>();
    } else {
        style = MAKELONG(version, signature);
        in.Skip(4);  // extended style
    }
    count = in.Read<WORD>();
    in.Skip(8);  // x, y, cx, cy
    in.Name();   // menu
    in.Name();   // class
    in.String(); // caption
    if (style & (DS_SETFONT | DS_SHELLFONT)) {
        in.Skip(2);                // point size
        if (extended_) in.Skip(4); // weight, italic, character set
        in.String();
    }
    for (WORD i = 0; i < count && in.Ok(); ++i) {
        in.Align(4);
        TemplateItem item;
        if (extended_) {
            in.Skip(4);  // help id
            item.exStyle = in.Read<DWORD>();
            item.style = in.Read<DWORD>();
        } else {
            item.style = in.Read<DWORD>();
            item.exStyle = in.Read<DWORD>();
        }
        item.x = in.Read<short>();
        item.y = in.Read<short>();
        item.cx = in.Read<short>();
        item.cy = in.Read<short>();
        item.id = extended_ ? in.Read<DWORD>() : in.Read<WORD>();
        item.className = in.Name();
        item.title = in.Name();
        WORD extra = in.Read<WORD>();
        in.Skip(extra);
        if (in.Ok()) items_.push_back(std::move(item));
    }
    return in.Ok();
}

bool CDialogTemplate::Load(HMODULE module, UINT id) {
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id), RT_DIALOG);
    if (!found) return false;
    HGLOBAL loaded = ::LoadResource(module, found);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    return data && Parse(static_cast<const BYTE*>(data), ::SizeofResource(module, found));
}

const TemplateItem* CDialogTemplate::Find(DWORD id) const noexcept {
    for (const TemplateItem& item : items_)
        if (item.id == id) return &item;
    return nullptr;
}

}  // namespace wizard
