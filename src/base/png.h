// PNG files for pages and symbols: 8-bit RGB out; 8-bit grey, RGB and RGBA in.
#pragma once

#include <string>

#include "base/bitmap.h"

namespace velin {

// Writes `image` as an 8-bit RGB PNG. Returns false if the file cannot be written.
bool WritePng(const std::string& path, const Bitmap32& image);
// Reads an 8-bit greyscale, RGB or RGBA non-interlaced PNG (what WritePng and common tools
// write). Returns false for anything else or an unreadable file.
bool ReadPng(const std::string& path, Bitmap32& image);

}  // namespace velin
