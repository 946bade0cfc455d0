#include "window/win32/Picture.h"

#include <cstring>
#include <string_view>

#include "window/GifImage.h"

namespace qv {

UniqueBitmap LoadGifResource(HINSTANCE instance, int id) {
    const HRSRC resource = FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));
    if (resource == nullptr) return nullptr;
    const DWORD size = SizeofResource(instance, resource);
    const HGLOBAL loaded = LoadResource(instance, resource);
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr || size == 0) return nullptr;

    const auto image = DecodeGif(std::string_view(static_cast<const char*>(bytes), size));
    if (!image) return nullptr;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = image->width;
    info.bmiHeader.biHeight = -image->height;  // top-down, like the decoded rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
    if (!bitmap || pixels == nullptr) return nullptr;
    // 0x00RRGGBB is the byte order of a 32-bit DIB's BGRA pixels.
    std::memcpy(pixels, image->pixels.data(), image->pixels.size() * sizeof(image->pixels[0]));
    return bitmap;
}

}  // namespace qv
