// The CPCL barcode lines: the Code 128 form chosen from the data, the module, failures, and
// the QR block's reading from the FIFO (what it consumes, what it leaves, how long it waits).
// What the symbols decode to is checked on rendered pages in tests/rendered_labels.
#include <gtest/gtest.h>

#include "interpreter/label_symbols.h"
#include "support/interpreter_harness.h"

namespace velin::test {
namespace {

TEST(ChooseCode128, PicksTheFormFromTheData) {
  struct Row {
    int line;
    std::string data;
    TBarcodeType type;
    std::string text;
  };
  using T = TBarcodeType;
  const Row rows[] = {
      {__LINE__, "12345678", T::bcCode128C, "12345678"},
      {__LINE__, "1234567", T::bcCode128M, "!1031!099234567"},
      {__LINE__, "4006381333931", T::bcCode128M, "!1034!099006381333931"},
      {__LINE__, "SF1234567890", T::bcCode128M, "!103SF!0991234567890"},
      {__LINE__, "SF123", T::bcCode128M, "!103SF1!09923"},  // odd digit run: first digit moves
      {__LINE__, "AB", T::bcCode128M, "!103AB!099"},        // capitals and no digits
      {__LINE__, "#12", T::bcCode128A, "#12"},
      {__LINE__, "12 34", T::bcCode128A, "12 34"},
      // Data those forms would lose or widen: the shortest symbol, as symbol values.
      {__LINE__, "AB12CD", T::bcCode128M, "!104!033!034!017!018!035!036"},  // B throughout
      {__LINE__, "a-b", T::bcCode128M, "!104!065!013!066"},
      {__LINE__, "ab1234", T::bcCode128M, "!104!065!066!099!012!034"},  // lower case: B, then C
      {__LINE__, "#1\t", T::bcCode128M, "!103!003!017!073"},            // a control: A
      {__LINE__,
       "\xE9\xA1\xBA"
       "12",
       T::bcCode128M, "!104!100!043!100!019!017!018"},  // a CJK letter: its GBK bytes CB B3
      {__LINE__, "", T::bcCode128A, ""},
  };
  for (const Row& r : rows) {
    Code128Choice c = ChooseCode128(r.data);
    EXPECT_EQ(c.type, r.type) << "row at line " << r.line;
    EXPECT_EQ(c.text, r.text) << "row at line " << r.line;
  }
}

class BarcodeCommandTest : public ::testing::Test {
 protected:
  BarcodeCommandTest() { h_.fifo().StartDebug(); }
  void Send(const std::string& bytes) {
    h_.Receive(bytes);
    h_.Run();
  }
  const Bitmap32& page() { return h_.thread().page().bitmap(); }
  // Width of the first dark run on `row`, from its first dark dot.
  int FirstBarWidth(int row) {
    int x = 0;
    while (x < page().width() && page().GetPixel(x, row) == kWhite) ++x;
    int start = x;
    while (x < page().width() && page().GetPixel(x, row) != kWhite) ++x;
    return x - start;
  }
  bool Blank() {
    for (uint32_t p : page().Pixels())
      if (p != ToPixel(kWhite)) return false;
    return true;
  }
  bool Commanded(const std::string& line) {
    return std::find(h_.commands.begin(), h_.commands.end(), line) != h_.commands.end();
  }
  InterpreterHarness h_;
};

TEST_F(BarcodeCommandTest, TheModuleIsOneMoreThanTheWidthFieldWithinTheEncodersRange) {
  // Start C begins with a bar of two modules.
  struct Row {
    int line;
    int width_field;
    int first_bar;
  };
  const Row rows[] = {{__LINE__, 0, 2},
                      {__LINE__, 3, 8},
                      {__LINE__, 48, 98},
                      {__LINE__, 49, 2},   // 50 is refused: the module stays 1
                      {__LINE__, -1, 2}};  // 0 likewise
  for (const Row& r : rows) {
    Send("! 0 200 200 400 1\r\nB 128 " + std::to_string(r.width_field) + " 1 10 0 5 12\r\n");
    EXPECT_EQ(FirstBarWidth(10), r.first_bar) << "row at line " << r.line;
  }
}

TEST_F(BarcodeCommandTest, FieldsThatDoNotReadDrawNothingAndAreLogged) {
  Send(
      "! 0 200 200 400 1\r\nBARCODE 128 1 X 50 10 20 123\r\nB qr 10 10 M 2 U 6\r\n"
      "B 128 1 1 50 10 20\r\n");  // six fields: silently nothing
  EXPECT_TRUE(Blank());
  EXPECT_EQ(h_.debug_lines,
            (std::vector<std::string>{
                "! 0 200 200 400 1", "BARCODE 128 1 X 50 10 20 123",
                "CMD_BARCODE:'X' is not a valid integer value", "B qr 10 10 M 2 U 6",
                "CMD_BARCODE:'M' is not a valid integer value", "B 128 1 1 50 10 20"}));
}

TEST_F(BarcodeCommandTest, TheQrBlockIsTakenUpToItsEndAndTheRestIsFramedAsUsual) {
  uint32_t start = h_.clock.tick_ms();
  Send(
      "! 0 200 200 400 1\r\nB QR 10 10 M 2 U 6\r\nMA,WB20231019001\r\nENDQR\r\n"
      "LINE 0 300 100 300 1\r\n");
  EXPECT_FALSE(Commanded("MA,WB20231019001"));
  EXPECT_FALSE(Commanded("ENDQR"));
  EXPECT_TRUE(Commanded("LINE 0 300 100 300 1"));
  EXPECT_NE(page().GetPixel(10, 10), kWhite);  // the top-left finder pattern
  EXPECT_NE(page().GetPixel(50, 300), kWhite);
  // Everything had arrived: the only wait is the one before the first byte (plus the polls of
  // the framing loop when it finds the FIFO empty at the end).
  EXPECT_LT(h_.clock.tick_ms() - start, 100u + 20 * 100u);
}

TEST_F(BarcodeCommandTest, OffAlsoEndsTheBlockAndTheBytesAfterItAreFramed) {
  Send("! 0 200 200 400 1\r\nB QR 10 10 M 2 U 6\r\nMA,ABOFFLINE 0 300 100 300 1\r\n");
  EXPECT_TRUE(Commanded("LINE 0 300 100 300 1"));
  EXPECT_NE(page().GetPixel(10, 10), kWhite);
}

TEST_F(BarcodeCommandTest, LongerDataTakeALargerVersionAndOnlyDataNoVersionHoldsDrawTheEmptyText) {
  Send("! 0 200 200 400 1\r\nB QR 10 10 M 2 U 6\r\nMA,\r\nENDQR\r\n");
  Bitmap32 empty_text = page();
  EXPECT_EQ(h_.debug_lines.back(), "B QR 10 10 M 2 U 6");  // an empty payload is no failure
  // Version 6-M holds 106 bytes, 7-M 122, 40-M 2331: two dots per module.
  struct Row {
    int line;
    size_t length;
    int side;  // dots; 0 for the empty text's symbol
  };
  const Row rows[] = {{__LINE__, 1, 82},   {__LINE__, 106, 82}, {__LINE__, 107, 90},
                      {__LINE__, 122, 90}, {__LINE__, 123, 98}, {__LINE__, 2331, 354},
                      {__LINE__, 2332, 0}};
  for (const Row& r : rows) {
    h_.debug_lines.clear();
    Send("! 0 400 400 800 1\r\nPW 800\r\nB QR 10 10 M 2 U 6\r\nMA," + std::string(r.length, 'x') +
         "\r\nENDQR\r\n");
    const std::string where = "row at line " + std::to_string(r.line);
    const bool fits = r.side > 0;
    EXPECT_EQ(h_.debug_lines.back() == "CMD_BARCODE:QR data of " + std::to_string(r.length) +
                                           " bytes does not fit the symbol",
              !fits)
        << where;
    // The finder pattern's outer ring: dark from (10, 10) to the symbol's right edge.
    if (fits) {
      EXPECT_NE(page().GetPixel(10 + r.side - 1, 10), kWhite) << where;
      EXPECT_EQ(page().GetPixel(10 + r.side, 10), kWhite) << where;
    } else {
      Bitmap32 expected(800, 800);
      for (int y = 0; y < 82; ++y)
        for (int x = 0; x < 82; ++x)
          expected.SetPixel(10 + x, 10 + y, empty_text.GetPixel(10 + x, 10 + y));
      EXPECT_EQ(page(), expected) << where;
    }
  }
}

TEST_F(BarcodeCommandTest, BlocksThatDrawNothing) {
  struct Row {
    int line;
    std::string block;
    bool data_framed;  // the data lines reach the dispatcher as lines of their own
  };
  const Row rows[] = {
      {__LINE__, "B QR 10 10 M 0 U 6\r\nMA,ABC\r\nENDQR\r\n", false},   // factor 0
      {__LINE__, "B QR 10 10 X 2 U 6\r\nMA,ABC\r\nENDQR\r\n", false},   // no M: factor 0
      {__LINE__, "B QR 10 10 M 2 U 6\r\nNOCOMMA\r\nENDQR\r\n", false},  // no comma: gone
      {__LINE__, "B QR 10 10 M 2\r\nMA,ABC\r\nENDQR\r\n", true},        // five fields: not a block
  };
  for (const Row& r : rows) {
    h_.commands.clear();
    Send("! 0 200 200 400 1\r\n" + r.block);
    EXPECT_TRUE(Blank()) << "row at line " << r.line;
    EXPECT_EQ(Commanded("ENDQR"), r.data_framed) << "row at line " << r.line;
  }
}

TEST_F(BarcodeCommandTest, ABlockThatNeverEndsStopsAfterTwentyEmptyPollsAndKeepsMemoryBounded) {
  // The symbol of a payload no version holds is the symbol of the empty text.
  Send("! 0 200 200 400 1\r\nB QR 10 10 M 2 U 6\r\nMA,\r\nENDQR\r\n");
  Bitmap32 empty_text = page();
  Send("! 0 200 200 400 1\r\n");
  uint32_t start = h_.clock.tick_ms();
  std::string flood = "B QR 10 10 M 2 U 6\r\nMA,";
  flood += std::string(3 << 20, 'A');  // far beyond what is kept
  h_.Receive(flood);
  h_.thread().Step();  // frames bytes up to the header line and runs the handler
  for (int i = 0; i < 64 && h_.fifo().GetFiFoSize() > 0; ++i) h_.thread().Step();
  EXPECT_EQ(h_.fifo().GetFiFoSize(), 0u);
  EXPECT_GE(h_.clock.tick_ms() - start, 100u + 20 * 100u);
  h_.Run();
  EXPECT_EQ(page(), empty_text);
  EXPECT_EQ(h_.debug_lines.back().rfind("CMD_BARCODE:QR data of ", 0), 0u);
  // The interpreter serves the next label.
  Send("LINE 0 300 100 300 1\r\n");
  EXPECT_TRUE(Commanded("LINE 0 300 100 300 1"));
}

}  // namespace
}  // namespace velin::test
