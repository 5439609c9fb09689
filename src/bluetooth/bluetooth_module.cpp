#include "bluetooth/bluetooth_module.h"

#include <stdexcept>

#include "base/ansi_codec.h"
#include "base/regex.h"

namespace velin {

namespace {

constexpr std::string_view kReplyEnd = "OK\r\n";

const Regex& ValuePattern() {
  static const Regex pattern(":([^\r\n]+)");
  return pattern;
}

}  // namespace

ParsedReply ParseReply(std::string_view bytes, std::string_view key) {
  ParsedReply out;
  out.text = AnsiToUtf8(bytes);
  out.complete = out.text.find(kReplyEnd) != std::string::npos;
  if (key.empty()) return out;
  out.has_key = out.text.find(std::string(key) + ":") != std::string::npos;
  if (out.has_key) {
    Regex::Match match;
    if (ValuePattern().Search(out.text, match)) out.value = match.groups[1];
  }
  return out;
}

std::string DescribeBtStatus(BtStatus status) {
  switch (status) {
    case BtStatus::kOk:
      return "ok";
    case BtStatus::kTimeout:
      return "timeout: no reply from the Bluetooth module within " +
             std::to_string(BluetoothModule::kReplyTimeoutMs) + " ms";
    case BtStatus::kNoValue:
      return "no value: the Bluetooth module answered " +
             std::to_string(BluetoothModule::kMaxQueryAttempts) + " times without one";
  }
  return "unknown";
}

BluetoothModule::BluetoothModule(Services services) : services_(std::move(services)) {
  if (services_.fifo == nullptr || services_.clock == nullptr || !services_.pump)
    throw std::invalid_argument("BluetoothModule needs a FIFO, a clock and a pump");
  if (services_.set_paused) services_.set_paused(true);
}

BluetoothModule::~BluetoothModule() {
  if (services_.set_paused) services_.set_paused(false);
}

void BluetoothModule::Log(const std::string& line) const {
  if (services_.log) services_.log(line);
}

void BluetoothModule::Send(const std::string& cmd) {
  const std::string bytes = Utf8ToAnsi(cmd);
  services_.fifo->usbComm->WriteData(reinterpret_cast<const uint8_t*>(bytes.data()),
                                     static_cast<int32_t>(bytes.size()));
  sent_at_ = services_.clock->tick_ms();
}

bool BluetoothModule::Collect(const std::string& key, ParsedReply& reply) {
  std::string buffer;
  buffer.reserve(kReplyBufferSize);
  for (;;) {
    uint8_t byte = 0;
    if (services_.fifo->GetChar(byte)) {
      if (buffer.size() == kReplyBufferSize) buffer.erase(0, 1);  // keep the latest bytes
      buffer.push_back(static_cast<char>(byte));
      reply = ParseReply(buffer, key);
      if (reply.complete) return true;
      std::string character;
      AppendUtf8(character, byte);
      Log(character);
    }
    if (services_.clock->tick_ms() - sent_at_ > kReplyTimeoutMs) return false;
    services_.pump();
  }
}

BtResult BluetoothModule::Query(const std::string& cmd, const std::string& key) {
  BtResult result;
  ParsedReply reply;
  while (result.attempts < kMaxQueryAttempts) {
    Send(cmd);
    ++result.attempts;
    if (!Collect(key, reply)) {
      result.status = BtStatus::kTimeout;
      return result;
    }
    result.reply = reply.text;
    if (!reply.has_key) continue;
    Log(reply.text);
    result.status = BtStatus::kOk;
    result.text = reply.value;
    return result;
  }
  Log(result.reply);
  result.status = BtStatus::kNoValue;
  return result;
}

BtResult BluetoothModule::Command(const std::string& cmd) {
  BtResult result;
  ParsedReply reply;
  Send(cmd);
  result.attempts = 1;
  if (!Collect("", reply)) return result;
  Log(reply.text);
  result.status = BtStatus::kOk;
  result.reply = reply.text;
  result.text = reply.text;
  return result;
}

}  // namespace velin
