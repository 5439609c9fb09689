// Reading every barcode and QR symbol on a rendered page with zxing-cpp, a decoder of its own.
#pragma once

#include <vector>

#include "base/bitmap.h"
#include "label_support.h"

namespace velin::test {

// Every Code 128 and QR symbol zxing-cpp finds on the page, at any of the four orientations,
// sorted.
std::vector<DecodedSymbol> DecodeAll(const Bitmap32& page);

}  // namespace velin::test
