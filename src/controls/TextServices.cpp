#include "controls/TextServices.h"

#include "fw/UniqueHandle.h"

namespace controls {

PCreateTextServices CreateTextServicesFunction() {
    // Loaded once; services made from it may live until the process ends.
    static fw::UniqueModule library(::LoadLibraryW(L"riched20.dll"));
    static auto create = library ? reinterpret_cast<PCreateTextServices>(
                                       ::GetProcAddress(library.get(), "CreateTextServices"))
                                 : nullptr;
    return create;
}

}  // namespace controls
