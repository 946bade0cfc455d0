#include "window/win32/Artwork.h"

#include "window/BackgroundArt.h"
#include "window/Layout.h"
#include "window/win32/DibSection.h"
#include "window/res/resource.h"

namespace qv {
namespace {

constexpr int kHandTwips = 480;  // the hand cursor: 32 pixels at 96 dpi

}  // namespace

void Artwork::Load(HINSTANCE instance, float twipsPerPixel) {
    background_ = DibSection(DrawBackground(twipsPerPixel));
    const PixelRect emblem = ControlRect(LayoutOf(ControlId::Image1), twipsPerPixel);
    emblem_.reset(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_EMBLEM), IMAGE_ICON,
                                                emblem.right - emblem.left,
                                                emblem.bottom - emblem.top, 0)));
    const int hand = TwipsToPixels(kHandTwips, twipsPerPixel);
    hand_.reset(static_cast<HCURSOR>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDC_HAND_POINTER), IMAGE_CURSOR, hand, hand, 0)));
}

}  // namespace qv
