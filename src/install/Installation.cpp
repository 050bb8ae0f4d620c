#include "install/Installation.h"

namespace install {

IMPLEMENT_DYNCREATE(CInstallation, fw::CWinThread)

bool CInstallation::OnThreadMessage(const MSG& msg) {
    // The tasks arrive with the installation engine; until then messages are taken
    // from the queue and dropped, so posts never pile up.
    return true;
}

}  // namespace install
