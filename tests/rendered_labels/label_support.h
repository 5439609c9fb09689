// Rendering label files through velin-cli render and reading its pages back; the labels whose
// barcode and QR symbols a decoder of its own must read back, with what each symbol holds.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "base/bitmap.h"
#include "support/dark_box.h"

namespace velin::test {

// Runs `velin-cli render --mode MODE [--dialect DIALECT] LABEL -o DIR` and reads every page
// it reports. An empty result means the tool failed or printed nothing. `report`, when given,
// receives what the tool wrote to standard error (the ignored and failed commands).
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
// FORMAT "BYTES", bytes outside printable ASCII written as \xHH.
std::string Describe(const DecodedSymbol& s);
inline void PrintTo(const DecodedSymbol& s, std::ostream* os) { *os << Describe(s); }

struct LabelSymbols {
  int line;                            // where the row stands, for failure messages
  const char* label;                   // path below the source tree
  const char* mode;                    // "cpcl" or "tspl"
  std::vector<DecodedSymbol> symbols;  // what a scanner reads on the first page, sorted
  const char* dialect = "";            // --dialect, when not the configuration's
};
// The labels checked by decoding, each with every symbol on its first page.
const std::vector<LabelSymbols>& LabelsWithSymbols();

}  // namespace velin::test
