// zxing-cpp exists only in the native build, so the Windows build cannot read its symbols back
// itself: this test renders the first page of every label with symbols through velin-cli.exe
// (text drawn by GDI) and writes it to rendered-pages/ in the build tree, with a manifest of
// the symbols each page must hold. scripts/windows/test.sh then runs the native decoder
// (velin_decode_pages) on that manifest.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/png.h"
#include "label_support.h"
#include "support/test_paths.h"

namespace velin::test {
namespace {

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

TEST(RenderedLabels, FirstPagesAreWrittenForTheNativeDecoder) {
  const std::filesystem::path dir = std::filesystem::path(VELIN_BINARY_DIR) / "rendered-pages";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  std::ofstream manifest(dir / "manifest.txt", std::ios::binary);
  int n = 0;
  for (const LabelSymbols& c : LabelsWithSymbols()) {
    std::vector<Bitmap32> pages = RenderLabel(SourcePath(c.label), c.mode, c.dialect);
    ASSERT_FALSE(pages.empty()) << c.label;
    const std::string file = "page-" + std::to_string(++n) + ".png";
    ASSERT_TRUE(WritePng((dir / file).string(), pages[0])) << file;
    manifest << "page " << file << "\n"
             << "label " << c.label << " (row at line " << c.line << ")\n";
    for (const DecodedSymbol& s : c.symbols)
      manifest << "symbol " << s.format << " " << Hex(s.bytes) << "\n";
  }
  manifest.close();
  EXPECT_TRUE(manifest) << "cannot write " << (dir / "manifest.txt").string();
}

}  // namespace
}  // namespace velin::test
