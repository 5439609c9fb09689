// The receiver commands' command lines: manual pages and usage errors (no receiver needed).
#include <gtest/gtest.h>

#include "support/run_process.h"

namespace velin {
namespace {

TEST(ServiceCommands, PrintManualPagesAndRefuseBadCommandLines) {
  const struct {
    std::vector<std::string> args;
    int exit_code;
    const char* out;  // a part of standard output
    const char* err;  // a part of standard error
  } rows[] = {
      {{"serve", "--help"}, 0, "SYNOPSIS\n    velin-cli serve [--config FILE]", ""},
      {{"bt", "-h"}, 0, "EXIT STATUS", ""},
      // A command without a page of its own gets one made of its usage line.
      {{"render", "--help"}, 0, "SYNOPSIS\n    velin-cli render [--mode", ""},
      {{"serve", "--png"}, 2, "", "unknown option '--png'"},
      {{"serve", "--config"}, 2, "", "--config needs a value"},
      {{"serve", "--dialect", "zpl"}, 2, "", "unknown dialect 'zpl'"},
      {{"bt"}, 2, "", "no action"},
      {{"bt", "rename"}, 2, "", "unknown action 'rename'"},
      {{"bt", "set-name"}, 2, "", "set-name needs a NAME"},
      {{"bt", "name", "extra"}, 2, "", "unexpected argument 'extra'"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.args[0] + " " + (row.args.size() > 1 ? row.args[1] : ""));
    test::ProcessResult result = test::RunVelinCli(row.args);
    EXPECT_EQ(result.exit_code, row.exit_code) << result.err;
    EXPECT_NE(result.out.find(row.out), std::string::npos) << result.out;
    EXPECT_NE(result.err.find(row.err), std::string::npos) << result.err;
  }
}

}  // namespace
}  // namespace velin
