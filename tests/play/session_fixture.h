// The game's session without a window, for the tests of the session and of the review: a screen that writes
// down what it is asked, and searches that the test answers itself, as the worker thread would.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/engine.h"
#include "game/options.h"
#include "game/session.h"

namespace {

constexpr int B = BOTTOM_STORE, T = TOP_STORE;

std::vector<std::string> g_log; // what the screen was asked, in order
request_id g_asked = 0;         // the last computer move asked for
bool g_thread_starts = true;
int g_exact_result = EXACT_NOT_PROVEN; // an exact search's answer: the budget ran out, unless a test proves

void note(const std::string& what)
{
    g_log.push_back(what);
}

const session_view recording = {
    [](int bin, bool) { note("sow " + std::to_string(bin)); },
    [](const int (&)[14], const int (&)[14]) {},
    [] {},
    [](const bool (&)[14]) {},
    [](int bin) { note("value " + std::to_string(bin)); },
    [](int& frame, int bin) { frame = bin; },
    [](const char* text) { note(text); },
    [](const node*) {},
    [](const char* line) { note(std::string("history ") + line); },
    [] {},
    [] { note("history shown"); },
    [] {},
    [](const char* text) { note(std::string("box ") + text); },
    [] {},
    [](request_id request) { g_asked = request, note("ask"); },
    [] { return note("search"), g_thread_starts; },
    [] { note("stop"); },
    [](bool) {},
    [](bool) {},
};

class Session : public testing::Test {
protected:
    void SetUp() override
    {
        g_view = recording;
        g_num_players = 1, g_first_turn = B, g_difficulty = 2, g_num_stones = 4, g_show_values = false;
        ASSERT_EQ(session_init(), 0);
    }
    void TearDown() override
    {
        session_abandon();
        session_free_game();
        delete_node(g_root);
        g_root = g_current = nullptr;
        g_log.clear();
        g_num_players = 1, g_thread_starts = true, g_show_values = false, g_exact_result = EXACT_NOT_PROVEN;
    }
    // The computer's moves, each asked for and answered, until a person is to move.
    static void computer_plays_out()
    {
        while (computer_plays(g_current->turn) && !game_over(g_current)) {
            ASSERT_TRUE(session_computer_turn(g_asked));
            answer();
        }
    }
    // The worker's answer to the search running now, as the thread finds it.
    static void answer()
    {
        ASSERT_TRUE(g_searching);
        const int result =
            g_order.kind == search_kind::exact ? g_exact_result
            : g_order.kind == search_kind::values || g_order.kind == search_kind::review
                ? move_values(g_order.position, g_order.depth, g_order.settings, g_found_values)
                : get_comp_move(g_order.position, g_order.depth, g_order.settings);
        session_search_done(result);
    }
    // The log since the last look.
    static std::vector<std::string> said()
    {
        std::vector<std::string> log;
        log.swap(g_log);
        return log;
    }
};

} // namespace
