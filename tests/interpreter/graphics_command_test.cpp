// The CPCL bitmap commands: CG reads its raw bytes from the FIFO (bounded whatever size it
// announces), EG and ET decode hexadecimal text from the line.
#include <gtest/gtest.h>

#include "support/interpreter_harness.h"

namespace velin::test {
namespace {

class GraphicsCommandTest : public ::testing::Test {
 protected:
  GraphicsCommandTest() {
    h_.fifo().StartDebug();
    Send("! 0 200 200 400 1\r\n");
  }
  void Send(const std::string& bytes) {
    h_.Receive(bytes);
    h_.Run();
  }
  const Bitmap32& page() { return h_.thread().page().bitmap(); }
  // The dots of `bytes` (bit 7 leftmost) compared with row y of the page from column x.
  void ExpectRow(int line, int x, int y, const std::vector<uint8_t>& bytes) {
    for (size_t k = 0; k < 8 * bytes.size(); ++k) {
      bool black = (bytes[k / 8] >> (7 - k % 8)) & 1;
      EXPECT_EQ(page().GetPixel(x + static_cast<int>(k), y), black ? kBlack : kWhite)
          << "dot " << k << " of row " << y << " (line " << line << ")";
    }
  }
  int DarkDots() {
    int n = 0;
    for (uint32_t p : page().Pixels()) n += p != ToPixel(kWhite);
    return n;
  }
  bool Commanded(const std::string& line) {
    return std::find(h_.commands.begin(), h_.commands.end(), line) != h_.commands.end();
  }
  InterpreterHarness h_;
};

TEST_F(GraphicsCommandTest, CgDataThatStopsShortIsDrawnAsFarAsItCameTheRestWhite) {
  Send("BOX 0 0 30 12 20\r\n");  // black under the bitmap, to see the white rows
  uint32_t start = h_.clock.tick_ms();
  std::string data;
  for (int i = 0; i < 12; ++i) data += static_cast<char>(0x81 + i);
  h_.Receive("CG 3 10 0 0 " + data);
  h_.thread().RunUntilIdle();
  // 100 ms before reading, then 20 empty polls of 100 ms.
  EXPECT_GE(h_.clock.tick_ms() - start, 2100u);
  for (int row = 0; row < 4; ++row)
    ExpectRow(__LINE__, 0, row,
              {static_cast<uint8_t>(0x81 + 3 * row), static_cast<uint8_t>(0x82 + 3 * row),
               static_cast<uint8_t>(0x83 + 3 * row)});
  for (int row = 4; row < 10; ++row) ExpectRow(__LINE__, 0, row, {0, 0, 0});
}

TEST_F(GraphicsCommandTest, CgPartlyOffThePageDrawsTheDotsThatLand) {
  // Rows and bytes above and left of the page are taken and dropped.
  Send(std::string("CG 2 3 -12 -1 ") + "\x11\x22\xF0\x0F\xAA\x55");
  ExpectRow(__LINE__, 0, 0, {0xF0});  // row 1, its first four dots off the page: 0F0F -> F0
  EXPECT_EQ(page().GetPixel(4, 0), kWhite);
  ExpectRow(__LINE__, 0, 1, {0x50});  // row 2: 55 from x -4, its last four dots on the page
  EXPECT_EQ(DarkDots(), 4 + 2);
}

TEST_F(GraphicsCommandTest, CgSizesBeyondThePageAreTakenInFullButKeptOnlyWhereTheyLand) {
  std::string data(2000, '\xFF');
  Send("CG 2147483647 2147483647 600 399 " + data);
  // Row 0 is the only row (y 399, the last one); from x 600 the page holds 24 dots.
  EXPECT_EQ(DarkDots(), 24);
  EXPECT_EQ(h_.fifo().GetFiFoSize(), 0u);
  Send("FORM\r\n");
  EXPECT_TRUE(Commanded("FORM"));
}

TEST_F(GraphicsCommandTest, CgHeadersThatReadNothing) {
  struct Row {
    int line;
    std::string header;
    std::vector<std::string> failures;  // the handler's lines in the debug log
  };
  const Row rows[] = {
      {__LINE__, "CG -1 5 0 0 ", {}},
      {__LINE__, "CG 2 -5 0 0 ", {}},
      {__LINE__, "CG 0 5 0 0 ", {}},
      {__LINE__, "CG 2 X 0 0 ", {"CMD_CG:'X' is not a valid integer value"}},
  };
  for (const Row& r : rows) {
    h_.debug_lines.clear();
    h_.commands.clear();
    // The bytes that would have been the bitmap are framed as a line of their own.
    Send(r.header + "FORM\r\n");
    EXPECT_TRUE(Commanded("FORM")) << "row at line " << r.line;
    std::vector<std::string> failures;
    for (const std::string& line : h_.debug_lines)
      if (line.rfind("CMD_CG:", 0) == 0) failures.push_back(line);
    EXPECT_EQ(failures, r.failures) << "row at line " << r.line;
  }
  EXPECT_EQ(DarkDots(), 0);
}

TEST_F(GraphicsCommandTest, EgAndEtDecodeHexadecimalRows) {
  Send("EG 1 2 10 20 F00F\r\nET 2 2 40 20 a5C3\r\nEG 2 1 100 20 FFF\r\n");
  ExpectRow(__LINE__, 10, 20, {0xF0});
  ExpectRow(__LINE__, 10, 21, {0x0F});
  ExpectRow(__LINE__, 40, 20, {0xA5, 0xC3});
  ExpectRow(__LINE__, 40, 21, {0x00, 0x00});   // bytes the data lacks are white
  ExpectRow(__LINE__, 100, 20, {0xFF, 0x00});  // a last single digit is ignored
}

TEST_F(GraphicsCommandTest, EgDataThatIsNotHexadecimalDrawsNothing) {
  Send("EG 1 1 0 0 G0\r\nEG 1 2 0 0 FF 0\r\nEG 1 1 0 0\r\n");
  EXPECT_EQ(DarkDots(), 0);
  EXPECT_EQ(h_.debug_lines,
            (std::vector<std::string>{
                "! 0 200 200 400 1", "EG 1 1 0 0 G0", "CMD_EG:'G0' is not a valid hexadecimal byte",
                "EG 1 2 0 0 FF 0", "CMD_EG:' 0' is not a valid hexadecimal byte", "EG 1 1 0 0"}));
}

TEST_F(GraphicsCommandTest, EgWithAHugeSizeDrawsWhatItCarries) {
  Send("EG 2147483647 2147483647 0 0 FF\r\n");
  EXPECT_EQ(DarkDots(), 8);
}

}  // namespace
}  // namespace velin::test
