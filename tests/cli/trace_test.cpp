// velin-cli trace, run as a user runs it.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "base/png.h"
#include "support/dark_box.h"
#include "support/test_paths.h"

namespace velin {
namespace {

struct Result {
  int exit_code;
  std::string out;
};

Result Cli(const std::string& args) {
  std::string command =
      std::string(VELIN_BINARY_DIR) + "/src/app/velin-cli " + args + " 2>/dev/null";
  Result r{-1, ""};
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return r;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) r.out.append(buffer, n);
  int status = pclose(pipe);
  r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

Result Trace(const std::string& args) { return Cli("trace " + args); }

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
  Result r = Trace("--mode cpcl " + in);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out,
            "reply 76\n"
            "log ! 0 200 200 400 1\n"
            "call CMD_START\n"
            "log T4 0 10 20 Hi\n"
            "reply 22 03 C5 20\n"
            "log PRINT\n"
            "call CMD_PRINT\n"
            "log TCPCLCmdThread stoped\n");
}

TEST(Trace, PassThroughReportsOneRawJobAfterTheSilence) {
  std::string dir = test::ScratchDir();
  std::string config = dir + "/config.ini";
  std::ofstream(config, std::ios::binary)
      << "[system]\r\ntransfer_mode=0\r\nprinter=Zebra GK888t\r\n";
  std::string in = WriteInput("job.prn", "^XA^FO50,50^FDHello^FS^XZ\r\n\x1B\x76", dir);
  Result r = Trace("--config " + config + " " + in);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "raw 29 Zebra GK888t\nlog TCPCLCmdThread stoped\n");
  // Without a binding the job still goes out, to the empty name.
  r = Trace("--mode passthrough --config " + dir + "/none.ini " + in);
  EXPECT_EQ(r.out, "raw 29 -\nlog TCPCLCmdThread stoped\n");
}

TEST(Trace, TheCompressedGraphicsHeaderIsDispatchedUnlogged) {
  std::string in = WriteInput("cg.cpcl", "CG 1 1 0 0 \xFF\r\nFORM\r\n");
  Result r = Trace("--mode cpcl " + in);
  EXPECT_EQ(r.out.substr(0, 12), "call CMD_CG\n");
}

TEST(Trace, BadInvocationsExitWithTwo) {
  for (const char* args : {"", "--mode zpl x.cpcl", "--bogus x", "/no/such/file.cpcl", "--mode"}) {
    EXPECT_EQ(Trace(args).exit_code, 2) << args;
  }
}

TEST(Trace, TheBundledSampleRunsToItsEnd) {
  Result r = Trace("--mode cpcl " + test::SourcePath("examples/waybill.cpcl"));
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out.substr(0, 20), "reply 00 00\nreply 76");
  EXPECT_NE(r.out.find("call CMD_PRINT\n"), std::string::npos);
  EXPECT_NE(r.out.find("log T 8 0 24 24 顺丰速运  标准快递\n"), std::string::npos);
}

TEST(Render, WritesEachPrintedPageAtOneDotPerPixel) {
  std::string dir = test::ScratchDir();
  Result r = Cli("render --mode cpcl " + test::SourcePath("examples/waybill.cpcl") + " -o " + dir +
                 "/pages");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, dir + "/pages/page-001.png\n");
  Bitmap32 page;
  ASSERT_TRUE(ReadPng(dir + "/pages/page-001.png", page));
  EXPECT_EQ(page.width(), 576);              // PAGE-WIDTH 576
  EXPECT_EQ(page.height(), 1000);            // the header's height
  EXPECT_EQ(page.GetPixel(0, 500), kBlack);  // the frame BOX 0 0 576 992 2
  EXPECT_EQ(page.GetPixel(300, 500), kWhite);
  // A second run adds pages instead of overwriting.
  r = Cli("render --mode cpcl " + test::SourcePath("examples/waybill.cpcl") + " -o " + dir +
          "/pages");
  EXPECT_EQ(r.out, dir + "/pages/page-002.png\n");
}

TEST(RenderAndPrint, BadInvocationsExitWithTwo) {
  for (const char* args : {"render x.cpcl", "render -o", "print x.cpcl", "print --printer",
                           "print --printer p /no/such/file"}) {
    EXPECT_EQ(Cli(args).exit_code, 2) << args;
  }
}

}  // namespace
}  // namespace velin
