// The symbologies no reader here decodes (Industrial and Matrix 2 of 5, MSI, POSTNET) against
// zint, an independent encoder, through its public API: zint draws the same data, and the
// module sequences read off both drawings must agree.
#include <gtest/gtest.h>
#include <zint.h>

#include <memory>
#include <string>

#include "barcode_test_support.h"
#include "symbols/barcode/barcode.h"

namespace velin {
namespace {

using T = TBarcodeType;

// Runs of equal modules ('b' bar, 'h' short bar, 's' space) written as "b3 s1 b1 ...".
std::string Runs(const std::string& modules) {
  std::string runs;
  for (size_t i = 0; i < modules.size();) {
    size_t j = i;
    while (j < modules.size() && modules[j] == modules[i]) ++j;
    runs += modules[i] + std::to_string(j - i) + " ";
    i = j;
  }
  return runs;
}

// Runs of one module row, "b3 s1 b1 ...", with 'h' for a bar that does not reach the top
// (a POSTNET short bar). Leading and trailing spaces are not part of the symbol.
std::string ZintRuns(int symbology, const std::string& data, int option_2) {
  std::unique_ptr<zint_symbol, void (*)(zint_symbol*)> s(ZBarcode_Create(), ZBarcode_Delete);
  s->symbology = symbology;
  s->show_hrt = 0;
  s->output_options = BARCODE_NO_QUIET_ZONES;
  s->option_2 = option_2;
  int rc = ZBarcode_Encode(s.get(), reinterpret_cast<const unsigned char*>(data.data()),
                           static_cast<int>(data.size()));
  if (rc >= ZINT_ERROR) return std::string("zint error: ") + s->errtxt;
  if (ZBarcode_Buffer(s.get(), 0) >= ZINT_ERROR) return std::string("zint error: ") + s->errtxt;
  const int scale = s->bitmap_width / s->width;  // raster dots per module
  auto dark = [&](int x, int y) { return s->bitmap[(y * s->bitmap_width + x) * 3] < 128; };
  std::string modules;  // one of 's', 'b', 'h' per module
  for (int x = 0; x < s->bitmap_width; x += scale) {
    bool top = dark(x, 0), bottom = dark(x, s->bitmap_height - 1);
    modules.push_back(top ? 'b' : bottom ? 'h' : 's');
  }
  return Runs(modules);
}

// Our pattern at Modul 1 as runs of the same form (adjacent elements of one kind merge, as
// they do on paper), trailing spaces dropped.
std::string OurRuns(T type, const std::string& text, double ratio) {
  TBarcode b;
  b.SetTyp(type);
  b.SetText(text);
  b.SetRatio(ratio);
  std::string pattern = b.BuildPattern();
  std::string modules;
  for (char c : pattern) {
    auto e = b.PatternElementProps(c);
    char kind = e.kind == TBarcode::ElementKind::kSpace ? 's'
                : e.kind == TBarcode::ElementKind::kBar ? 'b'
                                                        : 'h';
    modules.append(e.width, kind);
  }
  while (!modules.empty() && modules.back() == 's') modules.pop_back();
  return Runs(modules);
}

TEST(ZintComparison, SameModulesAsZint) {
  struct Row {
    int line;
    T type;
    std::string text;  // ours; for POSTNET with its correction digit, which zint adds itself
    double ratio;      // zint's wide-to-narrow ratio for the symbology
    int zint_symbology;
    std::string zint_data;
    int zint_option_2;
  } rows[] = {
      // Industrial 2 of 5: zint draws wide elements 3 modules.
      {__LINE__, T::bcCode_2_5_industrial, "1", 3.0, BARCODE_C25IND, "1", 0},
      {__LINE__, T::bcCode_2_5_industrial, "0123456789", 3.0, BARCODE_C25IND, "0123456789", 0},
      // Matrix 2 of 5: wide 3, start and stop bars 4 (ratio 3 × 3 div 2).
      {__LINE__, T::bcCode_2_5_matrix, "1", 3.0, BARCODE_C25STANDARD, "1", 0},
      {__LINE__, T::bcCode_2_5_matrix, "0123456789", 3.0, BARCODE_C25STANDARD, "0123456789", 0},
      // MSI with zint's modulo 10 check (option 1): wide 2.
      {__LINE__, T::bcCodeMSI, "1", 2.0, BARCODE_MSI_PLESSEY, "1", 1},
      {__LINE__, T::bcCodeMSI, "1234567", 2.0, BARCODE_MSI_PLESSEY, "1234567", 1},
      {__LINE__, T::bcCodeMSI, "0123456789", 2.0, BARCODE_MSI_PLESSEY, "0123456789", 1},
      // POSTNET: zint spaces are one module, so ratio 1; correction digits by hand:
      // 1+2+3+4+5 = 15 -> 5; 1+..+9 = 45 -> 5; 1+..+9+0+1 = 46 -> 4.
      {__LINE__, T::bcCodePostNet, "123455", 1.0, BARCODE_POSTNET, "12345", 0},
      {__LINE__, T::bcCodePostNet, "1234567895", 1.0, BARCODE_POSTNET, "123456789", 0},
      {__LINE__, T::bcCodePostNet, "123456789014", 1.0, BARCODE_POSTNET, "12345678901", 0},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(OurRuns(r.type, r.text, r.ratio),
              ZintRuns(r.zint_symbology, r.zint_data, r.zint_option_2))
        << "row at line " << r.line;
  }
}

}  // namespace
}  // namespace velin
