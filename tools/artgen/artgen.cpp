// artgen: writes the program's art and sound into the given folder; the
// results are committed in resources/ and must be byte-for-byte what this
// program writes (artgen_test checks it). After changing the art, run
// `artgen resources` from the top folder and commit the files it rewrites.
//
//   resource id          file
//   ICON   108           wkivari.ico        the program's icon, 32 x 32, 16 colours
//   BITMAP 110           board_top.bmp      a top-row bin, 72 x 105, 8 bits
//   BITMAP 111           board_bottom.bmp   a bottom-row bin, 72 x 105, 8 bits
//   BITMAP 112           board_store.bmp    a store, 72 x 210, 8 bits
//   BITMAP 125           stone_blue.bmp     stone colour 0, 20 x 25, 4 bits
//   BITMAP 127           stone_green.bmp    stone colour 1
//   BITMAP 128           stone_yellow.bmp   stone colour 4
//   BITMAP 129           stone_white.bmp    stone colour 3
//   BITMAP 130           stone_red.bmp      stone colour 2
//   WAVE   131           move.wav           the move sound, Microsoft ADPCM
//   (desktop)            wkivari-<n>.png    the icon at n = 32, 48, 64, 128 pixels
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "art.h"

namespace {

bool write_file(const std::filesystem::path& path, const art::Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "artgen: cannot write %s\n", path.string().c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: artgen <output folder>\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);

    using namespace art;
    const std::vector<Rgb> vga(vga16, vga16 + 16);
    const BoardArt board = make_board();
    // Indexed by stone colour.
    static const char* const stone_files[5] = {
        "stone_blue.bmp", "stone_green.bmp", "stone_red.bmp", "stone_white.bmp", "stone_yellow.bmp",
    };

    bool ok = write_file(dir / "board_top.bmp", bmp_file(board.top_bin, 8, board.palette));
    ok = write_file(dir / "board_bottom.bmp", bmp_file(board.bottom_bin, 8, board.palette)) && ok;
    ok = write_file(dir / "board_store.bmp", bmp_file(board.store, 8, board.palette)) && ok;
    for (int colour = 0; colour < 5; ++colour)
        ok = write_file(dir / stone_files[colour], bmp_file(make_stone(colour), 4, vga)) && ok;
    const IconArt icon = make_icon();
    ok = write_file(dir / "wkivari.ico", ico_file(icon)) && ok;
    for (int size : {32, 48, 64, 128})
        ok = write_file(dir / ("wkivari-" + std::to_string(size) + ".png"), png_icon(icon, size)) && ok;
    ok = write_file(dir / "move.wav", make_move_sound()) && ok;
    return ok ? 0 : 1;
}
