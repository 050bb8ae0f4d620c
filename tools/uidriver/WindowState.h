#pragma once
// Reading another process's windows without ever blocking on it: messages go with
// a time limit, and a thread that once failed to answer is not asked again.
#include <windows.h>

#include <string>
#include <string_view>

namespace uidriver {

std::wstring ClassName(HWND window);
// The caption as the system keeps it; sends nothing.
std::wstring StoredText(HWND window);
// WM_GETTEXT with a time limit; falls back to the stored text when the owner hangs.
std::wstring ReadText(HWND window, bool* hung = nullptr);
// Sends a message with a time limit; false when the owner did not answer.
bool SendWithLimit(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

DWORD ProcessOf(HWND window);
// File name (without folder) of a process's program; empty when it cannot be opened.
std::wstring ProgramName(DWORD pid);

// Mnemonic ampersands removed: "&&" stays one "&".
std::wstring WithoutMnemonics(std::wstring_view text);
bool EqualsNoCase(std::wstring_view a, std::wstring_view b);

}  // namespace uidriver
