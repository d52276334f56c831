// Stands in for a browser in the home page tests: writes its command line to the file its first argument
// names, and the show command it was started with to that name plus ".show".
#include <windows.h>

#include <fstream>
#include <string>

// Written under another name first, so the test never reads half a file.
static bool write_whole(const std::string& path, const std::string& data)
{
    std::ofstream(path + ".part", std::ios::binary) << data;
    return MoveFileExA((path + ".part").c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR args, int show)
{
    // The arguments follow the program's path; the first one is in quotes.
    const std::string rest = args;
    const std::size_t end = rest.size() > 1 && rest[0] == '"' ? rest.find('"', 1) : std::string::npos;
    if (end == std::string::npos)
        return 1;
    const std::string out = rest.substr(1, end - 1);
    return write_whole(out + ".show", std::to_string(show)) && write_whole(out, GetCommandLineA()) ? 0 : 1;
}
