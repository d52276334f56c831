// The Help menu: the help viewer with its help file, and the home page in the user's browser.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

// The maker's home page.
extern const char home_page_address[];

// The help viewer while it is open, else null. There is at most one.
extern HWND g_help_wnd;

// The viewer's two pages.
constexpr int help_contents_page = 0;
constexpr int help_index_page = 1;

// The viewer's controls, for whoever reads what it shows.
constexpr int IDC_HELP_TABS = 100;      // the page switch: "Contents", "Index"
constexpr int IDC_HELP_TOPICS = 101;    // contents page: the topics in file order
constexpr int IDC_HELP_KEY_LABEL = 102; // index page: the keyword field's label
constexpr int IDC_HELP_KEYWORD = 103;   // index page: the keyword field
constexpr int IDC_HELP_INDEX = 104;     // index page: "keyword<TAB>topic" lines that match the field
constexpr int IDC_HELP_TITLE = 105;     // the open topic's title, or what went wrong
constexpr int IDC_HELP_TEXT = 106;      // the open topic's text, read only

// Size of the buffer in which open_url builds the browser's command line.
constexpr std::size_t url_command_size = 520;

// Turns the registered browser command in `command` (a zero-terminated text
// in a buffer of `size` bytes) into the command line that opens `address`:
// the command is cut at its "%1" placeholder (at the opening quote when the
// placeholder is quoted), then a space and the address follow. Returns 0, or
// -1 with `command` unchanged when the result would not fit or an argument is bad.
int browser_command(char* command, std::size_t size, const char* address);

// Reads the default value of `root`\`subkey` into `out`, which holds at least
// 260 bytes. Returns 0, or the registry's error code with `out` untouched.
LONG reg_query_default(HKEY root, const char* subkey, char* out);

// Opens `address` in the user's browser: the shell first, then the browser
// registered for .htm (else .html) files, started with WinExec. Returns the
// shell's result when it is above 32 or when no browser command is found,
// else WinExec's.
INT_PTR open_url(const char* address, int show);

// wkivari.hlp in the folder of the running program.
std::string help_file_path();

// Opens the viewer on `path` at `page`, owned by `owner`; when one is open
// already, brings it to the front at `page` (reading `path` again if it is
// another file). The index page starts with an empty keyword. Returns the viewer.
HWND show_help(HWND owner, const char* path, int page);

// The main window's help viewer commands (IDM_HELP_CONTENTS, IDM_HELP_SEARCH).
// Returns 0.
LRESULT help_command(HWND hwnd, int command);
