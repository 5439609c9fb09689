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

// Whatever symbology a label names, its data becomes Code 128. Digits only, even count:
// bcCode128C, data unchanged. Digits only, odd count: bcCode128M, "!103" + first digit +
// "!099" + the rest. First character a letter (any script): bcCode128M, "!103" + letters +
// "!099" + digits as SplitLettersDigits divides them (what follows the digit run is not
// encoded). Anything else: bcCode128A, data unchanged.
Code128Choice ChooseCode128(const std::string& data);

// Paints `symbol` with its first element at (x, y), elements `modul` dots per module (1 to 49,
// otherwise 1), bars `height` + 1 rows, turned `angle` degrees (90: running upward from
// (x, y)), no text line. Takes the page lock for the painting; throws EBarcodeError (and then
// paints nothing).
void DrawCode128(PageImage& page, const Code128Choice& symbol, int x, int y, int modul, int height,
                 int angle);

// Paints the version 6-M QR symbol of `code` (bytes in the ANSI code page) opaquely with its
// top-left at (x, y), each module `factor` × `factor` dots (0 or less draws nothing). Data a
// 6-M symbol cannot hold gives the symbol of the empty text, and then the result is false.
// Takes the page lock.
bool DrawQrSymbol(PageImage& page, const std::string& code, int x, int y, int factor);

}  // namespace velin
