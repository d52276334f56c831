// Checks that the committed art is exactly what artgen writes, and that each
// file has the format the program's resources need.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

const char* const kFiles[] = {
    "board_top.bmp",  "board_bottom.bmp", "board_store.bmp",  "stone_blue.bmp",  "stone_green.bmp",
    "stone_red.bmp",  "stone_white.bmp",  "stone_yellow.bmp", "wkivari.ico",     "move.wav",
    "wkivari-32.png", "wkivari-48.png",   "wkivari-64.png",   "wkivari-128.png",
};

Bytes read_file(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes resource(const char* name)
{
    return read_file(fs::path(RESOURCES_DIR) / name);
}

uint32_t u16(const Bytes& b, size_t at)
{
    return uint32_t(b.at(at)) | uint32_t(b.at(at + 1)) << 8;
}
uint32_t u32(const Bytes& b, size_t at)
{
    return u16(b, at) | u16(b, at + 2) << 16;
}
int32_t s16(const Bytes& b, size_t at)
{
    return int16_t(uint16_t(u16(b, at)));
}

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

const Rgb kVga[16] = {
    {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128}, {128, 0, 128},
    {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
};

// A BMP file's headers and pixels (as palette colours, rows top to bottom).
struct Bmp {
    int32_t width = 0, height = 0;
    uint32_t bits = 0, compression = 0, colours = 0, offset = 0, file_size = 0;
    std::vector<Rgb> palette;
    std::vector<std::vector<Rgb>> rows;
};

Bmp parse_bmp(const Bytes& f)
{
    Bmp bmp;
    EXPECT_GE(f.size(), 54u);
    if (f.size() < 54)
        return bmp;
    EXPECT_EQ(f[0], 'B');
    EXPECT_EQ(f[1], 'M');
    bmp.file_size = u32(f, 2);
    bmp.offset = u32(f, 10);
    EXPECT_EQ(u32(f, 14), 40u) << "BITMAPINFOHEADER";
    bmp.width = int32_t(u32(f, 18));
    bmp.height = int32_t(u32(f, 22));
    EXPECT_EQ(u16(f, 26), 1u) << "planes";
    bmp.bits = u16(f, 28);
    bmp.compression = u32(f, 30);
    bmp.colours = u32(f, 46) ? u32(f, 46) : 1u << bmp.bits;
    for (uint32_t i = 0; i < bmp.colours && 54 + 4 * i + 3 < f.size(); ++i)
        bmp.palette.push_back({f[54 + 4 * i + 2], f[54 + 4 * i + 1], f[54 + 4 * i]});
    if (bmp.height <= 0 || bmp.width <= 0 || (bmp.bits != 4 && bmp.bits != 8))
        return bmp;
    size_t stride = ((size_t(bmp.width) * bmp.bits + 31) / 32) * 4;
    EXPECT_EQ(f.size(), bmp.offset + stride * size_t(bmp.height));
    if (f.size() < bmp.offset + stride * size_t(bmp.height))
        return bmp;
    for (int32_t y = 0; y < bmp.height; ++y) {
        size_t row = bmp.offset + size_t(bmp.height - 1 - y) * stride; // bottom-up
        std::vector<Rgb> line;
        for (int32_t x = 0; x < bmp.width; ++x) {
            uint32_t v =
                bmp.bits == 8 ? f[row + size_t(x)] : (f[row + size_t(x) / 2] >> (x % 2 ? 0 : 4)) & 15;
            line.push_back(v < bmp.palette.size() ? bmp.palette[v] : Rgb{-1, -1, -1});
        }
        bmp.rows.push_back(line);
    }
    return bmp;
}

// Runs the generator once for the whole suite.
class Generated : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        fs::remove_all(ARTGEN_SCRATCH);
        const std::string command = std::string("\"") + ARTGEN_EXE + "\" \"" + ARTGEN_SCRATCH + "\"";
        status_ = std::system(command.c_str());
    }
    static int status_;
};
int Generated::status_ = -1;

