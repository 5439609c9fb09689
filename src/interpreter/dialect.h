// The two ways of reading CPCL and TSPL. The default dialect is this program's own reading;
// the printer dialect reads labels the way 203-dpi label printers do, as the languages' public
// programming manuals describe them. A dialect is a set of choices that the one set of
// handlers consults.
#pragma once

#include <string>
#include <string_view>

namespace velin {

enum class LabelDialect { kDefault, kPrinter };

// "printer" (any case) selects the printer dialect; anything else, the empty text included,
// the default. The value of [system] label_dialect and of velin-cli --dialect.
LabelDialect ParseLabelDialect(std::string_view value);

struct DialectChoices {
  // Keywords only the printer dialect knows (CENTER, SETSP, IN-MILLIMETERS, TSPL BOX, GAP,
  // ...); in the default dialect they match no handler.
  bool printer_keywords = false;
  // CPCL: the header's offset shifts every field; numbers may be decimals (rounded to dots)
  // and are read in the unit IN-DOTS, IN-MILLIMETERS, ... set.
  bool printer_units = false;
  // Text at the size a printer's resident fonts have: CPCL fonts by their dot cells, the size
  // field and SETMAG magnifying both axes, SETSP, UNDERLINE; TSPL fonts "1" to "8" by their
  // cells and multipliers. TSPL rotation is clockwise.
  bool resident_fonts = false;
  // CPCL CENTER, LEFT and RIGHT; TSPL's alignment argument.
  bool justification = false;
  // Linear barcodes in the symbology the label names, narrow bar and ratio as the label
  // gives them, with the human-readable line (CPCL BARCODE-TEXT, TSPL's readable argument).
  bool own_symbologies = false;
  // QR symbols with the label's level, module size, model, mask and rotation, the smallest
  // version that holds the data, and the data bytes as received.
  bool qr_options = false;
  // LINE and BOX drawn as printers draw them (the thickness inside the given corners).
  bool printer_lines = false;
  // TSPL SIZE in inches unless "mm" or "dot" follows; DIRECTION's mirror; REFERENCE.
  bool tspl_page_setup = false;
  // CPCL ENCODING and TSPL CODEPAGE change how the lines that follow are decoded.
  bool line_encoding = false;

  static DialectChoices Of(LabelDialect dialect);
};

// The encoding a CPCL ENCODING or TSPL CODEPAGE name selects for the lines that follow:
// "UTF-8" (UTF-8, UTF8), "GB18030" (GB18030, 54936), or "" for the ANSI code page (GBK, 936,
// and every other name: 950, 437, ... are not decoded on their own). Any case.
std::string LineEncodingNamed(std::string_view name);

}  // namespace velin
