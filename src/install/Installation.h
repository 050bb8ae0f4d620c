#pragma once
// The installation worker thread: one task per thread message, in queue order.
#include "fw/WinThread.h"

namespace install {

class CInstallation : public fw::CWinThread {
    DECLARE_DYNCREATE(CInstallation)
public:
    CInstallation() = default;

protected:
    bool OnThreadMessage(const MSG& msg) override;
};

}  // namespace install
