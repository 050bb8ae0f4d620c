#pragma once
// Brand hooks: a build names one (by class name) to add its own start-up requirement.
#include <windows.h>

#include "fw/RuntimeClass.h"

namespace app {

class IBrandExtender : public fw::CObject {
    DECLARE_DYNCREATE(IBrandExtender)
public:
    // Non-negative lets start-up continue; a hook that refuses tells the user itself.
    virtual HRESULT CheckRequirements() { return S_OK; }
};

class CDefaultBrandExtender : public IBrandExtender {
    DECLARE_DYNCREATE(CDefaultBrandExtender)
};

// The backup product needs .NET Framework 4.0 or later.
class CTamberlyBackupBrandExtender : public IBrandExtender {
    DECLARE_DYNCREATE(CTamberlyBackupBrandExtender)
public:
    HRESULT CheckRequirements() override;
};

}  // namespace app
