// Writers for the Windows file formats the resource compiler takes: BMP and ICO.
#include "art.h"

namespace art {

const Rgb vga16[16] = {
    {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128}, {128, 0, 128},
    {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
};

namespace {

void put16(Bytes& out, uint32_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void put32(Bytes& out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

uint32_t row_bytes(int w, int bits)
{
    return ((uint32_t(w) * uint32_t(bits) + 31) / 32) * 4;
}

// BITMAPINFOHEADER; `rows` is the height field (twice the height in an icon).
void put_info_header(Bytes& out, int w, int rows, int bits, uint32_t image_size, uint32_t colours)
{
    put32(out, 40);
    put32(out, uint32_t(w));
    put32(out, uint32_t(rows));
    put16(out, 1); // planes
    put16(out, uint32_t(bits));
    put32(out, 0); // BI_RGB
    put32(out, image_size);
    put32(out, 0); // no preferred resolution
    put32(out, 0);
    put32(out, colours);
    put32(out, 0); // all colours important
}

void put_palette(Bytes& out, const std::vector<Rgb>& palette, size_t entries)
{
    for (size_t i = 0; i < entries; ++i) {
        Rgb c = i < palette.size() ? palette[i] : Rgb{0, 0, 0};
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        out.push_back(0);
    }
}

// Pixel rows bottom-up, each padded to a multiple of four bytes.
void put_pixels(Bytes& out, const Picture& pic, int bits)
{
    uint32_t stride = row_bytes(pic.w, bits);
    for (int y = pic.h - 1; y >= 0; --y) {
        Bytes row(stride, 0);
        for (int x = 0; x < pic.w; ++x) {
            uint8_t v = pic.at(x, y);
            if (bits == 8) {
                row[size_t(x)] = v;
            } else {
                row[size_t(x / 2)] |= uint8_t((v & 0x0F) << (x % 2 == 0 ? 4 : 0));
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
}

} // namespace

Bytes bmp_file(const Picture& pic, int bits, const std::vector<Rgb>& palette)
{
    uint32_t colours = 1u << bits;
    uint32_t image_size = row_bytes(pic.w, bits) * uint32_t(pic.h);
    uint32_t offset = 14 + 40 + 4 * colours;
    Bytes out;
    out.push_back('B');
    out.push_back('M');
    put32(out, offset + image_size);
    put32(out, 0); // reserved
    put32(out, offset);
    put_info_header(out, pic.w, pic.h, bits, image_size, colours);
    put_palette(out, palette, colours);
    put_pixels(out, pic, bits);
    return out;
}

Bytes ico_file(const IconArt& icon)
{
    const Picture& pic = icon.pic;
    const std::vector<bool>& clear = icon.clear;
    const int bits = 4;
    uint32_t xor_size = row_bytes(pic.w, bits) * uint32_t(pic.h);
    uint32_t and_stride = row_bytes(pic.w, 1);
    uint32_t and_size = and_stride * uint32_t(pic.h);
    uint32_t res_size = 40 + 16 * 4 + xor_size + and_size;
    Bytes out;
    // ICONDIR and its one ICONDIRENTRY.
    put16(out, 0);
    put16(out, 1); // icon
    put16(out, 1); // one image
    out.push_back(uint8_t(pic.w));
    out.push_back(uint8_t(pic.h));
    out.push_back(16); // colours
    out.push_back(0);
    put16(out, 1); // planes
    put16(out, bits);
    put32(out, res_size);
    put32(out, 6 + 16);
    put_info_header(out, pic.w, 2 * pic.h, bits, xor_size + and_size, 0);
    put_palette(out, std::vector<Rgb>(vga16, vga16 + 16), 16);
    // A see-through pixel is black in the colour part, so that the screen
    // behind it is left as it is.
    Picture colour = pic;
    for (size_t i = 0; i < colour.px.size(); ++i)
        if (clear[i])
            colour.px[i] = BLACK;
    put_pixels(out, colour, bits);
    for (int y = pic.h - 1; y >= 0; --y) {
        Bytes row(and_stride, 0);
        for (int x = 0; x < pic.w; ++x)
            if (clear[size_t(y) * size_t(pic.w) + size_t(x)])
                row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

} // namespace art
