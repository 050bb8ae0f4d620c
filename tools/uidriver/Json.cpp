#include "Json.h"

#include <cstdio>

namespace uidriver {

std::string ToUtf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    // Lone surrogates become U+FFFD rather than failing the whole string.
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), length, nullptr, nullptr);
    return out;
}

void JsonWriter::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!hasValue_.empty()) {
        if (hasValue_.back()) out_ += ',';
        hasValue_.back() = true;
    }
}

JsonWriter& JsonWriter::BeginObject() {
    BeforeValue();
    out_ += '{';
    hasValue_.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::EndObject() {
    out_ += '}';
    hasValue_.pop_back();
    return *this;
}

JsonWriter& JsonWriter::BeginArray() {
    BeforeValue();
    out_ += '[';
    hasValue_.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::EndArray() {
    out_ += ']';
    hasValue_.pop_back();
    return *this;
}

JsonWriter& JsonWriter::Key(std::string_view name) {
    BeforeValue();
    AppendEscaped(name);
    out_ += ':';
    afterKey_ = true;
    return *this;
}

void JsonWriter::AppendEscaped(std::string_view utf8) {
    out_ += '"';
    for (char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"': out_ += "\\\""; break;
        case '\\': out_ += "\\\\"; break;
        case '\n': out_ += "\\n"; break;
        case '\r': out_ += "\\r"; break;
        case '\t': out_ += "\\t"; break;
        default:
            if (byte < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
                out_ += escaped;
            } else {
                out_ += c;
            }
        }
    }
    out_ += '"';
}

JsonWriter& JsonWriter::String(std::wstring_view value) { return String(std::string_view(ToUtf8(value))); }

JsonWriter& JsonWriter::String(std::string_view utf8) {
    BeforeValue();
    AppendEscaped(utf8);
    return *this;
}

JsonWriter& JsonWriter::Number(long long value) {
    BeforeValue();
    out_ += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
    BeforeValue();
    out_ += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::Null() {
    BeforeValue();
    out_ += "null";
    return *this;
}

JsonWriter& JsonWriter::Hex(unsigned long long value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", value);
    return String(std::string_view(text));
}

JsonWriter& JsonWriter::Handle(HWND value) {
    if (!value) return Null();
    return Hex(reinterpret_cast<ULONG_PTR>(value));
}

JsonWriter& JsonWriter::Rect(const RECT& rect) {
    BeginObject();
    Field("left", rect.left).Field("top", rect.top).Field("right", rect.right).Field("bottom", rect.bottom);
    Field("width", rect.right - rect.left).Field("height", rect.bottom - rect.top);
    return EndObject();
}

}  // namespace uidriver
