// The Bluetooth module's AT exchanges, against a stand-in module behind a loopback receiver, on
// the virtual clock.
#include "bluetooth/bluetooth_module.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "base/ansi_codec.h"
#include "base/clock.h"
#include "usb/loopback.h"

namespace velin {
namespace {

// The module behind the receiver: it reads the commands written to the port, line by line,
// and answers each one with `answer(command)`, in USB blocks of `block` bytes; the pump
// delivers the next block once the FIFO is empty, and lets `step_ms` pass.
struct StandIn {
  std::function<std::string(const std::string& command)> answer;
  size_t block = 64;
  uint32_t step_ms = 1;

  std::string written;  // every byte written, as sent
  std::deque<std::string> blocks;
  VirtualClock clock{1000};
  LoopbackPort* port = nullptr;
  std::unique_ptr<TUSBFiFo> fifo;
  bool paused = false;
  std::vector<std::string> log;

  explicit StandIn(std::function<std::string(const std::string&)> a = nullptr)
      : answer(std::move(a)) {
    auto p = std::make_unique<LoopbackPort>();
    port = p.get();
    std::string pending;
    port->on_write = [this, pending](const uint8_t* data, int32_t length) mutable {
      const std::string bytes(reinterpret_cast<const char*>(data), length);
      written += bytes;
      pending += bytes;
      for (size_t end; (end = pending.find("\r\n")) != std::string::npos;) {
        const std::string reply = answer ? answer(pending.substr(0, end)) : "";
        pending.erase(0, end + 2);
        for (size_t at = 0; at < reply.size(); at += block)
          blocks.push_back(reply.substr(at, block));
      }
    };
    fifo = std::make_unique<TUSBFiFo>(
        std::move(p),
        std::make_unique<FixedDeviceSearch>(std::vector<std::string>{kLoopbackReceiverPath}));
    fifo->FindPrinter();
  }

