#include "app/BrandExtender.h"
#include "app/Program.h"
#include "install/Installation.h"
#include "wizard/BackupOfferPage.h"
#include "wizard/FinishedPage.h"
#include "wizard/LicensePage.h"
#include "wizard/ProgressPage.h"
#include "wizard/TwpOfferPage.h"
#include "wizard/VantrellOfferPage.h"
#include "wizard/WelcomePage.h"

namespace app {

void RegisterRuntimeClasses() {
    using fw::CRuntimeClass;
    CRuntimeClass::Register(RUNTIME_CLASS(CDefaultBrandExtender));
    CRuntimeClass::Register(RUNTIME_CLASS(CTamberlyBackupBrandExtender));
    CRuntimeClass::Register(RUNTIME_CLASS(install::CInstallation));
    CRuntimeClass::Register(RUNTIME_CLASS(wizard::CWelcomePage));
    CRuntimeClass::Register(RUNTIME_CLASS(wizard::CLicensePage));
    CRuntimeClass::Register(RUNTIME_CLASS(wizard::CProgressPage));
    CRuntimeClass::Register(RUNTIME_CLASS(wizard::CFinishedPage));
    CRuntimeClass::Register(RUNTIME_CLASS(wizard::CBackupOfferPage));
    CRuntimeClass::Register(RUNTIME_CLASS(wizard::CTwpOfferPage));
    CRuntimeClass::Register(RUNTIME_CLASS(wizard::CVantrellOfferPage));
}

}  // namespace app