TEST_F(Generated, WritesExactlyTheResourceFiles)
{
    ASSERT_EQ(status_, 0);
    std::set<std::string> written;
    for (const auto& entry : fs::directory_iterator(ARTGEN_SCRATCH))
        written.insert(entry.path().filename().string());
    EXPECT_EQ(written, std::set<std::string>(std::begin(kFiles), std::end(kFiles)));
}

TEST_F(Generated, CommittedFilesAreByteForByteItsOutput)
{
    ASSERT_EQ(status_, 0);
    for (const char* name : kFiles) {
        const Bytes made = read_file(fs::path(ARTGEN_SCRATCH) / name);
        const Bytes committed = resource(name);
        ASSERT_FALSE(made.empty()) << name;
        EXPECT_EQ(made.size(), committed.size()) << name;
        auto diff = std::mismatch(made.begin(), made.end(), committed.begin(), committed.end());
        EXPECT_TRUE(diff.first == made.end() && diff.second == committed.end())
            << name << " differs from offset " << (diff.first - made.begin())
            << "; run artgen into resources/ and commit the result";
    }
}

TEST(BoardBitmaps, AreBottomUpEightBitWithA256ColourPalette)
{
    struct Expected {
        const char* name;
        int32_t w, h;
    };
    for (const Expected& e : {Expected{"board_top.bmp", 72, 105}, Expected{"board_bottom.bmp", 72, 105},
                              Expected{"board_store.bmp", 72, 210}}) {
        const Bytes f = resource(e.name);
        const Bmp bmp = parse_bmp(f);
        EXPECT_EQ(bmp.width, e.w) << e.name;
        EXPECT_EQ(bmp.height, e.h) << e.name << " (positive: bottom-up)";
        EXPECT_EQ(bmp.bits, 8u) << e.name;
        EXPECT_EQ(bmp.compression, 0u) << e.name;
        EXPECT_EQ(bmp.colours, 256u) << e.name;
        EXPECT_EQ(bmp.offset, 14u + 40u + 256u * 4u) << e.name;
        EXPECT_EQ(bmp.file_size, f.size()) << e.name;
    }
}

TEST(BoardBitmaps, AreLightWarmWood)
{
    for (const char* name : {"board_top.bmp", "board_bottom.bmp", "board_store.bmp"}) {
        const Bmp bmp = parse_bmp(resource(name));
        ASSERT_FALSE(bmp.rows.empty()) << name;
        // The top left corner is the flat board, away from the hollow.
        const Rgb c = bmp.rows[2][2];
        EXPECT_GT(c.r, c.g) << name;
        EXPECT_GT(c.g, c.b) << name;
        EXPECT_GT(c.r + c.g + c.b, 3 * 170) << name;
        // The hollow's top edge lies in shadow, its bottom edge in light.
        const int32_t mid = bmp.width / 2;
        int top_dark = 255 * 3, bottom_light = 0;
        for (int32_t y = 0; y < bmp.height / 4; ++y) {
            const Rgb t = bmp.rows[size_t(y)][size_t(mid)];
            const Rgb b = bmp.rows[size_t(bmp.height - 1 - y)][size_t(mid)];
            top_dark = std::min(top_dark, t.r + t.g + t.b);
            bottom_light = std::max(bottom_light, b.r + b.g + b.b);
        }
        EXPECT_LT(top_dark + 60, c.r + c.g + c.b) << name;
        EXPECT_GT(bottom_light, c.r + c.g + c.b) << name;
    }
}

const char* const kStones[5] = {"stone_blue.bmp", "stone_green.bmp", "stone_red.bmp", "stone_white.bmp",
                                "stone_yellow.bmp"};

