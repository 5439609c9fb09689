// Code 93 (AIM USS-93) and its full ASCII form. The four shift characters ($), (%), (/), (+)
// are written '[', ']', '{', '}' in the text.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "symbols/barcode/symbology.h"

namespace velin::barcode {
namespace {

struct Code93Char {
  char c;
  const char* widths;  // bar, space, bar, space, bar, space: 9 modules
};

// The row index is the character's value.
constexpr Code93Char kCode93[] = {
    {'0', "131112"},  //  0
    {'1', "111213"},  //  1
    {'2', "111312"},  //  2
    {'3', "111411"},  //  3
    {'4', "121113"},  //  4
    {'5', "121212"},  //  5
    {'6', "121311"},  //  6
    {'7', "111114"},  //  7
    {'8', "131211"},  //  8
    {'9', "141111"},  //  9
    {'A', "211113"},  // 10
    {'B', "211212"},  // 11
    {'C', "211311"},  // 12
    {'D', "221112"},  // 13
    {'E', "221211"},  // 14
    {'F', "231111"},  // 15
    {'G', "112113"},  // 16
    {'H', "112212"},  // 17
    {'I', "112311"},  // 18
    {'J', "122112"},  // 19
    {'K', "132111"},  // 20
    {'L', "111123"},  // 21
    {'M', "111222"},  // 22
    {'N', "111321"},  // 23
    {'O', "121122"},  // 24
    {'P', "131121"},  // 25
    {'Q', "212112"},  // 26
    {'R', "212211"},  // 27
    {'S', "211122"},  // 28
    {'T', "211221"},  // 29
    {'U', "221121"},  // 30
    {'V', "222111"},  // 31
    {'W', "112122"},  // 32
    {'X', "112221"},  // 33
    {'Y', "122121"},  // 34
    {'Z', "123111"},  // 35
    {'-', "121131"},  // 36
    {'.', "311112"},  // 37
    {' ', "311211"},  // 38
    {'$', "321111"},  // 39
    {'/', "112131"},  // 40
    {'+', "113121"},  // 41
    {'%', "211131"},  // 42
    {'[', "121221"},  // 43 ($)
    {']', "312111"},  // 44 (%)
    {'{', "311121"},  // 45 (/)
    {'}', "122211"},  // 46 (+)
};
constexpr int kCode93Count = 47;
static_assert(std::size(kCode93) == kCode93Count);
constexpr const char* kStart = "111141";
constexpr const char* kStop = "1111411";  // stop character and termination bar

constexpr std::array<int8_t, 128> MakeValueIndex() {
  std::array<int8_t, 128> index{};
  for (auto& v : index) v = -1;
  for (int i = 0; i < kCode93Count; ++i) index[static_cast<unsigned char>(kCode93[i].c)] = i;
  return index;
}
constexpr std::array<int8_t, 128> kValueOf = MakeValueIndex();

// Weighted check value: weights 1, 2, ... up to max_weight from the rightmost value,
// starting again at 1.
int CheckValue(const std::vector<int>& values, int max_weight) {
  int sum = 0, weight = 0;
  for (auto it = values.rbegin(); it != values.rend(); ++it) {
    weight = weight % max_weight + 1;
    sum = (sum + *it * weight) % kCode93Count;
  }
  return sum;
}

std::string Encode(const std::u32string& chars, const std::string& text) {
  std::vector<int> values;
  values.reserve(chars.size() + 2);
  for (char32_t c : chars) {
    int value = c < 128 ? kValueOf[c] : -1;
    if (value < 0) {
      throw EBarcodeError(std::string(kClassName) + ":Code93 bad Data <" + text + ">");
    }
    values.push_back(value);
  }
  values.push_back(CheckValue(values, 20));  // C
  values.push_back(CheckValue(values, 15));  // K, over the data and C
  std::string pattern;
  pattern.reserve((values.size() + 2) * 6 + 1);
  AppendWidths(pattern, kStart);
  for (int v : values) AppendWidths(pattern, kCode93[v].widths);
  AppendWidths(pattern, kStop);
  return pattern;
}

// Code 39 full ASCII shift -> Code 93 shift character.
char32_t Code93Shift(char c) {
  switch (c) {
    case '$':
      return U'[';
    case '%':
      return U']';
    case '/':
      return U'{';
    case '+':
      return U'}';
    default:
      return static_cast<unsigned char>(c);
  }
}

}  // namespace

std::string EncodeCode93(std::string& text, bool) { return Encode(CodePoints(text), text); }

std::string EncodeCode93Extended(std::string& text, bool) {
  std::u32string mapped;
  for (char32_t c : CodePoints(text)) {
    std::string_view seq = FullAsciiSequence(c);
    if (seq.size() == 2) {
      mapped.push_back(Code93Shift(seq[0]));
      mapped.push_back(static_cast<unsigned char>(seq[1]));
    } else if (seq.size() == 1) {
      mapped.push_back(static_cast<unsigned char>(seq[0]));
    }
  }
  return Encode(mapped, text);
}

}  // namespace velin::barcode
