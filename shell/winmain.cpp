// The program's entry point.
#include "shell/shell.h"

int WINAPI WinMain(HINSTANCE hinst, HINSTANCE, LPSTR, int show)
{
    return run_program(hinst, show);
}