  // Bytes as if the receiver had sent them before the command.
  void Queue(const std::string& bytes) {
    port->Receive(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }

  BluetoothModule::Services Services() {
    BluetoothModule::Services s;
    s.fifo = fifo.get();
    s.clock = &clock;
    // Taking queued bytes costs no time; each pass that finds the FIFO empty costs step_ms.
    s.pump = [this] {
      if (fifo->GetFiFoSize() > 0) return;
      if (!blocks.empty()) {
        Queue(blocks.front());
        blocks.pop_front();
      }
      clock.advance(step_ms);
    };
    s.set_paused = [this](bool p) { paused = p; };
    s.log = [this](const std::string& line) { log.push_back(line); };
    return s;
  }

  std::string Left() {
    std::string out;
    uint8_t c;
    while (fifo->GetChar(c)) out += static_cast<char>(c);
    return out;
  }
};

std::string NameReply(const std::string& utf8_name) {
  return "\r\n+NAME:" + Utf8ToAnsi(utf8_name) + "\r\nOK\r\n";
}

TEST(BluetoothParseReply, ReadsCompletenessKeyAndValue) {
  const struct {
    int line;
    std::string bytes, key;
    bool complete, has_key;
    std::string value;
  } rows[] = {
      {__LINE__, "+NAME:Printer01\r\nOK\r\n", "E", true, true, "Printer01"},
      // Everything after the first colon: the address keeps its own colons.
      {__LINE__, "+LBDADDR:12:34:56:78:9A:BC\r\nOK\r\n", "ADDR", true, true, "12:34:56:78:9A:BC"},
      {__LINE__, "OK\r\n", "E", true, false, ""},
      {__LINE__, "+NAME:Printer01\r\nOK", "E", false, true, "Printer01"},  // no CR LF yet
      {__LINE__, "OK\n", "E", false, false, ""},
      // The key with nothing behind its colon on that line: no value.
      {__LINE__, "+NAME:\r\nOK\r\n", "E", true, true, ""},
      // GBK bytes decode to UTF-8; an invalid lead byte is a replacement character.
      {__LINE__, "+NAME:\xB1\xEA\xC7\xA9\r\nOK\r\n", "E", true, true, "标签"},
      {__LINE__, "+NAME:A\xFF\r\nOK\r\n", "E", true, true, "A\xEF\xBF\xBD"},
      // A lead byte eats the "O" of "OK": that is no reply end.
      {__LINE__, "+NAME:A\x81OK\r\n", "E", false, true, AnsiToUtf8("A\x81O") + "K"},
      {__LINE__, std::string("\0\0OK\r\n", 6), "", true, false, ""},
      {__LINE__, "ERROR\r\n", "", false, false, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line);
    ParsedReply reply = ParseReply(row.bytes, row.key);
    EXPECT_EQ(reply.complete, row.complete);
    EXPECT_EQ(reply.has_key, row.has_key);
    EXPECT_EQ(reply.value, row.value);
  }
}

TEST(BluetoothModule, QueriesAssembleRepliesSplitOverUsbBlocks) {
  const struct {
    const char* note;
    size_t block;
    bool address;
    std::string reply, value;
  } rows[] = {
      {"name in one block", 64, false, NameReply("Printer01"), "Printer01"},
      {"name a byte per block", 1, false, NameReply("Printer01"), "Printer01"},
      {"Chinese name over 3-byte blocks", 3, false, NameReply("快递标签机"), "快递标签机"},
      {"address over 5-byte blocks", 5, true, "\r\n+LBDADDR:12:34:56:78:9A:BC\r\nOK\r\n",
       "12:34:56:78:9A:BC"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.note);
    StandIn module([&](const std::string&) { return row.reply; });
    module.block = row.block;
    BluetoothModule bt(module.Services());
    BtResult result = row.address ? bt.QueryAddress() : bt.QueryName();
    EXPECT_EQ(result.status, BtStatus::kOk);
    EXPECT_EQ(result.text, row.value);
    EXPECT_EQ(result.attempts, 1);
    EXPECT_EQ(module.written, row.address ? "AT+LBDADDR?\r\n" : "AT+NAME?\r\n");
    EXPECT_EQ(module.Left(), "");
  }
}

TEST(BluetoothModule, QuerySendsAgainAfterABareOkAndStopsAtItsBound) {
  // The first answer is "OK\r\n" alone; the second carries the name.
  int asked = 0;
  StandIn once([&](const std::string&) { return ++asked == 1 ? "OK\r\n" : NameReply("P2"); });
  {
    BluetoothModule bt(once.Services());
    BtResult result = bt.QueryName();
    EXPECT_EQ(result.status, BtStatus::kOk);
    EXPECT_EQ(result.text, "P2");
    EXPECT_EQ(result.attempts, 2);
    EXPECT_EQ(once.written, "AT+NAME?\r\nAT+NAME?\r\n");
  }

  // A module that never sends the key: the query ends after its last attempt, well before a
  // time-out, and says so.
  StandIn never([](const std::string&) { return "OK\r\n"; });
  BluetoothModule bt(never.Services());
  BtResult result = bt.QueryName();
  EXPECT_EQ(result.status, BtStatus::kNoValue);
  EXPECT_EQ(result.text, "");
  EXPECT_EQ(result.reply, "OK\r\n");
  EXPECT_EQ(result.attempts, BluetoothModule::kMaxQueryAttempts);
  EXPECT_LT(never.clock.tick_ms() - 1000, BluetoothModule::kReplyTimeoutMs);
}

TEST(BluetoothModule, TimesOutTwoSecondsAfterSendingWithoutACompleteReply) {
  const struct {
    const char* note;
    std::string reply;
    uint32_t step_ms;
  } rows[] = {
      {"silence", "", 1},
      {"an error text", "\r\nERROR\r\n", 1},
      // Every byte arrives in time for a "last byte" limit, but not within 2000 ms of the send.
      {"a reply dribbling in", NameReply("Slow"), 150},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.note);
    StandIn module([&](const std::string&) { return row.reply; });
    module.block = 1;
    module.step_ms = row.step_ms;
    BluetoothModule bt(module.Services());
    BtResult result = bt.QueryName();
    EXPECT_EQ(result.status, BtStatus::kTimeout);
    EXPECT_EQ(result.text, "");
    EXPECT_EQ(result.attempts, 1);
    const uint32_t waited = module.clock.tick_ms() - 1000;
    EXPECT_GT(waited, BluetoothModule::kReplyTimeoutMs);
    EXPECT_LE(waited, BluetoothModule::kReplyTimeoutMs + row.step_ms);
  }
}

TEST(BluetoothModule, SetNameSendsTheNameInGbkAndReturnsTheReply) {
  StandIn module([](const std::string&) { return std::string("OK\r\n"); });
  module.block = 2;
  BluetoothModule bt(module.Services());
  BtResult result = bt.SetName("仓库打印机A");
  EXPECT_EQ(result.status, BtStatus::kOk);
  EXPECT_EQ(result.text, "OK\r\n");
  EXPECT_EQ(module.written,
            "AT+NAME=\xB2\xD6\xBF\xE2\xB4\xF2\xD3\xA1\xBB\xFA"
            "A\r\n");

  // An empty name is sent as it stands.
  module.written.clear();
  EXPECT_EQ(bt.SetBTCmd("AT+NAME=\r\n", "ignored"), "OK\r\n");
  EXPECT_EQ(module.written, "AT+NAME=\r\n");
}

TEST(BluetoothModule, QueuedBytesBelongToTheReplyAndTheRestStaysForTheNext) {
  // A label queued before the command, longer than the reply buffer, does not hide the reply
  // behind it: only the latest bytes are kept.
  StandIn module([](const std::string& command) {
    return command == "AT+NAME?" ? NameReply("Front") + "+LBDADDR:"
                                 : std::string("AA:BB\r\nOK\r\n");
  });
  module.Queue(std::string(5000, 'x') + "\r\n");
  BluetoothModule bt(module.Services());
  BtResult name = bt.QueryName();
  EXPECT_EQ(name.status, BtStatus::kOk);
  EXPECT_EQ(name.text, "Front");
  EXPECT_LE(name.reply.size(), BluetoothModule::kReplyBufferSize);
  // What followed the name's "OK\r\n" starts the address reply.
  BtResult address = bt.QueryAddress();
  EXPECT_EQ(address.status, BtStatus::kOk);
  EXPECT_EQ(address.text, "AA:BB");
}

TEST(BluetoothModule, PausesTheInterpreterWhileItLivesAndWritesNothingWhileClosed) {
  StandIn module([](const std::string&) { return NameReply("X"); });
  module.fifo->usbComm->StopComm();
  {
    BluetoothModule bt(module.Services());
    EXPECT_TRUE(module.paused);
    EXPECT_EQ(bt.QueryName().status, BtStatus::kTimeout);
    EXPECT_EQ(module.written, "");
  }
  EXPECT_FALSE(module.paused);
}

TEST(BluetoothModule, TracesStrayBytesAndTheCompleteReply) {
  StandIn module([](const std::string&) { return std::string("+NAME:Z\r\nOK\r\n"); });
  BluetoothModule bt(module.Services());
  ASSERT_EQ(bt.QueryName().text, "Z");
  ASSERT_FALSE(module.log.empty());
  EXPECT_EQ(module.log.front(), "+");
  EXPECT_EQ(module.log.back(), "+NAME:Z\r\nOK\r\n");
}

}  // namespace
}  // namespace velin
