// The endgame table: its build by stone count, its file image and the checks
// that refuse a damaged one, and the look-up.
#include "engine/exact/endgame.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>

#include "engine/exact/board.h"

static_assert(MAX_ENDGAME_STONES <= exact::rank_table::MAX, "the ranks cover every table");

namespace {

std::atomic<bool> s_memory_fail{false};

// A margin not found yet; never a real one, which lies in -N..N.
constexpr int8_t UNKNOWN = -128;

// Poll the cancel flag and report progress once per this many positions.
constexpr uint64_t REPORT_EVERY = uint64_t{1} << 20;

constexpr uint64_t FNV_BASIS = 0xcbf29ce484222325ull, FNV_PRIME = 0x100000001b3ull;

// FNV-1a: each step is a bijection of the running value, so a change of any
// single byte always changes the result.
uint64_t fnv1a(uint64_t h, const uint8_t* p, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i)
        h = (h ^ p[i]) * FNV_PRIME;
    return h;
}

void put_le(uint8_t* p, uint64_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint64_t get_le(const uint8_t* p, int bytes)
{
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= uint64_t{p[i]} << (8 * i);
    return v;
}

// Header offsets.
constexpr int AT_VERSION = 8, AT_STONES = 12, AT_RULE = 16, AT_ZERO = 20, AT_COUNT = 24, AT_CHECKSUM = 32;

uint64_t checksum_of(const uint8_t* image, std::size_t size)
{
    const uint64_t h = fnv1a(FNV_BASIS, image, AT_CHECKSUM);
    return fnv1a(h, image + ENDGAME_HEADER_SIZE, size - ENDGAME_HEADER_SIZE);
}

struct builder {
    int8_t* values;
    bool empty_caps;
    uint64_t done;
};

// The margin of `p` with k stones in play, every layer below k complete.
// Within a layer only a move that stays in the mover's row keeps the stones
// in play, and it moves stones on towards the store: the sum over stones of
// their place in their row grows with each, so the recursion ends (at most
// 5k deep) and never meets a position it has not finished. The margins of
// the layers below lie far apart in memory, so all of them are fetched
// before the first is read.
int value_of(builder& bd, const exact::board& p, int k, int8_t* slot)
{
    if (*slot != UNKNOWN)
        return *slot;
    const int own = exact::row_sum(p, 0), other = exact::row_sum(p, 6);
    int best = -MAX_ENDGAME_STONES - 1;
    if (own == 0 || other == 0) {
        best = own - other;
    } else {
        exact::board next[6];
        exact::move_outcome outcome[6];
        int8_t* after[6];
        int n = 0;
        for (int bin = 0; bin < 6; ++bin) {
            if (p.b[bin] == 0)
                continue;
            next[n] = p;
            const exact::move_outcome o = exact::play(next[n], bin, bd.empty_caps);
            if (o.kind == exact::MOVE_PASSES)
                next[n] = exact::swapped(next[n]);
            if (o.kind != exact::MOVE_ENDS) {
                const int kc = k - o.gain;
                after[n] = bd.values + exact::layer_start(kc) + exact::rank_in_layer(next[n], kc);
                __builtin_prefetch(after[n]);
            }
            outcome[n++] = o;
        }
        for (int i = 0; i < n; ++i) {
            const exact::move_outcome& o = outcome[i];
            int m = o.final_margin;
            if (o.kind != exact::MOVE_ENDS) {
                const int v = value_of(bd, next[i], k - o.gain, after[i]);
                m = o.kind == exact::MOVE_AGAIN ? o.gain + v : o.gain - v;
            }
            best = std::max(best, m);
        }
    }
    *slot = static_cast<int8_t>(best);
    ++bd.done;
    return best;
}

// The next composition of the layer's stones into twelve bins, in
// lexicographic order; false after the last.
bool next_composition(exact::board& p)
{
    int last = 11;
    while (last > 0 && p.b[last] == 0)
        --last;
    if (last == 0)
        return false;
    const int t = p.b[last];
    p.b[last] = 0;
    ++p.b[last - 1];
    p.b[11] = static_cast<uint8_t>(t - 1);
    return true;
}

int build_layers(builder& bd, int max_stones, uint64_t total, endgame_progress progress, void* context,
                 const std::atomic<bool>* cancel)
{
    uint64_t since_report = 0;
    for (int k = 0; k <= max_stones; ++k) {
        exact::board p{};
        p.b[11] = static_cast<uint8_t>(k);
        do {
            value_of(bd, p, k, bd.values + exact::layer_start(k) + exact::rank_in_layer(p, k));
            if (++since_report == REPORT_EVERY) {
                since_report = 0;
                if (cancel && cancel->load(std::memory_order_relaxed))
                    return ENDGAME_CANCELLED;
                if (progress)
                    progress(context, bd.done, total);
            }
        } while (next_composition(p));
    }
    if (cancel && cancel->load(std::memory_order_relaxed))
        return ENDGAME_CANCELLED;
    if (progress)
        progress(context, bd.done, total);
    return 0;
}

void release(endgame_table& t)
{
    std::vector<uint8_t>().swap(t.image);
}

} // namespace

