// The node allocator: memory is reused, a ceiling turns into out of memory,
// and nodes made on one thread are freed on another.
#include "tests/engine/positions.h"

namespace {

using Alloc = EngineTest;

TEST_F(Alloc, MemoryIsReusedWithinAThreadAndAfterItEnds)
{
    node root{};
    init_node(&root, BOTTOM_STORE, 4);
    // One search thread per computer move, as the program runs them.
    auto one_move = [&] { std::thread([&] { get_comp_move(&root, 6); }).join(); };
    one_move();
    const std::size_t reserved = node_alloc_reserved();
    for (int i = 0; i < 30; ++i)
        one_move();
    std::vector<node*> nodes(5000);
    for (int round = 0; round < 3; ++round) {
        for (node*& n : nodes)
            n = new_node();
        for (node* n : nodes)
            delete_node(n);
    }
    EXPECT_EQ(node_alloc_reserved(), reserved) << "freed nodes were not reused";
}

TEST_F(Alloc, MemoryCeilingTurnsIntoOutOfMemory)
{
    const std::size_t old_limit = node_alloc_limit();
    node_alloc_set_limit(node_alloc_reserved());
    std::vector<node*> held;
    node root{};
    init_node(&root, BOTTOM_STORE, 4);
    node* c = nullptr;
    testing::internal::CaptureStdout();
    // A fresh thread gets the memory the others gave back, then fails.
    std::thread([&] {
        while (held.size() < 50'000'000 && (held.push_back(new_node()), held.back()))
            ;
        EXPECT_EQ(gen_node(&root, 0, &c), -2);
        for (node* n : held)
            delete_node(n);
    }).join();
    node_alloc_set_limit(old_limit);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "gen_node: out of memory\n");
    EXPECT_EQ(c, nullptr);
}

TEST_F(Alloc, NodesMadeOnOneThreadAreFreedOnAnother)
{
    node root{};
    init_node(&root, BOTTOM_STORE, 4);
    std::thread([&] { // a worker builds a game path, as a long game does
        node* cur = &root;
        for (int i = 0; i < 300 && gen_node(cur, first_bin(cur->turn), &cur) >= 0; ++i)
            ;
    })
        .join();
    free_node(root.first_child); // this thread frees it, as at New Game
    std::vector<node*> made_here(20000), mine(20000);
    for (node*& n : made_here)
        n = new_node();
    std::thread freer([&] {
        for (node* n : made_here)
            delete_node(n);
    });
    for (node*& n : mine)
        n = new_node();
    for (node* n : mine)
        delete_node(n);
    freer.join();
}

} // namespace
