// The registry of the most recent window of each class, and the modal opening helper.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/window_registry.h"

namespace velin::app {
namespace {

struct DebugWindowStub {
  int id = 0;
};
struct FontWindowStub {};

TEST(WindowRegistry, KeepsTheMostRecentInstanceOfEachClass) {
  WindowRegistry registry;
  DebugWindowStub first{1}, second{2};
  FontWindowStub fonts;
  EXPECT_EQ(registry.Latest<DebugWindowStub>(), nullptr);
  registry.Opened(&first);
  registry.Opened(&fonts);
  registry.Opened(&second);
  EXPECT_EQ(registry.Latest<DebugWindowStub>(), &second);
  EXPECT_EQ(registry.Latest<FontWindowStub>(), &fonts);
  // The older one closing does not forget the newer one.
  registry.Closed(&first);
  EXPECT_EQ(registry.Latest<DebugWindowStub>(), &second);
  registry.Closed(&second);
  EXPECT_FALSE(registry.IsOpen<DebugWindowStub>());
  EXPECT_TRUE(registry.IsOpen<FontWindowStub>());
}

// A window shown modally: records what the registry said while it was open.
struct ModalStub {
  ModalStub(WindowRegistry& registry, int result, bool* seen_open)
      : registry(registry), result(result), seen_open(seen_open) {}
  int ShowModal() {
    *seen_open = registry.Latest<ModalStub>() == this;
    if (result < 0) throw std::runtime_error("window failed");
    return result;
  }
  WindowRegistry& registry;
  int result;
  bool* seen_open;
};

TEST(WindowRegistry, OpenModalRegistersTheWindowWhileItIsShown) {
  WindowRegistry registry;
  bool seen_open = false;
  EXPECT_EQ(OpenModal<ModalStub>(registry, registry, 7, &seen_open), 7);
  EXPECT_TRUE(seen_open);
  EXPECT_FALSE(registry.IsOpen<ModalStub>());
  // Also forgotten when the window fails.
  EXPECT_THROW(OpenModal<ModalStub>(registry, registry, -1, &seen_open), std::runtime_error);
  EXPECT_FALSE(registry.IsOpen<ModalStub>());
}

TEST(WindowRegistry, AnotherThreadMayAskWhileWindowsComeAndGo) {
  WindowRegistry registry;
  std::atomic<bool> stop{false};
  std::thread asker([&] {
    while (!stop.load()) (void)registry.IsOpen<DebugWindowStub>();
  });
  for (int i = 0; i < 10000; ++i) {
    DebugWindowStub w{i};
    registry.Opened(&w);
    registry.Closed(&w);
  }
  stop = true;
  asker.join();
  EXPECT_FALSE(registry.IsOpen<DebugWindowStub>());
}

}  // namespace
}  // namespace velin::app
