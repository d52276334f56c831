// What the art generator's pieces share: images, palettes and file writers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace art {

struct Rgb {
    uint8_t r, g, b;
};

// The 16 standard VGA colours in the order of the Windows default palette.
// A 4-bit image list maps every pixel onto these, so the stones and the icon
// are drawn in them alone.
enum Vga : uint8_t {
    BLACK,
    MAROON,
    GREEN,
    OLIVE,
    NAVY,
    PURPLE,
    TEAL,
    SILVER,
    GREY,
    RED,
    LIME,
    YELLOW,
    BLUE,
    FUCHSIA,
    AQUA,
    WHITE
};
extern const Rgb vga16[16];

// A palette-indexed picture, rows top to bottom.
struct Picture {
    int w = 0, h = 0;
    std::vector<uint8_t> px;
    Picture(int width, int height) : w(width), h(height), px(size_t(width) * size_t(height), 0) {}
    uint8_t& at(int x, int y) { return px[size_t(y) * size_t(w) + size_t(x)]; }
    uint8_t at(int x, int y) const { return px[size_t(y) * size_t(w) + size_t(x)]; }
};

using Bytes = std::vector<uint8_t>;

// A Windows BMP file, BITMAPINFOHEADER, bottom-up, 4 or 8 bits per pixel.
Bytes bmp_file(const Picture& pic, int bits, const std::vector<Rgb>& palette);
// An icon's picture in the 16 colours, and which of its pixels are see-through.
struct IconArt {
    Picture pic{32, 32};
    std::vector<bool> clear = std::vector<bool>(32 * 32, true);
};
// A .ico file holding the one image with its AND mask.
Bytes ico_file(const IconArt& icon);
// A PNG file of the icon at size x size pixels, scaled by nearest neighbour
// (no blur), see-through where the icon is.
Bytes png_icon(const IconArt& icon, int size);

// A carved hollow: an ellipse, stretched along y by a straight middle part.
// All lengths are Q16 pixels.
struct Hollow {
    int64_t cx, cy;   // centre
    int64_t a, b;     // half width, half height of the rounded ends
    int64_t straight; // half length of the straight middle part
    int64_t depth;    // at the centre
};
// Depth below the surface at (x, y).
int64_t depth_at(const Hollow& h, int64_t x, int64_t y);
// Light on the surface at (x, y) and depth d, lit from the top left; Q16,
// 1 on the flat surface.
int64_t light_at(const Hollow& h, int64_t x, int64_t y, int64_t d);

// The colour of a pixel of a marble too small to dither, such as the icon's:
// (nx, ny) is its place from the centre in Q16 radii, inside the unit circle.
uint8_t small_marble_pixel(int colour, int64_t nx, int64_t ny);

// The board and the stones come at 100, 150 and 200 % for 96, 144 and 192
// DPI. A length of v pixels at 100 % is this long at `percent`, with halves
// rounded up: the same as MulDiv(v, dpi, 96).
constexpr int scaled(int v, int percent)
{
    return (v * percent + 50) / 100;
}

// The pieces of art.
struct BoardArt {
    std::vector<Rgb> palette; // 256 entries, shared by the three bitmaps and all sizes
    Picture top_bin, bottom_bin, store;
};
BoardArt make_board(int percent);
Picture make_stone(int colour, int percent); // colour 0..4: blue, green, red, white, yellow
IconArt make_icon();
Bytes make_move_sound(); // the complete .wav file

} // namespace art
