// A PNG writer for the desktop icons: 8-bit RGBA, deflate in stored blocks, so
// the bytes depend on nothing but the picture.
#include "art.h"

namespace art {

namespace {

void put_be32(Bytes& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(uint8_t(v >> shift));
}

uint32_t crc32(const uint8_t* p, size_t n)
{
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return c ^ 0xFFFFFFFFu;
}

uint32_t adler32(const Bytes& data)
{
    uint32_t a = 1, b = 0;
    for (uint8_t v : data) {
        a = (a + v) % 65521u;
        b = (b + a) % 65521u;
    }
    return b << 16 | a;
}

// A chunk: length, type, data, and the CRC of type and data.
void put_chunk(Bytes& out, const char type[4], const Bytes& data)
{
    put_be32(out, uint32_t(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put_be32(out, crc32(out.data() + start, out.size() - start));
}

// A zlib stream of stored (uncompressed) deflate blocks of at most 65535 bytes.
Bytes zlib_stored(const Bytes& raw)
{
    Bytes z = {0x78, 0x01};
    size_t at = 0;
    do {
        const size_t len = raw.size() - at < 65535 ? raw.size() - at : 65535;
        const bool last = at + len == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(uint8_t(len));
        z.push_back(uint8_t(len >> 8));
        z.push_back(uint8_t(~len));
        z.push_back(uint8_t(~len >> 8));
        z.insert(z.end(), raw.begin() + ptrdiff_t(at), raw.begin() + ptrdiff_t(at + len));
        at += len;
    } while (at < raw.size());
    put_be32(z, adler32(raw));
    return z;
}

} // namespace

Bytes png_icon(const IconArt& icon, int size)
{
    const Picture& pic = icon.pic;
    const int w = size, h = size;
    Bytes raw;
    raw.reserve(size_t(h) * (1 + size_t(w) * 4));
    for (int y = 0; y < h; ++y) {
        raw.push_back(0); // filter: none
        for (int x = 0; x < w; ++x) {
            // Nearest neighbour: each art pixel becomes a block of whole
            // pixels, square at 64 and 128, so the edges stay sharp.
            const int sx = x * pic.w / w, sy = y * pic.h / h;
            const Rgb c = vga16[pic.at(sx, sy) & 15];
            const bool clear = icon.clear[size_t(sy) * size_t(pic.w) + size_t(sx)];
            raw.push_back(clear ? 0 : c.r);
            raw.push_back(clear ? 0 : c.g);
            raw.push_back(clear ? 0 : c.b);
            raw.push_back(clear ? 0 : 255);
        }
    }
    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes ihdr;
    put_be32(ihdr, uint32_t(w));
    put_be32(ihdr, uint32_t(h));
    ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0}); // 8 bits, RGBA, deflate, no filter choice, no interlace
    put_chunk(out, "IHDR", ihdr);
    put_chunk(out, "IDAT", zlib_stored(raw));
    put_chunk(out, "IEND", {});
    return out;
}

} // namespace art
