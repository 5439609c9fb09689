// The debug window's logic: the bounded log, debug mode and the capture through a fake save
// dialog, and the page preview, on an interpreter wired to fakes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>

#include "diagnostics/debug_session.h"
#include "support/interpreter_harness.h"
#include "support/test_paths.h"

namespace velin::diagnostics {
namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class FakeDialog final : public FileSaveDialog {
 public:
  std::optional<std::string> answer;
  std::vector<SaveDialogOptions> asked;
  std::optional<std::string> Ask(const SaveDialogOptions& options) override {
    asked.push_back(options);
    return answer;
  }
};

TEST(CommandLog, KeepsTheNewestLinesWithinItsBound) {
  CommandLog log;
  const size_t total = CommandLog::kMaxLines + 250;
  for (size_t i = 0; i < total; ++i) log.Append("line " + std::to_string(i));
  EXPECT_EQ(log.size(), CommandLog::kMaxLines);
  EXPECT_EQ(log.dropped(), 250u);
  EXPECT_EQ(log.line(0), "line 250");
  EXPECT_EQ(log.line(log.size() - 1), "line " + std::to_string(total - 1));
  log.Clear();
  EXPECT_EQ(log.Text(), "");
  EXPECT_EQ(log.dropped(), 0u);
}

TEST(CommandLog, TellsTheFaceWhetherToAppendOrToShowItAfresh) {
  using Refresh = CommandLog::Refresh;
  CommandLog log;
  EXPECT_EQ(log.TakeRefresh(), Refresh{});
  log.Append("a");
  log.Append("b");
  EXPECT_EQ(log.TakeRefresh(), (Refresh{false, {"a", "b"}}));
  EXPECT_EQ(log.TakeRefresh(), Refresh{});
  log.Append("c");
  EXPECT_EQ(log.TakeRefresh(), (Refresh{false, {"c"}}));
  // Cleared and refilled between two looks: shown afresh, not appended to the old lines.
  log.Clear();
  for (const char* l : {"d", "e", "f", "g"}) log.Append(l);
  EXPECT_EQ(log.TakeRefresh(), (Refresh{true, {}}));
  EXPECT_EQ(log.Text(), "d\r\ne\r\nf\r\ng");
  // Lines dropped from the top: afresh as well.
  for (size_t i = 0; i < CommandLog::kMaxLines; ++i) log.Append("x");
  EXPECT_EQ(log.TakeRefresh(), (Refresh{true, {}}));
  EXPECT_EQ(log.TakeRefresh(), Refresh{});
}

TEST(CommandLog, JoinsWithCrLfAndCutsLongLinesAtACharacterBoundary) {
  CommandLog log;
  log.Append("TEXT 8 0 30 30 测试");
  log.Append("a\rb\nc");
  // Multi-byte characters straddling the cut: the cut backs off to a whole character.
  std::string long_line = "x";
  while (long_line.size() < 3 * CommandLog::kMaxLineBytes) long_line += "测";
  log.Append(long_line);
  EXPECT_EQ(log.line(0), "TEXT 8 0 30 30 测试");
  EXPECT_EQ(log.line(1), "a b c");
  const std::string& cut = log.line(2);
  const std::string tail = "… (" + std::to_string(long_line.size()) + " bytes)";
  ASSERT_GT(cut.size(), tail.size());
  EXPECT_EQ(cut.substr(cut.size() - tail.size()), tail);
  const std::string kept = cut.substr(0, cut.size() - tail.size());
  EXPECT_LE(kept.size(), CommandLog::kMaxLineBytes);
  EXPECT_EQ(long_line.substr(0, kept.size()), kept);
  EXPECT_EQ((kept.size() - 1) % 3, 0u) << "whole characters only";
  EXPECT_EQ(log.Text(), "TEXT 8 0 30 30 测试\r\na b c\r\n" + cut);
}

class DebugSessionTest : public ::testing::Test {
 protected:
  // The log gets what the interpreter posted, as WM_DEBUG_DATA would bring it.
  void Deliver() {
    harness_.Run();
    for (; delivered_ < harness_.debug_lines.size(); ++delivered_)
      session_.Received(TDebugData{0, harness_.debug_lines[delivered_], {}});
  }
  std::vector<std::string> LogLines() {
    std::vector<std::string> lines;
    for (size_t i = 0; i < session_.log().size(); ++i) lines.push_back(session_.log().line(i));
    return lines;
  }

  test::InterpreterHarness harness_{"[system]\r\ntransfer_mode=1\r\n"};
  DebugSession session_{harness_.fifo()};
  size_t delivered_ = 0;
  FakeDialog dialog_;
  std::string dir_ = test::ScratchDir();
};

TEST_F(DebugSessionTest, ALabelInDebugModeIsLoggedLineByLineAndCapturedByteForByte) {
  const std::string label =
      "! 0 200 200 240 1\r\nTEXT 8 0 30 30 Velin \xb2\xe2\xca\xd4\r\nBOX 1 2 x\r\nFORM\r\n";
  harness_.Receive("before debug\r\n");
  Deliver();
  session_.Start();
  EXPECT_TRUE(session_.debug());
  // In blocks of odd sizes, as a receiver delivers them.
  harness_.Receive(label.substr(0, 7));
  harness_.Receive(label.substr(7, 30));
  harness_.Receive(label.substr(37));
  Deliver();
  const std::vector<std::string> lines = LogLines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0], "! 0 200 200 240 1");
  EXPECT_EQ(lines[1], "TEXT 8 0 30 30 Velin 测试");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "FORM"), 1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "before debug"), 0);

  dialog_.answer = dir_ + "/Data.bin";
  const DebugSession::SaveResult saved = session_.Save(dialog_);
  EXPECT_EQ(saved.kind, DebugSession::SaveResult::kSaved);
  EXPECT_EQ(Slurp(dir_ + "/Data.bin"), label);
  ASSERT_EQ(dialog_.asked.size(), 1u);
  EXPECT_EQ(dialog_.asked[0].filter_name, "数据文件");
  EXPECT_EQ(dialog_.asked[0].filter_pattern, "*.bin");
  EXPECT_EQ(dialog_.asked[0].default_extension, "bin");
  EXPECT_EQ(dialog_.asked[0].file_name, "Data.bin");
  // Saved once, the capture is empty: a second save writes an empty file.
  dialog_.answer = dir_ + "/again.bin";
  EXPECT_EQ(session_.Save(dialog_).kind, DebugSession::SaveResult::kSaved);
  EXPECT_EQ(Slurp(dir_ + "/again.bin"), "");
}

