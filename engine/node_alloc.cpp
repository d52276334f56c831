// Node memory: per-thread free lists over large slabs, so that the search's
// millions of small allocations skip the general heap and its lock. Memory
// freed on a thread stays in that thread's list; when a thread ends, its
// list goes to a shared pool that the next thread draws from.
#include "engine/node_alloc.h"

#include <cstdlib>
#include <mutex>
#include <new>
#include <thread>
#include <utility>
#include <vector>

#include "engine/engine.h"
#include "engine/node_pool.h"

using node_pool::count_alloc;
using node_pool::MAX_CACHED_FREE;
using node_pool::per_thread;
using node_pool::push_free;
using node_pool::t_cache;

constinit thread_local per_thread* node_pool::t_cache = nullptr;
// Read on every allocation: kept apart so the check needs no guard.
std::atomic<bool> node_pool::g_fail_armed{false};

namespace {

constexpr std::size_t SLAB_NODES = 1024;
constexpr std::size_t DEFAULT_LIMIT = std::size_t{2} << 30;

struct batch {
    node* head;
    long count;
};

struct shared_pool {
    std::mutex mu;
    std::vector<void*> slabs; // kept for the life of the process and reused
    std::vector<batch> batches;
    std::vector<std::pair<std::thread::id, per_thread*>> caches;
    long retired_live = 0; // balance of threads that have ended
    std::atomic<std::size_t> reserved{0};
    std::atomic<std::size_t> limit{DEFAULT_LIMIT};

    std::mutex fail_mu;
    long fail_skip = 0;
    long fail_count = 0;
};

// Never destroyed: threads may release nodes during process exit.
shared_pool& shared()
{
    static shared_pool* s = new shared_pool;
    return *s;
}

// Hands the thread's free memory and live balance back when the thread
// ends. It reaches the cache through the registry, not through TLS.
struct thread_retirer {
    ~thread_retirer()
    {
        shared_pool& s = shared();
        std::lock_guard<std::mutex> lock(s.mu);
        const std::thread::id self = std::this_thread::get_id();
        for (auto it = s.caches.begin(); it != s.caches.end(); ++it) {
            if (it->first != self)
                continue;
            per_thread* c = it->second;
            while (c->bump != c->bump_end)
                push_free(*c, c->bump++);
            if (c->free) {
                try {
                    s.batches.push_back({c->free, c->nfree});
                } catch (const std::bad_alloc&) {
                    // Out of memory at thread exit: these nodes stay unused.
                }
            }
            s.retired_live += c->live.load(std::memory_order_relaxed);
            s.caches.erase(it);
            delete c;
            break;
        }
    }
};

// Gives the calling thread a cache; false when there is no memory for it.
bool register_thread()
{
    per_thread* c = new (std::nothrow) per_thread;
    if (!c)
        return false;
    shared_pool& s = shared();
    {
        std::lock_guard<std::mutex> lock(s.mu);
        try {
            s.caches.push_back({std::this_thread::get_id(), c});
        } catch (const std::bad_alloc&) {
            delete c;
            return false;
        }
    }
    thread_local thread_retirer retirer;
    (void)retirer;
    t_cache = c;
    return true;
}

bool injected_failure()
{
    shared_pool& s = shared();
    std::lock_guard<std::mutex> lock(s.fail_mu);
    if (s.fail_skip > 0) {
        --s.fail_skip;
        return false;
    }
    if (s.fail_count < 0)
        return true;
    if (s.fail_count > 0) {
        if (--s.fail_count == 0)
            node_pool::g_fail_armed.store(false, std::memory_order_relaxed);
        return true;
    }
    node_pool::g_fail_armed.store(false, std::memory_order_relaxed);
    return false;
}

// A batch from the shared pool, else a new slab.
bool refill(per_thread& c)
{
    shared_pool& s = shared();
    std::lock_guard<std::mutex> lock(s.mu);
    if (!s.batches.empty()) {
        batch b = s.batches.back();
        s.batches.pop_back();
        c.free = b.head;
        c.nfree = b.count;
        return true;
    }
    const std::size_t bytes = SLAB_NODES * sizeof(node);
    if (s.reserved.load(std::memory_order_relaxed) + bytes > s.limit.load(std::memory_order_relaxed))
        return false;
    void* slab = std::malloc(bytes);
    if (!slab)
        return false;
    try {
        s.slabs.push_back(slab);
    } catch (const std::bad_alloc&) {
        std::free(slab);
        return false;
    }
    s.reserved.fetch_add(bytes, std::memory_order_relaxed);
    c.bump = static_cast<node*>(slab);
    c.bump_end = c.bump + SLAB_NODES;
    return true;
}

} // namespace

