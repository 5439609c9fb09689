// TBarcode's own behaviour: defaults, the Modul setter, ratio limits and element widths, type
// names, trimming and the error texts, and safety on hostile text.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "barcode_test_support.h"
#include "symbols/barcode/barcode.h"

namespace velin {
namespace {

using T = TBarcodeType;

TEST(TBarcode, DefaultsAsCreated) {
  TBarcode b;
  EXPECT_EQ(b.Height(), 0);
  EXPECT_EQ(b.Text(), "");
  EXPECT_EQ(b.Top(), 0);
  EXPECT_EQ(b.Left(), 0);
  EXPECT_EQ(b.Modul(), 1);
  EXPECT_EQ(b.Ratio(), 2.0);
  EXPECT_EQ(b.Typ(), T::bcCodeEAN13);
  EXPECT_FALSE(b.Checksum());
  EXPECT_FALSE(b.ShowText());
  EXPECT_EQ(b.Angle(), 0.0);
  EXPECT_EQ(b.Color(), 0xFFFFFFu);
  EXPECT_EQ(b.ColorBar(), 0u);
}

TEST(TBarcode, ModulSetterKeepsOneToFortyNine) {
  struct Row {
    int line;
    int set;
    int expected;  // starting from 7
  } rows[] = {
      {__LINE__, 1, 1}, {__LINE__, 49, 49}, {__LINE__, 50, 7},
      {__LINE__, 0, 7}, {__LINE__, -3, 7},  {__LINE__, std::numeric_limits<int>::min(), 7},
  };
  for (const Row& r : rows) {
    TBarcode b;
    b.SetModul(7);
    b.SetModul(r.set);
    EXPECT_EQ(b.Modul(), r.expected) << "row at line " << r.line;
  }
}

// Ratio limits by symbology; the property itself changes.
TEST(TBarcode, BuildPatternLimitsTheRatioPerSymbology) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Row {
    int line;
    T type;
    const char* text;
    double ratio;
    double expected;
  } rows[] = {
      {__LINE__, T::bcCode39, "A", 2.5, 2.5},
      {__LINE__, T::bcCode39, "A", 1.5, 2.0},
      {__LINE__, T::bcCode39, "A", 3.5, 3.0},
      {__LINE__, T::bcCode39Extended, "a", 0.0, 2.0},
      {__LINE__, T::bcCode_2_5_interleaved, "12", 4.0, 3.0},
      {__LINE__, T::bcCode_2_5_industrial, "1", 1.0, 2.0},
      {__LINE__, T::bcCode_2_5_matrix, "1", 2.0, 2.25},
      {__LINE__, T::bcCode_2_5_matrix, "1", 2.6, 2.6},
      {__LINE__, T::bcCode_2_5_matrix, "1", 3.2, 3.0},
      {__LINE__, T::bcCodeCodabar, "1", 1.0, 2.0},
      {__LINE__, T::bcCodeEAN8, "12345670", 5.0, 3.0},
      {__LINE__, T::bcCodeEAN13, "4006381333931", 1.0, 2.0},
      {__LINE__, T::bcCode128B, "A", 1.5, 1.5},  // kept, and distorts the symbol
      {__LINE__, T::bcCode128M, "!104A", 7.0, 7.0},
      {__LINE__, T::bcCode93, "A", 1.0, 1.0},
      {__LINE__, T::bcCodeMSI, "1", 9.0, 9.0},
      {__LINE__, T::bcCodePostNet, "1", 1.0, 1.0},
      {__LINE__, T::bcCode39, "A", nan, 2.0},  // no ratio at all takes the lower limit
  };
  for (const Row& r : rows) {
    TBarcode b;
    b.SetTyp(r.type);
    b.SetText(r.text);
    b.SetRatio(r.ratio);
    b.BuildPattern();
    EXPECT_EQ(b.Ratio(), r.expected) << "row at line " << r.line;
  }
}

// modules[1] = Modul × Ratio rounded half to even, [2] = [1] × 3 div 2, [3] = [1] × 2; each
// kept within 1 to 127 dots instead of wrapping as a signed byte.
TEST(TBarcode, ModuleWidthsRoundHalfToEvenAndNeverWrap) {
  struct Row {
    int line;
    int modul;
    double ratio;
    std::array<int, 4> expected;
    const char* note;
  } rows[] = {
      {__LINE__, 1, 2.0, {1, 2, 3, 4}, "the handlers' ratio: 1 to 4 modules"},
      {__LINE__, 3, 2.0, {3, 6, 9, 12}, ""},
      {__LINE__, 1, 2.5, {1, 2, 3, 4}, "2.5 rounds to 2 (even)"},
      {__LINE__, 3, 2.5, {3, 8, 12, 16}, "7.5 rounds to 8 (even)"},
      {__LINE__, 1, 3.0, {1, 3, 4, 6}, "3 × 3 div 2 = 4"},
      {__LINE__, 2, 2.25, {2, 4, 6, 8}, "4.5 rounds to 4"},
      {__LINE__, 31, 2.0, {31, 62, 93, 124}, "largest Modul that fits at ratio 2"},
      {__LINE__, 32, 2.0, {32, 64, 96, 127}, "128 would wrap to -128"},
      {__LINE__, 49, 3.0, {49, 127, 127, 127}, "147, 220, 294 would wrap"},
      {__LINE__, 1, 0.2, {1, 1, 1, 1}, "a width of 0 dots cannot be painted"},
      {__LINE__, 2, -3.0, {2, 1, 1, 1}, "negative ratio"},
      {__LINE__, 2, 1e300, {2, 127, 127, 127}, "huge ratio"},
      {__LINE__, 2, std::numeric_limits<double>::quiet_NaN(), {2, 1, 1, 1}, "NaN ratio"},
  };
  for (const Row& r : rows) {
    TBarcode b;
    b.SetModul(r.modul);
    b.SetRatio(r.ratio);
    b.ComputeModuleWidths();
    const auto& m = b.ModuleWidths();
    EXPECT_EQ((std::array<int, 4>{m[0], m[1], m[2], m[3]}), r.expected)
        << "row at line " << r.line << ": " << r.note;
  }
}

TEST(TBarcode, PatternElementPropsFollowTheAlphabet) {
  TBarcode b;
  b.SetModul(2);
  b.SetRatio(2.5);  // widths 2, 5, 7, 10
  b.ComputeModuleWidths();
  using K = TBarcode::ElementKind;
  struct Row {
    char c;
    int width;
    K kind;
  } rows[] = {
      {'0', 2, K::kSpace},    {'1', 5, K::kSpace},    {'2', 7, K::kSpace},
      {'3', 10, K::kSpace},   {'5', 2, K::kBar},      {'6', 5, K::kBar},
      {'7', 7, K::kBar},      {'8', 10, K::kBar},     {'A', 2, K::kShortBar},
      {'B', 5, K::kShortBar}, {'C', 7, K::kShortBar}, {'D', 10, K::kShortBar},
  };
  for (const Row& r : rows) {
    auto e = b.PatternElementProps(r.c);
    EXPECT_EQ(e.width, r.width) << r.c;
    EXPECT_EQ(e.kind, r.kind) << r.c;
  }
}

TEST(TBarcode, WidthsToPatternMapsBarsAndSpaces) {
  // Bar d -> '4' + d, space d -> '0' + d - 1, applied by hand.
  EXPECT_EQ(WidthsToPattern("211412"), "605351");    // Code 128 Start A
  EXPECT_EQ(WidthsToPattern("2331112"), "6270506");  // Code 128 stop, seven elements
  EXPECT_EQ(WidthsToPattern("1234"), "5173");
  EXPECT_EQ(WidthsToPattern(""), "");
}

TEST(TBarcode, TypeNamesAsDisplayed) {
  const char* names[] = {"2_5_interleaved",
                         "2_5_industrial",
                         "2_5_matrix",
                         "Code39",
                         "Code39 Extended",
                         "Code128A",
                         "Code128B",
                         "Code128C",
                         "Code93",
                         "Code93 Extended",
                         "MSI",
                         "PostNet",
                         "Codebar",
                         "EAN8",
                         "EAN13",
                         "Code128M"};
  for (int i = 0; i < kBarcodeTypeCount; ++i) {
    TBarcode b;
    b.SetTyp(static_cast<T>(i));
    EXPECT_EQ(b.TypeName(), names[i]) << "type " << i;
  }
  TBarcode b;
  b.SetTyp(static_cast<T>(16));
  EXPECT_EQ(b.TypeName(), "");
}

TEST(TBarcode, ErrorTextsAsUserSeesThem) {
  struct Row {
    int line;
    T type;
    const char* text;
    bool checksum;
    const char* message;
  } rows[] = {
      {__LINE__, T::bcCode128C, "12a4", false, "Barcode must be numeric"},
      {__LINE__, T::bcCode_2_5_interleaved, "12 34", false, "Barcode must be numeric"},
      {__LINE__, T::bcCodeMSI, "\xD9\xA1", false, "Barcode must be numeric"},  // Arabic 1
      {__LINE__, T::bcCodePostNet, "-1", false, "Barcode must be numeric"},
      {__LINE__, T::bcCodeEAN8, "1234567", false, "Invalid Text len (EAN8)"},
      {__LINE__, T::bcCodeEAN8, "123456789", false, "Invalid Text len (EAN8)"},
      {__LINE__, T::bcCodeEAN13, "123", false, "Invalid Text len (EAN13)"},
      // With the check option, a text longer than the data digits is refused unless it ends
      // in its own correct check digit: keeping the last 12 would silently drop the 1.
      {__LINE__, T::bcCodeEAN13, "1234567890123", true, "Invalid Text len (EAN13)"},
      {__LINE__, T::bcCodeEAN8, "12345678", true, "Invalid Text len (EAN8)"},
      {__LINE__, T::bcCodeEAN8, "123456700", true, "Invalid Text len (EAN8)"},
      {__LINE__, T::bcCode93, "ab", false, "TBarcode:Code93 bad Data <ab>"},
      {__LINE__, T::bcCode93, "A\xC3\xA9", false, "TBarcode:Code93 bad Data <A\xC3\xA9>"},
      {__LINE__, static_cast<T>(16), "1", false, "TBarcode: wrong BarcodeType"},
      {__LINE__, static_cast<T>(255), "1", false, "TBarcode: wrong BarcodeType"},
  };
  for (const Row& r : rows) {
    TBarcode b;
    b.SetTyp(r.type);
    b.SetText(r.text);
    b.SetChecksum(r.checksum);
    try {
      b.BuildPattern();
      ADD_FAILURE() << "row at line " << r.line << ": no error";
    } catch (const EBarcodeError& e) {
      EXPECT_STREQ(e.what(), r.message) << "row at line " << r.line;
    }
  }
}

// Digits-only symbologies trim spaces and control characters at both ends; the property
// changes. Others keep the text as given.
TEST(TBarcode, DigitsOnlyTextIsTrimmed) {
  struct Row {
    int line;
    T type;
    const char* text;
    const char* after;
  } rows[] = {
      {__LINE__, T::bcCode128C, " \t12\r\n", "12"},
      {__LINE__, T::bcCodeMSI,
       "\x01"
       "7\x1F",
       "7"},
      {__LINE__, T::bcCodePostNet, "   ", ""},
      {__LINE__, T::bcCode128B, " 12 ", " 12 "},
  };
  for (const Row& r : rows) {
    TBarcode b;
    b.SetTyp(r.type);
    b.SetText(r.text);
    b.BuildPattern();
    EXPECT_EQ(b.Text(), r.after) << "row at line " << r.line;
  }
}

TEST(TBarcode, WidthAddsUpTheElements) {
  // Start C, 12, 34, check, stop: 11 + 22 + 11 + 13 modules of 2 dots.
  TBarcode b;
  b.SetTyp(T::bcCode128C);
  b.SetText("1234");
  b.SetModul(2);
  EXPECT_EQ(b.Width(), 114);
  // EAN-13 is 95 modules, EAN-8 67, whatever the digits.
  b.SetTyp(T::bcCodeEAN13);
  b.SetText("5901234123457");
  b.SetModul(1);
  EXPECT_EQ(b.Width(), 95);
  b.SetTyp(T::bcCodeEAN8);
  b.SetText("96385074");
  b.SetModul(3);
  EXPECT_EQ(b.Width(), 67 * 3);
  b.SetText("1");
  EXPECT_THROW(b.Width(), EBarcodeError);
}

// Text from the USB link may be anything: every symbology either encodes it or raises one of
// its own errors; patterns hold only alphabet characters and grow with the text alone.
TEST(TBarcode, HostileTextEncodesSafely) {
  std::mt19937 random(20240601);
  std::vector<std::string> texts = {
      std::string(100000, '7'),   std::string(50000, '!'), "!999!105!", "\xFF\xFE\xC3",
      std::string("\0\0", 2),
      "\xE4\xB8\xAD\xE6\x96\x87",  // 中文
  };
  for (int i = 0; i < 40; ++i) {
    std::string t(random() % 300, '\0');
    for (char& c : t) c = static_cast<char>(random());
    texts.push_back(t);
  }
  std::string huge128m;
  for (int i = 0; i < 20000; ++i) huge128m += "!104zz!099123";
  texts.push_back(huge128m);
  for (int type = 0; type < kBarcodeTypeCount; ++type) {
    for (const std::string& text : texts) {
      TBarcode b;
      b.SetTyp(static_cast<T>(type));
      b.SetText(text);
      b.SetChecksum(true);
      std::string pattern;
      try {
        pattern = b.BuildPattern();
      } catch (const EBarcodeError&) {
        continue;
      }
      EXPECT_EQ(pattern.find_first_not_of("01235678ABCD"), std::string::npos) << "type " << type;
      // A character costs at most two Code 39 characters of ten elements, plus a few fixed ones.
      EXPECT_LE(pattern.size(), 20 * (b.Text().size() + 4)) << "type " << type;
    }
  }
}

}  // namespace
}  // namespace velin