TEST_F(DebugSessionTest, TheCaptureOutlivesStopAndFailedOrCancelledSaves) {
  session_.Start();
  harness_.Receive("PRINT\r\n");
  Deliver();
  session_.Stop();
  EXPECT_FALSE(session_.debug());
  harness_.Receive("after stop\r\n");
  Deliver();
  EXPECT_EQ(LogLines(), std::vector<std::string>{"PRINT"}) << "nothing logged after stop";

  dialog_.answer.reset();
  EXPECT_EQ(session_.Save(dialog_).kind, DebugSession::SaveResult::kCancelled);
  dialog_.answer = dir_ + "/no-such-folder/Data.bin";
  const DebugSession::SaveResult failed = session_.Save(dialog_);
  EXPECT_EQ(failed.kind, DebugSession::SaveResult::kFailed);
  EXPECT_FALSE(failed.error.empty());
  // A later window (a new session on the same FIFO) still saves it.
  DebugSession later(harness_.fifo());
  dialog_.answer = dir_ + "/Data.bin";
  EXPECT_EQ(later.Save(dialog_).kind, DebugSession::SaveResult::kSaved);
  EXPECT_EQ(Slurp(dir_ + "/Data.bin"), "PRINT\r\n");
}

TEST_F(DebugSessionTest, StartingTwiceEmptiesTheLogAndTheCaptureEachTime) {
  for (int round = 0; round < 2; ++round) {
    session_.Start();
    EXPECT_EQ(session_.log().size(), 0u) << round;
    EXPECT_TRUE(harness_.fifo().capture().empty()) << round;
    harness_.Receive("FORM\r\n");
    Deliver();
    EXPECT_EQ(LogLines(), std::vector<std::string>{"FORM"}) << round;
  }
}

TEST(PreviewLayout, TheWindowFollowsThePageAndThePictureSitsBelowTheTitleBar) {
  struct Case {
    int w, h;
    PreviewGeometry expected;
  };
  const std::vector<Case> cases = {
      {624, 1040, {0, 0, 0, 34, 624, 1006}},  // the page at start
      {400, 240, {0, 0, 0, 34, 400, 206}},
      {400, 20, {0, 0, 0, 34, 400, 0}},  // lower than the title bar: no picture
      {0, 0, {0, 0, 0, 34, 0, 0}},       // an empty page
  };
  for (Case c : cases) {
    c.expected.window_width = std::max(c.w, PreviewGeometry::kMinWidth);
    c.expected.window_height = std::max(c.h, PreviewGeometry::kTitleBarHeight);
    const PreviewGeometry g = PreviewLayout(c.w, c.h);
    EXPECT_EQ(g.window_width, c.expected.window_width) << c.w << "x" << c.h;
    EXPECT_EQ(g.window_height, c.expected.window_height) << c.w << "x" << c.h;
    EXPECT_EQ(g.image_x, 0);
    EXPECT_EQ(g.image_y, 34);
    EXPECT_EQ(g.image_width, c.expected.image_width) << c.w << "x" << c.h;
    EXPECT_EQ(g.image_height, c.expected.image_height) << c.w << "x" << c.h;
  }
}

TEST(PreviewImage, StretchesTheWholePageIntoThePicture) {
  PageImage page;
  {
    std::lock_guard<std::mutex> hold(page.lock());
    page.Resize(4, 8);
    page.Clear();
    for (int x = 0; x < 4; ++x) page.bitmap().SetPixel(x, 7, kBlack);  // the last row
    page.bitmap().SetPixel(0, 0, kBlack);  // each picture dot shows the page dot at its centre
    page.bitmap().SetPixel(0, 1, kBlack);
  }
  const Bitmap32 picture = PreviewImage(page, 8, 4);  // wider, compressed vertically
  ASSERT_EQ(picture.width(), 8);
  ASSERT_EQ(picture.height(), 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) {
      const bool black = (y == 3) || (y == 0 && x < 2);
      EXPECT_EQ(picture.GetPixel(x, y), black ? kBlack : kWhite) << x << "," << y;
    }
  EXPECT_TRUE(PreviewImage(page, 0, 10).empty());
}

TEST(PreviewImage, WaitsForTheInterpreterToFinishDrawing) {
  PageImage page;
  std::unique_lock<std::mutex> drawing(page.lock());  // a handler in the middle of drawing
  page.bitmap().Fill(kBlack);
  Bitmap32 picture;
  std::thread preview([&] { picture = PreviewImage(page, 10, 10); });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  page.bitmap().Fill(kWhite);  // the drawing completes
  drawing.unlock();
  preview.join();
  EXPECT_EQ(picture.GetPixel(5, 5), kWhite) << "read while the page was being drawn";
}

}  // namespace
}  // namespace velin::diagnostics
