// Code 128 (ISO/IEC 15417): subsets A, B and C throughout, and the explicit symbol-value form.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/regex.h"
#include "symbols/barcode/symbology.h"

namespace velin::barcode {
namespace {

constexpr char kNone = 0;  // the value stands for no character of that subset here

struct Code128Symbol {
  const char* widths;  // bar, space, bar, space, bar, space
  char a;              // subset A character (ASCII 32 to 95 only)
  char b;              // subset B character (ASCII 32 to 126)
};

// Values 0 to 105. Subset C stands for the pair "00" to "99" at values 0 to 99.
constexpr Code128Symbol kCode128[] = {
    // widths     A      B          value  C
    {"212222", ' ', ' '},      //   0  00
    {"222122", '!', '!'},      //   1  01
    {"222221", '"', '"'},      //   2  02
    {"121223", '#', '#'},      //   3  03
    {"121322", '$', '$'},      //   4  04
    {"131222", '%', '%'},      //   5  05
    {"122213", '&', '&'},      //   6  06
    {"122312", '\'', '\''},    //   7  07
    {"132212", '(', '('},      //   8  08
    {"221213", ')', ')'},      //   9  09
    {"221312", '*', '*'},      //  10  10
    {"231212", '+', '+'},      //  11  11
    {"112232", ',', ','},      //  12  12
    {"122132", '-', '-'},      //  13  13
    {"122231", '.', '.'},      //  14  14
    {"113222", '/', '/'},      //  15  15
    {"123122", '0', '0'},      //  16  16
    {"123221", '1', '1'},      //  17  17
    {"223211", '2', '2'},      //  18  18
    {"221132", '3', '3'},      //  19  19
    {"221231", '4', '4'},      //  20  20
    {"213212", '5', '5'},      //  21  21
    {"223112", '6', '6'},      //  22  22
    {"312131", '7', '7'},      //  23  23
    {"311222", '8', '8'},      //  24  24
    {"321122", '9', '9'},      //  25  25
    {"321221", ':', ':'},      //  26  26
    {"312212", ';', ';'},      //  27  27
    {"322112", '<', '<'},      //  28  28
    {"322211", '=', '='},      //  29  29
    {"212123", '>', '>'},      //  30  30
    {"212321", '?', '?'},      //  31  31
    {"232121", '@', '@'},      //  32  32
    {"111323", 'A', 'A'},      //  33  33
    {"131123", 'B', 'B'},      //  34  34
    {"131321", 'C', 'C'},      //  35  35
    {"112313", 'D', 'D'},      //  36  36
    {"132113", 'E', 'E'},      //  37  37
    {"132311", 'F', 'F'},      //  38  38
    {"211313", 'G', 'G'},      //  39  39
    {"231113", 'H', 'H'},      //  40  40
    {"231311", 'I', 'I'},      //  41  41
    {"112133", 'J', 'J'},      //  42  42
    {"112331", 'K', 'K'},      //  43  43
    {"132131", 'L', 'L'},      //  44  44
    {"113123", 'M', 'M'},      //  45  45
    {"113321", 'N', 'N'},      //  46  46
    {"133121", 'O', 'O'},      //  47  47
    {"313121", 'P', 'P'},      //  48  48
    {"211331", 'Q', 'Q'},      //  49  49
    {"231131", 'R', 'R'},      //  50  50
    {"213113", 'S', 'S'},      //  51  51
    {"213311", 'T', 'T'},      //  52  52
    {"213131", 'U', 'U'},      //  53  53
    {"311123", 'V', 'V'},      //  54  54
    {"311321", 'W', 'W'},      //  55  55
    {"331121", 'X', 'X'},      //  56  56
    {"312113", 'Y', 'Y'},      //  57  57
    {"312311", 'Z', 'Z'},      //  58  58
    {"332111", '[', '['},      //  59  59
    {"314111", '\\', '\\'},    //  60  60
    {"221411", ']', ']'},      //  61  61
    {"431111", '^', '^'},      //  62  62
    {"111224", '_', '_'},      //  63  63
    {"111422", kNone, '`'},    //  64  64
    {"121124", kNone, 'a'},    //  65  65
    {"121421", kNone, 'b'},    //  66  66
    {"141122", kNone, 'c'},    //  67  67
    {"141221", kNone, 'd'},    //  68  68
    {"112214", kNone, 'e'},    //  69  69
    {"112412", kNone, 'f'},    //  70  70
    {"122114", kNone, 'g'},    //  71  71
    {"122411", kNone, 'h'},    //  72  72
    {"142112", kNone, 'i'},    //  73  73
    {"142211", kNone, 'j'},    //  74  74
    {"241211", kNone, 'k'},    //  75  75
    {"221114", kNone, 'l'},    //  76  76
    {"413111", kNone, 'm'},    //  77  77
    {"241112", kNone, 'n'},    //  78  78
    {"134111", kNone, 'o'},    //  79  79
    {"111242", kNone, 'p'},    //  80  80
    {"121142", kNone, 'q'},    //  81  81
    {"121241", kNone, 'r'},    //  82  82
    {"114212", kNone, 's'},    //  83  83
    {"124112", kNone, 't'},    //  84  84
    {"124211", kNone, 'u'},    //  85  85
    {"411212", kNone, 'v'},    //  86  86
    {"421112", kNone, 'w'},    //  87  87
    {"421211", kNone, 'x'},    //  88  88
    {"212141", kNone, 'y'},    //  89  89
    {"214121", kNone, 'z'},    //  90  90
    {"412121", kNone, '{'},    //  91  91
    {"111143", kNone, '|'},    //  92  92
    {"111341", kNone, '}'},    //  93  93
    {"131141", kNone, '~'},    //  94  94
    {"114113", kNone, kNone},  //  95  95
    {"114311", kNone, kNone},  //  96  96
    {"411113", kNone, kNone},  //  97  97
    {"411311", kNone, kNone},  //  98  98
    {"113141", kNone, kNone},  //  99  99
    {"114131", kNone, kNone},  // 100  --
    {"311141", kNone, kNone},  // 101  --
    {"411131", kNone, kNone},  // 102  --
    {"211412", kNone, kNone},  // 103  --
    {"211214", kNone, kNone},  // 104  --
    {"211232", kNone, kNone},  // 105  --
};
constexpr int kSymbolCount = 106;
static_assert(std::size(kCode128) == kSymbolCount);
constexpr int kStartA = 103;
constexpr int kStartB = 104;
constexpr int kStartC = 105;
constexpr int kCodeC = 99;
constexpr int kCodeB = 100;
constexpr int kCodeA = 101;
constexpr int kShift = 98;
constexpr const char* kStop = "2331112";
constexpr int kModulus = 103;

enum class Subset { kNone, kA, kB, kC };

// Value of each ASCII character in one subset's column (the first entry that holds it), -1
// where the column has none.
constexpr std::array<int8_t, 128> MakeIndex(char Code128Symbol::*column) {
  std::array<int8_t, 128> index{};
  for (auto& v : index) v = -1;
  for (int value = kSymbolCount - 1; value >= 0; --value) {
    char c = kCode128[value].*column;
    if (c != kNone) index[static_cast<unsigned char>(c)] = static_cast<int8_t>(value);
  }
  return index;
}
constexpr std::array<int8_t, 128> kValueInA = MakeIndex(&Code128Symbol::a);
constexpr std::array<int8_t, 128> kValueInB = MakeIndex(&Code128Symbol::b);

// A character's value in subset A or B, or -1 if the subset cannot represent it.
int LookupValue(char32_t c, Subset subset) {
  if (c >= 128) return -1;
  return subset == Subset::kA ? kValueInA[c] : kValueInB[c];
}

// A character's value in subset A or B; one the subset cannot represent is value 0 (space).
int CharValue(char32_t c, Subset subset) {
  int value = LookupValue(c, subset);
  return value < 0 ? 0 : value;
}

// A pair's subset C value; a pair that is not two decimal digits is value 0 ("00").
int PairValue(char32_t high, char32_t low) {
  if (high < '0' || high > '9' || low < '0' || low > '9') return 0;
  return static_cast<int>((high - '0') * 10 + (low - '0'));
}

// Accumulates the symbol characters and the weighted check sum (kept reduced: long texts
// would overflow the plain sum).
class SymbolWriter {
 public:
  explicit SymbolWriter(size_t expected_symbols) { pattern_.reserve((expected_symbols + 3) * 6); }

