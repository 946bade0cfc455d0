// A small GIF decoder for the window's background picture: the first image
// of the file, its palette colours resolved, as top-down 0x00RRGGBB pixels.
// Decoding it here keeps the OLE picture machinery, and the megabytes of
// libraries it loads, out of the process.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace qv {

struct DecodedImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // width * height, row by row from the top
};

// Nothing when the bytes are not a GIF this decoder understands or are cut
// short; it never reads outside `bytes`.
std::optional<DecodedImage> DecodeGif(std::string_view bytes);

}  // namespace qv
