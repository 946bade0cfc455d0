#include "window/win32/Artwork.h"

#include <algorithm>
#include <iterator>

#include "window/Layout.h"
#include "window/res/resource.h"

namespace qv {
namespace {

constexpr int kHandTwips = 480;  // the hand cursor: 32 pixels at 96 dpi

// The background at a density: the picture drawn for it, or the next larger
// one scaled down once with a filter that averages, not one that drops pixels.
UniqueBitmap LoadBackground(HINSTANCE instance, float twipsPerPixel) {
    const int percent = ArtPercent(twipsPerPixel);
    const int drawn = static_cast<int>(std::find(std::begin(kArtPercents), std::end(kArtPercents),
                                                 percent) - std::begin(kArtPercents));
    UniqueBitmap picture(static_cast<HBITMAP>(LoadImageW(
        instance, MAKEINTRESOURCEW(IDB_BACKGROUND_100 + drawn), IMAGE_BITMAP, 0, 0,
        LR_CREATEDIBSECTION)));
    const PixelSize want = PictureSize(twipsPerPixel);
    BITMAP have{};
    if (!picture || !GetObjectW(picture.get(), sizeof(have), &have) ||
        (have.bmWidth == want.width && have.bmHeight == want.height))
        return picture;
    const WindowDc screen(nullptr);
    UniqueBitmap scaled(CreateCompatibleBitmap(screen.get(), want.width, want.height));
    const UniqueMemoryDc from(CreateCompatibleDC(screen.get()));
    const UniqueMemoryDc to(CreateCompatibleDC(screen.get()));
    const SelectedObject source(from.get(), picture.get());
    const SelectedObject target(to.get(), scaled.get());
    SetStretchBltMode(to.get(), HALFTONE);
    SetBrushOrgEx(to.get(), 0, 0, nullptr);
    StretchBlt(to.get(), 0, 0, want.width, want.height, from.get(), 0, 0, have.bmWidth,
               have.bmHeight, SRCCOPY);
    return scaled;
}

}  // namespace

void Artwork::Load(HINSTANCE instance, float twipsPerPixel) {
    background_ = LoadBackground(instance, twipsPerPixel);
    const PixelRect emblem = ControlRect(LayoutOf(ControlId::Image1), twipsPerPixel);
    emblem_.reset(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_EMBLEM), IMAGE_ICON,
                                                emblem.right - emblem.left,
                                                emblem.bottom - emblem.top, 0)));
    const int hand = TwipsToPixels(kHandTwips, twipsPerPixel);
    hand_.reset(static_cast<HCURSOR>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDC_HAND_POINTER), IMAGE_CURSOR, hand, hand, 0)));
}

}  // namespace qv
