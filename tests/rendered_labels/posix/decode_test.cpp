// The sample waybills and test labels rendered by velin-cli render, read by an independent
// decoder, which must find every barcode and QR symbol with the data the label carried. (The
// Windows build writes its pages for the same check: win32/pages_for_decoding_test.cpp.)
#include <gtest/gtest.h>

#include "label_support.h"
#include "posix/label_decode.h"
#include "support/test_paths.h"

namespace velin::test {
namespace {

TEST(RenderedLabels, EveryBarcodeAndQrSymbolDecodesToTheLabelsData) {
  for (const LabelSymbols& c : LabelsWithSymbols()) {
    std::vector<Bitmap32> pages = RenderLabel(SourcePath(c.label), c.mode);
    ASSERT_FALSE(pages.empty()) << c.label;
    EXPECT_EQ(DecodeAll(pages[0]), c.symbols) << c.label << " (row at line " << c.line << ")";
  }
}

}  // namespace
}  // namespace velin::test
