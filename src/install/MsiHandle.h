#pragma once
// Owner for Windows Installer handles (databases, views, records).
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include "fw/UniqueHandle.h"

namespace install {

struct MsiHandleTraits {
    static MSIHANDLE Invalid() noexcept { return 0; }
    static void Close(MSIHANDLE h) noexcept { ::MsiCloseHandle(h); }
};

using UniqueMsiHandle = fw::UniqueResource<MSIHANDLE, MsiHandleTraits>;

}  // namespace install
