// Code 39 (ISO/IEC 16388) and its full ASCII form.
#include <array>
#include <string>
#include <string_view>

#include "symbols/barcode/symbology.h"

namespace velin::barcode {
namespace {

struct Code39Char {
  char c;
  const char* widths;  // bar, space, ... bar: 1 narrow, 2 wide
};

// The row index is the character's check value.
constexpr Code39Char kCode39[] = {
    {'0', "111221211"},  //  0
    {'1', "211211112"},  //  1
    {'2', "112211112"},  //  2
    {'3', "212211111"},  //  3
    {'4', "111221112"},  //  4
    {'5', "211221111"},  //  5
    {'6', "112221111"},  //  6
    {'7', "111211212"},  //  7
    {'8', "211211211"},  //  8
    {'9', "112211211"},  //  9
    {'A', "211112112"},  // 10
    {'B', "112112112"},  // 11
    {'C', "212112111"},  // 12
    {'D', "111122112"},  // 13
    {'E', "211122111"},  // 14
    {'F', "112122111"},  // 15
    {'G', "111112212"},  // 16
    {'H', "211112211"},  // 17
    {'I', "112112211"},  // 18
    {'J', "111122211"},  // 19
    {'K', "211111122"},  // 20
    {'L', "112111122"},  // 21
    {'M', "212111121"},  // 22
    {'N', "111121122"},  // 23
    {'O', "211121121"},  // 24
    {'P', "112121121"},  // 25
    {'Q', "111111222"},  // 26
    {'R', "211111221"},  // 27
    {'S', "112111221"},  // 28
    {'T', "111121221"},  // 29
    {'U', "221111112"},  // 30
    {'V', "122111112"},  // 31
    {'W', "222111111"},  // 32
    {'X', "121121112"},  // 33
    {'Y', "221121111"},  // 34
    {'Z', "122121111"},  // 35
    {'-', "121111212"},  // 36
    {'.', "221111211"},  // 37
    {' ', "122111211"},  // 38
    {'$', "121212111"},  // 39
    {'/', "121211121"},  // 40
    {'+', "121112121"},  // 41
    {'%', "111212121"},  // 42
};
constexpr int kCode39Count = 43;
static_assert(std::size(kCode39) == kCode39Count);
constexpr const char* kCode39StartStop = "121121211";  // '*'

// Full ASCII: the Code 39 sequence of each ASCII character.
constexpr const char* kFullAscii[128] = {
    "%U", "$A", "$B", "$C", "$D", "$E", "$F", "$G",  //   0..7
    "$H", "$I", "$J", "$K", "$L", "$M", "$N", "$O",  //   8..15
    "$P", "$Q", "$R", "$S", "$T", "$U", "$V", "$W",  //  16..23
    "$X", "$Y", "$Z", "%A", "%B", "%C", "%D", "%E",  //  24..31
    " ",  "/A", "/B", "/C", "/D", "/E", "/F", "/G",  //  32..39   ! " # $ % & '
    "/H", "/I", "/J", "/K", "/L", "-",  ".",  "/O",  //  40..47  ( ) * + , - . /
    "0",  "1",  "2",  "3",  "4",  "5",  "6",  "7",   //  48..55
    "8",  "9",  "/Z", "%F", "%G", "%H", "%I", "%J",  //  56..63  8 9 : ; < = > ?
    "%V", "A",  "B",  "C",  "D",  "E",  "F",  "G",   //  64..71  @ A ..
    "H",  "I",  "J",  "K",  "L",  "M",  "N",  "O",   //  72..79
    "P",  "Q",  "R",  "S",  "T",  "U",  "V",  "W",   //  80..87
    "X",  "Y",  "Z",  "%K", "%L", "%M", "%N", "%O",  //  88..95  X Y Z [ \ ] ^ _
    "%W", "+A", "+B", "+C", "+D", "+E", "+F", "+G",  //  96..103 ` a ..
    "+H", "+I", "+J", "+K", "+L", "+M", "+N", "+O",  // 104..111
    "+P", "+Q", "+R", "+S", "+T", "+U", "+V", "+W",  // 112..119
    "+X", "+Y", "+Z", "%P", "%Q", "%R", "%S", "%T",  // 120..127 x y z { | } ~ DEL
};

// Check value of a Code 39 data character, -1 if it has none ('*' included).
constexpr std::array<int8_t, 128> MakeValueIndex() {
  std::array<int8_t, 128> index{};
  for (auto& v : index) v = -1;
  for (int i = 0; i < kCode39Count; ++i) index[static_cast<unsigned char>(kCode39[i].c)] = i;
  return index;
}
constexpr std::array<int8_t, 128> kValueOf = MakeValueIndex();

int ValueOf(char32_t c) { return c < 128 ? kValueOf[c] : -1; }

void AppendCharacter(std::string& pattern, const char* widths) {
  AppendWidths(pattern, widths);
  pattern.push_back(SpaceChar(1));  // inter-character gap
}

std::string Encode(std::u32string_view chars, bool checksum) {
  std::string pattern;
  pattern.reserve((chars.size() + 3) * 10);
  AppendCharacter(pattern, kCode39StartStop);
  int sum = 0;
  for (char32_t c : chars) {
    int value = ValueOf(c);
    if (value < 0) continue;  // not a Code 39 character: left out
    AppendCharacter(pattern, kCode39[value].widths);
    sum = (sum + value) % kCode39Count;
  }
  if (checksum) AppendCharacter(pattern, kCode39[sum].widths);
  AppendWidths(pattern, kCode39StartStop);
  return pattern;
}

}  // namespace

std::string_view FullAsciiSequence(char32_t c) { return c < 128 ? kFullAscii[c] : ""; }

std::string EncodeCode39(std::string& text, bool checksum) {
  return Encode(CodePoints(text), checksum);
}

std::string EncodeCode39Extended(std::string& text, bool checksum) {
  std::u32string mapped;
  for (char32_t c : CodePoints(text)) {
    for (char m : FullAsciiSequence(c)) mapped.push_back(static_cast<unsigned char>(m));
  }
  return Encode(mapped, checksum);
}

}  // namespace velin::barcode
