// The interpreter's page budget, given at construction: a page up to the budget is made, a
// larger one fails as its allocation would and the page keeps its size and content.
#include <gtest/gtest.h>

#include "base/clock.h"
#include "base/ui_dispatcher.h"
#include "interpreter/cmd_thread.h"
#include "support/test_paths.h"
#include "usb/loopback.h"

namespace velin {
namespace {

TEST(PageBudget, PagesUpToTheBudgetAreMadeLargerOnesFailAndKeepThePage) {
  VirtualClock clock;
  InlineDispatcher ui;
  InterpreterServices services;
  services.clock = &clock;
  services.ui = &ui;
  services.config_path = test::ScratchDir() + "/config.ini";  // none: CPCL, default dialect
  constexpr int64_t kBudget = int64_t{1} << 20;
  TCPCLCmdThread thread(services, std::make_unique<LoopbackPort>(),
                        std::make_unique<FixedDeviceSearch>(), kBudget);
  EXPECT_EQ(thread.page().MaxPixels(), kBudget);
  // The first page is the program's usual one whatever the budget allows.
  EXPECT_EQ(thread.page().Width() * thread.page().Height(), 624 * 1040);

  const struct {
    const char* line;
    int width, height;  // the page afterwards
  } rows[] = {
      {"PW 1024", 624, 1040},               // 1,064,960 dots: over the budget, the page stays
      {"! 0 200 200 1024 1", 624, 1024},    // 638,976
      {"PW 1024", 1024, 1024},              // exactly the budget
      {"! 0 200 200 1025 1", 1024, 1024},   // one row over
      {"PW 1", 1, 1024},
      {"! 0 200 200 32767 1", 1, 32767},    // the longest side a page may have
      {"! 0 200 200 32768 1", 1, 32767},
  };
  for (const auto& row : rows) {
    thread.ExecuteCommand(row.line);
    EXPECT_EQ(thread.page().Width(), row.width) << row.line;
    EXPECT_EQ(thread.page().Height(), row.height) << row.line;
  }

  TCPCLCmdThread program(services, std::make_unique<LoopbackPort>(),
                         std::make_unique<FixedDeviceSearch>());
  EXPECT_EQ(program.page().MaxPixels(), Bitmap32::kMaxPixels);  // 64 Mpixel
  program.ExecuteCommand("PW 2048");
  program.ExecuteCommand("! 0 200 200 2048 1");
  EXPECT_EQ(program.page().Width() * program.page().Height(), 2048 * 2048);
}

}  // namespace
}  // namespace velin
