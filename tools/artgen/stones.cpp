// The stones: glass marbles in the 16 VGA colours, shaded by ordered dither.
//
// The image list that holds them has 4 bits per pixel, so they are drawn in
// those colours only and survive it unchanged. Black is the image list's
// mask colour: it surrounds each marble and is used nowhere inside one.
#include "art.h"
#include "fixmath.h"

namespace art {

namespace {

constexpr int STONE_W = 20;
constexpr int STONE_H = 25;

constexpr int64_t q16(int64_t num, int64_t den)
{
    return (num << 16) / den;
}

// The shadow, body and highlight colour of each stone colour.
struct Ramp {
    Vga shade[3];
};

const Ramp ramps[5] = {
    {{NAVY, BLUE, WHITE}},    // blue
    {{GREEN, LIME, WHITE}},   // green
    {{MAROON, RED, WHITE}},   // red
    {{GREY, SILVER, WHITE}},  // white
    {{OLIVE, YELLOW, WHITE}}, // yellow
};

// Tone of a marble at a point, in steps of its ramp (0 dark .. 2 white), Q16.
// (nx, ny) is the point relative to the centre in radii.
int64_t marble_tone(int64_t nx, int64_t ny)
{
    int64_t r2 = mul16(nx, nx) + mul16(ny, ny);
    int64_t nz = int64_t(isqrt(uint64_t(clamp64(ONE - r2, 0, ONE)) << 16));
    // Light from the top left and in front: (-0.45, -0.55, 0.70), about unit length.
    int64_t diffuse =
        clamp64(mul16(nx, -q16(45, 100)) + mul16(ny, -q16(55, 100)) + mul16(nz, q16(70, 100)), 0, ONE);
    // Light that passes through the glass gathers at the opposite lower side.
    int64_t gx = nx - q16(28, 100), gy = ny - q16(34, 100);
    int64_t glow = clamp64(ONE - ((mul16(gx, gx) + mul16(gy, gy)) << 16) / q16(55, 100), 0, ONE);
    // The edge of a glass ball is dark: it reflects the dark surroundings.
    int64_t rim = clamp64((r2 - q16(62, 100)) * 3, 0, ONE);
    int64_t body =
        q16(22, 100) + mul16(glow, q16(80, 100)) + mul16(diffuse, q16(25, 100)) - mul16(rim, q16(80, 100));
    body = clamp64(body, 0, ONE);
    // The reflection of the light, up and to the left.
    int64_t hx = nx + q16(34, 100), hy = ny + q16(40, 100);
    int64_t spot = clamp64(ONE - ((mul16(hx, hx) + mul16(hy, hy)) << 16) / q16(7, 100), 0, ONE);
    if (spot > 0)
        return clamp64(ONE + spot * 3, ONE, 2 * ONE);
    return body;
}

// Threshold of a 4 x 4 ordered dither at (x, y), Q16 in (0, 1).
int64_t dither_threshold(int x, int y)
{
    static const int m[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    return ((2 * m[y & 3][x & 3] + 1) << 16) / 32;
}

// The colour at (nx, ny) of the marble, dithered at pixel (x, y).
uint8_t marble_pixel(int colour, int64_t nx, int64_t ny, int x, int y)
{
    int64_t tone = marble_tone(nx, ny);
    // A white marble's body is its light grey lit towards white; only its
    // rim keeps the darker grey.
    if (colour == 3 && tone <= ONE)
        tone = clamp64(tone + tone / 2 + ONE / 5, 0, 2 * ONE);
    int64_t step = tone >> 16; // tone is at most 2: white, with nothing to mix in
    if ((tone & 0xFFFF) > dither_threshold(x, y))
        ++step;
    return ramps[colour].shade[step];
}

} // namespace

uint8_t small_marble_pixel(int colour, int64_t nx, int64_t ny)
{
    int64_t hx = nx + q16(44, 100), hy = ny + q16(44, 100);
    if (mul16(hx, hx) + mul16(hy, hy) < q16(9, 100))
        return ramps[colour].shade[2];
    int64_t r2 = mul16(nx, nx) + mul16(ny, ny);
    // Dark along the edge away from the light, and all round its rim.
    if (nx + ny > q16(75, 100) || r2 > q16(78, 100))
        return ramps[colour].shade[0];
    return ramps[colour].shade[1];
}

Picture make_stone(int colour, int percent)
{
    const int w = scaled(STONE_W, percent), h = scaled(STONE_H, percent);
    Picture pic(w, h);
    // A round marble 20 pixels across, a little above the middle, in pixels
    // of the 100 % stone; larger sizes sample it at finer steps but dither
    // at their own pixels, so the pattern stays as fine as at 100 %.
    const int64_t cx = q16(STONE_W, 2), cy = q16(12, 1);
    const int64_t radius = q16(STONE_W, 2);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int64_t bx = ((int64_t(x) << 16) + ONE / 2) * 100 / percent;
            int64_t by = ((int64_t(y) << 16) + ONE / 2) * 100 / percent;
            int64_t nx = ((bx - cx) << 16) / radius;
            int64_t ny = ((by - cy) << 16) / radius;
            if (mul16(nx, nx) + mul16(ny, ny) >= ONE)
                continue; // stays black: see-through
            pic.at(x, y) = marble_pixel(colour, nx, ny, x, y);
        }
    }
    return pic;
}

} // namespace art
