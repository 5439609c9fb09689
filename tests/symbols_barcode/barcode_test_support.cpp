#include "barcode_test_support.h"

#include <cstdio>

#include "base/canvas.h"

namespace velin::test {

Bitmap32 PaintWithQuietZone(TBarcode& barcode, int quiet) {
  SymbolBox box = SymbolBounds(barcode);
  int margin = quiet * barcode.Modul();
  Bitmap32 bitmap(box.right - box.left + 1 + 2 * margin, box.bottom - box.top + 1 + 2 * margin);
  barcode.SetLeft(margin - box.left);
  barcode.SetTop(margin - box.top);
  Canvas canvas(bitmap);
  barcode.DrawBarcode(canvas);
  return bitmap;
}

std::string PatternUnits(const std::string& pattern) {
  std::string units;
  for (char c : pattern) {
    if (c >= '0' && c <= '3')
      units.push_back(static_cast<char>('1' + (c - '0')));
    else if (c >= '5' && c <= '8')
      units.push_back(static_cast<char>('1' + (c - '5')));
    else if (c >= 'A' && c <= 'D')
      units.push_back(static_cast<char>('1' + (c - 'A')));
    else
      units.push_back('?');
  }
  return units;
}

std::string PatternKinds(const std::string& pattern) {
  std::string kinds;
  for (char c : pattern) kinds.push_back(c <= '3' ? 's' : c <= '8' ? 'b' : 'h');
  return kinds;
}

std::string Code128Symbols(const std::vector<int>& values) {
  TBarcode b;
  b.SetTyp(TBarcodeType::bcCode128M);
  std::string text;
  char escape[8];
  for (int v : values) {
    std::snprintf(escape, sizeof escape, "!%03d", v);
    text += escape;
  }
  b.SetText(text);
  std::string p = b.BuildPattern();
  // Drop the encoder's own check (6 elements) before the stop (7 elements).
  return p.substr(0, p.size() - 13) + p.substr(p.size() - 7);
}

std::string PatternOf(TBarcodeType type, const std::string& text, bool checksum) {
  TBarcode b;
  b.SetTyp(type);
  b.SetText(text);
  b.SetChecksum(checksum);
  return b.BuildPattern();
}

std::string RowRuns(const Bitmap32& bitmap, int y) {
  std::string runs;
  int x = 0;
  while (x < bitmap.width()) {
    bool white = bitmap.GetPixel(x, y) == kWhite;
    int start = x;
    while (x < bitmap.width() && (bitmap.GetPixel(x, y) == kWhite) == white) ++x;
    runs += (white ? "w" : "b") + std::to_string(x - start) + " ";
  }
  return runs;
}

}  // namespace velin::test
