#pragma once
// A fire-and-forget GET on a thread of its own; nothing is waited for, read or retried.
#include <string>

namespace net {

// True when the worker thread was started. The URL is copied.
bool BackgroundGet(const std::wstring& url);

}  // namespace net
