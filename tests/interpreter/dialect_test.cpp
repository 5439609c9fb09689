// The printer dialect: how it is chosen, where its fields land (offset, units, decimals,
// justification, lines and boxes as printers draw them), text sizes, TSPL's area commands,
// raw bitmaps and the line encoding; and the report of ignored and failed commands.
#include <gtest/gtest.h>

#include "base/ansi_codec.h"

#include "interpreter/label_report.h"
#include "interpreter/printer_text.h"
#include "support/dark_box.h"
#include "support/interpreter_harness.h"

namespace velin::test {
namespace {

TEST(Dialect, TheConfigurationChoosesItOnceAtStart) {
  struct Row {
    int line;
    std::string value;
    LabelDialect dialect;
  };
  const Row rows[] = {
      {__LINE__, "label_dialect=printer\r\n", LabelDialect::kPrinter},
      {__LINE__, "label_dialect= Printer \r\n", LabelDialect::kPrinter},
      {__LINE__, "label_dialect=zebra\r\n", LabelDialect::kDefault},
      {__LINE__, "", LabelDialect::kDefault},
  };
  for (const Row& r : rows) {
    InterpreterHarness h("[system]\r\ntransfer_mode=1\r\n" + r.value);
    EXPECT_EQ(h.thread().Dialect(), r.dialect) << "row at line " << r.line;
  }
}

class CpclPrinterTest : public ::testing::Test {
 protected:
  CpclPrinterTest() : h_("[system]\r\ntransfer_mode=1\r\nlabel_dialect=printer\r\n") {
    h_.fifo().StartDebug();
  }
  void Send(const std::string& bytes) {
    h_.Receive(bytes);
    h_.Run();
  }
  const Bitmap32& page() { return h_.thread().page().bitmap(); }
  InterpreterHarness h_;
};

TEST_F(CpclPrinterTest, FieldsLandWhereAPrinterPutsThem) {
  struct Row {
    int line;
    std::string commands;  // after "! OFFSET 200 200 300 1" and "PW 400"
    int offset;
    DarkBox expected;
  };
  const Row rows[] = {
      // LINE: the thickness below a horizontal line, right of a vertical one; ends included.
      {__LINE__, "LINE 10 20 100 20 3", 0, {10, 20, 100, 22}},
      {__LINE__, "L 10 20 10 80 4", 0, {10, 20, 13, 80}},
      {__LINE__, "LINE 10 20 100 20 3", 25, {35, 20, 125, 22}},  // the header's offset
      // BOX: the outline inside its corners.
      {__LINE__, "BOX 10 20 100 80 5", 0, {10, 20, 100, 80}},
      // Decimals round; millimetres are 8 dots.
      {__LINE__, "LINE 10.4 20.6 99.5 20.6 1", 0, {10, 21, 100, 21}},
      {__LINE__, "IN-MILLIMETERS\r\nLINE 1.25 2.5 10 2.5 0.5", 0, {10, 20, 80, 23}},
      {__LINE__, "IN-CENTIMETERS\r\nBOX 1 1 2 2 0.1", 0, {80, 80, 160, 160}},
      {__LINE__, "IN-INCHES\r\nLINE 0 1 1 1 0.01", 0, {0, 203, 203, 204}},
      // INVERSE-LINE turns what is there: a box's corner becomes white inside black.
      {__LINE__, "INVERSE-LINE 0 0 40 0 40", 0, {0, 0, 40, 39}},
  };
  for (const Row& r : rows) {
    Send("! " + std::to_string(r.offset) + " 200 200 300 1\r\nPW 400\r\n" + r.commands + "\r\n");
    EXPECT_EQ(DarkBoxIn(page()), r.expected) << "row at line " << r.line;
  }
  // The box's inside stays white; the inverse line's area is all black on a white page.
  Send("! 0 200 200 300 1\r\nPW 400\r\nBOX 10 20 100 80 5\r\n");
  EXPECT_EQ(DarkBoxIn(page(), 15, 25, 96, 76), DarkBox{});
  EXPECT_EQ(DarkBoxIn(page(), 10, 20, 15, 81).dark, 5 * 61);
  Send("! 0 200 200 300 1\r\nBOX 0 0 9 9 1\r\nINVERSE-LINE 0 0 9 0 10\r\n");
  EXPECT_EQ(page().GetPixel(0, 0), kWhite);  // the box's edge, turned
  EXPECT_EQ(page().GetPixel(5, 5), kBlack);  // its white inside, turned
}

TEST_F(CpclPrinterTest, JustificationPlacesQrSymbolsAndBarcodesWithinTheirRoom) {
  // "ABC" is a version 1 symbol: 21 modules of 2 dots.
  struct Row {
    int line;
    std::string justify;
    int offset;
    int left;
  };
  const Row rows[] = {
      {__LINE__, "LEFT", 0, 30},
      {__LINE__, "CENTER", 0, 30 + (400 - 30 - 42) / 2},
      {__LINE__, "CENTER 200", 0, 30 + (200 - 30 - 42) / 2},
      {__LINE__, "RIGHT", 0, 400 - 42},
      {__LINE__, "RIGHT 300", 10, 310 - 42},  // the end moves with the offset
      {__LINE__, "CENTER 50", 0, 30},         // no room: the field starts at x
  };
  for (const Row& r : rows) {
    Send("! " + std::to_string(r.offset) + " 200 200 300 1\r\nPW 400\r\n" + r.justify +
         "\r\nB QR 30 10 M 2 U 2\r\nMA,ABC\r\nENDQR\r\n");
    EXPECT_EQ(DarkBoxIn(page()), (DarkBox{r.left, 10, r.left + 41, 51}))
        << "row at line " << r.line;
  }
  // A new label starts left justified.
  Send("! 0 200 200 300 1\r\nB QR 30 10 M 2 U 2\r\nMA,ABC\r\nENDQR\r\n");
  EXPECT_EQ(DarkBoxIn(page()).left, 30);
}

TEST_F(CpclPrinterTest, TheQrBlockTakesLevelAndUnitAndOnlyEndqrEndsIt) {
  // 30 bytes: version 2 at level L, 4 at level H; U 3 gives 3 dots per module.
  const std::string data(30, 'a');
  Send("! 0 200 200 300 1\r\nB QR 0 0 M 2 U 3\r\nLA," + data + "\r\nENDQR\r\n");
  EXPECT_EQ(DarkBoxIn(page()), (DarkBox{0, 0, 3 * 25 - 1, 3 * 25 - 1}));
  Send("! 0 200 200 300 1\r\nB QR 0 0 U 3\r\nHA," + data + "\r\nENDQR\r\n");
  EXPECT_EQ(DarkBoxIn(page()), (DarkBox{0, 0, 3 * 33 - 1, 3 * 33 - 1}));
  // "OFF" inside the data is data; the line after ENDQR is framed as usual.
  Send("! 0 200 200 300 1\r\nB QR 0 0\r\nMA,OFFICE\r\nENDQR\r\nLINE 0 200 10 200 1\r\n");
  EXPECT_EQ(page().GetPixel(5, 200), kBlack);
}

TEST_F(CpclPrinterTest, SetmagAndTheSizeFieldMagnifyBothAxesAndSurvivePrint) {
  auto text_box = [&](const std::string& before) {
    Send("! 0 200 200 400 1\r\nPW 600\r\n" + before + "T 24 0 0 0 HH\r\n");
    return DarkBoxIn(page());
  };
  const DarkBox plain = text_box("");
  // Two 12 × 24 cells: the glyphs lie inside 24 × 24 dots.
  EXPECT_LT(plain.right, 24);
  EXPECT_LT(plain.bottom, 24);
  const DarkBox wide_tall = text_box("SETMAG 2 3\r\n");
  EXPECT_LT(wide_tall.right, 48);
  EXPECT_GT(wide_tall.right, 24);
  EXPECT_LT(wide_tall.bottom, 72);
  EXPECT_GT(wide_tall.bottom, 48);
  // Printing does not reset it; SETMAG 0 0 does.
  Send("PRINT\r\n");
  EXPECT_EQ(text_box(""), wide_tall);
  EXPECT_EQ(text_box("SETMAG 0 0\r\n"), plain);
  // The size field 11: twice across and down.
  Send("! 0 200 200 400 1\r\nPW 600\r\nT 24 11 0 0 HH\r\n");
  const DarkBox doubled = DarkBoxIn(page());
  EXPECT_GT(doubled.right, 24);
  EXPECT_GT(doubled.bottom, 24);
  EXPECT_LT(doubled.bottom, 48);
}

TEST_F(CpclPrinterTest, AnEndlessTextLineIsSetOnlyAsFarAsThePage) {
  // 400,000 characters: only the cells that can reach the page are drawn.
  Send("! 0 200 200 100 1\r\nPW 200\r\nT 24 0 -5000 0 " + std::string(400000, 'W') +
       "\r\nT90 0 0 nan 0 X\r\n");
  EXPECT_FALSE(DarkBoxIn(page()).empty());
  EXPECT_EQ(h_.debug_lines.back(), "CMD_TEXT:'nan' is not a valid number");
}

TEST_F(CpclPrinterTest, EncodingDecodesTheLinesThatFollow) {
  // 顺 from UTF-8 and from a GB18030 pair; 𠮷 from a four-byte sequence; back to GBK, where
  // the same four bytes are two pairs.
  Send("ENCODING UTF-8\r\nT 24 0 0 0 \xE9\xA1\xBA\r\nENCODING GB18030\r\nT 24 0 0 0 \xCB\xB3\r\n"
       "T 24 0 0 0 \x95\x34\xB2\x35\r\nENCODING GBK\r\nT 24 0 0 0 \x95\x34\xB2\x35\r\n");
  ASSERT_EQ(h_.commands.size(), 7u);
  EXPECT_EQ(h_.commands[1], "T 24 0 0 0 \xE9\xA1\xBA");
  EXPECT_EQ(h_.commands[3], "T 24 0 0 0 \xE9\xA1\xBA");
  EXPECT_EQ(h_.commands[4], "T 24 0 0 0 \U00020BB7");
  EXPECT_EQ(h_.commands[6], "T 24 0 0 0 " + AnsiToUtf8("\x95\x34\xB2\x35"));
}

TEST(ResidentText, CellsSetTheSizeOfEveryCharacter) {
  struct Row {
    int line;
    std::string text;
    ResidentFont font;
    int mag_x, mag_y, spacing;
    Size expected;
  };
  const ResidentFont f24 = CpclResidentFont("24");
  const Row rows[] = {
      {__LINE__, "AB", f24, 1, 1, 0, {24, 24}},
      {__LINE__, "A\xE9\xA1\xBA", f24, 1, 1, 0, {36, 24}},  // a wide character: 24 dots
      {__LINE__, "AB", f24, 2, 3, 0, {48, 72}},
      {__LINE__, "AB", f24, 2, 1, 3, {60, 24}},  // spacing after each character, magnified
      {__LINE__, "AB", CpclResidentFont("55"), 1, 1, 0, {16, 16}},
      {__LINE__, "AB", TsplResidentFont("\"3\""), 1, 1, 0, {32, 24}},
      {__LINE__, "AB", TsplResidentFont("5"), 2, 2, 0, {128, 96}},
      {__LINE__, "", f24, 1, 1, 0, {0, 0}},
  };
  for (const Row& r : rows) {
    ResidentText how;
    how.font = r.font;
    how.mag_x = r.mag_x;
    how.mag_y = r.mag_y;
    how.spacing = r.spacing;
    Size s = MeasureResidentText(PlatformTextRenderer(), r.text, how);
    EXPECT_EQ(s.width, r.expected.width) << "row at line " << r.line;
    EXPECT_EQ(s.height, r.expected.height) << "row at line " << r.line;
  }
}

class TsplPrinterTest : public ::testing::Test {
 protected:
  TsplPrinterTest() : h_("[system]\r\ntransfer_mode=2\r\nlabel_dialect=printer\r\n") {}
  void Send(const std::string& bytes) {
    h_.Receive(bytes);
    h_.Run();
  }
  const Bitmap32& page() { return h_.thread().page().bitmap(); }
  InterpreterHarness h_;
};

TEST_F(TsplPrinterTest, SizeReadsInchesMillimetresAndDots) {
  struct Row {
    int line;
    std::string size;
    int width, height;
  };
  const Row rows[] = {
      {__LINE__, "SIZE 2,1", 406, 203},  // inches at 8 dots per millimetre
      {__LINE__, "SIZE 40 mm,30 mm", 320, 240},
      {__LINE__, "SIZE 40mm,30mm", 320, 240},
      {__LINE__, "SIZE 400 dot,100 dot", 400, 100},
  };
  for (const Row& r : rows) {
    Send(r.size + "\r\n");
    EXPECT_EQ(page().width(), r.width) << "row at line " << r.line;
    EXPECT_EQ(page().height(), r.height) << "row at line " << r.line;
  }
}

TEST_F(TsplPrinterTest, AreaCommandsAndTheReferenceOrigin) {
  Send("SIZE 400 dot,200 dot\r\nCLS\r\nBAR 10,10,40,20\r\nREVERSE 30,0,40,40\r\n");
  EXPECT_EQ(DarkBoxIn(page()), (DarkBox{10, 0, 69, 39}));
  EXPECT_EQ(page().GetPixel(40, 15), kWhite);  // black turned white
  EXPECT_EQ(page().GetPixel(40, 35), kBlack);  // white turned black
  Send("ERASE 0,0,100,100\r\nBOX 100,50,150,90,4\r\n");
  EXPECT_EQ(DarkBoxIn(page()), (DarkBox{100, 50, 150, 90}));
  EXPECT_EQ(DarkBoxIn(page(), 104, 54, 147, 87), DarkBox{});
  Send("CLS\r\nREFERENCE 20,30\r\nBAR 0,0,5,5\r\nREFERENCE 0,0\r\n");
  EXPECT_EQ(DarkBoxIn(page()), (DarkBox{20, 30, 24, 34}));
}

TEST_F(TsplPrinterTest, BitmapBytesComeRawAfterTheFifthComma) {
  // Bytes that framing would cut or answer (LF, CR, ESC) are bitmap data here; 0 bits black.
  const std::string rows = std::string("\x0A\x0D\x1B\xFF", 4);  // 2 bytes × 2 rows
  Send("SIZE 100 dot,20 dot\r\nCLS\r\nBITMAP 0,0,2,2,0," + rows + "\r\nBAR 90,0,1,1\r\n");
  EXPECT_TRUE(h_.replies.empty());
  auto black = [&](int x, int y) { return page().GetPixel(x, y) == kBlack; };
  for (int k = 0; k < 16; ++k) {
    EXPECT_EQ(black(k, 0), !((rows[k / 8] >> (7 - k % 8)) & 1)) << k;
    EXPECT_EQ(black(k, 1), !((rows[2 + k / 8] >> (7 - k % 8)) & 1)) << k;
  }
  EXPECT_TRUE(black(90, 0));  // the next line is read as a line again
  // OR adds black dots, XOR turns them; 0xF0: the left four dots.
  Send("CLS\r\nBAR 0,0,2,1\r\nBAR 4,0,2,1\r\nBITMAP 0,0,1,1,1,\x0F\r\n");
  EXPECT_EQ(DarkBoxIn(page(), 0, 0, 8, 1), (DarkBox{0, 0, 5, 0}));
  EXPECT_EQ(DarkBoxIn(page(), 0, 0, 8, 1).dark, 6);
  Send("CLS\r\nBAR 0,0,2,1\r\nBITMAP 0,0,1,1,2,\x0F\r\n");
  EXPECT_EQ(DarkBoxIn(page(), 0, 0, 8, 1), (DarkBox{2, 0, 3, 0}));
}

TEST(TsplPrinter, DirectionMirrorsThePrintedPageOnly) {
  InterpreterHarness h(
      "[system]\r\ntransfer_mode=2\r\nlabel_dialect=printer\r\nprinter=Label Printer\r\n");
  h.Receive(
      "SIZE 100 dot,10 dot\r\nCLS\r\nBAR 0,0,10,10\r\nPRINT 1\r\nDIRECTION 1,1\r\n"
      "PRINT 1\r\nDIRECTION 0\r\nPRINT 1\r\n");
  h.Run();
  ASSERT_EQ(h.printer.graphic_jobs.size(), 3u);
  // The page stretched across the printable area: the bar at its left end, or mirrored at
  // its right end.
  auto ends = [&](size_t job) {
    const Bitmap32& p = h.printer.graphic_jobs[job].page;
    const DarkBox ink = DarkBoxIn(p);
    return std::make_pair(ink.left == 0, ink.right < p.width() / 2);
  };
  EXPECT_EQ(ends(0), std::make_pair(true, true));
  EXPECT_EQ(ends(1), std::make_pair(false, false));
  EXPECT_EQ(ends(2), std::make_pair(true, true));
  EXPECT_EQ(h.thread().page().bitmap().GetPixel(0, 0), kBlack);  // the page stays as drawn
}

TEST(LabelReport, CountsInFirstSeenOrderAndStaysBounded) {
  LabelReport report;
  report.Ignored("CENTER");
  report.Failed("CMD_TEXT", "'13.6' is not a valid integer value");
  report.Ignored("CENTER");
  report.Failed("CMD_TEXT", "another reason");
  EXPECT_EQ(report.Lines(), (std::vector<std::string>{
                                "ignored: CENTER x2",
                                "failed: CMD_TEXT x2 ('13.6' is not a valid integer value)"}));
  report.Reset();
  EXPECT_TRUE(report.Empty());
  // Endless distinct keywords: one line each up to the limit, the rest counted together;
  // a long keyword is cut.
  for (int i = 0; i < 1000; ++i) report.Ignored("K" + std::to_string(i) + std::string(100, 'x'));
  std::vector<std::string> lines = report.Lines();
  ASSERT_EQ(lines.size(), LabelReport::kMaxEntries + 1);
  EXPECT_EQ(lines.front(), "ignored: K0" + std::string(LabelReport::kMaxName - 2, 'x') + " x1");
  EXPECT_EQ(lines.back(), "ignored or failed: 936 more lines");
}

}  // namespace
}  // namespace velin::test
