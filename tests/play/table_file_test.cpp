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
    std::remove(path.c_str());
    endgame_table t;
    EXPECT_EQ(load_or_build_table(t, path, 4, false, nullptr, nullptr, nullptr, rename_file), TABLE_WRITTEN);
    const std::vector<uint8_t> image = t.image;
    EXPECT_EQ(load_or_build_table(t, path, 4, true, nullptr, nullptr, nullptr, rename_file), TABLE_WRITTEN)
        << "the other rule's table is built over it";
    EXPECT_EQ(load_or_build_table(t, path, 4, false, nullptr, nullptr, nullptr, rename_file), TABLE_WRITTEN);
    EXPECT_EQ(load_or_build_table(t, path, 4, false, nullptr, nullptr, nullptr, rename_file), TABLE_READ);
    for (const std::size_t length : {image.size(), image.size() - 1}) { // one byte changed; one short
        std::vector<char> bad(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(length));
        bad[length / 2] ^= 1;
        std::ofstream(path, std::ios::binary).write(bad.data(), static_cast<std::streamsize>(bad.size()));
        EXPECT_EQ(load_or_build_table(t, path, 4, false, nullptr, nullptr, nullptr, rename_file),
                  TABLE_WRITTEN);
        EXPECT_EQ(t.image, image);
    }
    EXPECT_EQ(load_or_build_table(t, path + ".none/t.tbl", 4, false, nullptr, nullptr, nullptr, rename_file),
              TABLE_IN_MEMORY);
    EXPECT_EQ(t.image, image) << "kept for the run";
    std::remove(path.c_str());
}

} // namespace
