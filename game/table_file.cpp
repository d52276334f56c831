// The endgame table's file: read when whole, else built and written through a temporary file.
#include "game/table_file.h"

#include <cstdio>

int load_or_build_table(endgame_table& out, const std::string& path, int stones, bool empty_caps,
                        endgame_progress progress, void* context, const std::atomic<bool>* cancel,
                        replace_file replace)
{
    // The read adopts only a whole table of these stones and rule; anything else is built over.
    if (endgame_read_file(out, path.c_str(), stones, empty_caps) == 0)
        return TABLE_READ;
    const int built = endgame_build(out, stones, empty_caps, progress, context, cancel);
    if (built != 0)
        return built;
    const std::string temporary = path + ".tmp";
    if (endgame_write_file(out, temporary.c_str()) == 0 && replace(temporary.c_str(), path.c_str()))
        return TABLE_WRITTEN;
    std::remove(temporary.c_str());
    return TABLE_IN_MEMORY;
}
