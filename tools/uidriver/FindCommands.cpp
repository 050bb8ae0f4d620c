// list, wait, gone, inspect, text: the commands that only look.
#include "Commands.h"
#include "WindowInfo.h"
#include "WindowQuery.h"
#include "WindowState.h"

namespace uidriver {

Outcome List(const Options& options, JsonWriter& json) {
    json.Key("windows").BeginArray();
    for (HWND window : FindWindows(options.window, options.visible)) {
        json.BeginObject();
        WriteWindowFields(json, window);
        json.EndObject();
    }
    json.EndArray();
    return Done();
}

Outcome Wait(const Options& options, JsonWriter& json) {
    const auto target = WaitFor(options);
    if (!target) return NotFound();
    json.Key("window").BeginObject();
    WriteWindowFields(json, target->window);
    json.EndObject();
    if (target->control) {
        json.Key("control");
        WriteControl(json, target->control, FocusOf(target->window));
    }
    return Done();
}

Outcome Gone(const Options& options, JsonWriter& json) {
    if (WaitGone(options)) return Done();
    if (const auto target = Resolve(options)) json.Field("hwnd", target->Subject());
    return NotFound(L"still there");
}

Outcome Inspect(const Options& options, JsonWriter& json) {
    const auto target = WaitFor(options);
    if (!target) return NotFound();
    json.Key("window");
    WriteInspection(json, target->window);
    return Done();
}

Outcome Text(const Options& options, JsonWriter& json) {
    const auto target = WaitFor(options);
    if (!target) return NotFound();
    bool hung = false;
    json.Field("hwnd", target->Subject()).Field("text", ReadText(target->Subject(), &hung));
    if (hung) json.Field("hung", true);
    return Done();
}

}  // namespace uidriver
