#pragma once
#include "fw/WinApp.h"
namespace app {
class CProgram : public fw::CWinApp {};
CProgram& TheProgram();
}