bool exact::memory_failing()
{
    return s_memory_fail.load(std::memory_order_relaxed);
}

void exact_memory_fail(bool fail)
{
    s_memory_fail.store(fail, std::memory_order_relaxed);
}

uint64_t endgame_positions(int max_stones)
{
    return max_stones < 0 || max_stones > MAX_ENDGAME_STONES ? 0 : exact::layer_start(max_stones + 1);
}

std::size_t endgame_image_size(int max_stones)
{
    return ENDGAME_HEADER_SIZE + static_cast<std::size_t>(endgame_positions(max_stones));
}

int endgame_build(endgame_table& out, int max_stones, bool empty_caps, endgame_progress progress,
                  void* context, const std::atomic<bool>* cancel)
{
    release(out);
    if (max_stones < 0 || max_stones > MAX_ENDGAME_STONES)
        return ENDGAME_BAD_ARGS;
    const uint64_t total = endgame_positions(max_stones);
    std::vector<uint8_t> image;
    try {
        if (exact::memory_failing())
            throw std::bad_alloc();
        image.assign(ENDGAME_HEADER_SIZE + total, static_cast<uint8_t>(UNKNOWN));
    } catch (const std::bad_alloc&) {
        return ENDGAME_NO_MEMORY;
    } catch (const std::length_error&) {
        return ENDGAME_NO_MEMORY;
    }
    builder bd{reinterpret_cast<int8_t*>(image.data() + ENDGAME_HEADER_SIZE), empty_caps, 0};
    const int result = build_layers(bd, max_stones, total, progress, context, cancel);
    if (result != 0)
        return result;
    uint8_t* h = image.data();
    std::memcpy(h, ENDGAME_MAGIC, sizeof ENDGAME_MAGIC);
    put_le(h + AT_VERSION, ENDGAME_FORMAT, 4);
    put_le(h + AT_STONES, static_cast<uint64_t>(max_stones), 4);
    put_le(h + AT_RULE, empty_caps ? 1 : 0, 4);
    put_le(h + AT_ZERO, 0, 4);
    put_le(h + AT_COUNT, total, 8);
    put_le(h + AT_CHECKSUM, checksum_of(h, image.size()), 8);
    out.image = std::move(image);
    return 0;
}

int endgame_validate(const uint8_t* data, std::size_t size, int max_stones, bool empty_caps)
{
    if (max_stones < 0 || max_stones > MAX_ENDGAME_STONES)
        return ENDGAME_BAD_ARGS;
    if (!data || size < ENDGAME_HEADER_SIZE)
        return ENDGAME_BAD_SIZE;
    const uint64_t count = endgame_positions(max_stones);
    if (std::memcmp(data, ENDGAME_MAGIC, sizeof ENDGAME_MAGIC) != 0 ||
        get_le(data + AT_VERSION, 4) != ENDGAME_FORMAT ||
        get_le(data + AT_STONES, 4) != static_cast<uint64_t>(max_stones) ||
        get_le(data + AT_RULE, 4) != (empty_caps ? 1u : 0u) || get_le(data + AT_ZERO, 4) != 0 ||
        get_le(data + AT_COUNT, 8) != count)
        return ENDGAME_FOREIGN;
    if (size - ENDGAME_HEADER_SIZE != count)
        return ENDGAME_BAD_SIZE;
    return get_le(data + AT_CHECKSUM, 8) == checksum_of(data, size) ? 0 : ENDGAME_DAMAGED;
}

