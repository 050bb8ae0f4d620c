#pragma once
// One function per command. Each writes its own fields into the open result
// object and says how the run ends.
#include <string>

#include "Json.h"
#include "Options.h"

namespace uidriver {

enum ExitCode { kDone = 0, kNotFound = 1, kBadUsage = 2, kFailed = 3 };

struct Outcome {
    ExitCode code = kDone;
    std::wstring error;
};

inline Outcome Done() { return {}; }
inline Outcome NotFound(std::wstring what = L"no matching window or control") { return {kNotFound, std::move(what)}; }
inline Outcome Failed(std::wstring why) { return {kFailed, std::move(why)}; }

Outcome List(const Options& options, JsonWriter& json);
Outcome Wait(const Options& options, JsonWriter& json);
Outcome Gone(const Options& options, JsonWriter& json);
Outcome Inspect(const Options& options, JsonWriter& json);
Outcome Text(const Options& options, JsonWriter& json);

Outcome Click(const Options& options, JsonWriter& json);
Outcome Key(const Options& options, JsonWriter& json);
Outcome Close(const Options& options, JsonWriter& json);
Outcome SysCommand(const Options& options, JsonWriter& json);

Outcome Answer(const Options& options, JsonWriter& json);
Outcome Screenshot(const Options& options, JsonWriter& json);
Outcome SysMenu(const Options& options, JsonWriter& json);

}  // namespace uidriver
