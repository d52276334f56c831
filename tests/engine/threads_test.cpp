// Threads: node memory reused across search threads and freed on another
// thread than made it, and searches that read no option global.
#include <atomic>
#include <string>
#include <vector>

#include "tests/engine/positions.h"

namespace {

using Threads = EngineTest;

TEST_F(Threads, MemoryIsReusedAndNodesAreFreedOnAnotherThread)
{
    node root{};
    init_node(&root, BOTTOM_STORE, 4);
    // One search thread per computer move, as the program runs them.
    auto one_move = [&] { std::thread([&] { get_comp_move(&root, 6); }).join(); };
    one_move();
    const std::size_t reserved = node_alloc_reserved();
    for (int i = 0; i < 30; ++i)
        one_move();
    EXPECT_EQ(node_alloc_reserved(), reserved) << "freed nodes were not reused";
    std::thread([&] { // a worker builds a long game path; this thread frees it, as at New Game
        for (node* cur = &root; cur->level < 300 && gen_node(cur, first_bin(cur->turn), &cur) >= 0;)
            ;
    })
        .join();
    free_node(root.first_child);
}

// The Options dialog may write the option globals while a search runs on the
// worker thread: a search ordered with its settings must read none of them
// (under the thread sanitizer such a read is a reported race). Two run at
// once, so the deep ones share the table kept between searches.
TEST_F(Threads, SearchesWithSettingsReadNoOptionGlobal)
{
    const search_settings settings[] = {{false, false}, {true, true}};
    std::atomic<int> running{2};
    auto searches = [&](int turn) {
        node n{};
        init_node(&n, turn, 1);
        for (int i = 0; i < 8; ++i)
            for (int depth : {4, TREE_SEARCH_DEPTH + 2}) {
                node m = n;
                EXPECT_GE(get_comp_move(&m, depth, settings[i % 2]), 0);
                EXPECT_GE(get_comp_move(&n, depth, settings[i % 2]), 0);
                EXPECT_EQ(m.h, n.h);
            }
        --running;
    };
    std::thread a(searches, BOTTOM_STORE), b(searches, TOP_STORE);
    for (int i = 0; running > 0; ++i) {
        g_allow_empty_caps = i % 2;
        g_random_moves = i % 3 == 0;
    }
    a.join();
    b.join();
}

// The allocator's own ceiling, reached for real on a search's thread: the search makes do with the nodes it
// could get, or finds no move without any, and nothing is handed out past a slab (the address sanitizer
// sees a write there) or left behind.
TEST_F(Threads, ASearchAtTheMemoryCeilingMakesDoWithWhatItGets)
{
    const std::size_t limit = node_alloc_limit();
    std::thread([&] {
        delete_node(new_node());                     // at least one slab to share out
        node_alloc_set_limit(node_alloc_reserved()); // nothing more from the system
        std::vector<node*> held;
        for (node* m; held.size() <= node_alloc_reserved() / sizeof(node) && (m = new_node()) != nullptr;)
            held.push_back(m);
        ASSERT_TRUE(!held.empty() && held.size() <= node_alloc_reserved() / sizeof(node))
            << "beyond the ceiling";
        for (std::size_t spare : {0, 5}) {
            for (std::size_t k = 0; k < spare && held.size() > 1; ++k)
                delete_node(held.back()), held.pop_back();
            node n{};
            init_node(&n, BOTTOM_STORE, 8);
            testing::internal::CaptureStdout();
            const int move = get_comp_move(&n, 6);
            EXPECT_NE(testing::internal::GetCapturedStdout().find("gen_node: out of memory"),
                      std::string::npos);
            EXPECT_TRUE((spare == 0 ? move == -2 : side_of(move) == BOTTOM_STORE) && !n.first_child) << move;
        }
        for (node* m : held)
            delete_node(m);
    }).join();
    node_alloc_set_limit(limit);
}

} // namespace
