// The endgame table's file: read when whole, else built over and written in its place.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "game/table_file.h"

namespace {

// Windows' rename keeps a file already there.
bool rename_file(const char* from, const char* to)
{
    std::remove(to);
    return std::rename(from, to) == 0;
}

TEST(TableFile, OnlyAWholeTableOfTheSameStonesAndRuleIsRead)
{
    const std::string path = testing::TempDir() + "table_file_test.tbl";
    endgame_table t;
    const auto obtain = [&](bool caps, const std::string& at) {
        return load_or_build_table(t, at, 4, caps, nullptr, nullptr, nullptr, rename_file);
    };
    std::remove(path.c_str());
    EXPECT_EQ(obtain(true, path), TABLE_WRITTEN);
    EXPECT_EQ(obtain(false, path), TABLE_WRITTEN) << "the other rule's table is built over";
    EXPECT_EQ(obtain(false, path), TABLE_READ);
    const std::vector<uint8_t> image = t.image;
    for (const std::size_t length : {image.size(), image.size() - 1}) { // one byte changed; one short
        std::vector<char> bad(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(length));
        bad[length / 2] ^= 1;
        std::ofstream(path, std::ios::binary).write(bad.data(), static_cast<std::streamsize>(bad.size()));
        EXPECT_EQ(obtain(false, path), TABLE_WRITTEN);
        EXPECT_EQ(t.image, image);
    }
    EXPECT_EQ(obtain(false, path + ".none/t.tbl"), TABLE_IN_MEMORY);
    EXPECT_EQ(t.image, image) << "kept for the run";
    std::remove(path.c_str());
}

} // namespace
