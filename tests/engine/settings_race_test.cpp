// A search ordered with its settings reads no option global: the Options
// dialog may write them while a search runs on the worker thread. Under the
// thread sanitizer a read of one there is a reported race.
#include "tests/engine/positions.h"

namespace {

using SettingsRace = EngineTest;

TEST_F(SettingsRace, SearchWithSettingsReadsNoOptionGlobal)
{
    node n{};
    init_node(&n, BOTTOM_STORE, 1);
    const search_settings settings[] = {{false, false}, {true, true}};
    std::atomic<bool> done{false};
    std::thread search([&] {
        for (int i = 0; i < 8; ++i)
            for (int depth : {4, TREE_SEARCH_DEPTH + 2})
                EXPECT_GE(get_comp_move(&n, depth, settings[i % 2]), 0);
        done = true;
    });
    for (int i = 0; !done; ++i) {
        g_allow_empty_caps = i % 2;
        g_random_moves = i % 3 == 0;
    }
    search.join();
}

} // namespace
