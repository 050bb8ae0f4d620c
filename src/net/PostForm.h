#pragma once
// One synchronous HTML-form POST through the platform's WinHttpRequest object, for
// the flow tracker's thread. The calling thread must have initialised COM.
#include <string>
#include <utility>
#include <vector>

#include "fw/MemFile.h"

namespace net {

using FormFields = std::vector<std::pair<std::wstring, std::wstring>>;

// Bounded so that a server that never answers costs each request seconds, not minutes:
// the whole request is given up after the sum of connect, send and receive.
struct PostTimeouts {
    long resolveMs = 5000;
    long connectMs = 2000;
    long sendMs = 2000;
    long receiveMs = 4000;
};

// The body: every name and value as UTF-8, percent-escaped, joined by "=" and "&".
std::string FormBody(const FormFields& fields);

// True when the request was sent. With a reply file, the answer must also be 2xx and
// the file then holds its body, positioned at the start. Never throws.
bool PostForm(const std::wstring& url, const FormFields& fields, fw::CMemFile* reply,
              const PostTimeouts& timeouts = {});

}  // namespace net
