#pragma once
// The plain text that a real rich-edit 2.0 control makes of an RTF document.
#include <windows.h>
#include <richedit.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "fw/UniqueHandle.h"

namespace restest {

struct WindowTraits {
    static HWND Invalid() noexcept { return nullptr; }
    static void Close(HWND h) noexcept { ::DestroyWindow(h); }
};
using UniqueWindow = fw::UniqueResource<HWND, WindowTraits>;

struct RtfReader {
    std::string_view data;
    size_t offset = 0;

    // Hands out the bytes in the sizes the control asks for.
    static DWORD CALLBACK Read(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) {
        auto* self = reinterpret_cast<RtfReader*>(cookie);
        size_t count = std::min(self->data.size() - self->offset, static_cast<size_t>(std::max(wanted, 0L)));
        std::memcpy(buffer, self->data.data() + self->offset, count);
        self->offset += count;
        *given = static_cast<LONG>(count);
        return 0;
    }
};

// Empty when the library, the control or the stream fails.
inline std::wstring RtfToText(std::string_view rtf) {
    static fw::UniqueModule library(::LoadLibraryW(L"riched20.dll"));
    if (!library) return {};
    UniqueWindow edit(::CreateWindowExW(0, L"RichEdit20W", L"", WS_POPUP | ES_MULTILINE | ES_READONLY, 0, 0,
                                        400, 300, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr));
    if (!edit) return {};
    ::SendMessageW(edit.get(), EM_EXLIMITTEXT, 0, 0x1FFFC);
    RtfReader reader{rtf};
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&reader), 0, &RtfReader::Read};
    ::SendMessageW(edit.get(), EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    if (stream.dwError != 0) return {};
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(edit.get())) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(edit.get(), text.data(), static_cast<int>(text.size()))));
    return text;
}

// The first line of a text, without its line break.
inline std::wstring FirstLine(const std::wstring& text) { return text.substr(0, text.find_first_of(L"\r\n")); }

}  // namespace restest
