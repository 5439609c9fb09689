// Rendering label files through velin-cli render and reading its pages back; decoding what is
// on a page with zxing-cpp.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "base/bitmap.h"
#include "support/dark_box.h"

namespace velin::test {

// Runs `velin-cli render --mode MODE [--dialect DIALECT] LABEL -o DIR` and reads every page
// it reports. An empty result means the tool failed or printed nothing. `report`, when
// given, receives what the tool wrote to standard error (the ignored and failed commands).
std::vector<Bitmap32> RenderLabel(const std::string& label_path, const std::string& mode,
                                  const std::string& dialect = "", std::string* report = nullptr);

struct DecodedSymbol {
  std::string format;  // "Code128", "QRCode"
  std::string bytes;   // the symbol's content bytes as the scanner reads them
  bool operator<(const DecodedSymbol& o) const {
    return format != o.format ? format < o.format : bytes < o.bytes;
  }
  bool operator==(const DecodedSymbol& o) const = default;
};
void PrintTo(const DecodedSymbol& s, std::ostream* os);
// Every barcode and QR symbol zxing-cpp finds on the page, at any of the four orientations,
// sorted: QR Code, Code 128, Code 39, Code 93, EAN-13, EAN-8, UPC-A, ITF and Codabar. The
// page is read as printed on a white sheet (white around its edges).
std::vector<DecodedSymbol> DecodeAll(const Bitmap32& page);

}  // namespace velin::test
