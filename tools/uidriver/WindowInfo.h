#pragma once
// What the tests read about a window and its controls, as JSON fields.
#include <windows.h>

#include "Json.h"

namespace uidriver {

// The fields of one top-level window, without its controls (an open object).
void WriteWindowFields(JsonWriter& json, HWND window);
// One control as a whole object.
void WriteControl(JsonWriter& json, HWND control, HWND focus);
// The window's object with a "controls" array of every descendant.
void WriteInspection(JsonWriter& json, HWND window);

// The keyboard focus of the window's thread, or null.
HWND FocusOf(HWND window);

}  // namespace uidriver
