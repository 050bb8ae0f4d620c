#pragma once
// A streaming JSON writer: UTF-16 in, UTF-8 out. Commas and nesting are tracked
// here so that callers only name keys and values.
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace uidriver {

std::string ToUtf8(std::wstring_view text);

class JsonWriter {
public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    JsonWriter& Key(std::string_view name);

    JsonWriter& String(std::wstring_view value);
    JsonWriter& String(std::string_view utf8);
    JsonWriter& Number(long long value);
    JsonWriter& Bool(bool value);
    JsonWriter& Null();
    JsonWriter& Handle(HWND value);  // as "0x..." so that it can be passed back with --hwnd
    JsonWriter& Hex(unsigned long long value);
    JsonWriter& Rect(const RECT& rect);

    // Key and value in one call, for the common flat fields.
    template <typename T>
    JsonWriter& Field(std::string_view name, T value) {
        Key(name);
        return Value(value);
    }

    const std::string& Text() const noexcept { return out_; }

private:
    JsonWriter& Value(std::wstring_view v) { return String(v); }
    JsonWriter& Value(const std::wstring& v) { return String(std::wstring_view(v)); }
    JsonWriter& Value(const wchar_t* v) { return String(std::wstring_view(v)); }
    JsonWriter& Value(const char* v) { return String(std::string_view(v)); }
    JsonWriter& Value(std::string_view v) { return String(v); }
    JsonWriter& Value(bool v) { return Bool(v); }
    JsonWriter& Value(int v) { return Number(v); }
    JsonWriter& Value(long v) { return Number(v); }
    JsonWriter& Value(long long v) { return Number(v); }
    JsonWriter& Value(unsigned v) { return Number(v); }
    JsonWriter& Value(unsigned long v) { return Number(static_cast<long long>(v)); }
    JsonWriter& Value(HWND v) { return Handle(v); }
    JsonWriter& Value(const RECT& v) { return Rect(v); }

    void BeforeValue();
    void AppendEscaped(std::string_view utf8);

    std::string out_;
    // One entry per open container: true once it holds a value.
    std::vector<bool> hasValue_;
    bool afterKey_ = false;
};

}  // namespace uidriver
