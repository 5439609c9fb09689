// PNG files for pages and symbols: 8-bit RGB out; 8-bit grey, RGB and RGBA in.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "base/bitmap.h"

namespace velin {

// Writes `image` as an 8-bit RGB PNG. Returns false if the file cannot be written.
bool WritePng(const std::string& path, const Bitmap32& image);
// Encodes an 8-bit RGB PNG of width × height without holding the image: `row` is called once
// per row, top to bottom, to fill `width` pixel words (Bitmap32 layout), and the file's bytes
// go to `write` in pieces of at most about 1 MiB as they are made, so memory grows with the
// width only. A positive `dots_per_inch` is recorded as the image's resolution. False for an
// empty size, or as soon as `write` returns false (nothing more is written then).
bool EncodePng(int width, int height, const std::function<void(int y, uint32_t* pixels)>& row,
               const std::function<bool(std::string_view bytes)>& write, int dots_per_inch = 0);
// The same into `out`, replacing its content.
bool EncodePng(int width, int height, const std::function<void(int y, uint32_t* pixels)>& row,
               std::string& out, int dots_per_inch = 0);

// Reads an 8-bit greyscale, RGB or RGBA non-interlaced PNG (what WritePng and common tools
// write). Returns false for anything else or an unreadable file.
bool ReadPng(const std::string& path, Bitmap32& image);

}  // namespace velin
