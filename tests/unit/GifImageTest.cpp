#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

#include "window/GifImage.h"

namespace qv {
namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

const std::string& Background() {
    static const std::string bytes = ReadFile(QV_SOURCE_DIR "/window/res/background.gif");
    return bytes;
}

// FNV-1a over the pixels' R, G, B bytes, row by row: the figure an
// independent decoder (Pillow) gives for the committed picture.
std::uint64_t Fingerprint(const DecodedImage& image) {
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (const std::uint32_t pixel : image.pixels)
        for (const int shift : {16, 8, 0}) {
            hash ^= (pixel >> shift) & 0xFFu;
            hash *= 0x100000001b3u;
        }
    return hash;
}

TEST(GifImage, DecodesTheBackgroundExactly) {
    ASSERT_FALSE(Background().empty());
    const auto image = DecodeGif(Background());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 250);
    EXPECT_EQ(image->height, 300);
    const auto at = [&](int x, int y) { return image->pixels[static_cast<std::size_t>(y * 250 + x)]; };
    EXPECT_EQ(at(120, 3), 0x66778Bu);  // the slate band
    EXPECT_EQ(at(236, 15), 0x323D4Du);  // the close square
    EXPECT_EQ(at(240, 19), 0xFFFFFFu);  // its white cross
    EXPECT_EQ(Fingerprint(*image), 0xb1c581c032aa8e06u);
}

TEST(GifImage, RefusesEveryTruncationAndJunk) {
    const std::string& bytes = Background();
    // The trailer is the last byte; every shorter prefix lacks image data.
    for (std::size_t length = 0; length + 2 < bytes.size(); length += 31)
        EXPECT_FALSE(DecodeGif(std::string_view(bytes).substr(0, length))) << length;
    EXPECT_FALSE(DecodeGif("GIF89a"));
    EXPECT_FALSE(DecodeGif("PNG\r\n\x1a\n and more bytes than a header needs"));
    std::string corrupt = bytes;
    corrupt[13 + 3 * 256 + 10] = 12;  // an impossible LZW minimum code size
    EXPECT_FALSE(DecodeGif(corrupt));
}

}  // namespace
}  // namespace qv