  // Appends the value's pattern, adding value × weight to the sum.
  void Put(int value, uint64_t weight) {
    AppendWidths(pattern_, kCode128[value].widths);
    sum_ = (sum_ + static_cast<uint64_t>(value) * (weight % kModulus)) % kModulus;
  }
  void AddToSum(int value) { sum_ = (sum_ + static_cast<uint64_t>(value)) % kModulus; }

  std::string Finish() {
    AppendWidths(pattern_, kCode128[sum_].widths);
    AppendWidths(pattern_, kStop);
    return std::move(pattern_);
  }

 private:
  std::string pattern_;
  uint64_t sum_ = 0;
};

// Start, then one symbol per character of `chars` in `subset`, check, stop.
std::string EncodeSingleSubset(const std::u32string& chars, Subset subset, int start) {
  SymbolWriter out(chars.size());
  out.Put(start, 1);  // the start value counts once
  uint64_t k = 1;
  if (subset == Subset::kC) {
    for (size_t i = 0; i + 1 < chars.size(); i += 2)
      out.Put(PairValue(chars[i], chars[i + 1]), k++);
  } else {
    for (char32_t c : chars) out.Put(CharValue(c, subset), k++);
  }
  return out.Finish();
}

}  // namespace

std::string EncodeCode128A(std::string& text, bool) {
  return EncodeSingleSubset(CodePoints(text), Subset::kA, kStartA);
}

std::string EncodeCode128B(std::string& text, bool) {
  return EncodeSingleSubset(CodePoints(text), Subset::kB, kStartB);
}

std::string EncodeCode128C(std::string& text, bool) {
  std::u32string chars = CodePoints(text);
  if (chars.size() % 2 != 0) {
    text += '0';
    chars.push_back(U'0');
  }
  return EncodeSingleSubset(chars, Subset::kC, kStartC);
}

// The text lists symbol values as escapes "!" + three digits, each followed by characters of
// the current subset. Text before the first escape and malformed escapes with their text are
// dropped; escapes above 105 (no such symbol) are dropped, their text kept.
std::string EncodeCode128M(std::string& text, bool) {
  static const Regex kEscape("(\\!\\d{3})([^!]*)");
  SymbolWriter out(text.size());
  Subset subset = Subset::kNone;
  bool shift = false;  // the next character comes from the other of subsets A and B
  uint64_t k = 0;
  // A match starts at an exclamation mark and ends before the next one, so the text is
  // searched one '!'-delimited piece at a time: the same matches, in time linear in the text
  // (one search over the whole of a long text per match would be quadratic).
  Regex::Match m;
  for (size_t piece = text.find('!'); piece != std::string::npos;) {
    size_t next = text.find('!', piece + 1);
    std::string_view span = std::string_view(text).substr(piece, next - piece);
    piece = next;
    if (!kEscape.Search(span, m) || m.start != 0) continue;
    const std::string& escape = m.groups[1];
    int value = (escape[1] - '0') * 100 + (escape[2] - '0') * 10 + (escape[3] - '0');
    if (value < kSymbolCount) {
      shift = false;
      switch (value) {
        case kStartA:
          subset = Subset::kA;
          break;
        case kStartB:
          subset = Subset::kB;
          break;
        case kStartC:
          subset = Subset::kC;
          break;
        case kCodeC:
          if (subset == Subset::kA || subset == Subset::kB) subset = Subset::kC;
          break;
        case kCodeB:
          if (subset == Subset::kA || subset == Subset::kC) subset = Subset::kB;
          break;
        case kCodeA:
          if (subset == Subset::kB || subset == Subset::kC) subset = Subset::kA;
          break;
        case kShift:
          shift = subset == Subset::kA || subset == Subset::kB;
          break;
        default:
          break;
      }
      if (value >= kStartA) out.AddToSum(value);  // a start counts once more
      out.Put(value, k++);
    }

    const std::string& data = m.groups[2];
    if (data.empty()) continue;
    std::u32string chars = CodePoints(data);
    if (subset == Subset::kA || subset == Subset::kB) {
      const Subset other = subset == Subset::kA ? Subset::kB : Subset::kA;
      for (char32_t c : chars) {
        Subset from = shift ? other : subset;
        int value = LookupValue(c, from);
        if (value < 0 && !shift) {
          // A character of the other subset (a lower-case letter after Start A, say) is
          // shifted in rather than lost: the scanner reads what the text says.
          int shifted = LookupValue(c, other);
          if (shifted >= 0) {
            out.Put(kShift, k++);
            value = shifted;
          }
        }
        shift = false;
        out.Put(value < 0 ? 0 : value, k++);
      }
    } else {
      if (chars.size() % 2 != 0) chars.push_back(U'0');
      for (size_t i = 0; i < chars.size(); i += 2) out.Put(PairValue(chars[i], chars[i + 1]), k++);
    }
  }
  return out.Finish();
}

}  // namespace velin::barcode
