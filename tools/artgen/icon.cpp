// The program's icon: a wooden bin holding four marbles, 32 x 32 in 16 colours.
#include "art.h"
#include "fixmath.h"

namespace art {

namespace {

constexpr int SIZE = 32;

constexpr int64_t px(int64_t v)
{
    return v << 16;
}
constexpr int64_t q16(int64_t num, int64_t den)
{
    return (num << 16) / den;
}

// The block of wood: a rounded rectangle, left, top, right, bottom (exclusive) and corner radius.
constexpr int BLOCK_L = 0, BLOCK_T = 3, BLOCK_R = 32, BLOCK_B = 29, CORNER = 7;

bool in_block(int x, int y, int inset)
{
    int l = BLOCK_L + inset, t = BLOCK_T + inset, r = BLOCK_R - inset, b = BLOCK_B - inset;
    int c = CORNER - inset;
    if (x < l || x >= r || y < t || y >= b)
        return false;
    // Distance into a corner square, measured from pixel centres (doubled).
    int dx = 0, dy = 0;
    if (x < l + c)
        dx = 2 * (l + c - x) - 1;
    if (x >= r - c)
        dx = 2 * (x - (r - c)) + 1;
    if (y < t + c)
        dy = 2 * (t + c - y) - 1;
    if (y >= b - c)
        dy = 2 * (y - (b - c)) + 1;
    return dx * dx + dy * dy <= 4 * c * c;
}

// Wood tones of the icon, darkest first. Too small for dithering to read as
// wood, it is drawn in flat tones, as icons of this size are.
const Vga wood_ramp[] = {BLACK, MAROON, OLIVE, YELLOW};

struct Marble {
    int colour;
    int64_t cx, cy, r; // Q16 pixels
};

} // namespace

IconArt make_icon()
{
    IconArt icon;
    Picture& pic = icon.pic;
    const Hollow bin{px(16), px(16), px(13), px(10), 0, px(6)};
    const Marble marbles[] = {
        {4, px(11), px(14), q16(45, 10)}, // yellow
        {2, px(20), px(13), q16(45, 10)}, // red
        {1, px(23), px(20), q16(45, 10)}, // green
        {0, px(15), px(20), q16(45, 10)}, // blue
    };
    for (int y = 0; y < SIZE; ++y) {
        for (int x = 0; x < SIZE; ++x) {
            if (!in_block(x, y, 0))
                continue;
            icon.clear[size_t(y) * SIZE + size_t(x)] = false;
            if (!in_block(x, y, 1)) {
                pic.at(x, y) = BLACK; // outline
                continue;
            }
            int64_t fx = px(x) + ONE / 2, fy = px(y) + ONE / 2;
            // Later marbles lie on top of earlier ones.
            const Marble* top = nullptr;
            for (const Marble& m : marbles) {
                int64_t dx = fx - m.cx, dy = fy - m.cy;
                if (mul16(dx, dx) + mul16(dy, dy) < mul16(m.r, m.r))
                    top = &m;
            }
            if (top) {
                pic.at(x, y) = small_marble_pixel(top->colour, ((fx - top->cx) << 16) / top->r,
                                                  ((fy - top->cy) << 16) / top->r);
                continue;
            }
            // Lit wood, with a bevel along the block's edge. The light and
            // shade are made stronger to show in four tones, and the hollow's
            // floor is a tone darker than the top of the block.
            int64_t d = depth_at(bin, fx, fy);
            int64_t light = ONE + (light_at(bin, fx, fy, d) - ONE) * 3 / 2;
            int64_t tone = mul16(2 * ONE - (d << 16) / bin.depth, light);
            if (!in_block(x, y, 2))
                tone = (x + y < 32) ? 3 * ONE : ONE;
            pic.at(x, y) = wood_ramp[clamp64((tone + ONE / 2) >> 16, 0, 3)];
        }
    }
    return icon;
}

} // namespace art
