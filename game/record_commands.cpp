// The Game menu's record commands: a game saved and opened through the common file dialogs, copied and
// pasted through the clipboard, as the text of game/record.
#include "game/controller.h"

#include "engine/engine.h"
#include "game/record.h"
#include "game/review.h"

#include <commdlg.h>

#include <cstring>
#include <string>

decltype(&WriteFile) g_write_file = WriteFile;

namespace {

constexpr char file_filter[] = "wKivari games (*.kiv)\0*.kiv\0All files (*.*)\0*.*\0";

void tell(HWND hwnd, const std::string& text, const char* caption)
{
    MessageBoxA(hwnd, text.c_str(), caption, MB_OK | MB_ICONEXCLAMATION);
}

// The record of the game on show, or empty after telling why there is none.
std::string record_text(HWND hwnd, const char* caption)
{
    if (g_current == nullptr)
        return {};
    SYSTEMTIME now;
    GetLocalTime(&now);
    char date[16];
    snprintf(date, sizeof date, "%04u.%02u.%02u", now.wYear % 10000u, now.wMonth % 100u, now.wDay % 100u);
    // A complete review of this game goes with its moves as comments.
    std::string error, text = write_record(g_current, date, error, review_comments(g_current));
    if (text.empty())
        tell(hwnd, "This game cannot be written as a record: " + error + ".", caption);
    return text;
}

// Opens `text` as the game, or tells what is wrong with it and where.
void open_text(HWND hwnd, const std::string& text, const std::string& source, const char* caption)
{
    game_record record;
    std::string error;
    if (!read_record(text, record, error))
        tell(hwnd, source + " holds no game that can be opened:\n" + error + ".", caption);
    else if (!open_game(hwnd, record))
        tell(hwnd, "There is not enough memory to open the game in " + source + ".", caption);
}

// The whole of a file of at most the largest record's size and a byte more,
// so that a larger one is refused as such; false when it cannot be read.
bool read_file(const char* path, std::string& text)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    text.assign(max_record_bytes + 1, '\0');
    DWORD got = 0, total = 0;
    bool ok = true;
    while (total < text.size() &&
           (ok = ReadFile(file, &text[total], static_cast<DWORD>(text.size() - total), &got, nullptr) != 0) &&
           got > 0)
        total += got;
    CloseHandle(file);
    text.resize(total);
    return ok;
}

// A new, empty file in `path`'s folder to write the game into before it
// replaces `path`: named "~" and four hex digits, no longer than a saved
// game's shortest name ("a.kiv"), so that it fits wherever `path` does.
// Made with CREATE_NEW, so a file already there under such a name is never
// touched. INVALID_HANDLE_VALUE when none can be made.
HANDLE make_temporary(const std::string& path, std::string& temporary)
{
    const std::size_t slash = path.find_last_of("\\/:");
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    for (unsigned n = 0; n < 0x100; ++n) {
        char name[8];
        snprintf(name, sizeof name, "~%04x", n);
        temporary = folder + name;
        HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        const DWORD error = file == INVALID_HANDLE_VALUE ? GetLastError() : 0;
        if (error != ERROR_FILE_EXISTS && error != ERROR_ACCESS_DENIED) // a folder of that name denies
            return file;
    }
    return INVALID_HANDLE_VALUE;
}

// Writes beside the file and then replaces it in one step, so that a full
// disk leaves an older game under that name as it was.
bool write_file(const std::string& path, const std::string& text)
{
    std::string temporary;
    HANDLE file = make_temporary(path, temporary);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD wrote = 0;
    const bool written =
        g_write_file(file, text.data(), static_cast<DWORD>(text.size()), &wrote, nullptr) != 0 &&
        wrote == text.size() && FlushFileBuffers(file) != 0;
    CloseHandle(file);
    if (written &&
        MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0)
        return true;
    DeleteFileA(temporary.c_str());
    return false;
}

OPENFILENAMEA file_dialog(HWND hwnd, char (&path)[MAX_PATH], DWORD flags)
{
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = hwnd;
    ofn.lpstrFilter = file_filter;
    ofn.lpstrFile = path;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrDefExt = "kiv";
    ofn.Flags = flags | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    return ofn;
}

} // namespace

void save_game(HWND hwnd)
{
    char path[MAX_PATH] = "";
    OPENFILENAMEA ofn = file_dialog(hwnd, path, OFN_OVERWRITEPROMPT);
    if (g_current != nullptr && GetSaveFileNameA(&ofn))
        save_game_as(hwnd, path);
}

void save_game_as(HWND hwnd, const std::string& path)
{
    const std::string text = record_text(hwnd, "Save Game");
    if (!text.empty() && !write_file(path, text))
        tell(hwnd, "The game could not be saved as " + path + ".", "Save Game");
}

void open_game_file(HWND hwnd)
{
    char path[MAX_PATH] = "";
    OPENFILENAMEA ofn = file_dialog(hwnd, path, OFN_FILEMUSTEXIST);
    if (GetOpenFileNameA(&ofn))
        open_game_path(hwnd, path);
}

void open_game_path(HWND hwnd, const std::string& path)
{
    std::string text;
    if (!read_file(path.c_str(), text))
        tell(hwnd, path + " could not be read.", "Open Game");
    else
        open_text(hwnd, text, path, "Open Game");
}

void copy_game(HWND hwnd)
{
    const std::string text = record_text(hwnd, "Copy Game");
    if (text.empty())
        return;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    void* bytes = memory != nullptr ? GlobalLock(memory) : nullptr;
    if (bytes != nullptr) {
        std::memcpy(bytes, text.c_str(), text.size() + 1);
        GlobalUnlock(memory);
    }
    // The clipboard owns the memory once SetClipboardData takes it.
    if (bytes != nullptr && OpenClipboard(hwnd)) {
        const bool placed = EmptyClipboard() && SetClipboardData(CF_TEXT, memory) != nullptr;
        CloseClipboard();
        if (placed)
            return;
    }
    if (memory != nullptr)
        GlobalFree(memory);
    tell(hwnd, "The game could not be put on the clipboard.", "Copy Game");
}

void paste_game(HWND hwnd)
{
    std::string text;
    bool read = false;
    if (IsClipboardFormatAvailable(CF_TEXT) && OpenClipboard(hwnd)) {
        HANDLE data = GetClipboardData(CF_TEXT);
        const char* bytes = data != nullptr ? static_cast<const char*>(GlobalLock(data)) : nullptr;
        if (bytes != nullptr) {
            // Up to its end or its size, and no more than a record may hold and a byte.
            const std::size_t size = std::min<std::size_t>(GlobalSize(data), max_record_bytes + 1);
            text.assign(bytes, strnlen(bytes, size));
            GlobalUnlock(data);
            read = true;
        }
        CloseClipboard();
    }
    if (!read)
        tell(hwnd, "The clipboard holds no text.", "Paste Game");
    else
        open_text(hwnd, text, "The clipboard", "Paste Game");
}
