// The node allocator's inspection and test seams: live counts for leak
// checks and benchmarks, a memory ceiling, and failure injection.
#pragma once

#include <cstddef>

// Nodes handed out and not yet released, over all threads.
long node_alloc_live();
// Live nodes counted on the calling thread alone (made here minus released
// here), and the highest that count reached since the last reset.
long node_alloc_thread_live();
long node_alloc_thread_peak();
void node_alloc_reset_thread_peak();

// Test seam: let `skip` more allocations succeed, then fail the next `count`
// (count < 0: fail every one after that). node_alloc_fail(-1, 0) disarms it.
void node_alloc_fail(long skip, long count);

// Ceiling on the memory the allocator takes from the system, in bytes; an
// allocation that would exceed it fails like exhausted memory.
void node_alloc_set_limit(std::size_t bytes);
std::size_t node_alloc_limit();
// Memory taken from the system so far (it is kept for reuse, not returned).
std::size_t node_alloc_reserved();
