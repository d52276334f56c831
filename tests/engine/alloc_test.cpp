// The node allocator: reuse, injected failures, the memory ceiling, and
// nodes made on one thread and released on another.
#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

#include "tests/engine/positions.h"

namespace {

class Alloc : public ::testing::Test {
protected:
    OptionsGuard guard;
    long live_before = node_alloc_live();
    void TearDown() override { EXPECT_EQ(node_alloc_live(), live_before) << "nodes leaked"; }
};

TEST_F(Alloc, InjectedFailuresHitExactlyTheChosenAllocations)
{
    node_alloc_fail(2, 3);
    std::vector<node*> got;
    for (int i = 0; i < 7; ++i)
        got.push_back(new_node());
    for (int i : {0, 1, 5, 6})
        EXPECT_NE(got[i], nullptr) << i;
    for (int i : {2, 3, 4})
        EXPECT_EQ(got[i], nullptr) << i;
    for (node* n : got)
        delete_node(n);

    node_alloc_fail(0, -1);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(new_node(), nullptr);
    node_alloc_fail(-1, 0);
    node* n = new_node();
    EXPECT_NE(n, nullptr);
    delete_node(n);
}

TEST_F(Alloc, ReleasedNodesAreReusedAndDistinct)
{
    std::vector<node*> nodes;
    std::set<node*> distinct;
    for (int i = 0; i < 5000; ++i) {
        nodes.push_back(new_node());
        ASSERT_NE(nodes.back(), nullptr);
        distinct.insert(nodes.back());
        nodes.back()->level = i; // each node is writable on its own
    }
    EXPECT_EQ(distinct.size(), nodes.size());
    for (int i = 0; i < 5000; ++i)
        ASSERT_EQ(nodes[i]->level, i);
    const std::size_t reserved = node_alloc_reserved();
    for (node* n : nodes)
        delete_node(n);
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
    // A fresh thread owns no free nodes of its own: it gets what the other
    // threads gave back, then fails.
    long made = 0;
    bool failed = false;
    int gen_result = 0;
    std::string printed;
    std::thread([&] {
        std::vector<node*> held;
        while (made < 50'000'000) {
            node* n = new_node();
            if (!n) {
                failed = true;
                break;
            }
            held.push_back(n);
            ++made;
        }
        node root{};
        init_node(&root, 6, 4);
        node* c;
        testing::internal::CaptureStdout();
        gen_result = gen_node(&root, 0, &c);
        printed = testing::internal::GetCapturedStdout();
        for (node* n : held)
            delete_node(n);
    }).join();
    node_alloc_set_limit(old_limit);
    EXPECT_TRUE(failed);
    EXPECT_EQ(gen_result, -2);
    EXPECT_EQ(printed, "gen_node: out of memory\n");
}

TEST_F(Alloc, NodesMadeOnOneThreadCanBeFreedOnAnother)
{
    node root{};
    init_node(&root, 6, 4);
    // A worker builds a game path; this thread frees it, as at New Game.
    std::thread([&] {
        node* cur = &root;
        for (int i = 0; i < 300; ++i) {
            node* c;
            const int bin = cur->turn == 6 ? 0 : 7;
            if (gen_node(cur, bin, &c) < 0)
                break;
            cur = c;
        }
    }).join();
    EXPECT_GT(node_alloc_live(), live_before);
    while (root.first_child)
        free_node(root.first_child);

    // And the other way round, with both threads busy at once.
    std::vector<node*> made_here;
    for (int i = 0; i < 20000; ++i)
        made_here.push_back(new_node());
    std::thread freer([&] {
        for (node* n : made_here)
            delete_node(n);
    });
    std::vector<node*> mine;
    for (int i = 0; i < 20000; ++i)
        mine.push_back(new_node());
    for (node* n : mine)
        delete_node(n);
    freer.join();
}

TEST_F(Alloc, EndedThreadsHandTheirMemoryBack)
{
    // One search thread per computer move, as the program runs them: memory
    // a finished thread held goes to the next one instead of piling up.
    node root{};
    init_node(&root, 6, 4);
    auto one_move = [&] { std::thread([&] { get_comp_move(&root, 6); }).join(); };
    one_move();
    const std::size_t reserved = node_alloc_reserved();
    for (int i = 0; i < 30; ++i)
        one_move();
    EXPECT_EQ(node_alloc_reserved(), reserved);
    EXPECT_EQ(node_alloc_live(), live_before);
}

} // namespace
