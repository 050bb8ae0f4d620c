// The UI driver: one command per run, one JSON object on stdout.
#include <windows.h>

#include <cstdio>
#include <map>

#include "Commands.h"

namespace {

using namespace uidriver;
using Command = Outcome (*)(const Options&, JsonWriter&);

const std::map<std::wstring, Command>& CommandTable() {
    static const std::map<std::wstring, Command> commands = {
        {L"list", List},          {L"wait", Wait},     {L"gone", Gone},   {L"inspect", Inspect},
        {L"text", Text},          {L"click", Click},   {L"key", Key},     {L"close", Close},
        {L"syscommand", SysCommand}, {L"answer", Answer}, {L"screenshot", Screenshot}, {L"sysmenu", SysMenu},
    };
    return commands;
}

// Straight to the handle: the C runtime's text mode would touch the UTF-8 bytes.
void Print(HANDLE handle, const std::string& text) {
    DWORD written = 0;
    ::WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

int Finish(JsonWriter& json, const Outcome& outcome) {
    json.Field("ok", outcome.code == kDone);
    if (!outcome.error.empty()) json.Field("error", outcome.error);
    json.EndObject();
    Print(::GetStdHandle(STD_OUTPUT_HANDLE), json.Text() + "\n");
    if (outcome.code == kBadUsage) Print(::GetStdHandle(STD_ERROR_HANDLE), kUsage);
    return outcome.code;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    JsonWriter json;
    json.BeginObject();
    std::wstring error;
    const auto options = ParseOptions(argc, argv, error);
    if (!options) return Finish(json, {kBadUsage, error});
    json.Field("command", options->command);
    const auto command = CommandTable().find(options->command);
    if (command == CommandTable().end()) return Finish(json, {kBadUsage, L"unknown command"});
    return Finish(json, command->second(*options, json));
}
