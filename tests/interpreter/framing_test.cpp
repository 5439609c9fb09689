// The command thread's framing of the byte stream, its status replies and its timing.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <thread>

#include "base/ansi_codec.h"
#include "support/interpreter_harness.h"
#include "support/test_paths.h"

namespace velin::test {
namespace {

// The lines the debug log receives: every line framed at CR or LF.
std::vector<std::string> FramedLines(const std::string& bytes) {
  InterpreterHarness h;
  h.fifo().StartDebug();
  h.Receive(bytes);
  h.Run();
  return h.debug_lines;
}

TEST(Framing, CutsLinesAtCrOrLfAndIgnoresEmptyLines) {
  struct Row {
    int line;
    std::string bytes;
    std::vector<std::string> lines;
  } rows[] = {
      {__LINE__, "PRINT\r\n", {"PRINT"}},
      {__LINE__, "X\r\rY\n\nZ\r\n", {"X", "Y", "Z"}},
      {__LINE__, "T\t4\r\n", {"T4"}},                // tab and other control bytes vanish
      {__LINE__, "A\x01\x02\x7F\r\n", {"A\x7F"}},    // DEL is not a control byte here
      {__LINE__, "no end of line", {}},              // nothing without CR or LF
      {__LINE__, "\xD6\xD0\xCE\xC4\r\n", {"中文"}},  // decoded from GBK
      {__LINE__,
       "\xFF"
       "A\r\n",
       {"\xEF\xBF\xBD"
        "A"}},
  };
  for (const Row& row : rows) EXPECT_EQ(FramedLines(row.bytes), row.lines) << "row " << row.line;
}

TEST(Framing, DispatchesEachLineOnceToTheHandlerOfItsKeyword) {
  InterpreterHarness h;
  h.Receive("PRINT\r\nPRINT \r\nprint\r\n FORM\r\nFORM\r\nNOSUCH 1 2\r\n! 0 200 200 400 1\r\n");
  h.Run();
  EXPECT_EQ(h.calls, (std::vector<std::string>{"CMD_PRINT", "CMD_FORM", "CMD_START"}));
}

TEST(StatusReplies, AnswerControlBytesThroughThePort) {
  struct Row {
    int line;
    std::string bytes;
    std::vector<std::string> replies;
    std::vector<std::string> lines;
  } rows[] = {
      {__LINE__, "\x1B\x76", {"\x76"}, {}},
      {__LINE__, "\x1B", {"\x1B"}, {}},  // nothing followed: ESC itself comes back
      {__LINE__,
       std::string("\x1E"
                   "ABCDE",
                   6),
       {std::string("\x22\x03\xC5\x20", 4)},
       {}},
      {__LINE__, std::string("\x10\x04\x01", 3), {std::string(2, '\0')}, {}},
      {__LINE__,
       std::string("\x1B\x1D"
                   "abc",
                   5),
       {"\x1D", std::string(2, '\0')},
       {}},
      {__LINE__, std::string("\x1D\x1B\x1B\x1B", 4), {std::string(2, '\0')}, {}},
      // The line being assembled keeps its bytes around a query.
      {__LINE__, "PR\x1B\x76INT\r\n", {"\x76"}, {"PRINT"}},
      // RS takes five bytes even when they are printable, and they never reach a line.
      {__LINE__,
       "AB\x1E"
       "CDEFG\r\n",
       {std::string("\x22\x03\xC5\x20", 4)},
       {"AB"}},
  };
  for (const Row& row : rows) {
    InterpreterHarness h;
    h.fifo().StartDebug();
    h.Receive(row.bytes);
    h.Run();
    EXPECT_EQ(h.replies, row.replies) << "row " << row.line;
    EXPECT_EQ(h.debug_lines, row.lines) << "row " << row.line;
  }
}

TEST(StatusReplies, AreLostWhileThePortIsClosed) {
  InterpreterHarness h("", /*receiver_present=*/false);
  h.fifo().FindPrinter();
  h.Receive("\x1B\x76");
  h.Run();
  EXPECT_TRUE(h.replies.empty());
  EXPECT_EQ(h.fifo().GetFiFoSize(), 0u);  // the bytes were consumed all the same
}

TEST(CompressedGraphicsCut, HandsTheHeaderOnAtTheFifthSpace) {
  InterpreterHarness h;
  h.fifo().StartDebug();
  h.Receive("CG 1 1 0 0 ");
  h.thread().RunUntilIdle();
  // The header reached the handler without waiting for CR or LF and is not logged.
  EXPECT_EQ(h.calls, std::vector<std::string>{"CMD_CG"});
  EXPECT_EQ(h.thread().cmd_fields()[0], "CG 1 1 0 0 ");
  EXPECT_EQ(h.thread().cmd_fields()[2], "1 1 0 0 ");
  h.ui.Drain();
  EXPECT_TRUE(h.debug_lines.empty());
}

TEST(CompressedGraphicsCut, AppliesToLinesThatBeginWithTheKeywordOnly) {
  struct Row {
    int line;
    std::string bytes;
    std::vector<std::string> handed_on;  // every line handed to ExecuteCommand
  } rows[] = {
      {__LINE__, "COMPRESSED-GRAPHICS 2 16 0 0 \x01\x02", {"COMPRESSED-GRAPHICS 2 16 0 0 "}},
      // The buffer equalled "CG" after two bytes, so CGX is cut too; 5 starts the next line.
      {__LINE__, "CGX 1 2 3 4 5\r\n", {"CGX 1 2 3 4 ", "5"}},
      {__LINE__, "XCG 1 2 3 4 5\r\n", {"XCG 1 2 3 4 5"}},
      // A line that ends before its fifth space is an ordinary line; the target is cleared.
      {__LINE__, "CG 1 2\r\nA B C D E F\r\n", {"CG 1 2", "A B C D E F"}},
  };
  for (const Row& row : rows) {
    InterpreterHarness h;
    h.Receive(row.bytes);
    h.Run();
    EXPECT_EQ(h.commands, row.handed_on) << "row " << row.line;
  }
}

// The cut decision compared with decoding the whole buffer after every byte, on random
// streams rich in the bytes that matter.
TEST(CompressedGraphicsCut, MatchesDecodingTheWholeBufferAfterEveryByte) {
  std::mt19937 rng(7);
  const std::string alphabet = "CG OMPRESD-AHIX\xD6\xD0\x81\x43\x47\r\n";
  for (int round = 0; round < 300; ++round) {
    std::string stream;
    int length = 1 + static_cast<int>(rng() % 40);
    if (rng() % 2) stream = rng() % 2 ? "CG" : "COMPRESSED-GRAPHICS";
    for (int i = 0; i < length; ++i) stream += alphabet[rng() % alphabet.size()];

    // Reference: the line as the rule states it, decoding after every stored byte.
    std::vector<std::string> expected;
    std::string line;
    int target = 0, spaces = 0;
    for (char c : stream) {
      if (c == '\r' || c == '\n') {
        if (!line.empty()) expected.push_back(AnsiToUtf8(line));
        line.clear();
        target = spaces = 0;
        continue;
      }
      line += c;
      if (target > 0) {
        if (c == ' ') ++spaces;
        if (spaces == target) {
          expected.push_back(AnsiToUtf8(line));
          line.clear();
          target = spaces = 0;
          continue;
        }
      }
      std::string text = AnsiToUtf8(line);
      if (text == "CG" || text == "COMPRESSED-GRAPHICS") {
        target = 5;
        spaces = 0;
      }
    }

    InterpreterHarness h;
    h.Receive(stream);
    h.Run();
    EXPECT_EQ(h.commands, expected) << "stream #" << round;
  }
}

TEST(Framing, DropsALineLongerThanTheBufferAndGoesOn) {
  InterpreterHarness h;
  h.fifo().StartDebug();
  std::string huge(TCPCLCmdThread::MaxByteBuf + 10, 'A');
  for (char c : "PRINT\r\n" + huge + "\r\nFORM\r\n") h.fifo().PutChar(static_cast<uint8_t>(c));
  h.Run();
  EXPECT_EQ(h.calls, (std::vector<std::string>{"CMD_PRINT", "CMD_FORM"}));
  ASSERT_EQ(h.debug_lines.size(), 3u);
  EXPECT_EQ(h.debug_lines[1], "line longer than 8388608 bytes dropped");
}

TEST(PassThrough, GathersUntilTwoSecondsOfSilenceThenSendsOneRawJob) {
  InterpreterHarness h("[system]\r\ntransfer_mode=0\r\nprinter=office\r\n");
  ASSERT_EQ(h.thread().CmdMode(), kPassThrough);
  h.Receive("\x1B@hello");
  h.thread().Step();
  // Gaps under 2000 ms keep gathering into the same job.
  h.clock.advance(1500);
  h.Receive(" world\r\n");
  h.Run();
  ASSERT_EQ(h.printer.raw_jobs.size(), 1u);
  const auto& job = h.printer.raw_jobs[0];
  EXPECT_EQ(job.bytes, "\x1B@hello world\r\n");  // nothing answered, nothing framed
  EXPECT_EQ(job.printer, "office");  // as bound; the spooler matches names ignoring case
  EXPECT_EQ(job.document_name, "test doc");
  EXPECT_EQ(job.data_type, "RAW");
  EXPECT_TRUE(h.replies.empty());
  // A silence with nothing gathered sends nothing.
  h.clock.advance(10000);
  h.Run();
  EXPECT_EQ(h.printer.raw_jobs.size(), 1u);
}

TEST(PassThrough, SendsBetweenTwoAndTwoAndAHalfSecondsAfterTheLastByte) {
  InterpreterHarness h("[system]\r\ntransfer_mode=0\r\n");
  h.printer.printers.push_back("");  // let the empty name open, to see it passed on
  h.Receive("x");
  h.thread().Step();
  uint32_t last_byte = h.clock.tick_ms();
  uint32_t sent_at = last_byte;
  while (h.printer.raw_jobs.empty()) {
    sent_at = h.clock.tick_ms();
    h.thread().Step();
  }
  uint32_t waited = sent_at - last_byte;
  EXPECT_GT(waited, 2000u);
  EXPECT_LE(waited, 2500u);
  EXPECT_EQ(h.printer.raw_jobs[0].printer, "");  // an empty binding is passed on as it is
}

TEST(PassThrough, AFailedOpenIsShownAndTheBytesAreDiscarded) {
  InterpreterHarness h("[system]\r\ntransfer_mode=0\r\nprinter=Gone\r\n");
  h.Receive("data");
  h.Run();
  EXPECT_EQ(h.message_boxes, std::vector<std::string>{"error 1801"});
  EXPECT_EQ(h.thread().pending_raw_bytes(), 0u);
}

TEST(Progress, ReportsEveryHalfSecondWithACyclingCounterAndTheReceiverState) {
  InterpreterHarness h;
  // Each idle pass sleeps 500 ms; a report needs more than 500 ms since the previous one,
  // so on a clock that sleeps exactly 500 ms every other pass reports.
  for (int i = 0; i < 24; ++i) h.thread().Step();
  h.ui.Drain();
  ASSERT_EQ(h.reports.size(), 11u);
  for (size_t i = 0; i < h.reports.size(); ++i) {
    EXPECT_EQ(h.reports[i].Progress, static_cast<int>(i * 10 % 100));
    EXPECT_TRUE(h.reports[i].USBState);
    EXPECT_EQ(h.reports[i].StatusMessage, "Thread is processing");
  }
  // Reports are posted, not delivered, until the window thread drains its queue.
  h.thread().Step();
  h.thread().Step();
  EXPECT_GT(h.ui.Pending(), 0u);
}

TEST(Progress, NoReportBeforeMoreThan500Milliseconds) {
  InterpreterHarness h;
  h.clock.advance(500);
  h.Receive("A");
  h.thread().Step();  // takes the byte without sleeping; exactly 500 ms is not more than 500
  h.ui.Drain();
  EXPECT_TRUE(h.reports.empty());
  h.clock.advance(1);
  h.thread().Step();
  h.ui.Drain();
  EXPECT_EQ(h.reports.size(), 1u);
}

TEST(Progress, TheSearchOpensAndClosesThePortAsTheReceiverComesAndGoes) {
  InterpreterHarness h;
  h.search().paths.clear();
  h.clock.advance(501);
  h.thread().Step();
  EXPECT_FALSE(h.port().Opened());
  h.search().paths = {kLoopbackReceiverPath};
  h.clock.advance(501);
  h.thread().Step();
  EXPECT_TRUE(h.port().Opened());
  h.ui.Drain();
  ASSERT_GE(h.reports.size(), 2u);
  EXPECT_FALSE(h.reports[0].USBState);
  EXPECT_TRUE(h.reports[1].USBState);
}

TEST(Progress, AReceiverThatCannotBeOpenedCountsAsAbsentAndTheThreadGoesOn) {
  InterpreterHarness h("", /*receiver_present=*/false);
  h.search().paths = {kLoopbackReceiverPath};
  h.port().fail_start_with = "Error opening serial port";
  h.clock.advance(501);
  h.Receive("PRINT\r\n");
  h.Run();
  EXPECT_EQ(h.calls, std::vector<std::string>{"CMD_PRINT"});
  ASSERT_FALSE(h.reports.empty());
  EXPECT_FALSE(h.reports[0].USBState);
  EXPECT_FALSE(h.port().Opened());
  h.search().throw_on_search = true;  // an enumeration that throws: the same
  h.clock.advance(501);
  h.thread().Step();
  h.ui.Drain();
  EXPECT_FALSE(h.reports.back().USBState);
}

TEST(Pause, WhileTheBluetoothWindowTalksBytesStayAndReportsGoOn) {
  InterpreterHarness h;
  h.thread().SetBTCmd(true);
  h.Receive("PRINT\r\n");
  for (int i = 0; i < 8; ++i) h.thread().Step();
  h.ui.Drain();
  EXPECT_EQ(h.fifo().GetFiFoSize(), 7u);
  EXPECT_TRUE(h.calls.empty());
  EXPECT_GE(h.reports.size(), 3u);
  h.thread().SetBTCmd(false);
  h.Run();
  EXPECT_EQ(h.calls, std::vector<std::string>{"CMD_PRINT"});
}

bool Blank(InterpreterHarness& h) {
  for (uint32_t p : h.thread().page().bitmap().Pixels())
    if (p != ToPixel(kWhite)) return false;
  return true;
}

// The handlers that take their data from the FIFO themselves (the CG bitmap, the QR block),
// each stopped half-way by an empty FIFO, the rest arriving once the Bluetooth window has
// paused the thread.
struct MidReadRow {
  int line;
  std::string first;  // up to the middle of the handler's data
  std::string rest;   // the rest of the data and one more command line
  std::string last;   // that command line
};
const MidReadRow kMidReadRows[] = {
    {__LINE__, "! 0 200 200 400 1\r\nCG 2 4 8 8 \x81\x42\x24",
     "\x18\xFF\x01\x0A\x0D"  // line ends inside a bitmap are data
     "FORM\r\n",
     "FORM"},
    {__LINE__, "! 0 200 200 400 1\r\nB QR 10 10 M 2 U 6\r\nMA,WB2023",
     "1019001\r\nENDQR\r\nLINE 0 300 100 300 1\r\n", "LINE 0 300 100 300 1"},
};

TEST(Pause, HoldsInsideTheHandlersThatReadTheFifoAndTheyGoOnWhereTheyStopped) {
  for (const MidReadRow& row : kMidReadRows) {
    // The same bytes without a pause give the page and lines expected.
    InterpreterHarness reference;
    reference.Receive(row.first + row.rest);
    reference.Run();
    EXPECT_FALSE(Blank(reference)) << "row at line " << row.line;
    EXPECT_EQ(reference.commands.back(), row.last) << "row at line " << row.line;

    InterpreterHarness h;
    bool paused = false;
    int paused_sleeps = 0, searches_at_pause = 0, searches_during_pause = -1;
    size_t waiting = 0;
    h.clock.on_sleep = [&](uint32_t) {
      if (!paused && h.fifo().GetFiFoSize() == 0) {
        // The handler found the FIFO empty: the window opens and the receiver goes on.
        paused = true;
        h.thread().SetBTCmd(true);
        h.Receive(row.rest);
        searches_at_pause = h.search().searches;
      } else if (paused && h.thread().BTCmd() && ++paused_sleeps == 40) {
        // 4 s, twice the polls a handler waits for missing data.
        waiting = h.fifo().GetFiFoSize();
        searches_during_pause = h.search().searches - searches_at_pause;
        h.thread().SetBTCmd(false);
      }
    };
    h.Receive(row.first);
    h.Run();
    ASSERT_TRUE(paused) << "row at line " << row.line;
    EXPECT_EQ(waiting, row.rest.size()) << "row at line " << row.line;
    // Reports go on: one per 600 ms (more than 500 ms apart, in waits of 100 ms).
    EXPECT_GE(searches_during_pause, 6) << "row at line " << row.line;
    EXPECT_EQ(h.commands, reference.commands) << "row at line " << row.line;
    EXPECT_TRUE(h.thread().page().bitmap() == reference.thread().page().bitmap())
        << "row at line " << row.line;
  }
}

TEST(Pause, AHandlerWaitingOutAPauseGivesUpWhenTheThreadIsTerminated) {
  for (const MidReadRow& row : kMidReadRows) {
    InterpreterHarness h;
    int paused_sleeps = 0;
    h.clock.on_sleep = [&](uint32_t) {
      if (!h.thread().BTCmd() && h.fifo().GetFiFoSize() == 0 && paused_sleeps == 0) {
        h.thread().SetBTCmd(true);
        h.Receive(row.rest);
      } else if (h.thread().BTCmd()) {
        ++paused_sleeps;
        if (paused_sleeps == 5) h.thread().Terminate();
        if (paused_sleeps == 1000) h.thread().SetBTCmd(false);  // a handler that never gives up
      }
    };
    h.Receive(row.first);
    while (h.thread().Step()) {
    }
    EXPECT_LT(paused_sleeps, 1000) << "row at line " << row.line;
    EXPECT_EQ(h.fifo().GetFiFoSize(), row.rest.size()) << "row at line " << row.line;
    EXPECT_TRUE(Blank(h)) << "row at line " << row.line << ": drawn";
  }
}

TEST(Pause, BytesTheFullFifoDropsAreLoggedOncePerEpisodeWithTheirCount) {
  InterpreterHarness h;
  h.fifo().StartDebug();
  h.thread().SetBTCmd(true);  // nobody takes: the receiver fills the FIFO
  h.Receive(std::string(TUSBFiFo::kMaxQueued, 'x'));
  auto steps = [&h](int n) {
    for (int i = 0; i < n; ++i) h.thread().Step();  // 500 ms each
  };
  h.Receive(std::string(100, 'y'));
  steps(3);                         // a report sees the drop
  h.Receive(std::string(50, 'y'));  // by the next report: the same episode
  steps(4);                         // a report that sees no more ends it
  h.Receive(std::string(7, 'y'));
  steps(4);
  h.Receive(std::string(3, 'y'));  // still open when the thread ends
  h.thread().Terminate();
  h.thread().Finish();
  h.ui.Drain();
  EXPECT_EQ(h.fifo().GetFiFoSize(), TUSBFiFo::kMaxQueued);
  EXPECT_EQ(h.fifo().dropped_bytes(), 160u);
  EXPECT_EQ(h.debug_lines,
            (std::vector<std::string>{
                "receive FIFO full: 150 bytes dropped", "receive FIFO full: 7 bytes dropped",
                "receive FIFO full: 3 bytes dropped", "TCPCLCmdThread stoped"}));
}

TEST(Modes, TheModeIsReadOnceFromTheConfiguration) {
  struct Row {
    int line;
    std::string config;
    int32_t mode;
  } rows[] = {
      {__LINE__, "", kCpcl},
      {__LINE__, "[system]\r\ntransfer_mode=2\r\n", kTspl},
      {__LINE__, "[SYSTEM]\r\nTransfer_Mode = 0x2\r\n", kTspl},
      {__LINE__, "[system]\r\ntransfer_mode=abc\r\n", kCpcl},
      {__LINE__, "[system]\r\ntransfer_mode=7\r\n", 7},
  };
  for (const Row& row : rows) {
    InterpreterHarness h(row.config);
    EXPECT_EQ(h.thread().CmdMode(), row.mode) << "row " << row.line;
  }
}

TEST(Modes, AnUnknownModeTakesNothingAndDoesNotSpin) {
  InterpreterHarness h("[system]\r\ntransfer_mode=7\r\n");
  h.Receive("PRINT\r\n");
  uint32_t before = h.clock.tick_ms();
  h.thread().Step();
  EXPECT_EQ(h.fifo().GetFiFoSize(), 7u);
  EXPECT_GE(h.clock.tick_ms() - before, 500u);
}

TEST(Modes, AModeSetWhileTheThreadRunsIsTakenUpAtItsNextPass) {
  QueueDispatcher ui;
  std::vector<std::string> calls;
  InterpreterServices services;
  services.ui = &ui;  // the real clock: idle passes sleep 500 ms
  services.config_path = ScratchDir() + "/config.ini";
  std::ofstream(services.config_path) << "[system]\r\ntransfer_mode=7\r\n";
  services.on_handler_call = [&calls](const char* name) { calls.emplace_back(name); };
  auto port = std::make_unique<LoopbackPort>();
  LoopbackPort* receiver = port.get();
  auto thread = std::make_unique<TCPCLCmdThread>(services, std::move(port),
                                                 std::make_unique<FixedDeviceSearch>());
  receiver->Receive(reinterpret_cast<const uint8_t*>("FORM\r\n"), 6);
  thread->Start();
  thread->SetCmdMode(kCpcl);  // from this thread, while the interpreter's thread runs
  for (int i = 0; i < 3000 && thread->fifo().GetFiFoSize() > 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  thread.reset();  // terminates and joins
  EXPECT_EQ(calls, std::vector<std::string>{"CMD_FORM"});
}

TEST(Stop, LogsTheStopLineInDebugMode) {
  InterpreterHarness h;
  h.fifo().StartDebug();
  h.thread().Terminate();
  h.thread().Execute();
  h.ui.Drain();
  EXPECT_EQ(h.debug_lines, std::vector<std::string>{"TCPCLCmdThread stoped"});
}

TEST(Stop, TheRealThreadRunsOnItsOwnAndStopsWhenTerminated) {
  QueueDispatcher ui;
  std::vector<std::string> calls;
  InterpreterServices services;
  services.ui = &ui;  // the real clock: idle passes sleep 500 ms
  services.config_path = ScratchDir() + "/config.ini";
  services.on_handler_call = [&calls](const char* name) { calls.emplace_back(name); };
  auto port = std::make_unique<LoopbackPort>();
  LoopbackPort* receiver = port.get();
  auto thread = std::make_unique<TCPCLCmdThread>(services, std::move(port),
                                                 std::make_unique<FixedDeviceSearch>());
  receiver->Receive(reinterpret_cast<const uint8_t*>("FORM\r\n"), 6);
  thread->Start();
  for (int i = 0; i < 2000 && thread->fifo().GetFiFoSize() > 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  thread.reset();  // terminates and joins
  EXPECT_EQ(calls, std::vector<std::string>{"CMD_FORM"});
}

TEST(StopDeathTest, DestroyingOnAnotherThreadThanTheCreatorAborts) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  std::string config = ScratchDir() + "/config.ini";
  EXPECT_DEATH(
      {
        std::unique_ptr<TCPCLCmdThread> thread;
        std::thread creator([&] {
          InterpreterServices services;
          services.config_path = config;
          thread = std::make_unique<TCPCLCmdThread>(services, std::make_unique<LoopbackPort>(),
                                                    std::make_unique<FixedDeviceSearch>());
        });
        creator.join();
        thread.reset();
      },
      "TCPCLCmdThread destroyed on a thread other than the one that created it");
}

TEST(TestData, ReplaysAFileThroughTheFifo) {
  InterpreterHarness h;
  std::string path = h.config_path() + ".bin";
  std::ofstream(path, std::ios::binary) << "PRINT\r\n";
  ASSERT_TRUE(h.thread().TestData(path));
  h.Run();
  EXPECT_EQ(h.calls, std::vector<std::string>{"CMD_PRINT"});
  EXPECT_TRUE(h.fifo().capture().empty());  // replayed bytes are never captured
  EXPECT_FALSE(h.thread().TestData(path + ".missing"));
}

}  // namespace
}  // namespace velin::test
