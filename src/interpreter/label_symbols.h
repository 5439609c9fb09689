// The symbols of the label commands, shared by the CPCL and TSPL barcode and QR handlers:
// which Code 128 form a barcode's data is drawn in, and how a barcode or a QR symbol lands on
// the page.
#pragma once

#include <string>

#include "interpreter/page_image.h"
#include "symbols/barcode/barcode.h"

namespace velin {

struct Code128Choice {
  TBarcodeType type = TBarcodeType::bcCode128A;
  std::string text;  // the data as the encoder gets it (UTF-8)
};

// Whatever symbology a label names, its data becomes Code 128. Where one of these forms carries
// every character of the data, it is taken: digits only, even count: bcCode128C, data
// unchanged; digits only, odd count: bcCode128M, "!103" + first digit + "!099" + the rest;
// capital letters A to Z then digits and nothing else: bcCode128M, "!103" + letters + "!099" +
// digits as SplitLettersDigits divides them; characters of subset A only (space to "_"):
// bcCode128A, data unchanged. Any other data (lower case, punctuation or letters after the
// digits, control characters, characters beyond ASCII) would lose characters or double its
// width in those forms: it becomes the shortest Code 128 symbol of `bytes` (the data as
// received; the ANSI code page's bytes of `data` when not given), written as the values of a
// bcCode128M symbol.
Code128Choice ChooseCode128(const std::string& data);
Code128Choice ChooseCode128(const std::string& data, const std::string& bytes);

// Paints `symbol` with its first element at (x, y), elements `modul` dots per module (1 to 49,
// otherwise 1), bars `height` + 1 rows, turned `angle` degrees (90: running upward from
// (x, y)), no text line. Takes the page lock for the painting; throws EBarcodeError (and then
// paints nothing).
void DrawCode128(PageImage& page, const Code128Choice& symbol, int x, int y, int modul, int height,
                 int angle);

// The QR symbol version the label commands draw for `length` bytes at level M: 6 (41 × 41
// modules) when it holds them, else the smallest of 7 to 40 that does; 0 when none does.
int LabelQrVersion(size_t length);

// The smallest version (1 to 40) whose symbol holds `length` bytes at `eclevel` (0 L, 1 M,
// 2 Q, 3 H); 0 when none does.
int SmallestQrVersion(size_t length, int eclevel);

// Paints the QR symbol of `code` (bytes in the ANSI code page) at level M and the version
// LabelQrVersion gives, opaquely with its top-left at (x, y), each module `factor` × `factor`
// dots (0 or less draws nothing). Data no version holds give the version 6 symbol of the
// empty text, and then the result is false. Takes the page lock.
bool DrawQrSymbol(PageImage& page, const std::string& code, int x, int y, int factor);

}  // namespace velin
