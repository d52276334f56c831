// Stands in for the game in the runner's retry test: the first run (no
// marker file yet) makes the marker and ends with the code given; a later
// run ends with 0.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 3)
        return 99;
    if (GetFileAttributesA(argv[1]) != INVALID_FILE_ATTRIBUTES)
        return 0;
    const HANDLE marker = CreateFileA(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (marker == INVALID_HANDLE_VALUE)
        return 98;
    CloseHandle(marker);
    return std::atoi(argv[2]);
}
