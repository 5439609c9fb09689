// Helpers shared by the barcode tests: painting a symbol with a quiet zone, reading a pattern
// back as width units, and naming rows.
#pragma once

#include <string>
#include <vector>

#include "base/bitmap.h"
#include "symbols/barcode/barcode.h"

namespace velin::test {

// Paints `barcode` (Left and Top are chosen here) on a white bitmap with `quiet` modules of
// white on every side. Throws what DrawBarcode throws.
Bitmap32 PaintWithQuietZone(TBarcode& barcode, int quiet = 10);

// The pattern as width units at ratio 2 (one digit per element, '1' to '4'), and the element
// kinds ('s' space, 'b' bar, 'h' short bar): the inverse of WidthsToPattern for reading.
std::string PatternUnits(const std::string& pattern);
std::string PatternKinds(const std::string& pattern);

// Pattern of a Code 128 symbol made of exactly `values` (start, data, check), then stop.
std::string Code128Symbols(const std::vector<int>& values);

// Pattern of `text` in symbology `type` with the defaults otherwise.
std::string PatternOf(TBarcodeType type, const std::string& text, bool checksum = false);

// Dots of `bitmap` that are not white, as a run-length string of the bars along one row
// ("b3 w2 b1 ..."), for readable failures.
std::string RowRuns(const Bitmap32& bitmap, int y);

}  // namespace velin::test
