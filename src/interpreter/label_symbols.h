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

// --- The printer dialect ---------------------------------------------------------------------

// A linear barcode in the symbology its label names.
struct PrinterBarcode {
  TBarcodeType type = TBarcodeType::bcCode128M;
  std::string text;       // as the encoder gets it
  bool checksum = false;  // the encoder adds the check character or digit
  double ratio = 2.0;     // wide to narrow
  std::string readable;   // the human-readable line
};

// What a CPCL (`tspl` false) or TSPL barcode type name stands for, for `data` (UTF-8) whose
// bytes as received are `bytes`; `ratio` is the label's wide-to-narrow ratio, used by the
// symbologies that have one. 128 and EAN128 (UCCEAN128) are the shortest Code 128 of the
// bytes (EAN128 with FNC1 after the start), 128M takes the label's "!nnn" values; 39, 39C,
// F39, F39C, 39S; 93; I2OF5, 25 and their C forms (a check digit added), ITF14; EAN13,
// EAN8 and UPCA (12, 7 and 11 digits get their check digit); CODABAR, CODA; MSI forms; POSTNET,
// POST. False for a type the encoder lacks (UPCE, add-on forms, PLESSEY, ...): `out` is then
// the shortest Code 128 of the bytes, so the data is still carried.
bool PrinterSymbology(std::string_view type_name, bool tspl, const std::string& data,
                      const std::string& bytes, double ratio, PrinterBarcode& out);

// The symbol's length in dots at `narrow` dots per narrow element; throws EBarcodeError.
int PrinterBarcodeWidth(const PrinterBarcode& symbol, int narrow);

// Paints it as DrawCode128 paints, with bars exactly `height` rows high. Takes the page lock.
void DrawPrinterBarcode(PageImage& page, const PrinterBarcode& symbol, int x, int y, int narrow,
                        int height, int angle);

// A QR symbol as a label printer draws it: the bytes as received, the level, the mask (-1
// automatic), each module `module` dots, the smallest version that holds the data.
struct PrinterQr {
  std::string bytes;
  int eclevel = 1;
  int mask = -1;
  int module = 6;
};

// Dots per side of the symbol; 0 when no version holds the data.
int PrinterQrSide(const PrinterQr& qr);

// Paints it opaquely in the square of PrinterQrSide dots whose top-left is (x, y), its content
// turned `rotation` degrees clockwise (0, 90, 180, 270) within that square. False, and
// nothing drawn, when no version holds the data. Takes the page lock.
bool DrawPrinterQr(PageImage& page, const PrinterQr& qr, int x, int y, int rotation);

}  // namespace velin