int endgame_adopt(endgame_table& out, std::vector<uint8_t>&& image, int max_stones, bool empty_caps)
{
    release(out);
    const int result = endgame_validate(image.data(), image.size(), max_stones, empty_caps);
    if (result == 0)
        out.image = std::move(image);
    return result;
}

int endgame_load(endgame_table& out, const uint8_t* data, std::size_t size, int max_stones, bool empty_caps)
{
    release(out);
    const int result = endgame_validate(data, size, max_stones, empty_caps);
    if (result != 0)
        return result;
    try {
        if (exact::memory_failing())
            throw std::bad_alloc();
        out.image.assign(data, data + size);
    } catch (const std::bad_alloc&) {
        return ENDGAME_NO_MEMORY;
    }
    return 0;
}

int endgame_max_stones(const endgame_table& t)
{
    return t.image.size() < ENDGAME_HEADER_SIZE ? -1
                                                : static_cast<int>(get_le(t.image.data() + AT_STONES, 4));
}

bool endgame_empty_caps(const endgame_table& t)
{
    return t.image.size() >= ENDGAME_HEADER_SIZE && get_le(t.image.data() + AT_RULE, 4) == 1;
}

int endgame_margin(const endgame_table& t, const int32_t* bins, int turn)
{
    const int max_stones = endgame_max_stones(t);
    if (max_stones < 0 || !bins || !is_side(turn))
        return ENDGAME_NONE;
    int k = 0;
    for (int i = 0; i < 14; ++i) {
        if (i == BOTTOM_STORE || i == TOP_STORE)
            continue;
        if (bins[i] < 0)
            return ENDGAME_NONE;
        k += bins[i];
        if (k > max_stones)
            return ENDGAME_NONE;
    }
    const exact::board p = exact::from_bins(bins, turn);
    const auto* values = reinterpret_cast<const int8_t*>(t.image.data() + ENDGAME_HEADER_SIZE);
    return values[exact::layer_start(k) + exact::rank_in_layer(p, k)];
}

int endgame_write_file(const endgame_table& t, const char* path)
{
    if (t.image.empty() || !path)
        return ENDGAME_BAD_ARGS;
    std::FILE* f = std::fopen(path, "wb");
    if (!f)
        return ENDGAME_IO;
    const bool written = std::fwrite(t.image.data(), 1, t.image.size(), f) == t.image.size();
    return std::fclose(f) == 0 && written ? 0 : ENDGAME_IO;
}

int endgame_read_file(endgame_table& out, const char* path, int max_stones, bool empty_caps)
{
    release(out);
    if (!path || max_stones < 0 || max_stones > MAX_ENDGAME_STONES)
        return ENDGAME_BAD_ARGS;
    std::FILE* f = std::fopen(path, "rb");
    if (!f)
        return ENDGAME_IO;
    // Read one byte more than a right file holds, so a longer one shows.
    std::vector<uint8_t> image;
    std::size_t got = 0;
    try {
        if (exact::memory_failing())
            throw std::bad_alloc();
        image.resize(endgame_image_size(max_stones) + 1);
        got = std::fread(image.data(), 1, image.size(), f);
    } catch (const std::bad_alloc&) {
        std::fclose(f);
        return ENDGAME_NO_MEMORY;
    }
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed)
        return ENDGAME_IO;
    image.resize(got);
    return endgame_adopt(out, std::move(image), max_stones, empty_caps);
}
