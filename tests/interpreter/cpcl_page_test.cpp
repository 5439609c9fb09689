// The CPCL page, text and line commands, driven through the framing as a phone drives them.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "support/dark_box.h"
#include "support/interpreter_harness.h"

namespace velin::test {
namespace {

class CpclPageTest : public ::testing::Test {
 protected:
  explicit CpclPageTest(const std::string& config = "") : h_(config) { h_.fifo().StartDebug(); }
  void Send(const std::string& lines) {
    h_.Receive(lines);
    h_.Run();
  }
  const Bitmap32& page() { return h_.thread().page().bitmap(); }
  const TCPCL& state() { return h_.thread().text_state(); }
  InterpreterHarness h_;
};

TEST_F(CpclPageTest, TheHeaderSizesAndClearsThePageAndResetsTheTextState) {
  Send("SETMAG 2 2\r\nSETBOLD 1\r\nLINE 0 0 600 0 3\r\n! 0 200 200 400 1\r\n");
  EXPECT_EQ(page().width(), 624);
  EXPECT_EQ(page().height(), 400);
  EXPECT_TRUE(DarkBoxIn(page()).empty());
  EXPECT_EQ(state().mag.x, 1);
  EXPECT_EQ(state().mag.y, 1);
  EXPECT_EQ(state().blod, 0);
}

TEST_F(CpclPageTest, AHeaderThatDoesNotReadLeavesEverything) {
  Send(
      "! 0 200 200 400 1\r\nLINE 0 5 10 5 0\r\nSETMAG 2 2\r\n"
      "! 0 200 200 300\r\n"      // four parameters: ignored without a word
      "! 0 200 200 3O0 1\r\n");  // the letter O: logged
  EXPECT_EQ(page().height(), 400);
  EXPECT_FALSE(DarkBoxIn(page()).empty());
  EXPECT_EQ(state().mag.x, 2);
  EXPECT_EQ(h_.debug_lines.back(), "CMD_START:'3O0' is not a valid integer value");
}

TEST_F(CpclPageTest, PageSizesBeyondALabelFailAsAnAllocationWouldAndThePageStays) {
  Send(
      "! 0 200 200 400 1\r\nLINE 0 5 10 5 0\r\n"
      "! 0 200 200 40000 1\r\n"
      "PW 100000\r\n");
  EXPECT_EQ(page().width(), 624);
  EXPECT_EQ(page().height(), 400);
  EXPECT_FALSE(DarkBoxIn(page()).empty());
  ASSERT_GE(h_.debug_lines.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(h_.debug_lines.end() - 4, h_.debug_lines.end()),
            (std::vector<std::string>{"! 0 200 200 40000 1", "CMD_START:Out of memory", "PW 100000",
                                      "CMD_PAGEWIDTH:Out of memory"}));
  // Negative and zero sizes do not crash; drawing on an empty page draws nothing.
  Send("! 0 200 200 -5 1\r\nLINE 0 0 10 10 1\r\nT 1 0 0 0 x\r\nPW 0\r\nBOX 0 0 5 5 1\r\n");
  EXPECT_EQ(page().height(), 0);
  EXPECT_EQ(page().width(), 0);
}

TEST_F(CpclPageTest, PageWidthIgnoresSpacesAndClears) {
  Send("LINE 0 5 10 5 0\r\nPW 576\r\n");
  EXPECT_EQ(page().width(), 576);
  EXPECT_EQ(page().height(), 1040);
  EXPECT_TRUE(DarkBoxIn(page()).empty());
  Send("PAGE-WIDTH 5 76 \r\n");
  EXPECT_EQ(page().width(), 576);
}

TEST_F(CpclPageTest, SetmagAndSetboldReadTheirParametersAsTheCommandsDo) {
  struct Row {
    int line;
    std::string command;
    int x, y, blod;
  } rows[] = {
      {__LINE__, "SETMAG 2 2", 2, 2, 0},
      {__LINE__, "SETMAG 2 10", 2, 1, 0},   // only the first character, 1
      {__LINE__, "SETMAG 3 7  ", 3, 7, 0},  // trailing spaces go first
      {__LINE__, "SETMAG 2 x", 2, 1, 0},
      {__LINE__, "SETMAG 256 3", 0, 3, 0},  // the low eight bits
      {__LINE__, "SETMAG -1 3", 255, 3, 0},
      {__LINE__, "SETMAG 2", 1, 1, 0},  // one value: ignored
      {__LINE__, "SETBOLD 1", 1, 1, 1},
      {__LINE__, "SETBOLD 1 ", 1, 1, 0},  // a trailing space does not read
      {__LINE__, "SETBOLD $10", 1, 1, 16},
  };
  for (const Row& row : rows) {
    InterpreterHarness h;
    h.Receive(row.command + "\r\n");
    h.Run();
    EXPECT_EQ(h.thread().text_state().mag.x, row.x) << "row " << row.line;
    EXPECT_EQ(h.thread().text_state().mag.y, row.y) << "row " << row.line;
    EXPECT_EQ(h.thread().text_state().blod, row.blod) << "row " << row.line;
  }
}

TEST_F(CpclPageTest, FailuresAreLoggedWithTheHandlersPrefixOnlyInDebugMode) {
  Send("SETBOLD 1 \r\nLINE\r\nBOX 0 0 1\r\nTEXT 4 0 x 20 Hi\r\n");
  EXPECT_EQ(h_.debug_lines, (std::vector<std::string>{
                                "SETBOLD 1 ", "CMD_SETBOLD:'1 ' is not a valid integer value",
                                "LINE", "CMD_LINE:List index out of bounds (2)",
                                "BOX 0 0 1",  // wrong count: silent
                                "TEXT 4 0 x 20 Hi", "CMD_TEXT:'x' is not a valid integer value"}));
  h_.fifo().StopDebug();
  h_.debug_lines.clear();
  Send("SETBOLD 1 \r\nLINE\r\n");
  EXPECT_TRUE(h_.debug_lines.empty());
}

TEST_F(CpclPageTest, LinesAreOneDotWiderThanAskedAndBoxesExactlyAsWide) {
  Send("! 0 200 200 400 1\r\nLINE 0 10 100 10 1\r\nLINE 0 30 100 30 0\r\nBOX 200 0 300 50 1\r\n");
  // A width of 1 draws two rows, a width of 0 one row; the one-dot line leaves x 100 out.
  DarkBox thick = DarkBoxIn(page(), 50, 0, 51, 20);
  EXPECT_EQ(thick.dark, 2);
  EXPECT_LE(thick.top, 10);
  EXPECT_GE(thick.bottom, 10);
  EXPECT_EQ(DarkBoxIn(page(), 0, 25, 120, 35).dark, 100);
  EXPECT_EQ(DarkBoxIn(page(), 0, 25, 120, 35).right, 99);
  // The box: a one-dot outline over columns 200..299 and rows 0..49, hollow.
  DarkBox box = DarkBoxIn(page(), 150, 0, 400, 100);
  EXPECT_EQ(box.left, 200);
  EXPECT_EQ(box.right, 299);
  EXPECT_EQ(box.top, 0);
  EXPECT_EQ(box.bottom, 49);
  EXPECT_EQ(box.dark, 2 * 100 + 2 * 48);
}

class CpclTextTest : public CpclPageTest {
 protected:
  CpclTextTest()
      : CpclPageTest("[8]\r\nfont=微软雅黑\r\nfontsize=17\r\n[system]\r\nprinter=\r\n") {}
};

TEST_F(CpclTextTest, TextUsesTheFontMapTimesTheWidthMagnification) {
  Send("! 0 200 200 600 1\r\nT 8 0 40 312 中文标签\r\n");
  DarkBox at17 = DarkBoxIn(page());
  Send("! 0 200 200 600 1\r\nSETMAG 2 1\r\nT 8 0 40 312 中文标签\r\n");
  DarkBox at34 = DarkBoxIn(page());
  Send("! 0 200 200 600 1\r\nTEXT 4 0 40 312 中文标签\r\n");  // no section [4]: 11 points
  DarkBox at11 = DarkBoxIn(page());
  for (const DarkBox& b : {at11, at17, at34}) {
    ASSERT_FALSE(b.empty());  // real glyphs, not boxes left empty
    EXPECT_GE(b.left, 40);
    EXPECT_GE(b.top, 312);
  }
  // Glyph heights grow with the point size: 11 pt ≈ 15 px, 17 pt ≈ 23 px, 34 pt ≈ 45 px.
  int h11 = at11.bottom - at11.top, h17 = at17.bottom - at17.top, h34 = at34.bottom - at34.top;
  EXPECT_LT(h11, h17);
  EXPECT_NEAR(static_cast<double>(h34) / h17, 2.0, 0.25);
  EXPECT_LE(at34.bottom - 312, 45 + 4);
  EXPECT_NEAR(static_cast<double>(at34.right - at34.left) / (at17.right - at17.left), 2.0, 0.25);
}

// The font map is read when a TEXT line runs: an edit of config.ini made between two lines
// (same size, the file settled long before) changes the second line's text.
TEST_F(CpclTextTest, AConfigEditBetweenTwoLinesTakesEffectOnTheSecond) {
  const std::string& path = h_.config_path();
  auto write_size = [&path](const char* size) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        << "[8]\r\nfont=微软雅黑\r\nfontsize=" << size << "\r\n[system]\r\nprinter=\r\n";
  };
  write_size("11");
  std::filesystem::last_write_time(
      path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
  Send("! 0 200 200 600 1\r\nT 8 0 10 10 中文标签\r\nT 8 0 10 300 中文标签\r\n");
  const DarkBox first_before = DarkBoxIn(page(), 0, 0, 600, 150);
  const DarkBox second_before = DarkBoxIn(page(), 0, 300, 600, 600);
  Send("! 0 200 200 600 1\r\nT 8 0 10 10 中文标签\r\n");
  write_size("33");  // between the two lines
  Send("T 8 0 10 300 中文标签\r\n");
  const DarkBox first = DarkBoxIn(page(), 0, 0, 600, 150);
  const DarkBox second = DarkBoxIn(page(), 0, 300, 600, 600);
  ASSERT_FALSE(first.empty());
  ASSERT_FALSE(second.empty());
  EXPECT_EQ(first.bottom - first.top, first_before.bottom - first_before.top);
  EXPECT_EQ(second_before.bottom - second_before.top, first.bottom - first.top);
  EXPECT_NEAR(static_cast<double>(second.bottom - second.top) / (first.bottom - first.top), 3.0,
              0.4);
}

TEST_F(CpclTextTest, BoldComesFromSetboldAndTheHeaderResetsIt) {
  Send("! 0 200 200 200 1\r\nT 8 0 10 10 Hello World\r\n");
  int regular = DarkBoxIn(page()).dark;
  Send("! 0 200 200 200 1\r\nSETBOLD 1\r\nT 8 0 10 10 Hello World\r\n");
  int bold = DarkBoxIn(page()).dark;
  Send("! 0 200 200 200 1\r\nT 8 0 10 10 Hello World\r\n");
  EXPECT_GT(bold, regular * 11 / 10);
  EXPECT_EQ(DarkBoxIn(page()).dark, regular);
}

TEST_F(CpclTextTest, RotatedTextTurnsAboutTheTopLeftOfItsCell) {
  struct Row {
    int line;
    const char* keyword;
    // Which side of (300, 300) the text lands on.
    bool left_of, above;
  } rows[] = {
      {__LINE__, "T", false, false},   {__LINE__, "VT", false, true},
      {__LINE__, "T90", false, true},  {__LINE__, "TEXT180", true, true},
      {__LINE__, "T270", true, false},
  };
  for (const Row& row : rows) {
    Send("! 0 200 200 600 1\r\n" + std::string(row.keyword) + " 8 0 300 300 ABCDEF\r\n");
    DarkBox b = DarkBoxIn(page());
    ASSERT_FALSE(b.empty()) << "row " << row.line;
    if (row.left_of)
      EXPECT_LE(b.right, 300) << "row " << row.line;
    else
      EXPECT_GE(b.left, 300) << "row " << row.line;
    if (row.above)
      EXPECT_LE(b.bottom, 300) << "row " << row.line;
    else
      EXPECT_GE(b.top, 300) << "row " << row.line;
    // Runs along its direction: upward and downward texts are taller than wide.
    bool vertical = row.keyword[0] == 'V' || row.keyword == std::string("T90") ||
                    row.keyword == std::string("T270");
    EXPECT_EQ(b.bottom - b.top > b.right - b.left, vertical) << "row " << row.line;
  }
}

TEST_F(CpclTextTest, PrintWithoutABoundPrinterPrintsNothingAndKeepsTheTextState) {
  Send("SETMAG 2 2\r\nSETBOLD 1\r\nFORM\r\nPRINT\r\n");
  EXPECT_EQ(static_cast<int>(h_.printer.graphic_jobs.size()), 0);
  EXPECT_EQ(state().mag.x, 2);
  EXPECT_EQ(state().blod, 1);
}

class CpclPrintTest : public CpclPageTest {
 protected:
  CpclPrintTest() : CpclPageTest("[system]\r\nprinter=label printer\r\n") {}
};

TEST_F(CpclPrintTest, PrintPrintsOnePageResetsTheTextStateAndPausesASecond) {
  Send("! 0 200 200 400 1\r\nSETMAG 2 2\r\nSETBOLD 1\r\nLINE 0 5 10 5 0\r\nFORM\r\n");
  uint32_t before = h_.clock.tick_ms();
  h_.Receive("PRINT\r\n");
  while (h_.fifo().GetFiFoSize() > 0) h_.thread().Step();
  EXPECT_GE(h_.clock.tick_ms() - before, 1000u);
  EXPECT_EQ(static_cast<int>(h_.printer.graphic_jobs.size()), 1);
  EXPECT_EQ(state().mag.x, 1);
  EXPECT_EQ(state().blod, 0);
  EXPECT_FALSE(DarkBoxIn(page()).empty());  // printing does not clear the page
}

}  // namespace
}  // namespace velin::test
