#include "window/win32/Artwork.h"

#include <algorithm>

#include "window/BackgroundArt.h"
#include "window/Layout.h"
#include "window/win32/DibSection.h"
#include "window/res/resource.h"

namespace qv {
namespace {

constexpr int kHandTwips = 480;  // the hand cursor: 32 pixels at 96 dpi

}  // namespace

void Artwork::Load(HINSTANCE instance, float twipsPerPixel) {
    const Picture picture = DrawBackground(twipsPerPixel);
    background_ = DibSection(picture);
    for (std::size_t i = 0; i < kLayout.size(); ++i) {
        const PixelRect r = ControlRect(kLayout[i], twipsPerPixel);
        double red = 0, green = 0, blue = 0;
        int count = 0;
        for (int y = std::max(r.top, 0); y < std::min(r.bottom, picture.height); ++y)
            for (int x = std::max(r.left, 0); x < std::min(r.right, picture.width); ++x, ++count) {
                const std::uint32_t p = picture.at(x, y);  // 0x00RRGGBB
                red += p >> 16 & 0xFF, green += p >> 8 & 0xFF, blue += p & 0xFF;
            }
        const auto mean = [&](double sum) { return static_cast<BYTE>(count ? sum / count : 255); };
        behind_[i] = RGB(mean(red), mean(green), mean(blue));
    }
    const PixelRect emblem = ControlRect(LayoutOf(ControlId::Image1), twipsPerPixel);
    emblem_.reset(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                                emblem.right - emblem.left,
                                                emblem.bottom - emblem.top, 0)));
    const int hand = TwipsToPixels(kHandTwips, twipsPerPixel);
    hand_.reset(static_cast<HCURSOR>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDC_HAND_POINTER), IMAGE_CURSOR, hand, hand, 0)));
}

}  // namespace qv
