// The receive FIFO under load. A receiver thread sends a stream whose every byte is a function
// of its position, in blocks of varying size, while the interpreter's side takes bytes: with a
// consumer that keeps up, every byte arrives once and in order; with a stalled one, what is
// delivered plus what is dropped is what was sent, and the drop reaches the debug log.
//
// CI runs a few MiB. The long run: VELIN_STRESS_BYTES=1073741824 (1 GiB), with
// --gtest_filter='FifoStress.*'.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "process_stats.h"
#include "support/interpreter_harness.h"
#include "usb/loopback.h"
#include "usb/usb_fifo.h"

namespace velin::test {
namespace {

// Byte number i of the stream: a mix of the position's bits, so that a byte lost, repeated or
// moved shows at the first place it happens.
uint8_t StreamByte(uint64_t i) {
  uint64_t x = i * 0x9E3779B97F4A7C15ull;
  x ^= x >> 29;
  return static_cast<uint8_t>(x ^ (x >> 17) ^ (i >> 8));
}

std::string StreamBlock(uint64_t from, size_t length) {
  std::string block(length, '\0');
  for (size_t k = 0; k < length; ++k) block[k] = static_cast<char>(StreamByte(from + k));
  return block;
}

// Block sizes as the port delivers them: mostly full 4096-byte reads, some short ones.
size_t BlockSize(uint64_t n) { return n % 7 == 3 ? 1 + n % 4093 : 4096; }

uint64_t StressBytes() { return EnvNumber("VELIN_STRESS_BYTES", uint64_t{8} << 20); }

TEST(FifoStress, AConsumerThatKeepsUpGetsEveryByteOnceAndInOrder) {
  auto owned = std::make_unique<LoopbackPort>();
  LoopbackPort* port = owned.get();
  TUSBFiFo fifo(std::move(owned), std::make_unique<FixedDeviceSearch>(
                                      std::vector<std::string>{kLoopbackReceiverPath}));
  ASSERT_TRUE(fifo.FindPrinter());
  const uint64_t total = StressBytes();
  std::atomic<bool> stop{false};
  const auto started = std::chrono::steady_clock::now();

  std::thread receiver([&] {
    uint64_t sent = 0;
    for (uint64_t n = 0; sent < total && !stop; ++n) {
      const size_t length = static_cast<size_t>(std::min<uint64_t>(BlockSize(n), total - sent));
      // The real receiver cannot be held back; here the sender waits for room, so that this
      // run is about order, not about the drop (which the next test covers).
      while (fifo.GetFiFoSize() + length > TUSBFiFo::kMaxQueued && !stop) std::this_thread::yield();
      const std::string block = StreamBlock(sent, length);
      port->Receive(reinterpret_cast<const uint8_t*>(block.data()), block.size());
      sent += length;
    }
  });

  uint64_t taken = 0, first_wrong = UINT64_MAX;
  while (taken < total) {
    uint8_t b;
    if (!fifo.GetChar(b)) {
      std::this_thread::yield();
      continue;
    }
    if (b != StreamByte(taken) && first_wrong == UINT64_MAX) {
      first_wrong = taken;
      stop = true;
      break;
    }
    ++taken;
  }
  receiver.join();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  EXPECT_EQ(first_wrong, UINT64_MAX) << "byte " << first_wrong << " differs";
  EXPECT_EQ(taken, total);
  EXPECT_EQ(fifo.GetFiFoSize(), 0u);  // nothing more than was sent
  EXPECT_EQ(fifo.dropped_bytes(), 0u);
  std::printf("[ stress   ] %llu bytes through the FIFO in %.1f s (%.1f MiB/s)\n",
              static_cast<unsigned long long>(taken), seconds, taken / seconds / (1 << 20));
}

// The interpreter, in pass-through mode, is paused (as while the Bluetooth window talks to the
// module) while the receiver sends more than the FIFO holds, then resumes: the raw jobs carry
// the first bytes, in order; the rest was dropped and counted, and the debug log says so.
TEST(FifoStress, AStalledConsumerLosesOnlyWhatIsCountedAndLoggedAsDropped) {
  InterpreterHarness h("[system]\r\ntransfer_mode=0\r\nprinter=Label Printer\r\n");
  h.fifo().StartDebug();
  h.thread().SetBTCmd(true);
  const uint64_t total = TUSBFiFo::kMaxQueued + std::max<uint64_t>(StressBytes() / 8, 4096);
  uint64_t sent = 0;
  std::thread receiver([&] {
    for (uint64_t n = 0; sent < total; ++n) {
      const size_t length = static_cast<size_t>(std::min<uint64_t>(BlockSize(n), total - sent));
      const std::string block = StreamBlock(sent, length);
      h.port().Receive(reinterpret_cast<const uint8_t*>(block.data()), block.size());
      sent += length;
    }
  });
  receiver.join();
  h.thread().SetBTCmd(false);
  h.Run();
  for (int i = 0; i < 4; ++i) h.thread().Step();  // 500 ms each: the reports end the episode
  h.ui.Drain();

  uint64_t delivered = 0;
  bool in_order = true;
  for (const auto& job : h.printer.raw_jobs) {
    for (size_t k = 0; k < job.bytes.size() && in_order; ++k)
      in_order = static_cast<uint8_t>(job.bytes[k]) == StreamByte(delivered + k);
    delivered += job.bytes.size();
  }
  EXPECT_TRUE(in_order);
  EXPECT_EQ(delivered, TUSBFiFo::kMaxQueued);
  EXPECT_EQ(delivered + h.fifo().dropped_bytes(), total);
  const std::string logged =
      "receive FIFO full: " + std::to_string(total - delivered) + " bytes dropped";
  EXPECT_EQ(std::count(h.debug_lines.begin(), h.debug_lines.end(), logged), 1) << logged;
}

}  // namespace
}  // namespace velin::test
