// The helper threads of a deep search: the helper loop, the thread count
// with its test seams, and starting and joining the helpers.
#include "engine/deep/threads.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <system_error>

namespace deep {

namespace {

std::atomic<int> g_threads_forced{0};
std::atomic<int> g_thread_fail{0};

} // namespace

void deep_search::help()
{
    uint64_t working = 0; // the offer worked on
    int next = 0;         // the next place to try to claim in it
    int alongside = -1;   // the place last searched alongside the calling thread
    split_share::view v;
    while (!quit_->load(std::memory_order_relaxed) && !search_stop_requested()) {
        if (!share_->read(v)) {
            std::this_thread::yield();
            continue;
        }
        if (v.id != working) {
            working = v.id;
            next = v.n - 1;
            alongside = -1;
        }
        int k = -1;
        for (; next > 0 && k < 0; --next) {
            if (share_->claim(v.id, next))
                k = next;
        }
        if (k < 0) {
            // Nothing left to take: search the calling thread's move with it,
            // through the table.
            const int c = share_->current(v.id);
            if (c <= 0 || c == alongside) {
                std::this_thread::yield();
                continue;
            }
            k = alongside = c;
        }
        int bound = 0, move = 0;
        if (!share_->bound(v.id, &bound, &move))
            continue;
        helping_ = v.id;
        age_ = v.age;
        stopped = false;
        const bool top = v.p.turn == TOP_STORE;
        int alpha = bound - 1, beta = bound + 1;
        if (v.root)
            root_window(top, want_, bound, move, v.moves[k], &alpha, &beta);
        else if (top)
            alpha = bound;
        else
            beta = bound;
        child_value(v.p, v.moves[k], v.r, alpha, beta);
    }
    helping_ = 0;
}

int search_threads()
{
    if (const int forced = g_threads_forced.load(std::memory_order_relaxed); forced > 0)
        return forced;
    const int machine = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    const char* env = std::getenv("WKIVARI_SEARCH_THREADS");
    if (!env)
        return machine;
    char* end = nullptr;
    const long n = std::strtol(env, &end, 10);
    return end != env && *end == '\0' && n >= 1 ? static_cast<int>(std::min<long>(n, machine)) : machine;
}

void start_helpers(std::vector<helper>& helpers, int want, bool caps, int total, bool bounded,
                   table_bucket* table, uint32_t gen, uint8_t age, const std::atomic<bool>* quit,
                   root_want find, split_share* share)
{
    try {
        helpers.reserve(static_cast<std::size_t>(want - 1));
    } catch (const std::bad_alloc&) {
    }
    for (int i = 1; i < want && helpers.size() < helpers.capacity(); ++i) {
        helper& h = helpers.emplace_back();
        h.s.emplace(caps, total, bounded, table, gen, age, quit, find, share, true);
        try {
            if (g_thread_fail.load(std::memory_order_relaxed) > 0 && g_thread_fail.fetch_sub(1) > 0)
                throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
            h.t = std::thread([&s = *h.s] { s.help(); });
        } catch (const std::system_error&) { // one thread fewer
            helpers.pop_back();
        }
    }
}

void join_helpers(std::vector<helper>& helpers, deep_stats& st)
{
    for (helper& h : helpers) {
        h.t.join();
        st.nodes += h.s->nodes;
        st.probes += h.s->probes;
        st.hits += h.s->hits;
    }
    helpers.clear();
}

} // namespace deep

void deep_threads_force(int n)
{
    deep::g_threads_forced.store(n, std::memory_order_relaxed);
}

void deep_thread_fail(int n)
{
    deep::g_thread_fail.store(n, std::memory_order_relaxed);
}
