// Stands in for a browser in the home page tests: writes its whole command line to the file its first
// argument names.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const std::string line = GetCommandLineA();
    // The first argument follows the quoted program path.
    std::size_t at = line.find('"', 1);
    if (line.empty() || line[0] != '"' || at == std::string::npos)
        return 1;
    at = line.find_first_not_of(' ', at + 1);
    if (at == std::string::npos || line[at] != '"')
        return 1;
    const std::size_t end = line.find('"', at + 1);
    if (end == std::string::npos)
        return 1;
    const std::string out = line.substr(at + 1, end - at - 1);
    // Written under another name first, so the test never reads half a file.
    const std::string part = out + ".part";
    HANDLE file =
        CreateFileA(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
    return ok && MoveFileExA(part.c_str(), out.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
