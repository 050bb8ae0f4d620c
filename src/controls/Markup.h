#pragma once
// Inline markup of label texts: parsing into runs, words, and word-by-word layout.
// Codes: 0x1B marker (first character only), 0x02 address 0x01 text 0x03 a link,
// 0x04/0x05 bold, 0x06/0x07 italic, 0x00 the end. Runs do not nest.
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace controls {

enum RunStyle : int { kPlain = 0, kBold = 1, kItalic = 2, kLink = 4 };

struct MarkupRun {
    int style = kPlain;
    std::wstring text;
    std::wstring address;  // links only

    bool operator==(const MarkupRun&) const = default;
};

struct WordBox {
    std::wstring text;      // the letters and all the white space after them
    size_t run = 0;         // index into the runs
    int lastVisible = -1;   // index of the last non-space character, -1 when none
    bool lineBreak = false; // its white space holds a line feed
    RECT rect{};            // empty until placed
};

struct WordWidths {
    int full = 0;     // trailing white space included
    int visible = 0;  // up to the last non-space character
};
using MeasureWord = std::function<WordWidths(const WordBox&)>;

// Malformed markup stops the parse: the runs closed before the misplaced code stay.
std::vector<MarkupRun> ParseMarkup(std::wstring_view text);

// A run boundary always ends a word. longestWord receives the index of the word with the
// most characters (0 when there are none).
std::vector<WordBox> BuildWords(const std::vector<MarkupRun>& runs, size_t& longestWord);

// Places the words line by line inside width x height; words that do not fit keep empty rectangles.
void LayoutWords(std::vector<WordBox>& words, int width, int height, int lineHeight, const MeasureWord& measure);

}  // namespace controls
