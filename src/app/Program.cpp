#include "app/Program.h"
namespace app {
CProgram& TheProgram() { static CProgram p; return p; }
}
