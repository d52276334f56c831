// The board bitmaps: light wood with carved hollows, lit from the top left.
//
// The window tiles these bitmaps: the top-row bitmap in columns 1..6 of the
// top row, the bottom-row one below it, the store bitmap in both end columns
// over both rows. The wood is one grain running along the board, the same
// along every tile edge (it repeats every cell width across and is continuous
// from the top row into the bottom row), so the cells join without seams; each
// bitmap adds grain of its own away from its edges, and carving the hollow
// cuts through the growth rings, which then show as rings inside it.
//
// Larger sizes, for high-DPI screens, sample the same picture more finely:
// every sample is mapped back to the 100 % board, where the picture is defined.
#include "art.h"
#include "fixmath.h"

namespace art {

namespace {

constexpr int CELL_W = 72;
constexpr int CELL_H = 105;
constexpr int SUB = 4; // subsamples per pixel along each axis

constexpr int64_t px(int64_t v)
{
    return v << 16;
}
constexpr int64_t q16(int64_t num, int64_t den)
{
    return (num << 16) / den;
}

// Where the light comes from, per unit of height: left, up, and out of the board.
constexpr int64_t LIGHT_X = -q16(1, 2);
constexpr int64_t LIGHT_Y = -q16(3, 4);

// Whether the rim shades the point (x, y) at depth d from the light.
bool in_shadow(const Hollow& h, int64_t x, int64_t y, int64_t d)
{
    constexpr int64_t step = ONE / 4; // rise per step, Q16 pixels
    for (int64_t t = step; t < d; t += step) {
        int64_t qx = x + mul16(LIGHT_X, t), qy = y + mul16(LIGHT_Y, t);
        if (d - t > depth_at(h, qx, qy))
            return true; // ray is below the surface
    }
    return false;
}

} // namespace

int64_t depth_at(const Hollow& h, int64_t x, int64_t y)
{
    int64_t dx = x - h.cx;
    int64_t dy = y - h.cy;
    if (dy < 0)
        dy = -dy;
    dy = dy > h.straight ? dy - h.straight : 0;
    int64_t nx = (dx << 16) / h.a, ny = (dy << 16) / h.b;
    int64_t r2 = mul16(nx, nx) + mul16(ny, ny);
    if (r2 >= ONE)
        return 0;
    // sqrt(1 - r2 + e) - sqrt(e), scaled to 1 at the centre: steep walls with
    // a rounded lip and a broad floor.
    constexpr int64_t e = ONE / 40;
    int64_t root = int64_t(isqrt(uint64_t((ONE - r2 + e) << 16)));
    int64_t root_e = int64_t(isqrt(uint64_t(e << 16)));
    int64_t root_1 = int64_t(isqrt(uint64_t((ONE + e) << 16)));
    return mul16(h.depth, ((root - root_e) << 16) / (root_1 - root_e));
}

int64_t light_at(const Hollow& h, int64_t x, int64_t y, int64_t d)
{
    constexpr int64_t e = ONE / 8;
    int64_t sx = ((depth_at(h, x + e, y) - depth_at(h, x - e, y)) << 16) / (2 * e);
    int64_t sy = ((depth_at(h, x, y + e) - depth_at(h, x, y - e)) << 16) / (2 * e);
    // The normal of the surface below the board is (sx, sy, 1).
    int64_t dot = mul16(sx, LIGHT_X) + mul16(sy, LIGHT_Y) + ONE;
    int64_t len = int64_t(isqrt(uint64_t(mul16(sx, sx) + mul16(sy, sy) + ONE) << 16));
    int64_t direct = dot > 0 ? (dot << 16) / len : 0;
    if (d > 0 && in_shadow(h, x, y, d))
        direct = 0;
    constexpr int64_t ambient = q16(35, 100);
    int64_t lit = ambient + mul16(ONE - ambient, direct);
    // The deeper, the less light reaches in from around.
    int64_t occlusion = ONE - mul16(q16(22, 100), (d << 16) / h.depth);
    return mul16(lit, occlusion);
}

namespace {

// The grain every bitmap shares: repeats every cell width across the board.
struct Grain {
    Lattice wave{0x6B1A7E01, 2, 12};    // slow waviness of the growth rings, 36 x 24 px cells
    Lattice ripple{0x6B1A7E02, 4, 24};  // finer waviness, 18 x 12 px cells
    Lattice fibre{0x6B1A7E03, 12, 256}; // fibres, 6 x 1 px cells
    Lattice pores{0x6B1A7E04, 24, 128}; // darker flecks, 3 x 2 px cells
    Lattice tone{0x6B1A7E05, 2, 10};    // broad light and dark patches
};

// One bitmap's own grain and hollow, and where its rows lie on the board; all
// lengths in Q16 pixels of the 100 % board.
struct Tile {
    int64_t w, h;
    int64_t board_y; // board row of its top pixel
    Hollow hollow;
    Lattice own; // its own waviness, faded out towards its edges
};

// Fade from 0 at a tile edge to 1 some way in.
int64_t edge_fade(int64_t pos, int64_t size)
{
    int64_t from_edge = pos < size - pos ? pos : size - pos;
    return smooth16((from_edge << 16) / px(16));
}

// Brightness of the bare wood at (x, y) of the tile and at depth d.
int64_t wood_at(const Grain& g, const Tile& t, int64_t x, int64_t y, int64_t d)
{
    int64_t by = y + t.board_y;
    int64_t half = ONE / 2;
    // Position across the growth rings, in rings (one every 13 pixels).
    int64_t rings = by / 13;
    rings += mul16(g.wave.at(x / 36, by / 24) - half, q16(11, 10));
    rings += mul16(g.ripple.at(x / 18, by / 12) - half, q16(35, 100));
    int64_t fade = mul16(edge_fade(x, t.w), edge_fade(y, t.h));
    rings += mul16(mul16(t.own.at(x / 20, y / 18) - half, q16(13, 10)), fade);
    rings += mul16(d, q16(16, 100)); // carving cuts down through the rings
    // Within a ring: pale early wood, darkening into the late wood, which ends sharply.
    int64_t f = rings & 0xFFFF;
    int64_t late = 0;
    if (f > half) {
        int64_t u = ((f - half) << 16) / half;
        late = mul16(u, u);
        late = mul16(late, smooth16(((ONE - f) << 16) / q16(8, 100)));
    }
    int64_t v = q16(96, 100);
    v -= mul16(late, q16(19, 100));
    v += mul16(g.fibre.at(x / 6, by) - half, q16(9, 100));
    int64_t fleck = g.pores.at(x / 3, by / 2) - q16(80, 100);
    if (fleck > 0)
        v -= mul16(fleck, q16(35, 100));
    v += mul16(g.tone.at(x / 36, by / 30) - half, q16(6, 100));
    return v;
}

// Palette index 0 is the darkest shade, 255 the brightest.
constexpr int64_t BRIGHTEST = q16(13, 10);

std::vector<Rgb> wood_palette()
{
    struct Stop {
        int at; // palette index
        int r, g, b;
    };
    static const Stop stops[] = {
        {0, 38, 20, 8},       {50, 96, 56, 26},     {100, 158, 104, 56},  {140, 198, 146, 90},
        {170, 222, 178, 122}, {196, 236, 202, 152}, {225, 246, 222, 182}, {255, 254, 242, 214},
    };
    std::vector<Rgb> pal;
    for (int i = 0; i < 256; ++i) {
        size_t k = 0;
        while (stops[k + 1].at < i)
            ++k;
        const Stop& lo = stops[k];
        const Stop& hi = stops[k + 1];
        int span = hi.at - lo.at, pos = i - lo.at;
        auto mix = [&](int a, int b) { return uint8_t((a * (span - pos) + b * pos + span / 2) / span); };
        pal.push_back({mix(lo.r, hi.r), mix(lo.g, hi.g), mix(lo.b, hi.b)});
    }
    return pal;
}

// Q16 pixels at `percent` to Q16 pixels of the 100 % board.
int64_t unscale(int64_t v, int percent)
{
    return v * 100 / percent;
}

Picture render(const Grain& g, const Tile& t, int w, int h, int percent)
{
    Picture pic(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int64_t sum = 0;
            for (int sy = 0; sy < SUB; ++sy) {
                for (int sx = 0; sx < SUB; ++sx) {
                    int64_t fx = unscale(px(x) + ((2 * sx + 1) << 16) / (2 * SUB), percent);
                    int64_t fy = unscale(px(y) + ((2 * sy + 1) << 16) / (2 * SUB), percent);
                    int64_t d = depth_at(t.hollow, fx, fy);
                    sum += mul16(wood_at(g, t, fx, fy, d), light_at(t.hollow, fx, fy, d));
                }
            }
            int64_t b = sum / (SUB * SUB);
            pic.at(x, y) = uint8_t(clamp64((b * 255 + BRIGHTEST / 2) / BRIGHTEST, 0, 255));
        }
    }
    return pic;
}

} // namespace

BoardArt make_board(int percent)
{
    Grain grain;
    // The bins' hollows are centred where the stones are laid out; the store
    // is one long hollow over both rows.
    const Hollow bin{px(36), px(53), px(31), px(47), 0, px(13)};
    const Hollow store{px(36), px(105), px(31), px(40), px(58), px(15)};
    // The bitmaps' sizes round, so at 150 % a cell covers a little more than
    // 105 rows of the 100 % board; the tiles are measured from the rounded
    // sizes so that they still meet edge to edge on it.
    const int w = scaled(CELL_W, percent), h = scaled(CELL_H, percent);
    const int64_t bw = unscale(px(w), percent), bh = unscale(px(h), percent);
    Tile top{bw, bh, 0, bin, Lattice(0x70B0021, 4, 6)};
    Tile bottom{bw, bh, bh, bin, Lattice(0x70B0042, 4, 6)};
    Tile tall{bw, unscale(px(2 * h), percent), 0, store, Lattice(0x70B0003, 4, 12)};
    return BoardArt{wood_palette(), render(grain, top, w, h, percent), render(grain, bottom, w, h, percent),
                    render(grain, tall, w, 2 * h, percent)};
}

} // namespace art
