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
//   BITMAP 132..134      board_*_150.bmp    top, bottom, store at 150 %: 108 x 158, 108 x 316
//   BITMAP 135..139      stone_*_150.bmp    blue, green, red, white, yellow at 150 %: 30 x 38
//   BITMAP 140..142      board_*_200.bmp    top, bottom, store at 200 %: 144 x 210, 144 x 420
//   BITMAP 143..147      stone_*_200.bmp    blue, green, red, white, yellow at 200 %: 40 x 50
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
    // Indexed by stone colour.
    static const char* const stone_names[5] = {"blue", "green", "red", "white", "yellow"};

    bool ok = true;
    for (int percent : {100, 150, 200}) {
        // The 100 % files keep their plain names.
        const std::string ending = percent == 100 ? ".bmp" : "_" + std::to_string(percent) + ".bmp";
        const BoardArt board = make_board(percent);
        ok = write_file(dir / ("board_top" + ending), bmp_file(board.top_bin, 8, board.palette)) && ok;
        ok = write_file(dir / ("board_bottom" + ending), bmp_file(board.bottom_bin, 8, board.palette)) && ok;
        ok = write_file(dir / ("board_store" + ending), bmp_file(board.store, 8, board.palette)) && ok;
        for (int colour = 0; colour < 5; ++colour) {
            const Picture stone = make_stone(colour, percent);
            ok = write_file(dir / ("stone_" + std::string(stone_names[colour]) + ending),
                            bmp_file(stone, 4, vga)) &&
                 ok;
        }
    }
    const IconArt icon = make_icon();
    ok = write_file(dir / "wkivari.ico", ico_file(icon)) && ok;
    for (int size : {32, 48, 64, 128})
        ok = write_file(dir / ("wkivari-" + std::to_string(size) + ".png"), png_icon(icon, size)) && ok;
    ok = write_file(dir / "move.wav", make_move_sound()) && ok;
    return ok ? 0 : 1;
}
