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
    // 100 % shows the committed picture as it always has; any other density
    // the same art drawn afresh at its own size.
    background_ = twipsPerPixel == 15.0f
                      ? UniqueBitmap(static_cast<HBITMAP>(
                            LoadImageW(instance, MAKEINTRESOURCEW(IDB_BACKGROUND_100), IMAGE_BITMAP,
                                       0, 0, LR_CREATEDIBSECTION)))
                      : DibSection(DrawBackground(twipsPerPixel));
    const PixelRect emblem = ControlRect(LayoutOf(ControlId::Image1), twipsPerPixel);
    emblem_.reset(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_EMBLEM), IMAGE_ICON,
                                                emblem.right - emblem.left,
                                                emblem.bottom - emblem.top, 0)));
    const int hand = TwipsToPixels(kHandTwips, twipsPerPixel);
    hand_.reset(static_cast<HCURSOR>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDC_HAND_POINTER), IMAGE_CURSOR, hand, hand, 0)));
}

}  // namespace qv
