// Inside the engine only: the node allocator's per-thread fast paths, inline
// so that the search's millions of allocations cost a few instructions.
#pragma once

#include <atomic>

#include "engine/engine.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define NODE_POISON(p) ASAN_POISON_MEMORY_REGION((p), sizeof(node))
#define NODE_UNPOISON(p) ASAN_UNPOISON_MEMORY_REGION((p), sizeof(node))
#else
#define NODE_POISON(p) ((void)(p))
#define NODE_UNPOISON(p) ((void)(p))
#endif

namespace node_pool {

// Beyond this many free nodes a thread hands its list to the shared pool.
constexpr long MAX_CACHED_FREE = 64 * 1024;

// One per thread that uses nodes, on the heap: some platforms (mingw's
// emulated TLS) free a thread's TLS block before its thread_local destructors
// run, so the list must not live there. The hand-back at thread exit finds
// the cache by thread id, not through TLS.
struct per_thread {
    node* free = nullptr; // linked through `parent`
    long nfree = 0;
    node* bump = nullptr; // untouched part of the newest slab
    node* bump_end = nullptr;
    std::atomic<long> live{0}; // written by the owning thread only
    long peak = 0;
};

// Null until the thread first allocates or releases a node.
extern constinit thread_local per_thread* t_cache;
extern std::atomic<bool> g_fail_armed;

node* alloc_slow();
void release_slow(node* n);

inline void push_free(per_thread& c, node* n)
{
    n->parent = c.free;
    c.free = n;
    ++c.nfree;
    NODE_POISON(n);
}

inline void count_alloc(per_thread& c)
{
    const long live = c.live.load(std::memory_order_relaxed) + 1;
    c.live.store(live, std::memory_order_relaxed);
    if (live > c.peak)
        c.peak = live;
}

// The calling thread's cache, made on first use; null without memory.
per_thread* thread_cache();

// Fast paths on a cache the caller already holds (the search fetches its
// thread's cache once, not per node); a null cache takes the slow path.
inline node* alloc_in(per_thread* c)
{
    node* n;
    if (!c || !(n = c->free) || g_fail_armed.load(std::memory_order_relaxed))
        return alloc_slow();
    NODE_UNPOISON(n);
    c->free = n->parent;
    --c->nfree;
    count_alloc(*c);
    return n;
}

inline void release_in(per_thread* c, node* n)
{
    if (!c || c->nfree >= MAX_CACHED_FREE)
        return release_slow(n);
    push_free(*c, n);
    c->live.store(c->live.load(std::memory_order_relaxed) - 1, std::memory_order_relaxed);
}

inline node* alloc()
{
    return alloc_in(t_cache);
}
inline void release(node* n)
{
    release_in(t_cache, n);
}

} // namespace node_pool
