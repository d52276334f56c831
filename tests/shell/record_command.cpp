// Stands in for a browser in the home page tests: writes its command line to the file its first argument
// names, and the show command it was started with to that name plus ".show".
#include <windows.h>

#include <string>

namespace {

// Written under another name first, so the test never reads half a file.
bool write_whole(const std::string& path, const std::string& data)
{
    const std::string part = path + ".part";
    HANDLE file =
        CreateFileA(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
    CloseHandle(file);
    return ok && MoveFileExA(part.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show)
{
    const std::string line = GetCommandLineA();
    // The first argument follows the quoted program path, in quotes.
    const std::size_t program_end = line.size() > 1 && line[0] == '"' ? line.find('"', 1) : std::string::npos;
    const std::size_t at =
        line.find_first_not_of(' ', program_end == std::string::npos ? line.size() : program_end + 1);
    const std::size_t end =
        at != std::string::npos && line[at] == '"' ? line.find('"', at + 1) : std::string::npos;
    if (end == std::string::npos)
        return 1;
    const std::string out = line.substr(at + 1, end - at - 1);
    return write_whole(out + ".show", std::to_string(show)) && write_whole(out, line) ? 0 : 1;
}
