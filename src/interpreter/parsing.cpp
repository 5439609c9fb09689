#include "interpreter/parsing.h"

#include <array>
#include <charconv>
#include <memory>
#include <mutex>

#include "base/regex.h"

namespace velin {

const std::string& TStringList::operator[](size_t index) const {
  if (index >= items_.size())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return items_[index];
}

namespace {

std::string ParFieldsPattern(int field_count) {
  std::string pattern = "^";
  for (int i = 1; i < field_count; ++i) pattern += "(\\S+)\\s+";
  return pattern + "(.+)";
}

// The expressions for the field counts the handlers use are compiled once.
const Regex& ParFieldsRegex(int field_count, std::unique_ptr<Regex>& ad_hoc) {
  static constexpr int kCached = 16;
  static std::array<std::unique_ptr<Regex>, kCached> cache;
  static std::array<std::once_flag, kCached> once;
  if (field_count >= kCached) {
    ad_hoc = std::make_unique<Regex>(ParFieldsPattern(field_count));
    return *ad_hoc;
  }
  std::call_once(once[field_count], [field_count] {
    cache[field_count] = std::make_unique<Regex>(ParFieldsPattern(field_count));
  });
  return *cache[field_count];
}

}  // namespace

void GetParFields(const std::string& InputStr, int FieldCount, TStringList& Fields) {
  Fields.Clear();
  if (FieldCount < 1) return;
  std::unique_ptr<Regex> ad_hoc;
  Regex::Match m;
  if (ParFieldsRegex(FieldCount, ad_hoc).Search(InputStr, m)) {
    for (int i = 0; i <= FieldCount; ++i) Fields.Add(m.groups[i]);
  } else {
    Fields.Add(InputStr);
    Fields.Add(InputStr);
  }
}

void SplitKeyword(const std::string& line, TStringList& Fields) {
  static const Regex keyword("^(\\S+)\\s+(.*)$");
  Fields.Clear();
  Regex::Match m;
  if (keyword.Search(line, m)) {
    Fields.Add(m.groups[0]);
    Fields.Add(m.groups[1]);
    Fields.Add(m.groups[2]);
  } else {
    Fields.Add(line);
    Fields.Add(line);
  }
}

void SplitByComma(const std::string& text, TStringList& Fields) {
  static const Regex item("([^,]+)");
  Fields.Clear();
  for (Regex::Match& m : item.SearchAll(text)) Fields.Add(std::move(m.groups[1]));
}

void SplitByCommaQuoted(const std::string& text, TStringList& Fields) {
  Fields.Clear();
  std::string item;
  bool quoted = false;
  for (char c : text) {
    if (c == '"') quoted = !quoted;
    if (c == ',' && !quoted) {
      if (!item.empty()) Fields.Add(std::move(item));
      item.clear();
      continue;
    }
    item += c;
  }
  if (!item.empty()) Fields.Add(std::move(item));
}

std::string TsplQuotedText(const std::string& item) {
  static const Regex quoted("^\"([^\"]+)\"$");
  Regex::Match m;
  return quoted.Search(item, m) ? m.groups[1] : item;
}

bool ReadDecimalNumber(std::string_view text, double& value) {
  static const Regex decimal("^ *[+-]?(\\d+\\.?\\d*|\\.\\d+) *$");
  if (!decimal.Matches(std::string(text))) return false;
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  bool negative = false;
  if (text.front() == '+' || text.front() == '-') {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return false;
  if (negative) value = -value;
  return true;
}

bool IsDigitsOnly(const std::string& s) {
  static const Regex digits("^\\d+$");
  return digits.Matches(s);
}

void SplitLettersDigits(const std::string& s, std::string& Letters, std::string& Digits) {
  // \p{L} and \p{Nd} are Unicode categories even without Unicode properties for \d and \w.
  static const Regex letters_digits("^(\\p{L}*)(\\p{Nd}*)");
  Letters.clear();
  Digits.clear();
  Regex::Match m;
  if (letters_digits.Search(s, m)) {
    Letters = m.groups[1];
    Digits = m.groups[2];
  }
  size_t characters = 0;
  for (char c : Digits) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  if (characters % 2 == 1) {
    // The first digit moves; a non-ASCII decimal digit is several bytes long.
    size_t first = 1;
    while (first < Digits.size() && (static_cast<unsigned char>(Digits[first]) & 0xC0) == 0x80)
      ++first;
    Letters += Digits.substr(0, first);
    Digits.erase(0, first);
  }
}

std::string RemoveTrailingSpaces(const std::string& Input) {
  size_t end = Input.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : Input.substr(0, end + 1);
}

}  // namespace velin
