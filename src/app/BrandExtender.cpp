#include "app/BrandExtender.h"

#include "ResourceIds.h"
#include "fw/WinApp.h"
#include "util/SystemProbes.h"

namespace app {

IMPLEMENT_DYNCREATE(IBrandExtender, fw::CObject)
IMPLEMENT_DYNCREATE(CDefaultBrandExtender, IBrandExtender)
IMPLEMENT_DYNCREATE(CTamberlyBackupBrandExtender, IBrandExtender)

HRESULT CTamberlyBackupBrandExtender::CheckRequirements() {
    constexpr uint64_t kDotNet4 = 0x0004000000000000ull;
    if (util::GetHighestDotNetVersion() >= kDotNet4) return S_OK;
    fw::AfxMessageBox(IDS_DOTNET_REQUIRED, MB_OK | MB_ICONERROR);
    return HRESULT(0x8007023D);  // the missing-system-file error
}

}  // namespace app
