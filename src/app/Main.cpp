#include <windows.h>

#include "app/Program.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    return app::TheProgram().Run(instance);
}
