// velin-cli print against the machine's CUPS server (it asks CUPS about its queues): the exit
// status says whether a print call failed, whatever the debug log holds.
#include <cups/cups.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "support/run_process.h"
#include "support/test_paths.h"

namespace velin {
namespace {

bool QueueExists(const char* name) {
  cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name, nullptr);
  cupsFreeDests(dest != nullptr ? 1 : 0, dest);
  return dest != nullptr;
}

bool HasDefaultDestination() {
  cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr);
  cupsFreeDests(dest != nullptr ? 1 : 0, dest);
  return dest != nullptr;
}

TEST(Print, ExitsWithOneExactlyWhenAPrintCallFailed) {
  const struct {
    const char* name;
    const char* mode;
    const char* input;
    const char* printer;
    int exit_code;
    const char* reason;  // on standard error; "" when nothing must be said
  } rows[] = {
      // A TSPL label whose page cannot go anywhere: the failure is not in the debug log.
      {"tspl to a missing queue", "tspl", "SIZE 40 mm,30 mm\r\nCLS\r\nBAR 0,0,80,80\r\nPRINT 1\r\n",
       "velin-no-such-queue", 1, "NotFindPrinter."},
      {"cpcl to a missing queue", "cpcl", "! 0 200 200 240 1\r\nBOX 0 0 100 100 2\r\nPRINT\r\n",
       "velin-no-such-queue", 1, "NotFindPrinter."},
      // A bad TEXT line is logged, but the page prints.
      {"cpcl with a bad text line", "cpcl",
       "! 0 200 200 240 1\r\nTEXT 4 0 x 20 Hello\r\nBOX 0 0 100 100 2\r\nPRINT\r\n",
       "velin-capture", 0, ""},
      {"raw job to an unknown printer", "passthrough", "^XA^FDHello^FS^XZ\r\n",
       "velin-no-such-queue", 1, "error 1801"},
      {"raw job to the capture queue", "passthrough", "^XA^FDHello^FS^XZ\r\n", "velin-capture", 0,
       ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    if (std::string(row.printer) == "velin-capture" && !QueueExists("velin-capture")) {
      std::printf("skipped '%s': no CUPS queue velin-capture (scripts/cups-test-queue.sh)\n",
                  row.name);
      continue;
    }
    // A graphic job for a missing queue goes to the system default if there is one.
    if (std::string(row.printer) == "velin-no-such-queue" &&
        std::string(row.mode) != "passthrough" && HasDefaultDestination()) {
      std::printf("skipped '%s': CUPS has a default destination\n", row.name);
      continue;
    }
    const std::string dir = test::ScratchDir();
    const std::string input = dir + "/label";
    std::ofstream(input, std::ios::binary) << row.input;
    const test::ProcessResult r =
        test::RunVelinCli({"print", "--mode", row.mode, "--printer", row.printer, "--config",
                           dir + "/none.ini", input});
    EXPECT_EQ(r.exit_code, row.exit_code) << r.err;
    if (*row.reason != '\0')
      EXPECT_NE(r.err.find(row.reason), std::string::npos) << r.err;
    else
      EXPECT_EQ(r.err, "");
  }
}

}  // namespace
}  // namespace velin