TEST(StoneBitmaps, AreFourBitInTheSixteenStandardColours)
{
    for (const char* name : kStones) {
        const Bytes f = resource(name);
        const Bmp bmp = parse_bmp(f);
        EXPECT_EQ(bmp.width, 20) << name;
        EXPECT_EQ(bmp.height, 25) << name;
        EXPECT_EQ(bmp.bits, 4u) << name;
        EXPECT_EQ(bmp.compression, 0u) << name;
        EXPECT_EQ(bmp.file_size, f.size()) << name;
        ASSERT_EQ(bmp.palette.size(), 16u) << name;
        // A 4-bit image list maps every pixel to these: drawn in them, the
        // stones come through unchanged.
        for (size_t i = 0; i < 16; ++i)
            EXPECT_EQ(bmp.palette[i], kVga[i]) << name << " entry " << i;
    }
}

// Black is the mask colour: a black pixel inside a marble would be a hole.
TEST(StoneBitmaps, BlackOnlySurroundsTheMarble)
{
    for (const char* name : kStones) {
        const Bmp bmp = parse_bmp(resource(name));
        ASSERT_EQ(bmp.rows.size(), 25u) << name;
        const int w = 20, h = 25;
        auto black = [&](int x, int y) { return bmp.rows[size_t(y)][size_t(x)] == Rgb{0, 0, 0}; };
        // Flood the black from the edges; no black may be left over.
        std::vector<bool> outside(size_t(w * h), false);
        std::vector<std::pair<int, int>> todo;
        for (int x = 0; x < w; ++x)
            todo.insert(todo.end(), {{x, 0}, {x, h - 1}});
        for (int y = 0; y < h; ++y)
            todo.insert(todo.end(), {{0, y}, {w - 1, y}});
        while (!todo.empty()) {
            auto [x, y] = todo.back();
            todo.pop_back();
            if (x < 0 || y < 0 || x >= w || y >= h || outside[size_t(y * w + x)] || !black(x, y))
                continue;
            outside[size_t(y * w + x)] = true;
            todo.insert(todo.end(), {{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}});
        }
        int marble = 0;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                if (!outside[size_t(y * w + x)]) {
                    EXPECT_FALSE(black(x, y)) << name << " has a hole at " << x << "," << y;
                    ++marble;
                }
            }
        }
        EXPECT_GT(marble, 250) << name << ": the marble should nearly fill its 20 pixels' width";
        EXPECT_TRUE(outside[0] && outside[size_t(w * h - 1)]) << name << ": corners are see-through";
    }
}

TEST(StoneBitmaps, EachIsTheColourItIsNamedFor)
{
    // Which of the 16 colours may make up each marble's body (white highlights aside).
    const std::set<int> body[5] = {{4, 12}, {2, 10}, {1, 9}, {7, 8}, {3, 11}};
    for (int c = 0; c < 5; ++c) {
        const Bmp bmp = parse_bmp(resource(kStones[c]));
        int in_body = 0, other = 0;
        for (const auto& row : bmp.rows) {
            for (const Rgb& px : row) {
                if (px == kVga[0] || px == kVga[15])
                    continue;
                bool found = false;
                for (int i : body[c])
                    found = found || px == kVga[i];
                (found ? in_body : other) += 1;
            }
        }
        EXPECT_GT(in_body, 200) << kStones[c];
        EXPECT_EQ(other, 0) << kStones[c];
    }
}

