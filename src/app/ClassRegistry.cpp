#include "app/BrandExtender.h"
#include "app/Program.h"
#include "install/Installation.h"

namespace app {

void RegisterRuntimeClasses() {
    using fw::CRuntimeClass;
    CRuntimeClass::Register(RUNTIME_CLASS(CDefaultBrandExtender));
    CRuntimeClass::Register(RUNTIME_CLASS(CTamberlyBackupBrandExtender));
    CRuntimeClass::Register(RUNTIME_CLASS(install::CInstallation));
}

}  // namespace app
