// Reading every barcode and QR symbol on a rendered page with zxing-cpp, a decoder of its own.
#pragma once

#include <vector>

#include "base/bitmap.h"
#include "label_support.h"

namespace velin::test {

// Every barcode and QR symbol zxing-cpp finds on the page, at any of the four orientations,
// sorted: QR Code, Code 128, Code 39, Code 93, EAN-13, EAN-8, UPC-A, ITF and Codabar. The
// page is read as printed on a white sheet (white around its edges).
std::vector<DecodedSymbol> DecodeAll(const Bitmap32& page);

}  // namespace velin::test