TEST(Icon, IsOne32By32SixteenColourImageWithItsMask)
{
    const Bytes f = resource("wkivari.ico");
    ASSERT_GE(f.size(), 22u + 40u);
    EXPECT_EQ(u16(f, 0), 0u);
    EXPECT_EQ(u16(f, 2), 1u) << "an icon, not a cursor";
    ASSERT_EQ(u16(f, 4), 1u) << "one image";
    EXPECT_EQ(f[6], 32);
    EXPECT_EQ(f[7], 32);
    EXPECT_EQ(f[8], 16) << "colours";
    EXPECT_EQ(u16(f, 12), 4u) << "bits per pixel";
    const uint32_t size = u32(f, 14), at = u32(f, 18);
    const uint32_t colour_bytes = 32 * 16, mask_bytes = 32 * 4;
    EXPECT_EQ(size, 40u + 16u * 4u + colour_bytes + mask_bytes);
    ASSERT_EQ(size_t(at) + size, f.size());
    EXPECT_EQ(u32(f, at), 40u);
    EXPECT_EQ(u32(f, at + 4), 32u);
    EXPECT_EQ(u32(f, at + 8), 64u) << "colour and mask rows together";
    EXPECT_EQ(u16(f, at + 14), 4u);
    for (size_t i = 0; i < 16; ++i) {
        const size_t p = at + 40 + 4 * i;
        EXPECT_EQ((Rgb{f[p + 2], f[p + 1], f[p]}), kVga[i]) << "palette entry " << i;
    }
    // The mask, bottom row first: the corners show the desktop, the middle is opaque.
    const size_t mask = at + 40 + 64 + colour_bytes;
    auto clear = [&](int x, int y) {
        return (f[mask + size_t(31 - y) * 4 + size_t(x / 8)] >> (7 - x % 8)) & 1;
    };
    EXPECT_TRUE(clear(0, 0) && clear(31, 0) && clear(0, 31) && clear(31, 31));
    EXPECT_FALSE(clear(16, 16));
    // A see-through pixel is black in the colour part, or it would tint the desktop.
    const size_t colour = at + 40 + 64;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            if (clear(x, y)) {
                EXPECT_EQ((f[colour + size_t(31 - y) * 16 + size_t(x / 2)] >> (x % 2 ? 0 : 4)) & 15, 0)
                    << x << "," << y;
            }
        }
    }
}

uint32_t be32(const Bytes& b, size_t at)
{
    return uint32_t(b.at(at)) << 24 | uint32_t(b.at(at + 1)) << 16 | uint32_t(b.at(at + 2)) << 8 |
           b.at(at + 3);
}

uint32_t crc32_of(const Bytes& b, size_t at, size_t n)
{
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = at; i < at + n; ++i) {
        c ^= b.at(i);
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    }
    return ~c;
}

// A desktop icon's RGBA pixels, read back through its chunks and stored
// deflate blocks, with each chunk's CRC and the stream's Adler-32 checked.
struct Png {
    uint32_t w = 0, h = 0;
    std::vector<std::vector<uint32_t>> rows; // 0xRRGGBBAA
};

Png parse_png(const Bytes& f)
{
    Png png;
    const Bytes sig = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_TRUE(f.size() > 8 && std::equal(sig.begin(), sig.end(), f.begin())) << "PNG signature";
    Bytes z;
    bool ended = false;
    for (size_t at = 8; at + 12 <= f.size() && !ended;) {
        const uint32_t len = be32(f, at);
        if (at + 12 + len > f.size())
            break;
        const std::string type(f.begin() + ptrdiff_t(at) + 4, f.begin() + ptrdiff_t(at) + 8);
        EXPECT_EQ(be32(f, at + 8 + len), crc32_of(f, at + 4, len + 4)) << type << " CRC";
        if (type == "IHDR") {
            png.w = be32(f, at + 8);
            png.h = be32(f, at + 12);
            EXPECT_EQ(f[at + 16], 8) << "bit depth";
            EXPECT_EQ(f[at + 17], 6) << "RGBA";
            EXPECT_EQ(f[at + 20], 0) << "not interlaced";
        }
        if (type == "IDAT")
            z.insert(z.end(), f.begin() + ptrdiff_t(at) + 8, f.begin() + ptrdiff_t(at) + 8 + len);
        ended = type == "IEND";
        at += 12 + len;
    }
    EXPECT_TRUE(ended) << "IEND";
    Bytes raw;
    size_t at = 2;
    for (bool last = false; !last && at + 5 <= z.size();) {
        last = z[at] & 1;
        EXPECT_EQ(z[at] & 6, 0) << "stored block";
        const size_t len = u16(z, at + 1);
        EXPECT_EQ(len ^ 0xFFFF, u16(z, at + 3));
        if (at + 5 + len > z.size())
            break;
        raw.insert(raw.end(), z.begin() + ptrdiff_t(at) + 5, z.begin() + ptrdiff_t(at + 5 + len));
        at += 5 + len;
    }
    uint32_t a = 1, b = 0;
    for (uint8_t v : raw)
        a = (a + v) % 65521, b = (b + a) % 65521;
    EXPECT_TRUE(at + 4 == z.size() && be32(z, at) == (b << 16 | a)) << "Adler-32";
    const size_t stride = 1 + size_t(png.w) * 4;
    EXPECT_EQ(raw.size(), stride * png.h);
    if (raw.size() != stride * png.h)
        return png;
    for (uint32_t y = 0; y < png.h; ++y) {
        EXPECT_EQ(raw[y * stride], 0) << "filter";
        std::vector<uint32_t> row;
        for (uint32_t x = 0; x < png.w; ++x)
            row.push_back(be32(raw, y * stride + 1 + 4 * x));
        png.rows.push_back(row);
    }
    return png;
}

