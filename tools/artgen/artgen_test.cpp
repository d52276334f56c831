// The committed art is what artgen writes, and each file holds together as its
// loader reads it: sizes and offsets inside the file, header sizes, whole blocks.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

Bytes read_file(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}
uint32_t u16(const Bytes& b, size_t at)
{
    return at + 1 < b.size() ? b[at] | b[at + 1] << 8 : 0;
}
uint32_t u32(const Bytes& b, size_t at)
{
    return u16(b, at) | u16(b, at + 2) << 16;
}

TEST(Artgen, CommittedFilesAreItsOutputAndLoadable)
{
    fs::remove_all(ARTGEN_SCRATCH);
    ASSERT_EQ(std::system(("\"" ARTGEN_EXE "\" \"" ARTGEN_SCRATCH "\"")), 0);
    for (const auto& entry : fs::directory_iterator(ARTGEN_SCRATCH)) {
        const std::string name = entry.path().filename().string(), ext = entry.path().extension().string();
        const Bytes f = read_file(entry.path());
        EXPECT_TRUE(f == read_file(fs::path(RESOURCES_DIR) / name)) << name << ": run artgen into resources/";
        ASSERT_GE(f.size(), 62u) << name;
        if (ext == ".bmp") { // bottom-up, uncompressed, palette before the pixels
            const uint32_t bits = u16(f, 28), stride = (u32(f, 18) * bits + 31) / 32 * 4;
            EXPECT_TRUE(f[0] == 'B' && f[1] == 'M' && u32(f, 2) == f.size() && u32(f, 14) == 40) << name;
            EXPECT_TRUE((bits == 4 || bits == 8) && u32(f, 30) == 0 && int32_t(u32(f, 22)) > 0) << name;
            EXPECT_EQ(u32(f, 10), 54 + 4 * (u32(f, 46) ? u32(f, 46) : 1u << bits)) << name;
            EXPECT_EQ(f.size(), u32(f, 10) + stride * u32(f, 22)) << name;
        } else if (ext == ".ico") { // one image, its bytes where the directory says
            EXPECT_TRUE(u16(f, 0) == 0 && u16(f, 2) == 1 && u16(f, 4) == 1) << name;
            EXPECT_TRUE(u32(f, 14) + u32(f, 18) == f.size() && u32(f, u32(f, 18)) == 40) << name;
        } else if (ext == ".wav") { // RIFF sized right; ADPCM data in whole blocks
            EXPECT_EQ(std::string(f.begin(), f.begin() + 4) + std::string(f.begin() + 8, f.begin() + 16),
                      "RIFFWAVEfmt ");
            size_t at = 12;
            while (at + 8 <= f.size() && std::string(f.begin() + at, f.begin() + at + 4) != "data")
                at += 8 + u32(f, at + 4);
            const size_t data = at + 8 <= f.size() ? u32(f, at + 4) : 0;
            EXPECT_TRUE(data > 0 && at + 8 + data == f.size() && u32(f, 4) == f.size() - 8) << name;
            EXPECT_TRUE(data % u16(f, 32) == 0 && u16(f, 20) == 2)
                << name << ": Microsoft ADPCM, whole blocks";
        } else { // PNG: signature, then the header chunk
            EXPECT_EQ(std::string(f.begin() + 1, f.begin() + 4) + std::string(f.begin() + 12, f.begin() + 16),
                      "PNGIHDR");
        }
    }
}

} // namespace
