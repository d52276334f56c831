// The endgame tables on the Win32 side: their files in the local application data folder, the thread that
// reads or builds one, and its progress in the status bar.
#include "game/tables.h"

#include <shlobj.h>

#include <atomic>
#include <cstdio>
#include <new>
#include <string>
#include <utility>

#include "game/table_file.h"
#include "shell/shell.h"

int g_endgame_stones = ENDGAME_STONES;

namespace {

enum class table_state { none, building, ready, failed };
struct rule_table {
    endgame_table table;
    table_state state = table_state::none;
};
rule_table s_tables[2]; // without, with empty captures

// The thread that reads or builds one table at a time, and what it works on; the UI thread touches
// s_built only once the thread has ended.
HANDLE s_builder = nullptr;
bool s_building_caps = false;
int s_building_stones = 0;
endgame_table s_built;
std::atomic<bool> s_cancel{false};
HWND s_window = nullptr;
int s_posted_percent = -1;
bool s_progress_shown = false;

void post_progress(void*, uint64_t done, uint64_t total)
{
    const int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
    if (percent == s_posted_percent)
        return;
    s_posted_percent = percent;
    PostMessageA(s_window, WM_TABLE_PROGRESS, static_cast<WPARAM>(percent), 0);
}

// The table's file in the local application data folder, the folder made when missing; empty when there
// is no such folder or it cannot be made.
std::string table_path(int stones, bool empty_caps)
{
    char folder[MAX_PATH];
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                                folder)))
        return {};
    const std::string ours = std::string(folder) + "\\wKivari";
    if (!CreateDirectoryA(ours.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return {};
    char name[40];
    snprintf(name, sizeof name, "\\endgame%d-%s.tbl", stones, empty_caps ? "caps" : "nocaps");
    return ours + name;
}

bool replace_with(const char* from, const char* to)
{
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}

int read_or_build(int stones, bool caps)
{
    const std::string path = table_path(stones, caps);
    // Without a folder to keep it in, the table serves this run only.
    return path.empty() ? endgame_build(s_built, stones, caps, post_progress, nullptr, &s_cancel)
                        : load_or_build_table(s_built, path, stones, caps, post_progress, nullptr, &s_cancel,
                                              replace_with);
}

DWORD WINAPI table_thread(LPVOID)
{
    int result = ENDGAME_NO_MEMORY;
    try {
        result = read_or_build(s_building_stones, s_building_caps);
    } catch (const std::bad_alloc&) {
        s_built = {}; // no table: the exact search goes on without one
    }
    PostMessageA(s_window, WM_TABLE_BUILT, result >= 0 ? 1 : 0, 0);
    return 0;
}

// Waits for the thread, which has posted its last message or is about to.
void join_builder()
{
    WaitForSingleObject(s_builder, INFINITE);
    CloseHandle(s_builder);
    s_builder = nullptr;
}

} // namespace

const endgame_table* endgame_for(bool empty_caps)
{
    rule_table& t = s_tables[empty_caps ? 1 : 0];
    if (t.state == table_state::ready)
        return &t.table;
    if (t.state != table_state::none || s_builder != nullptr)
        return nullptr; // the other rule's table comes first; this one at a later search
    s_window = g_hwnd_main;
    s_building_caps = empty_caps;
    s_building_stones = g_endgame_stones;
    s_posted_percent = -1;
    s_cancel = false;
    s_builder = CreateThread(nullptr, 0, table_thread, nullptr, 0, nullptr);
    t.state = s_builder != nullptr ? table_state::building : table_state::failed;
    return nullptr;
}

void table_progress(HWND hwnd, int percent)
{
    if (s_builder == nullptr)
        return;
    char text[64];
    snprintf(text, sizeof text, "Preparing proven results (once): %d%%", percent);
    show_status_progress(hwnd, text);
    s_progress_shown = true;
}

void table_built(HWND hwnd, bool ok)
{
    if (s_builder == nullptr)
        return; // ended with the window before
    join_builder();
    rule_table& t = s_tables[s_building_caps ? 1 : 0];
    t.table = std::move(s_built);
    s_built = {};
    t.state = ok && !t.table.image.empty() ? table_state::ready : table_state::failed;
    if (s_progress_shown)
        show_status_progress(hwnd, nullptr);
    s_progress_shown = false;
}

void end_tables()
{
    if (s_builder == nullptr)
        return;
    s_cancel = true;
    join_builder();
    s_built = {};
    s_tables[s_building_caps ? 1 : 0].state =
        table_state::none; // asked for again in a later run of the window
    s_progress_shown = false;
}