TEST(DesktopIcons, AreTheIconScaledWithoutBlur)
{
    // The icon's own colours, as the .ico holds them, top row first.
    const Bytes ico = resource("wkivari.ico");
    ASSERT_EQ(ico.size(), 22u + 40u + 64u + 32u * 16u + 32u * 4u);
    const size_t colour = 22 + 40 + 64, mask = colour + 32 * 16;
    auto art = [&](int x, int y) -> uint32_t {
        if ((ico[mask + size_t(31 - y) * 4 + size_t(x / 8)] >> (7 - x % 8)) & 1)
            return 0;
        const Rgb c = kVga[(ico[colour + size_t(31 - y) * 16 + size_t(x / 2)] >> (x % 2 ? 0 : 4)) & 15];
        return uint32_t(c.r) << 24 | uint32_t(c.g) << 16 | uint32_t(c.b) << 8 | 255;
    };
    for (int size : {32, 48, 64, 128}) {
        const std::string name = "wkivari-" + std::to_string(size) + ".png";
        const Png png = parse_png(resource(name.c_str()));
        ASSERT_EQ(png.w, uint32_t(size)) << name;
        ASSERT_EQ(png.h, uint32_t(size)) << name;
        ASSERT_EQ(png.rows.size(), size_t(size)) << name;
        // Every pixel is exactly the art pixel it comes from: no blended colours.
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                ASSERT_EQ(png.rows[size_t(y)][size_t(x)], art(x * 32 / size, y * 32 / size))
                    << name << " at " << x << "," << y;
    }
}

// The clip's chunks, found by walking the RIFF file.
struct Wave {
    size_t fmt = 0, fmt_size = 0, fact = 0, data = 0, data_size = 0;
};

Wave walk_wave(const Bytes& f)
{
    Wave w;
    EXPECT_GE(f.size(), 12u);
    if (f.size() < 12)
        return w;
    EXPECT_EQ(std::string(f.begin(), f.begin() + 4), "RIFF");
    EXPECT_EQ(u32(f, 4), f.size() - 8);
    EXPECT_EQ(std::string(f.begin() + 8, f.begin() + 12), "WAVE");
    for (size_t at = 12; at + 8 <= f.size();) {
        const std::string tag(f.begin() + ptrdiff_t(at), f.begin() + ptrdiff_t(at) + 4);
        const size_t size = u32(f, at + 4);
        if (tag == "fmt ")
            w.fmt = at + 8, w.fmt_size = size;
        if (tag == "fact")
            w.fact = at + 8;
        if (tag == "data")
            w.data = at + 8, w.data_size = size;
        at += 8 + size + (size & 1);
    }
    return w;
}

