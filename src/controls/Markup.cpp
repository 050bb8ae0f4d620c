#include "controls/Markup.h"

namespace controls {
namespace {

enum class State { Text, LinkAddress, LinkText, Bold, Italic };

constexpr wchar_t kMarker = 0x1B;

bool IsSpace(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f';
}

}  // namespace

std::vector<MarkupRun> ParseMarkup(std::wstring_view text) {
    std::vector<MarkupRun> runs;
    MarkupRun current;
    State state = State::Text;
    size_t pendingStart = (!text.empty() && text[0] == kMarker) ? 1 : 0;

    auto pending = [&](size_t at) { return std::wstring(text.substr(pendingStart, at - pendingStart)); };
    auto closeAndBegin = [&](size_t at, int nextStyle, State next) {
        current.text = pending(at);
        runs.push_back(std::move(current));
        current = MarkupRun{nextStyle, {}, {}};
        state = next;
    };

    for (size_t i = pendingStart; i <= text.size(); ++i) {
        const wchar_t c = i < text.size() ? text[i] : L'\0';
        if (c > 7) continue;
        bool ok = true;
        switch (state) {
        case State::Text:
            if (c == 0) {
                current.text = pending(i);
                runs.push_back(std::move(current));
                return runs;
            }
            if (c == 2) closeAndBegin(i, kLink, State::LinkAddress);
            else if (c == 4) closeAndBegin(i, kBold, State::Bold);
            else if (c == 6) closeAndBegin(i, kItalic, State::Italic);
            else ok = false;
            break;
        case State::LinkAddress:
            ok = c == 1;
            if (ok) {
                current.address = pending(i);
                state = State::LinkText;
            }
            break;
        case State::LinkText:
            ok = c == 3;
            if (ok) closeAndBegin(i, kPlain, State::Text);
            break;
        case State::Bold:
            ok = c == 5;
            if (ok) closeAndBegin(i, kPlain, State::Text);
            break;
        case State::Italic:
            ok = c == 7;
            if (ok) closeAndBegin(i, kPlain, State::Text);
            break;
        }
        if (!ok) return runs;  // the unclosed run goes
        pendingStart = i + 1;
        if (c == 0) break;     // an embedded end
    }
    return runs;
}

std::vector<WordBox> BuildWords(const std::vector<MarkupRun>& runs, size_t& longestWord) {
    std::vector<WordBox> words;
    longestWord = 0;
    for (size_t r = 0; r < runs.size(); ++r) {
        const std::wstring& text = runs[r].text;
        size_t i = 0;
        while (i < text.size()) {
            WordBox word;
            word.run = r;
            const size_t start = i;
            while (i < text.size() && !IsSpace(text[i])) ++i;
            word.lastVisible = static_cast<int>(i - start) - 1;
            while (i < text.size() && IsSpace(text[i])) {
                if (text[i] == L'\n') word.lineBreak = true;
                ++i;
            }
            word.text = text.substr(start, i - start);
            if (word.text.size() > (words.empty() ? 0 : words[longestWord].text.size())) longestWord = words.size();
            words.push_back(std::move(word));
        }
    }
    return words;
}

void LayoutWords(std::vector<WordBox>& words, int width, int height, int lineHeight, const MeasureWord& measure) {
    for (WordBox& word : words) word.rect = RECT{};
    int x = 0;
    int y = 0;
    size_t next = 0;
    while (next < words.size() && y + lineHeight <= height) {
        WordBox& word = words[next];
        const WordWidths widths = measure(word);
        const bool fits = widths.full <= width - x;
        if (fits || widths.visible <= width - x || x == 0) {
            word.rect = RECT{x, y, x + widths.full, y + lineHeight};
            ++next;
            if (fits && !word.lineBreak) {
                x += widths.full;
                continue;
            }
        }
        x = 0;
        y += lineHeight;
    }
}

}  // namespace controls
