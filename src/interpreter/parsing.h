// Splitting command lines into keyword and parameters, as the CPCL and TSPL handlers read them.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace velin {

// An index past the end of a TStringList: "List index out of bounds (%d)".
class EListError : public std::out_of_range {
 public:
  using std::out_of_range::out_of_range;
};

// A list of fields whose indexing is checked, so that a handler reading a parameter a line
// does not have fails with the list's own message instead of reading past the end.
class TStringList {
 public:
  const std::string& operator[](size_t index) const;
  size_t Count() const { return items_.size(); }
  void Clear() { items_.clear(); }
  void Add(std::string item) { items_.push_back(std::move(item)); }
  const std::vector<std::string>& Items() const { return items_; }

 private:
  std::vector<std::string> items_;
};

// CPCL splitter: "^" + (FieldCount - 1) × "(\S+)\s+" + "(.+)". On a match Fields holds the
// whole match and then the FieldCount groups (FieldCount + 1 entries); otherwise InputStr
// twice. FieldCount < 1 leaves Fields empty.
void GetParFields(const std::string& InputStr, int FieldCount, TStringList& Fields);

// TSPL line splitter: "^(\S+)\s+(.*)$" gives the whole match, the keyword and the (possibly
// empty) rest; otherwise the line twice.
void SplitKeyword(const std::string& line, TStringList& Fields);

// TSPL parameter splitter: every maximal run of characters other than a comma, spaces kept.
void SplitByComma(const std::string& text, TStringList& Fields);

// The printer dialect's TSPL parameter splitter: as SplitByComma, but a comma between double
// quotes belongs to its item (TEXT 10,10,"3",0,1,1,"A,B" has seven items).
void SplitByCommaQuoted(const std::string& text, TStringList& Fields);

// A TSPL text item: "text" -> text; anything else (no quotes, "" with nothing inside, text
// around the quotes) is used as it stands.
std::string TsplQuotedText(const std::string& item);

// A decimal number as label printers write coordinates: optional spaces, an optional sign,
// digits with an optional point ("13.6", "-.5", "7."), optional spaces; no exponent. Whatever
// the locale. False if the text is not such a number or too large for a double.
bool ReadDecimalNumber(std::string_view text, double& value);

// One or more ASCII digits and nothing else.
bool IsDigitsOnly(const std::string& s);

// Leading letters (any script), then decimal digits; the rest is dropped. An odd digit count
// moves the first digit to the end of Letters.
void SplitLettersDigits(const std::string& s, std::string& Letters, std::string& Digits);

// The input without trailing U+0020 spaces (tabs stay).
std::string RemoveTrailingSpaces(const std::string& Input);

}  // namespace velin
