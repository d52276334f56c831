// Integer-only maths for the art generator: every run on every machine must
// give the same bytes, so no floating point and no library maths is used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace art {

// Q16 fixed point: ONE is 1.0.
constexpr int32_t ONE = 1 << 16;

constexpr int64_t clamp64(int64_t v, int64_t lo, int64_t hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

// Largest r with r * r <= v.
constexpr uint64_t isqrt(uint64_t v)
{
    uint64_t r = 0;
    uint64_t bit = uint64_t{1} << 62;
    while (bit > v)
        bit >>= 2;
    while (bit != 0) {
        if (v >= r + bit) {
            v -= r + bit;
            r = (r >> 1) + bit;
        } else {
            r >>= 1;
        }
        bit >>= 2;
    }
    return r;
}

// Q16 product.
constexpr int64_t mul16(int64_t a, int64_t b)
{
    return (a * b) >> 16;
}

// 3t^2 - 2t^3 for t in [0, ONE]: eases noise interpolation and edge fades.
constexpr int64_t smooth16(int64_t t)
{
    t = clamp64(t, 0, ONE);
    return mul16(mul16(t, t), 3 * ONE - 2 * t);
}

// SplitMix64: small, fixed-seed and the same everywhere.
struct Rng {
    uint64_t state;
    explicit constexpr Rng(uint64_t seed) : state(seed) {}
    constexpr uint64_t next()
    {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, ONE).
    constexpr int32_t q16() { return static_cast<int32_t>(next() >> 48); }
};

// A lattice of random Q16 values, wrapping in both directions; value noise
// over it is smooth and, along x, repeats every `w` cells.
struct Lattice {
    int w, h;
    std::vector<int32_t> v;

    Lattice(uint64_t seed, int width, int height) : w(width), h(height), v(size_t(width) * size_t(height))
    {
        Rng rng(seed);
        for (int32_t& cell : v)
            cell = rng.q16();
    }

    // x and y in Q16 lattice cells; result in [0, ONE).
    int64_t at(int64_t x, int64_t y) const
    {
        int64_t ix = x >> 16, iy = y >> 16;
        int64_t fx = smooth16(x & 0xFFFF), fy = smooth16(y & 0xFFFF);
        auto cell = [&](int64_t cx, int64_t cy) -> int64_t {
            int64_t mx = ((cx % w) + w) % w, my = ((cy % h) + h) % h;
            return v[size_t(my * w + mx)];
        };
        int64_t top = cell(ix, iy) + mul16(cell(ix + 1, iy) - cell(ix, iy), fx);
        int64_t bot = cell(ix, iy + 1) + mul16(cell(ix + 1, iy + 1) - cell(ix, iy + 1), fx);
        return top + mul16(bot - top, fy);
    }
};

// sin of a Q30 angle in radians, |a| <= pi/2, as Q30 (Taylor series).
constexpr int64_t sin_q30_small(int64_t a)
{
    int64_t a2 = (a * a) >> 30;
    int64_t term = a, sum = a;
    for (int k = 1; k <= 7; ++k) {
        term = -((term * a2) >> 30) / ((2 * k) * (2 * k + 1));
        sum += term;
    }
    return sum;
}

// sin of a phase (a full turn is 2^32) as Q30.
constexpr int64_t sin_turn(uint32_t phase)
{
    constexpr int64_t PI_Q30 = 3373259426; // pi * 2^30
    uint32_t quadrant = phase >> 30;
    int64_t within = phase & 0x3FFFFFFF; // [0, quarter turn)
    if (quadrant & 1)
        within = 0x40000000 - within;
    int64_t angle = (within * (PI_Q30 / 2)) >> 30;
    int64_t s = sin_q30_small(angle);
    return (quadrant & 2) ? -s : s;
}

// e^-x for a Q30 x in [0, 4], as Q30 (Taylor series on x/8, then squared thrice).
constexpr int64_t exp_neg_q30(int64_t x)
{
    int64_t y = x >> 3;
    int64_t term = int64_t{1} << 30, sum = term;
    for (int k = 1; k <= 10; ++k) {
        term = -((term * y) >> 30) / k;
        sum += term;
    }
    for (int i = 0; i < 3; ++i)
        sum = (sum * sum) >> 30;
    return sum;
}

} // namespace art
