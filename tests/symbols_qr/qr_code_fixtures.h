// Set-ups of the TQRCode component shared by its portable tests and the tests that read the
// symbols back with an independent decoder.
#pragma once

#include <string>

#include "symbols/qr/qr_code.h"

namespace velin::test {

inline std::string Repeat(char c, int n) { return std::string(static_cast<size_t>(n), c); }

// The interpreter's handlers' sequence for one QR command: version 6, level M, 8-bit bytes,
// one pixel per module; counts the renders.
struct HandlerRun {
  explicit HandlerRun(const std::string& text) {
    qr.OnPaintSymbol = [this](TQRCode&, bool) { ++renders; };
    qr.SetEclevel(1);
    qr.SetPxmag(1);
    qr.SetVersion(6);
    qr.SetSymbolPicture(picBMP);
    qr.SetMatch(true);
    qr.SetUsejis(false);
    qr.SetCode(text);
    qr.SetBackColor(kWhite);
    qr.SetSymbolColor(kBlack);
    qr.SetAngle(0);
  }
  TQRCode qr;
  int renders = 0;
};

// kGridData in 3 structured-append symbols of version 2 at 3 dots per module, 2 per row with
// 12 dots of space around each: a 2 × 2 grid of cells kGridCell dots wide, the third symbol
// in the second row, the fourth cell empty.
inline constexpr const char* kGridData = "ABCDEFGHIJ";
inline constexpr const char* kGridPieces[3] = {"ABCD", "EFGH", "IJ"};
inline constexpr int kGridCell = 25 * 3 + 24;
inline void SetUpThreeSymbolGrid(TQRCode& qr) {
  qr.SetSymbolEnabled(false);
  qr.SetCode(kGridData);
  qr.SetCount(3);
  qr.SetColumn(2);
  qr.SetPxmag(3);
  qr.SetVersion(2);
  qr.SetSymbolSpaceLeft(12);
  qr.SetSymbolSpaceRight(12);
  qr.SetSymbolSpaceUp(12);
  qr.SetSymbolSpaceDown(12);
  qr.SetPicWidth(1000);  // else the grid is shrunk to 105 × 105
  qr.SetPicHeight(1000);
  qr.SetMatch(true);
  qr.SetSymbolEnabled(true);
}

}  // namespace velin::test
