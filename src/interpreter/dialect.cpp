#include "interpreter/dialect.h"

#include "base/strings.h"

namespace velin {

LabelDialect ParseLabelDialect(std::string_view value) {
  return EqualsIgnoreAsciiCase(TrimBlanks(value), "printer") ? LabelDialect::kPrinter
                                                             : LabelDialect::kDefault;
}

DialectChoices DialectChoices::Of(LabelDialect dialect) {
  DialectChoices c;
  if (dialect == LabelDialect::kPrinter) {
    c.printer_keywords = true;
    c.printer_units = true;
    c.resident_fonts = true;
    c.justification = true;
    c.own_symbologies = true;
    c.qr_options = true;
    c.printer_lines = true;
    c.tspl_page_setup = true;
    c.line_encoding = true;
  }
  return c;
}

std::string LineEncodingNamed(std::string_view name) {
  if (EqualsIgnoreAsciiCase(name, "UTF-8") || EqualsIgnoreAsciiCase(name, "UTF8")) return "UTF-8";
  if (EqualsIgnoreAsciiCase(name, "GB18030") || name == "54936") return "GB18030";
  return "";
}

}  // namespace velin
