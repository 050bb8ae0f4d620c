#pragma once
#include <windows.h>
#include <winhttp.h>

#include "fw/UniqueHandle.h"

namespace net {

struct HInternetTraits {
    static HINTERNET Invalid() noexcept { return nullptr; }
    static void Close(HINTERNET h) noexcept { ::WinHttpCloseHandle(h); }
};
using UniqueHInternet = fw::UniqueResource<HINTERNET, HInternetTraits>;

}  // namespace net
