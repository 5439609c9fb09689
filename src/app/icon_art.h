// The program's pictures, drawn with the skin's painter: the application icon (a label card
// with text lines and a barcode on a blue tile) and the receiver state images shown on the
// state button (6: found, a green tick; 8: not found, a red cross; both on a white disc).
// The build turns them into .ico files for the resources (tools/make_icons.cpp); the main
// window also draws the application icon in its left column.
#pragma once

#include <string>
#include <vector>

#include "skin/surface.h"

namespace velin::app {

// The application icon filling `target` (square; any size).
void DrawAppIcon(const skin::Surface& target);
// State image `index` (kImageReceiverFound or kImageReceiverMissing) filling `target`.
void DrawStateImage(const skin::Surface& target, int index);

skin::Image AppIcon(int size);
skin::Image StateImage(int index, int size);

// An .ico file holding `images` (square, 1 to 256 pixels, premultiplied) as 32-bit bitmaps
// with straight alpha and an AND mask (set where a pixel is fully transparent).
std::string EncodeIco(const std::vector<skin::Image>& images);

// The sizes written: the application icon covers the shell's views from 100 % to 200 %; the
// state images the 24-pixel slot at 100 %, 125 %, 150 % and 200 % (and small sizes).
inline constexpr int kAppIconSizes[] = {16, 20, 24, 32, 40, 48, 64, 128, 256};
inline constexpr int kStateImageSizes[] = {16, 20, 24, 30, 36, 48};

}  // namespace velin::app
