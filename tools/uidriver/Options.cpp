#include "Options.h"

#include <cwchar>
#include <functional>
#include <map>

namespace uidriver {

const char kUsage[] =
    "usage: uidriver COMMAND [options]\n"
    "commands: list wait gone inspect text click answer close screenshot key sysmenu syscommand\n"
    "window:   --hwnd H --caption T --caption-contains T --class C --pid N --exe NAME\n"
    "control:  --id N --control-class C --text T --text-contains T\n"
    "state:    --visible --enabled --timeout MS (default 5000)\n"
    "click:    [--mouse] [--at X,Y]     answer: [--button ID|TEXT]\n"
    "close:    [--wm-close]             screenshot: --out FILE.bmp\n"
    "key:      --key K [--method post|input]   syscommand: --command ID\n"
    "exit: 0 done, 1 not found in time, 2 bad usage, 3 found but the action failed\n";

namespace {

std::optional<unsigned long long> ParseNumber(const std::wstring& text) {
    if (text.empty()) return std::nullopt;
    wchar_t* end = nullptr;
    const unsigned long long value = std::wcstoull(text.c_str(), &end, 0);
    if (*end != L'\0') return std::nullopt;
    return value;
}

std::optional<POINT> ParsePoint(const std::wstring& text) {
    const size_t comma = text.find(L',');
    if (comma == std::wstring::npos) return std::nullopt;
    const auto x = ParseNumber(text.substr(0, comma));
    const auto y = ParseNumber(text.substr(comma + 1));
    if (!x || !y) return std::nullopt;
    return POINT{static_cast<LONG>(*x), static_cast<LONG>(*y)};
}

using ValueSetter = std::function<bool(Options&, const std::wstring&)>;
using FlagSetter = std::function<void(Options&)>;

const std::map<std::wstring, ValueSetter>& ValueOptions() {
    static const std::map<std::wstring, ValueSetter> options = {
        {L"--hwnd", [](Options& o, const std::wstring& v) {
             const auto n = ParseNumber(v);
             if (n) o.window.hwnd = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(*n));
             return n.has_value();
         }},
        {L"--caption", [](Options& o, const std::wstring& v) { o.window.caption = v; return true; }},
        {L"--caption-contains", [](Options& o, const std::wstring& v) { o.window.captionContains = v; return true; }},
        {L"--class", [](Options& o, const std::wstring& v) { o.window.className = v; return true; }},
        {L"--pid", [](Options& o, const std::wstring& v) {
             const auto n = ParseNumber(v);
             if (n) o.window.pid = static_cast<DWORD>(*n);
             return n.has_value();
         }},
        {L"--exe", [](Options& o, const std::wstring& v) { o.window.exe = v; return true; }},
        {L"--id", [](Options& o, const std::wstring& v) {
             const auto n = ParseNumber(v);
             if (n) o.control.id = static_cast<int>(*n);
             return n.has_value();
         }},
        {L"--control-class", [](Options& o, const std::wstring& v) { o.control.className = v; return true; }},
        {L"--text", [](Options& o, const std::wstring& v) { o.control.text = v; return true; }},
        {L"--text-contains", [](Options& o, const std::wstring& v) { o.control.textContains = v; return true; }},
        {L"--timeout", [](Options& o, const std::wstring& v) {
             const auto n = ParseNumber(v);
             if (n) o.timeoutMs = static_cast<DWORD>(*n);
             return n.has_value();
         }},
        {L"--button", [](Options& o, const std::wstring& v) { o.button = v; return true; }},
        {L"--out", [](Options& o, const std::wstring& v) { o.out = v; return true; }},
        {L"--method", [](Options& o, const std::wstring& v) { o.method = v; return true; }},
        {L"--key", [](Options& o, const std::wstring& v) { o.key = v; return true; }},
        {L"--command", [](Options& o, const std::wstring& v) {
             const auto n = ParseNumber(v);
             if (n) o.sysCommand = static_cast<UINT>(*n);
             return n.has_value();
         }},
        {L"--at", [](Options& o, const std::wstring& v) {
             o.at = ParsePoint(v);
             return o.at.has_value();
         }},
    };
    return options;
}

const std::map<std::wstring, FlagSetter>& FlagOptions() {
    static const std::map<std::wstring, FlagSetter> flags = {
        {L"--visible", [](Options& o) { o.visible = true; }},
        {L"--enabled", [](Options& o) { o.enabled = true; }},
        {L"--mouse", [](Options& o) { o.mouse = true; }},
        {L"--wm-close", [](Options& o) { o.wmClose = true; }},
    };
    return flags;
}

// What each command cannot do without.
bool CheckRequired(const Options& o, std::wstring& error) {
    const auto& c = o.command;
    if ((c == L"click" || c == L"text") && !o.control.Any() && !o.window.hwnd)
        error = c + L" needs a control (--id, --text, ...) or --hwnd";
    else if (c == L"screenshot" && !o.out) error = L"screenshot needs --out";
    else if (c == L"key" && !o.key) error = L"key needs --key";
    else if (c == L"syscommand" && !o.sysCommand) error = L"syscommand needs --command";
    else if (c == L"key" && !o.method.empty() && o.method != L"post" && o.method != L"input")
        error = L"--method is post or input";
    return error.empty();
}

}  // namespace

std::optional<Options> ParseOptions(int argc, wchar_t** argv, std::wstring& error) {
    if (argc < 2 || argv[1][0] == L'-') {
        error = L"no command";
        return std::nullopt;
    }
    Options options;
    options.command = argv[1];
    for (int i = 2; i < argc; ++i) {
        const std::wstring name = argv[i];
        if (const auto flag = FlagOptions().find(name); flag != FlagOptions().end()) {
            flag->second(options);
            continue;
        }
        const auto setter = ValueOptions().find(name);
        if (setter == ValueOptions().end()) {
            error = L"unknown option: " + name;
            return std::nullopt;
        }
        if (i + 1 >= argc || !setter->second(options, argv[i + 1])) {
            error = L"bad or missing value for " + name;
            return std::nullopt;
        }
        ++i;
    }
    if (!CheckRequired(options, error)) return std::nullopt;
    return options;
}

}  // namespace uidriver