// Slow path of allocation: injected failures, a thread's first use, and an
// empty free list.
node* node_pool::alloc_slow()
{
    if (g_fail_armed.load(std::memory_order_relaxed) && injected_failure())
        return nullptr;
    if (!t_cache && !register_thread())
        return nullptr;
    per_thread& c = *t_cache;
    if (!c.free && c.bump == c.bump_end && !refill(c))
        return nullptr;
    node* n;
    if (c.free) {
        n = c.free;
        NODE_UNPOISON(n);
        c.free = n->parent;
        --c.nfree;
    } else {
        n = c.bump++;
    }
    count_alloc(c);
    return n;
}

// Slow path of release: a thread's first use, and a thread that only
// releases (nodes made on another thread) handing its long list back.
void node_pool::release_slow(node* n)
{
    shared_pool& s = shared();
    if (!t_cache && !register_thread()) {
        // No cache for this thread: give the node to the shared pool.
        std::lock_guard<std::mutex> lock(s.mu);
        n->parent = nullptr;
        try {
            s.batches.push_back({n, 1});
            s.retired_live -= 1;
        } catch (const std::bad_alloc&) {
        }
        return;
    }
    per_thread& c = *t_cache;
    push_free(c, n);
    c.live.store(c.live.load(std::memory_order_relaxed) - 1, std::memory_order_relaxed);
    if (c.nfree > MAX_CACHED_FREE) {
        std::lock_guard<std::mutex> lock(s.mu);
        try {
            s.batches.push_back({c.free, c.nfree});
            c.free = nullptr;
            c.nfree = 0;
        } catch (const std::bad_alloc&) {
            // Keep the list here; it is still usable by this thread.
        }
    }
}

node_pool::per_thread* node_pool::thread_cache()
{
    if (!t_cache)
        register_thread();
    return t_cache;
}

node* new_node()
{
    return node_pool::alloc();
}

void delete_node(node* n)
{
    if (n)
        node_pool::release(n);
}

long node_alloc_live()
{
    shared_pool& s = shared();
    std::lock_guard<std::mutex> lock(s.mu);
    long total = s.retired_live;
    for (const auto& entry : s.caches)
        total += entry.second->live.load(std::memory_order_relaxed);
    return total;
}

long node_alloc_thread_live()
{
    return t_cache ? t_cache->live.load(std::memory_order_relaxed) : 0;
}
long node_alloc_thread_peak()
{
    return t_cache ? t_cache->peak : 0;
}
void node_alloc_reset_thread_peak()
{
    if (t_cache)
        t_cache->peak = t_cache->live.load(std::memory_order_relaxed);
}

void node_alloc_fail(long skip, long count)
{
    shared_pool& s = shared();
    std::lock_guard<std::mutex> lock(s.fail_mu);
    s.fail_skip = skip;
    s.fail_count = count;
    node_pool::g_fail_armed.store(skip >= 0 && count != 0, std::memory_order_relaxed);
}

void node_alloc_set_limit(std::size_t bytes)
{
    shared().limit.store(bytes, std::memory_order_relaxed);
}
std::size_t node_alloc_limit()
{
    return shared().limit.load(std::memory_order_relaxed);
}
std::size_t node_alloc_reserved()
{
    return shared().reserved.load(std::memory_order_relaxed);
}
