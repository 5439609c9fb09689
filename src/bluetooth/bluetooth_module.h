// The receiver's Bluetooth module: its advertised name and its address, read and set with AT
// commands over the USB link. What the Bluetooth settings window and `velin-cli bt` decide; the
// window and the command are thin faces over this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "usb/usb_fifo.h"

namespace velin {

// The module's AT commands, each ended by CR LF.
inline constexpr const char* kAtQueryName = "AT+NAME?\r\n";
inline constexpr const char* kAtQueryAddress = "AT+LBDADDR?\r\n";
inline constexpr const char* kAtSetNamePrefix = "AT+NAME=";
// The keys the query replies carry their value behind (each followed by a colon): the name
// reply's line is "+NAME:value", the address reply's "+LBDADDR:value".
inline constexpr const char* kNameKey = "E";
inline constexpr const char* kAddressKey = "ADDR";

// What one reply, as received so far, says. Pure: the fuzz target and the exchanges share it.
struct ParsedReply {
  std::string text;       // the bytes decoded from the ANSI code page (GBK) to UTF-8
  bool complete = false;  // the text holds "OK\r\n"
  bool has_key = false;   // the text holds the key followed by ":"
  // With has_key: the text after the first colon that has text behind it on its line, up to
  // that line's end (":([^\r\n]+)"); empty when no colon has.
  std::string value;
};

// Decodes `bytes` and reads them as the reply to a query for `key` (an empty key: a command
// reply, whose has_key and value stay false and empty). Never fails, whatever the bytes.
ParsedReply ParseReply(std::string_view bytes, std::string_view key);

// The outcome of one exchange.
enum class BtStatus {
  kOk,
  // No complete reply ("OK\r\n") came within kReplyTimeoutMs of sending the command: the
  // receiver is absent or closed, the module is silent, or it answered with an error text.
  kTimeout,
  // A query's complete replies lacked its key kMaxQueryAttempts times in a row.
  kNoValue,
};

struct BtResult {
  BtStatus status = BtStatus::kTimeout;
  // kOk: a query's value, or a command's whole reply text. Empty otherwise.
  std::string text;
  // The last complete reply's text (kOk and kNoValue), for the log.
  std::string reply;
  int attempts = 0;  // commands sent
};

// One line for a terminal or a status bar: "timeout: no reply from the Bluetooth module within
// 2000 ms", ...
std::string DescribeBtStatus(BtStatus status);

// Contract:
// - Lives on the user-interface thread (the one that drains the dispatcher the port delivers
//   received blocks through) and is used only there. While it lives the interpreter is paused
//   (`set_paused(true)` in the constructor, `set_paused(false)` in the destructor), so the
//   module's replies stay in the FIFO for it: a window holds one from its creation to its
//   closing, a command for its run.
// - Each exchange writes the command through the FIFO's port (nothing is written while the port
//   is closed; the exchange then times out) and reads the reply from the FIFO byte by byte,
//   calling `pump` on every pass of its wait, also when a byte was taken, so the thread keeps
//   dispatching (received blocks reach the FIFO only then, and a window stays alive). `pump`
//   may wait a little (a command line tool sleeps a millisecond when nothing was dispatched);
//   a window dispatches and returns. The time limit is read from `clock`.
// - The FIFO is not emptied before a command: bytes already queued are read as part of the
//   reply, and bytes after a reply's "OK\r\n" stay for the next one.
// - The reply buffer holds the latest kReplyBufferSize bytes of one collection: when more
//   arrive without "OK\r\n", the oldest are dropped (a stale label waiting in the FIFO then
//   cannot hide the module's reply behind it), and memory stays bounded.
// - `log` (optional) receives the trace lines: each byte taken that did not complete a reply,
//   as the character of that code, and each complete reply's text.
class BluetoothModule {
 public:
  static constexpr size_t kReplyBufferSize = 1024;
  static constexpr uint32_t kReplyTimeoutMs = 2000;  // counted from sending the command
  // A query whose complete replies lack the key is sent again, at most this many times in all.
  static constexpr int kMaxQueryAttempts = 5;

  struct Services {
    TUSBFiFo* fifo = nullptr;  // required
    Clock* clock = &RealClock();
    std::function<void()> pump;                   // required
    std::function<void(bool paused)> set_paused;  // the interpreter's FBTCmd
    std::function<void(const std::string&)> log;
  };

  explicit BluetoothModule(Services services);
  ~BluetoothModule();
  BluetoothModule(const BluetoothModule&) = delete;
  BluetoothModule& operator=(const BluetoothModule&) = delete;

  // GetBTCmd: sends the query `cmd` (UTF-8, encoded in the ANSI code page) and collects its
  // reply; a complete reply without `key` followed by ":" sends the query again, with a fresh
  // buffer and time limit, up to kMaxQueryAttempts sends. kOk carries the value in `text`.
  BtResult Query(const std::string& cmd, const std::string& key);
  // SetBTCmd: sends `cmd` and collects its reply; kOk carries the whole reply text.
  BtResult Command(const std::string& cmd);

  // The settings window's operations.
  BtResult QueryName() { return Query(kAtQueryName, kNameKey); }
  BtResult QueryAddress() { return Query(kAtQueryAddress, kAddressKey); }
  // Sends "AT+NAME=" + name + "\r\n" as it stands (an empty name too). Callers that take the
  // name from a user refuse CR and LF in it, which would end the command early.
  BtResult SetName(const std::string& name) {
    return Command(std::string(kAtSetNamePrefix) + name + "\r\n");
  }

  // The settings window's own names, returning the text alone (empty after a timeout or
  // without a value).
  std::string GetBTCmd(const std::string& cmd, const std::string& ExStr) {
    return Query(cmd, ExStr).text;
  }
  std::string SetBTCmd(const std::string& cmd, const std::string& /*ExStr*/) {
    return Command(cmd).text;
  }

 private:
  void Send(const std::string& cmd);
  // Collects one reply for `key` (empty for a command); false on timeout.
  bool Collect(const std::string& key, ParsedReply& reply);
  void Log(const std::string& line) const;

  Services services_;
  uint32_t sent_at_ = 0;
};

}  // namespace velin
