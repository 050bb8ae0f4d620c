#pragma once
// The about box of the frame's system menu: product, copyright, framework version,
// build date and flow name.
#include <windows.h>

#include <string>

#include "fw/Dialog.h"

namespace wizard {

// A link time stamp (seconds since 1970, UTC) in the user's long date and time, local
// time; empty when it cannot be converted.
std::wstring FormatBuildTime(DWORD linkTime);

class CAboutDialog : public fw::CDialog {
public:
    CAboutDialog();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
};

}  // namespace wizard
