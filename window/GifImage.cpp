#include "window/GifImage.h"

#include <array>
#include <cstddef>

namespace qv {
namespace {

// Reads bytes front to back; any read past the end fails the decode.
class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    bool Byte(std::uint8_t& value) {
        if (at_ >= bytes_.size()) return false;
        value = static_cast<std::uint8_t>(bytes_[at_++]);
        return true;
    }
    bool Word(int& value) {
        std::uint8_t low = 0;
        std::uint8_t high = 0;
        if (!Byte(low) || !Byte(high)) return false;
        value = low | (high << 8);
        return true;
    }
    bool Skip(std::size_t count) {
        if (bytes_.size() - at_ < count) return false;
        at_ += count;
        return true;
    }
    bool Take(std::size_t count, std::string_view& out) {
        if (bytes_.size() - at_ < count) return false;
        out = bytes_.substr(at_, count);
        at_ += count;
        return true;
    }
    // Skips a run of data sub-blocks up to and including its terminator.
    bool SkipSubBlocks() {
        for (std::uint8_t size = 0;;) {
            if (!Byte(size)) return false;
            if (size == 0) return true;
            if (!Skip(size)) return false;
        }
    }

private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

using Palette = std::array<std::uint32_t, 256>;

bool ReadPalette(Reader& in, int entries, Palette& palette) {
    for (int i = 0; i < entries; ++i) {
        std::uint8_t r = 0, g = 0, b = 0;
        if (!in.Byte(r) || !in.Byte(g) || !in.Byte(b)) return false;
        palette[static_cast<std::size_t>(i)] = (std::uint32_t{r} << 16) | (std::uint32_t{g} << 8) | b;
    }
    return true;
}

// Decompresses the image's LZW data into colour indices.
bool DecodeLzw(Reader& in, int minimumCodeSize, std::size_t pixelCount,
               std::vector<std::uint8_t>& indices) {
    if (minimumCodeSize < 2 || minimumCodeSize > 8) return false;
    const int clearCode = 1 << minimumCodeSize;
    const int endCode = clearCode + 1;
    constexpr int kMaxCodes = 4096;
    std::array<std::uint16_t, kMaxCodes> prefix{};
    std::array<std::uint8_t, kMaxCodes> suffix{};
    std::array<std::uint8_t, kMaxCodes> stack{};
    for (int i = 0; i < clearCode; ++i) suffix[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);

    int codeSize = minimumCodeSize + 1;
    int nextCode = endCode + 1;
    int previous = -1;
    std::uint8_t first = 0;
    std::uint32_t bitBuffer = 0;
    int bitCount = 0;
    indices.clear();
    indices.reserve(pixelCount);

    std::uint8_t blockSize = 0;
    bool ended = false;
    while (!ended) {
        if (!in.Byte(blockSize)) return false;
        if (blockSize == 0) break;
        std::string_view block;
        if (!in.Take(blockSize, block)) return false;
        for (const char byte : block) {
            bitBuffer |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(byte)) << bitCount;
            bitCount += 8;
            while (!ended && bitCount >= codeSize) {
                const int code = static_cast<int>(bitBuffer & ((1u << codeSize) - 1));
                bitBuffer >>= codeSize;
                bitCount -= codeSize;
                if (code == clearCode) {
                    codeSize = minimumCodeSize + 1;
                    nextCode = endCode + 1;
                    previous = -1;
                    continue;
                }
                if (code == endCode) {
                    ended = true;
                    break;
                }
                if (previous < 0) {
                    if (code >= clearCode) return false;
                    first = static_cast<std::uint8_t>(code);
                    indices.push_back(first);
                    previous = code;
                    continue;
                }
                // Unwind the code's string onto the stack, last byte first.
                int current = code;
                std::size_t depth = 0;
                if (code >= nextCode) {
                    if (code > nextCode) return false;
                    stack[depth++] = first;
                    current = previous;
                }
                while (current >= clearCode) {
                    if (depth >= stack.size()) return false;
                    stack[depth++] = suffix[static_cast<std::size_t>(current)];
                    current = prefix[static_cast<std::size_t>(current)];
                }
                first = static_cast<std::uint8_t>(current);
                stack[depth++] = first;
                while (depth > 0) indices.push_back(stack[--depth]);

                if (nextCode < kMaxCodes) {
                    prefix[static_cast<std::size_t>(nextCode)] = static_cast<std::uint16_t>(previous);
                    suffix[static_cast<std::size_t>(nextCode)] = first;
                    ++nextCode;
                    if (nextCode == (1 << codeSize) && codeSize < 12) ++codeSize;
                }
                previous = code;
                if (indices.size() >= pixelCount) ended = true;
            }
        }
    }
    if (ended && blockSize != 0 && !in.SkipSubBlocks()) return false;
    return indices.size() >= pixelCount;
}

}  // namespace

