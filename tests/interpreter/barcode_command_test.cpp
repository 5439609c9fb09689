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
      {__LINE__, "AB12CD", T::bcCode128M, "!103AB!09912"},  // CD is not encoded
      {__LINE__,
       "\xE9\xA1\xBA"
       "12",
       T::bcCode128M, "!103\xE9\xA1\xBA!09912"},  // a CJK letter
      {__LINE__, "#12", T::bcCode128A, "#12"},
      {__LINE__, "12 34", T::bcCode128A, "12 34"},
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

TEST_F(BarcodeCommandTest, DataThatDoesNotFitDrawsTheEmptyTextsSymbolAndSaysSoInTheLog) {
  Send("! 0 200 200 400 1\r\nB QR 10 10 M 2 U 6\r\nMA,\r\nENDQR\r\n");
  Bitmap32 empty_text = page();
  EXPECT_EQ(h_.debug_lines.back(), "B QR 10 10 M 2 U 6");  // an empty payload is no failure
  // 106 bytes are the most a version 6-M symbol holds.
  for (size_t length : {106u, 107u}) {
    Send("! 0 200 200 400 1\r\nB QR 10 10 M 2 U 6\r\nMA," + std::string(length, 'x') +
         "\r\nENDQR\r\n");
    EXPECT_EQ(page() == empty_text, length == 107) << length;
    EXPECT_EQ(h_.debug_lines.back() == "CMD_BARCODE:QR data of 107 bytes does not fit the symbol",
              length == 107)
        << length;
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
  // The symbol of a payload too long for version 6-M is the symbol of the empty text.
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
