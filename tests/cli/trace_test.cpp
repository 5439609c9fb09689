// velin-cli trace and render, run as a user runs them (velin-cli.exe under Wine in the Windows
// build).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/png.h"
#include "support/dark_box.h"
#include "support/run_process.h"
#include "support/test_paths.h"

namespace velin {
namespace {

using test::ProcessResult;

ProcessResult Cli(const std::vector<std::string>& args) { return test::RunVelinCli(args); }

ProcessResult Trace(std::vector<std::string> args) {
  args.insert(args.begin(), "trace");
  return Cli(args);
}

std::string WriteInput(const std::string& name, const std::string& bytes,
                       const std::string& dir = test::ScratchDir()) {
  std::string path = dir + "/" + name;
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

TEST(Trace, PrintsLogCallsAndRepliesInOrder) {
  std::string in = WriteInput("label.cpcl",
                              "\x1B\x76! 0 200 200 400 1\r\nT\t4 0 10 20 Hi\r\n\x1E"
                              "12345PRINT\r\n");
  ProcessResult r = Trace({"--mode", "cpcl", in});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out,
            "reply 76\n"
            "log ! 0 200 200 400 1\n"
            "call CMD_START\n"
            "log T4 0 10 20 Hi\n"
            "reply 22 03 C5 20\n"
            "log PRINT\n"
            "call CMD_PRINT\n"
            "log TCPCLCmdThread stoped\n"
            "ignored: T4 x1\n");  // the tab is no part of the line: "T4" is no keyword
}

// The closing report: one line per keyword no handler matched and per handler that failed,
// counted, with the first failure's reason; the printer dialect knows more keywords.
TEST(Trace, EndsWithWhatTheLabelUsedThatWasIgnoredOrFailed) {
  std::string in = WriteInput("report.cpcl",
                              "! 0 200 200 400 1\r\nCENTER\r\nT 8 0 13.6 334.4 A\r\n"
                              "T 8 0 10.5 20 B\r\nCENTER\r\nSETMAG 2\r\nGAP-SENSE\r\n"
                              "PRINT\r\n");
  auto tail = [](const std::string& out) { return out.substr(out.find("stoped\n") + 7); };
  EXPECT_EQ(tail(Trace({"--mode", "cpcl", in}).out),
            "ignored: CENTER x2\n"
            "failed: CMD_TEXT x2 ('13.6' is not a valid integer value)\n"
            "failed: CMD_SETMAG x1 (2 parameters expected)\n"
            "ignored: GAP-SENSE x1\n");
  EXPECT_EQ(tail(Trace({"--mode", "cpcl", "--dialect", "printer", in}).out),
            "failed: CMD_SETMAG x1 (2 parameters expected)\n");
  // TSPL: a line whose items do not read is counted too.
  std::string tspl =
      WriteInput("report.tspl",
                 "SIZE 40 mm,30 mm\r\nGAP 2 mm,0\r\nTEXT 10 ,10,\"3\",0,1,1,\"X\"\r\n"
                 "BOX 1,1,20,20,2\r\nPRINT 1\r\n");
  EXPECT_EQ(tail(Trace({"--mode", "tspl", tspl}).out),
            "ignored: GAP x1\n"
            "failed: CMD_TSPL_TEXT x1 ('10 ' is not a valid integer value)\n"
            "ignored: BOX x1\n");
}

TEST(Trace, TheDialectOptionWinsOverTheConfiguration) {
  std::string dir = test::ScratchDir();
  std::string config = dir + "/config.ini";
  std::ofstream(config, std::ios::binary)
      << "[system]\r\ntransfer_mode=1\r\nlabel_dialect=printer\r\n";
  std::string in = WriteInput("center.cpcl", "CENTER\r\n", dir);
  EXPECT_EQ(Trace({"--config", config, in}).out,
            "log CENTER\ncall CMD_JUSTIFY\nlog TCPCLCmdThread stoped\n");
  EXPECT_EQ(Trace({"--dialect", "default", "--config", config, in}).out,
            "log CENTER\nlog TCPCLCmdThread stoped\nignored: CENTER x1\n");
}

TEST(Trace, PassThroughReportsOneRawJobAfterTheSilence) {
  std::string dir = test::ScratchDir();
  std::string config = dir + "/config.ini";
  std::ofstream(config, std::ios::binary)
      << "[system]\r\ntransfer_mode=0\r\nprinter=Zebra GK888t\r\n";
  std::string in = WriteInput("job.prn", "^XA^FO50,50^FDHello^FS^XZ\r\n\x1B\x76", dir);
  ProcessResult r = Trace({"--config", config, in});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "raw 29 Zebra GK888t\nlog TCPCLCmdThread stoped\n");
  // Without a binding the job still goes out, to the empty name.
  r = Trace({"--mode", "passthrough", "--config", dir + "/none.ini", in});
  EXPECT_EQ(r.out, "raw 29 -\nlog TCPCLCmdThread stoped\n");
}

TEST(Trace, TheCompressedGraphicsHeaderIsDispatchedUnlogged) {
  std::string in = WriteInput("cg.cpcl", "CG 1 1 0 0 \xFF\r\nFORM\r\n");
  ProcessResult r = Trace({"--mode", "cpcl", in});
  EXPECT_EQ(r.out.substr(0, 12), "call CMD_CG\n");
}

TEST(Trace, BadInvocationsExitWithTwo) {
  const std::vector<std::string> rows[] = {
      {},         {"--mode", "zpl", "x.cpcl"},      {"--bogus", "x"}, {"/no/such/file.cpcl"},
      {"--mode"}, {"--dialect", "zebra", "x.cpcl"}, {"--dialect"}};
  for (const auto& args : rows) {
    EXPECT_EQ(Trace(args).exit_code, 2) << ::testing::PrintToString(args);
  }
}

TEST(Trace, TheBundledSampleRunsToItsEnd) {
  ProcessResult r = Trace({"--mode", "cpcl", test::SourcePath("examples/waybill.cpcl")});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out.substr(0, 20), "reply 00 00\nreply 76");
  EXPECT_NE(r.out.find("call CMD_PRINT\n"), std::string::npos);
  EXPECT_NE(r.out.find("log T 8 0 24 24 顺丰速运  标准快递\n"), std::string::npos);
}