TEST(MoveSound, IsMonoMicrosoftAdpcmOfAboutATenthOfASecond)
{
    const Bytes f = resource("move.wav");
    const Wave w = walk_wave(f);
    ASSERT_NE(w.fmt, 0u);
    ASSERT_NE(w.fact, 0u);
    ASSERT_NE(w.data, 0u);
    ASSERT_EQ(w.fmt_size, 50u);
    EXPECT_EQ(u16(f, w.fmt), 2u) << "WAVE_FORMAT_ADPCM";
    EXPECT_EQ(u16(f, w.fmt + 2), 1u) << "mono";
    EXPECT_EQ(u32(f, w.fmt + 4), 22050u);
    const uint32_t align = u16(f, w.fmt + 12), per_block = u16(f, w.fmt + 18);
    EXPECT_EQ(align, 512u);
    EXPECT_EQ(u16(f, w.fmt + 14), 4u) << "bits per sample";
    EXPECT_EQ(u16(f, w.fmt + 16), 32u) << "extension size";
    EXPECT_EQ(per_block, (align - 7) * 2 + 2);
    EXPECT_EQ(u32(f, w.fmt + 8), 22050u * align / per_block) << "bytes per second";
    ASSERT_EQ(u16(f, w.fmt + 20), 7u) << "coefficient pairs";
    const int coefs[7][2] = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};
    for (size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(s16(f, w.fmt + 22 + 4 * i), coefs[i][0]);
        EXPECT_EQ(s16(f, w.fmt + 24 + 4 * i), coefs[i][1]);
    }
    const uint32_t samples = u32(f, w.fact);
    EXPECT_EQ(samples, 2527u);
    EXPECT_EQ(w.data_size % align, 0u) << "whole blocks";
    EXPECT_EQ(w.data_size / align, (samples + per_block - 1) / per_block);
}

// Decodes the clip as Windows' ADPCM codec does.
std::vector<int> decode_adpcm(const Bytes& f, const Wave& w)
{
    static const int coef1[7] = {256, 512, 0, 192, 240, 460, 392};
    static const int coef2[7] = {0, -256, 0, 64, 0, -208, -232};
    static const int adapt[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                                  768, 614, 512, 409, 307, 230, 230, 230};
    std::vector<int> out;
    for (size_t block = w.data; block + 512 <= w.data + w.data_size; block += 512) {
        const int p = f[block];
        if (p > 6)
            return {};
        int delta = s16(f, block + 1), s1 = s16(f, block + 3), s2 = s16(f, block + 5);
        out.push_back(s2);
        out.push_back(s1);
        for (size_t i = block + 7; i < block + 512; ++i) {
            for (int nibble : {f[i] >> 4, f[i] & 15}) {
                int code = nibble >= 8 ? nibble - 16 : nibble;
                int v = std::clamp((s1 * coef1[p] + s2 * coef2[p]) / 256 + code * delta, -32768, 32767);
                s2 = s1;
                s1 = v;
                out.push_back(v);
                delta = std::max(16, adapt[nibble] * delta / 256);
            }
        }
    }
    return out;
}

TEST(MoveSound, IsASoftKnockThatDiesAway)
{
    const Bytes f = resource("move.wav");
    const Wave w = walk_wave(f);
    ASSERT_NE(w.data, 0u);
    const std::vector<int> pcm = decode_adpcm(f, w);
    ASSERT_GE(pcm.size(), 2527u);
    auto peak = [&](size_t from, size_t to) {
        int p = 0;
        for (size_t i = from; i < to; ++i)
            p = std::max(p, std::abs(pcm[i]));
        return p;
    };
    const int loudest = peak(0, 2527);
    EXPECT_GT(loudest, 8000) << "audible";
    EXPECT_LT(loudest, 24000) << "soft, never clipped";
    EXPECT_GT(peak(0, 220), loudest * 9 / 10) << "the knock comes at once";
    EXPECT_LT(peak(2527 - 20, pcm.size()), 200) << "it ends in silence";
}

} // namespace
