// Turning and mirroring a finished symbol picture.
#pragma once

#include "base/bitmap.h"

namespace velin::qr {

// `source` turned clockwise by `angle` (90, 180 or 270; any other angle returns a copy).
// For 90 the result is H wide and W high and its pixel (x, y) is source (y, H - 1 - x); for
// 180 it is source (W - 1 - x, H - 1 - y); for 270 it is source (W - 1 - y, x).
Bitmap32 RotateClockwise(const Bitmap32& source, int angle);

// The left-right mirror image: pixel (x, y) is source (W - 1 - x, y).
Bitmap32 MirrorLeftRight(const Bitmap32& source);

}  // namespace velin::qr