std::optional<DecodedImage> DecodeGif(std::string_view bytes) {
    Reader in(bytes);
    std::string_view signature;
    if (!in.Take(6, signature) || (signature != "GIF87a" && signature != "GIF89a")) return std::nullopt;

    int screenWidth = 0, screenHeight = 0;
    std::uint8_t flags = 0, background = 0, aspect = 0;
    if (!in.Word(screenWidth) || !in.Word(screenHeight) || !in.Byte(flags) ||
        !in.Byte(background) || !in.Byte(aspect))
        return std::nullopt;
    Palette global{};
    if ((flags & 0x80) && !ReadPalette(in, 2 << (flags & 7), global)) return std::nullopt;

    for (std::uint8_t introducer = 0;;) {
        if (!in.Byte(introducer)) return std::nullopt;
        if (introducer == 0x21) {  // an extension: nothing in it matters here
            std::uint8_t label = 0;
            if (!in.Byte(label) || !in.SkipSubBlocks()) return std::nullopt;
            continue;
        }
        if (introducer != 0x2C) return std::nullopt;  // trailer or junk: no image

        int left = 0, top = 0, width = 0, height = 0;
        std::uint8_t imageFlags = 0;
        if (!in.Word(left) || !in.Word(top) || !in.Word(width) || !in.Word(height) ||
            !in.Byte(imageFlags) || width == 0 || height == 0)
            return std::nullopt;
        Palette local{};
        const bool hasLocal = (imageFlags & 0x80) != 0;
        if (hasLocal && !ReadPalette(in, 2 << (imageFlags & 7), local)) return std::nullopt;
        if (!hasLocal && !(flags & 0x80)) return std::nullopt;
        const Palette& palette = hasLocal ? local : global;

        std::uint8_t minimumCodeSize = 0;
        std::vector<std::uint8_t> indices;
        const auto count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
        if (!in.Byte(minimumCodeSize) || !DecodeLzw(in, minimumCodeSize, count, indices))
            return std::nullopt;

        DecodedImage image;
        image.width = width;
        image.height = height;
        image.pixels.resize(count);
        const bool interlaced = (imageFlags & 0x40) != 0;
        // Interlaced rows arrive in four passes: every 8th from 0, every 8th
        // from 4, every 4th from 2, every 2nd from 1.
        constexpr std::array<std::array<int, 2>, 4> kPasses{{{0, 8}, {4, 8}, {2, 4}, {1, 2}}};
        std::size_t source = 0;
        for (std::size_t pass = 0; pass < (interlaced ? kPasses.size() : 1); ++pass) {
            const int start = interlaced ? kPasses[pass][0] : 0;
            const int step = interlaced ? kPasses[pass][1] : 1;
            for (int row = start; row < height; row += step) {
                const auto rowStart = static_cast<std::size_t>(row) * static_cast<std::size_t>(width);
                for (int x = 0; x < width; ++x)
                    image.pixels[rowStart + static_cast<std::size_t>(x)] = palette[indices[source++]];
            }
        }
        return image;
    }
}

}  // namespace qv
