// make-example: authors pirite.jpg, the example image offered on the first run. It
// renders the picture, scrambles one card comment holding all four cards and
// writes both, with one ordinary comment, into a JPEG.
//   make-example OUTPUT.jpg

#include <cstdio>  // before jpeglib.h, which needs FILE and size_t

#include <jpeglib.h>
#include <optional>
#include <string>

#include "PyriteScene.h"
#include "card/Scrambler.h"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int kQuality = 90;

// Plain text of the card comment; '\r\n' break multi-line values, and 0xFA is a
// Windows-1252 u with acute accent.
std::string PlainCardComment() {
    return "tSN"
           "|SPV0100|DCR07122026|CNATessellon Publisher|CVE0110"
           "|gen"
           "|TITPyrite cube cluster"
           "|LDEIntergrown cubes of pyrite on grey marl.\r\n"
           "Striated faces with a brassy metallic lustre."
           "|bca|LAY5"
           "|NAMHelen Marsh Minerals"
           "|MSGSpecimens photographed to order"
           "|URLwww.example.org/minerals"
           "|STA14 Quarry Lane\r\nGreystone GS4 2PY"
           "|PHO+44 1632 960418"
           "|FAX+44 1632 960419"
           "|EMAhelen@example.org"
           "|col|CTYMIN"
           "|NAMPyrite"
           "|FORFeS2"
           "|LOCNavaj\xFAn, La Rioja, Spain"
           "|HAR6 - 6.5"
           "|CRYCubic"
           "|SIZ42 x 38 x 35 mm"
           "|ACQPrivate collection, 2026"
           "|cpr|CST0"
           "|CREPicture rendered by the tsn-viewer authors"
           "|HLDThe tsn-viewer authors"
           "|end";
}

constexpr const char* kOrdinaryComment = "Example image of the Tessellon viewer";

void WriteComment(jpeg_compress_struct& info, const std::string& text) {
    jpeg_write_marker(&info, JPEG_COM, reinterpret_cast<const JOCTET*>(text.data()),
                      static_cast<unsigned>(text.size()));
}

bool WriteJpeg(const char* path, const RenderedPicture& picture, const std::string& cardComment) {
    std::FILE* file = std::fopen(path, "wb");
    if (!file)
        return false;
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);  // its error exit ends this tool, which is fine here
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = static_cast<JDIMENSION>(picture.width);
    info.image_height = static_cast<JDIMENSION>(picture.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, kQuality, TRUE);
    info.optimize_coding = TRUE;
    jpeg_start_compress(&info, TRUE);
    WriteComment(info, cardComment);
    WriteComment(info, kOrdinaryComment);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(
            &picture.rgb[static_cast<std::size_t>(info.next_scanline) * picture.width * 3]);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return std::fclose(file) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-example OUTPUT.jpg\n");
        return 2;
    }
    std::optional<std::string> card = ScrambleComment(PlainCardComment());
    if (!card) {
        std::fprintf(stderr, "make-example: the card comment cannot be scrambled\n");
        return 1;
    }
    const RenderedPicture picture = RenderPyrite(kWidth, kHeight);
    if (!WriteJpeg(argv[1], picture, *card)) {
        std::fprintf(stderr, "make-example: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
