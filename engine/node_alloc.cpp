// Node memory: per-thread free lists over large slabs, so that the search's
// millions of small allocations skip the general heap and its lock. Memory
// freed on a thread stays in that thread's list; when a thread ends, its
// list goes to a shared pool that the next thread draws from.
#include "engine/node_alloc.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <new>
#include <vector>

#include "engine/engine.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define POISON(p) ASAN_POISON_MEMORY_REGION((p), sizeof(node))
#define UNPOISON(p) ASAN_UNPOISON_MEMORY_REGION((p), sizeof(node))
#else
#define POISON(p) ((void)(p))
#define UNPOISON(p) ((void)(p))
#endif

namespace {

constexpr std::size_t kSlabNodes = 1024;
constexpr long kMaxCachedFree = 64 * 1024;  // beyond this a thread hands its list back
constexpr std::size_t kDefaultLimit = std::size_t{2} << 30;

struct Batch {
    node* head;
    long count;
};

struct Cache;

struct Shared {
    std::mutex mu;
    std::vector<void*> slabs;  // kept for the life of the process and reused
    std::vector<Batch> batches;
    std::vector<Cache*> caches;
    long retired_live = 0;  // balance of threads that have ended
    std::atomic<std::size_t> reserved{0};
    std::atomic<std::size_t> limit{kDefaultLimit};

    std::atomic<bool> fail_armed{false};
    std::mutex fail_mu;
    long fail_skip = 0;
    long fail_count = 0;
};

// Never destroyed: threads may release nodes during process exit.
Shared& shared() {
    static Shared* s = new Shared;
    return *s;
}

struct Cache {
    node* free = nullptr;  // linked through `parent`
    long nfree = 0;
    node* bump = nullptr;  // untouched part of the newest slab
    node* bump_end = nullptr;
    std::atomic<long> live{0};  // written by the owner only
    long peak = 0;

    Cache() {
        Shared& s = shared();
        std::lock_guard<std::mutex> lock(s.mu);
        s.caches.push_back(this);
    }

    ~Cache() {
        while (bump != bump_end) push_free(bump++);
        Shared& s = shared();
        std::lock_guard<std::mutex> lock(s.mu);
        if (free) s.batches.push_back({free, nfree});
        free = nullptr;
        nfree = 0;
        s.retired_live += live.load(std::memory_order_relaxed);
        for (auto it = s.caches.begin(); it != s.caches.end(); ++it) {
            if (*it == this) {
                s.caches.erase(it);
                break;
            }
        }
    }

    void push_free(node* n) {
        n->parent = free;
        free = n;
        ++nfree;
        POISON(n);
    }
};

thread_local Cache t_cache;

bool injected_failure() {
    Shared& s = shared();
    std::lock_guard<std::mutex> lock(s.fail_mu);
    if (s.fail_skip > 0) {
        --s.fail_skip;
        return false;
    }
    if (s.fail_count < 0) return true;
    if (s.fail_count > 0) {
        if (--s.fail_count == 0) s.fail_armed.store(false, std::memory_order_relaxed);
        return true;
    }
    s.fail_armed.store(false, std::memory_order_relaxed);
    return false;
}

// Slow path: a batch from the shared pool, else a new slab.
bool refill(Cache& c) {
    Shared& s = shared();
    std::lock_guard<std::mutex> lock(s.mu);
    if (!s.batches.empty()) {
        Batch b = s.batches.back();
        s.batches.pop_back();
        c.free = b.head;
        c.nfree = b.count;
        return true;
    }
    const std::size_t bytes = kSlabNodes * sizeof(node);
    if (s.reserved.load(std::memory_order_relaxed) + bytes > s.limit.load(std::memory_order_relaxed))
        return false;
    void* slab = std::malloc(bytes);
    if (!slab) return false;
    try {
        s.slabs.push_back(slab);
    } catch (const std::bad_alloc&) {
        std::free(slab);
        return false;
    }
    s.reserved.fetch_add(bytes, std::memory_order_relaxed);
    c.bump = static_cast<node*>(slab);
    c.bump_end = c.bump + kSlabNodes;
    return true;
}

}  // namespace

node* new_node() {
    Shared& s = shared();
    if (s.fail_armed.load(std::memory_order_relaxed) && injected_failure()) return nullptr;
    Cache& c = t_cache;
    node* n;
    if (!c.free && c.bump == c.bump_end && !refill(c)) return nullptr;
    if (c.free) {
        n = c.free;
        UNPOISON(n);
        c.free = n->parent;
        --c.nfree;
    } else {
        n = c.bump++;
    }
    const long live = c.live.load(std::memory_order_relaxed) + 1;
    c.live.store(live, std::memory_order_relaxed);
    if (live > c.peak) c.peak = live;
    return n;
}

void delete_node(node* n) {
    if (!n) return;
    Cache& c = t_cache;
    c.push_free(n);
    c.live.store(c.live.load(std::memory_order_relaxed) - 1, std::memory_order_relaxed);
    if (c.nfree > kMaxCachedFree) {
        Shared& s = shared();
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

long node_alloc_live() {
    Shared& s = shared();
    std::lock_guard<std::mutex> lock(s.mu);
    long total = s.retired_live;
    for (Cache* c : s.caches) total += c->live.load(std::memory_order_relaxed);
    return total;
}

long node_alloc_thread_live() { return t_cache.live.load(std::memory_order_relaxed); }
long node_alloc_thread_peak() { return t_cache.peak; }
void node_alloc_reset_thread_peak() { t_cache.peak = t_cache.live.load(std::memory_order_relaxed); }

void node_alloc_fail(long skip, long count) {
    Shared& s = shared();
    std::lock_guard<std::mutex> lock(s.fail_mu);
    s.fail_skip = skip;
    s.fail_count = count;
    s.fail_armed.store(skip >= 0 && count != 0, std::memory_order_relaxed);
}

void node_alloc_set_limit(std::size_t bytes) { shared().limit.store(bytes, std::memory_order_relaxed); }
std::size_t node_alloc_limit() { return shared().limit.load(std::memory_order_relaxed); }
std::size_t node_alloc_reserved() { return shared().reserved.load(std::memory_order_relaxed); }