TEST(Replay, AStreamLongerThanTheFifoHoldsIsTakenWholeAndAnyDropIsSaid) {
  std::string dir = test::ScratchDir();
  // 65 MiB: a mebibyte more than the FIFO holds, and than one raw job takes.
  std::string in = WriteInput("big.prn", std::string(size_t{65} << 20, '\xA5'), dir);
  std::string idle = WriteInput("idle.ini", "[system]\r\ntransfer_mode=7\r\n", dir);
  const struct {
    int line;
    std::vector<std::string> args;
    std::string out;
    std::string err;
  } rows[] = {
      // The interpreter takes the stream as it arrives: two jobs, nothing lost.
      {__LINE__,
       {"trace", "--mode", "passthrough", in},
       "raw 67108864 -\nraw 1048576 -\nlog TCPCLCmdThread stoped\n",
       ""},
      // A mode that takes nothing: the FIFO fills and drops the rest, and says so.
      {__LINE__,
       {"trace", "--config", idle, in},
       "log receive FIFO full: 1048576 bytes dropped\nlog TCPCLCmdThread stoped\n",
       "velin-cli trace: receive FIFO full: 1048576 bytes dropped\n"},
      {__LINE__,
       {"render", "--config", idle, in, "-o", dir + "/pages"},
       "",
       "velin-cli render: receive FIFO full: 1048576 bytes dropped\n"},
  };
  for (const auto& row : rows) {
    ProcessResult r = Cli(row.args);
    EXPECT_EQ(r.exit_code, 0) << "row at line " << row.line;
    EXPECT_EQ(r.out, row.out) << "row at line " << row.line;
    EXPECT_EQ(r.err, row.err) << "row at line " << row.line;
  }
  std::remove(in.c_str());
}

// The one path a render run printed, or "" unless it printed exactly one line.
std::filesystem::path OnlyPage(const ProcessResult& r) {
  if (r.out.empty() || r.out.back() != '\n' || r.out.find('\n') != r.out.size() - 1) return {};
  return r.out.substr(0, r.out.size() - 1);
}

TEST(Render, WritesEachPrintedPageAtOneDotPerPixel) {
  const std::string dir = test::ScratchDir();
  const std::string pages = dir + "/pages";
  const std::string label = test::SourcePath("examples/waybill.cpcl");
  ProcessResult r = Cli({"render", "--mode", "cpcl", label, "-o", pages});
  EXPECT_EQ(r.exit_code, 0);
  // Compared as paths: the Windows build joins the file name with a backslash.
  const std::filesystem::path first = std::filesystem::path(pages) / "page-001.png";
  EXPECT_EQ(OnlyPage(r), first) << r.out;
  Bitmap32 page;
  ASSERT_TRUE(ReadPng(first.string(), page));
  EXPECT_EQ(page.width(), 576);              // PAGE-WIDTH 576
  EXPECT_EQ(page.height(), 1000);            // the header's height
  EXPECT_EQ(page.GetPixel(0, 500), kBlack);  // the frame BOX 0 0 576 992 2
  EXPECT_EQ(page.GetPixel(300, 500), kWhite);
  // A second run adds pages instead of overwriting.
  r = Cli({"render", "--mode", "cpcl", label, "-o", pages});
  EXPECT_EQ(OnlyPage(r), std::filesystem::path(pages) / "page-002.png") << r.out;
}

TEST(Render, TellsWhatWasIgnoredOnStandardError) {
  const std::string dir = test::ScratchDir();
  std::string in = WriteInput("ignored.cpcl", "! 0 200 200 100 1\r\nCENTER\r\nPRINT\r\n", dir);
  ProcessResult r = Cli({"render", "--mode", "cpcl", in, "-o", dir + "/pages"});
  EXPECT_EQ(OnlyPage(r), std::filesystem::path(dir + "/pages") / "page-001.png") << r.out;
  // The Windows build writes its standard streams in binary mode: the same bytes.
  const std::string& text = r.err;
  EXPECT_EQ(text, "ignored: CENTER x1\n");
}

TEST(RenderAndPrint, BadInvocationsExitWithTwo) {
  const std::vector<std::string> rows[] = {{"render", "x.cpcl"},
                                           {"render", "-o"},
                                           {"print", "x.cpcl"},
                                           {"print", "--printer"},
                                           {"print", "--printer", "p", "/no/such/file"}};
  for (const auto& args : rows) {
    EXPECT_EQ(Cli(args).exit_code, 2) << ::testing::PrintToString(args);
  }
}

}  // namespace
}  // namespace velin
