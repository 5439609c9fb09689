// PNG files for pages and symbols: 8-bit RGB out; 8-bit grey, RGB and RGBA in.
#pragma once

#include <functional>
#include <string>

#include "base/bitmap.h"

namespace velin {

// Writes `image` as an 8-bit RGB PNG. Returns false if the file cannot be written.
bool WritePng(const std::string& path, const Bitmap32& image);
// Encodes an 8-bit RGB PNG of width × height into `out` without holding the image: `row` is
// called once per row, top to bottom, to fill `width` pixel words (Bitmap32 layout). A
// positive `dots_per_inch` is recorded as the image's resolution. False for an empty size.
bool EncodePng(int width, int height, const std::function<void(int y, uint32_t* pixels)>& row,
               std::string& out, int dots_per_inch = 0);

// Reads an 8-bit greyscale, RGB or RGBA non-interlaced PNG (what WritePng and common tools
// write). Returns false for anything else or an unreadable file.
bool ReadPng(const std::string& path, Bitmap32& image);

}  // namespace velin
