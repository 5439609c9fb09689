// The TSPL commands, driven as a phone drives them in TSPL mode: item counts, the quoted-text
// rule, millimetre sizes, clipping, and lines whose numbers do not read having no effect.
#include <gtest/gtest.h>

#include "interpreter/label_symbols.h"
#include "support/interpreter_harness.h"

namespace velin::test {
namespace {

constexpr const char* kTsplConfig = "[system]\ntransfer_mode=2\nprinter=Label Printer\n";

class TsplCommandTest : public ::testing::Test {
 protected:
  TsplCommandTest() : h_(kTsplConfig) { h_.fifo().StartDebug(); }
  void Send(const std::string& bytes) {
    h_.Receive(bytes);
    h_.Run();
  }
  const Bitmap32& page() { return h_.thread().page().bitmap(); }
  int DarkDots() {
    int n = 0;
    for (uint32_t p : page().Pixels()) n += p != ToPixel(kWhite);
    return n;
  }
  InterpreterHarness h_;
};

TEST_F(TsplCommandTest, SizeTakesMillimetresAtEightDotsEach) {
  struct Row {
    int line;
    std::string items;
    int width, height;  // -1: the page keeps the size it had (300 × 200)
  };
  const Row rows[] = {
      {__LINE__, "40 mm, 30 mm", 320, 240},
      {__LINE__, "57.5 mm,40 mm", 460, 320},
      {__LINE__, "50.8 mm, 25.4 mm", 406, 203},   // 406.4 and 203.2, truncated
      {__LINE__, "2.5e1 inch, 10 dot", 200, 80},  // the unit is never read
      {__LINE__, "40 mm", -1, -1},                // one item
      {__LINE__, "40mm,30mm", -1, -1},            // no number before the unit
      {__LINE__, "2,1", -1, -1},
      {__LINE__, "4O mm, 30 mm", -1, -1},    // the letter O
      {__LINE__, "40 mm!, 30 mm", 0, 240},   // no unit word: that side is 0
      {__LINE__, "-5 mm, 30 mm", 0, 240},    // a negative side is an empty page
      {__LINE__, "5000 mm, 30 mm", -1, -1},  // 40000 dots: no page that size
      {__LINE__, "1e30 mm, 30 mm", -1, -1},  // beyond any integer
      {__LINE__, "1e39 mm, 30 mm", -1, -1},  // beyond single precision
  };
  for (const Row& r : rows) {
    Send("SIZE 37.5 mm, 25 mm\r\nBAR 0,0,5,5\r\n");
    Send("SIZE " + r.items + "\r\n");
    bool kept = r.width < 0;
    EXPECT_EQ(page().width(), kept ? 300 : r.width) << "row at line " << r.line;
    EXPECT_EQ(page().height(), kept ? 200 : r.height) << "row at line " << r.line;
    EXPECT_EQ(DarkDots(), kept ? 25 : 0) << "row at line " << r.line;  // resized pages are white
  }
}

TEST_F(TsplCommandTest, ClsWhitensThePageAndKeepsItsSize) {
  Send("SIZE 40 mm, 30 mm\r\nBAR 0,0,50,50\r\nCLS\r\n");
  EXPECT_EQ(page().width(), 320);
  EXPECT_EQ(page().height(), 240);
  EXPECT_EQ(DarkDots(), 0);
}

TEST_F(TsplCommandTest, BarPaintsTheRectangleClippedToThePage) {
  struct Row {
    int line;
    std::string items;
    int dots;
  };
  const Row rows[] = {
      {__LINE__, "10,20,3,2", 6},
      {__LINE__, "10,20,0,5", 0},
      {__LINE__, "10,20,-3,5", 0},
      {__LINE__, "-5,-5,10,10", 25},
      {__LINE__, "310,230,2147483647,2147483647", 100},
      {__LINE__, "-2147483648,-2147483648,2147483647,2147483647", 0},  // ends at -1
      {__LINE__, "10,20,3", 0},
      {__LINE__, "10,20,3,x", 0},
      {__LINE__, "10 ,20,3,2", 0},  // a trailing space: not an integer item
  };
  for (const Row& r : rows) {
    Send("SIZE 40 mm, 30 mm\r\nBAR " + r.items + "\r\n");
    EXPECT_EQ(DarkDots(), r.dots) << "row at line " << r.line;
  }
}

TEST_F(TsplCommandTest, TextFontSizeFollowsTheFontItemAsWritten) {
  auto render = [&](const std::string& line) {
    Send("SIZE 80 mm, 40 mm\r\n" + line + "\r\n");
    return page();
  };
  // Font item 1 gives 17 points per multiple, anything else 12: 12 × 17 = 17 × 12.
  Bitmap32 bare_one = render("TEXT 10,10,1,0,12,1,\"Hi\"");
  EXPECT_EQ(bare_one, render("TEXT 10,10,\"1\",0,17,1,\"Hi\""));
  EXPECT_NE(render("TEXT 10,10,1,0,2,2,\"Hi\""), render("TEXT 10,10,\"1\",0,2,2,\"Hi\""));
  // Quotes come off only around a text of at least one character.
  EXPECT_EQ(render("TEXT 10,10,\"3\",0,2,1,\"Hi\""), render("TEXT 10,10,\"3\",0,2,1,Hi"));
  EXPECT_NE(render("TEXT 10,10,\"3\",0,2,1,\"\""), render("TEXT 10,10,\"3\",0,2,1,"));
}

TEST_F(TsplCommandTest, TextLinesThatDoNotReadHaveNoEffectAndTheNextLineIsHandled) {
  Send(
      "SIZE 40 mm, 30 mm\r\n"
      "TEXT 100 ,100,\"3\",0,1,1,\"X\"\r\n"
      "TEXT 10,10,\"3\",0,1,1,\"A,B\"\r\n"  // eight items
      "TEXT 10,10,\"3\",0,1,y,\"X\"\r\n"    // the unused y-multiplication must still read
      "BAR 0,0,1,1\r\n");
  EXPECT_EQ(DarkDots(), 1);
  // A TSPL line that fails is not logged: only the framed lines are.
  EXPECT_EQ(h_.debug_lines.size(), 5u);
}

TEST_F(TsplCommandTest, BarcodeDrawsTheSameSymbolAsTheCpclLineWithTheSameModule) {
  Send("SIZE 78 mm, 50 mm\r\nBARCODE 10,20,\"128\",80,1,0,2,4,\"SF1234567890\"\r\n");
  Bitmap32 tspl = page();
  InterpreterHarness cpcl;
  cpcl.Receive("! 0 200 200 400 1\r\nB 128 1 1 80 10 20 SF1234567890\r\n");
  cpcl.Run();
  EXPECT_EQ(tspl, cpcl.thread().page().bitmap());  // both 624 × 400
  // Items that must read but are not used.
  Send(
      "CLS\r\nBARCODE 10,20,\"128\",80,x,0,2,4,\"12\"\r\nBARCODE "
      "10,20,\"128\",80,1,0,2,y,\"12\"\r\n"
      "BARCODE 10,20,\"128\",80,1,0,2,4,\"12\",5\r\n");
  EXPECT_EQ(DarkDots(), 0);
}

TEST_F(TsplCommandTest, QrcodeTakesSevenItemsOnly) {
  Send(
      "SIZE 40 mm, 30 mm\r\nQRCODE 10,10,L,4,A,0,M2,S7,\"ABC\"\r\nQRCODE "
      "10,10,L,x,A,0,\"ABC\"\r\n");
  EXPECT_EQ(DarkDots(), 0);
  Send("QRCODE 10,10,L,4,A,0,\"ABC\"\r\n");
  EXPECT_GT(DarkDots(), 0);
}

TEST_F(TsplCommandTest, QrcodeDataReachesTheSymbolAsTheBytesSent) {
  // The line is decoded and the data encoded again: private-use pairs (a hole of the grid,
  // the user-defined areas) and the ASCII after them must come back byte for byte.
  const std::string data =
      "\xA2\xAB"
      "AB\xAA\xA1\xFE\xFE\xA1\x40\xB0\xA1\x80";
  Send("SIZE 40 mm, 30 mm\r\nQRCODE 10,10,L,4,A,0,\"" + data + "\"\r\n");
  PageImage expected;
  expected.Resize(320, 240);
  expected.Clear();
  ASSERT_TRUE(DrawQrSymbol(expected, data, 10, 10, 4));
  EXPECT_EQ(page(), expected.bitmap());
}

TEST_F(TsplCommandTest, PrintPrintsOnePageAndKeepsIt) {
  Send("SIZE 40 mm, 30 mm\r\nBAR 0,0,4,4\r\nPRINT 2,3\r\n");
  EXPECT_EQ(h_.printer.graphic_jobs.size(), 1u);
  EXPECT_EQ(DarkDots(), 16);
}

TEST(TsplPrint, WithoutABoundPrinterNothingIsPrinted) {
  InterpreterHarness h("[system]\ntransfer_mode=2\n");
  h.Receive("PRINT 1\r\n");
  h.Run();
  EXPECT_EQ(h.printer.graphic_jobs.size(), 0u);
}

}  // namespace
}  // namespace velin::test
