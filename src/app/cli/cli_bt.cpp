// velin-cli bt: reads the receiver's Bluetooth name and address, or sets the name, with the
// module's AT commands. The interpreter stays paused while the command runs, so the module's
// replies wait in the receive FIFO for the exchange.
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "base/ansi_codec.h"
#include "base/ui_dispatcher.h"
#include "bluetooth/bluetooth_module.h"
#include "cli.h"
#include "cli_serve_support.h"
#include "interpreter/cmd_thread.h"

namespace velin::cli {
namespace {

constexpr const char* kUsage = "bt name|address|set-name NAME [--config FILE] [--debug]";

constexpr const char* kHelp = R"(NAME
    velin-cli bt - read or set the receiver's Bluetooth name, read its address

SYNOPSIS
    velin-cli bt name [--config FILE] [--debug]
    velin-cli bt address [--config FILE] [--debug]
    velin-cli bt set-name NAME [--config FILE] [--debug]

DESCRIPTION
    Opens the receiver (USB 0483:5720), sends the Bluetooth module one AT command and prints
    what it answered on standard output: the name ("AT+NAME?"), the address ("AT+LBDADDR?"),
    or, for set-name, the module's reply to "AT+NAME=NAME" (the name is sent in GBK). A query
    whose complete reply lacks its value is sent again, up to 5 times. The interpreter is
    paused meanwhile: label bytes that arrive stay unprinted.

    The receiver can be open in one program at a time: stop the service first
    (systemctl --user stop velin).

OPTIONS
    --config FILE   the configuration (default: config.ini beside the program if there is
                    one, else ~/.config/velin/config.ini)
    --debug         trace every byte of the exchange on standard error

EXIT STATUS
    0 the module answered; 1 no receiver, no reply within 2000 ms of a command, or no value
    in 5 replies; 2 bad usage.
)";

constexpr auto kFindReceiverFor = std::chrono::milliseconds(2500);

int Fail(const std::string& message) {
  std::fprintf(stderr, "velin-cli bt: %s\n", message.c_str());
  return kExitFailure;
}

int Run(const std::vector<std::string>& args) {
  std::string action, name, config;
  bool debug = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kHelp, stdout);
      return kExitOk;
    } else if (a == "--config") {
      if (i + 1 == args.size()) return UsageError("bt", "--config needs a value");
      config = args[++i];
    } else if (a == "--debug") {
      debug = true;
    } else if (a.size() > 1 && a[0] == '-') {
      return UsageError("bt", "unknown option '" + a + "'");
    } else if (action.empty()) {
      action = a;
    } else if (action == "set-name" && name.empty()) {
      name = a;
    } else {
      return UsageError("bt", "unexpected argument '" + a + "'");
    }
  }
  if (action != "name" && action != "address" && action != "set-name")
    return UsageError("bt", action.empty() ? "no action" : "unknown action '" + action + "'");
  if (action == "set-name") {
    if (name.empty()) return UsageError("bt", "set-name needs a NAME");
    for (char c : name) {
      if (static_cast<unsigned char>(c) < 32 || c == 127)
        return UsageError("bt", "the name holds a control character");
    }
    if (AnsiToUtf8(Utf8ToAnsi(name)) != name)
      return UsageError("bt", "the name holds characters that GBK cannot carry");
  }

  // The receiver is opened on this thread's behalf by the interpreter's receiver search; the
  // port delivers received blocks through `ui`, drained here.
  QueueDispatcher ui;
  InterpreterServices services;
  services.ui = &ui;
  services.config_path = config.empty() ? ServiceConfigPath() : config;
  auto search = std::make_unique<WatchedDeviceSearch>(CreatePlatformDeviceSearch());
  WatchedDeviceSearch& watched = *search;
  TCPCLCmdThread thread(services, CreatePlatformUsbPort(ui), std::move(search));
  thread.SetBTCmd(true);  // paused from its first pass
  thread.Start();

  auto pump = [&ui] {
    if (ui.Drain() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  };
  const auto give_up = std::chrono::steady_clock::now() + kFindReceiverFor;
  while (!thread.fifo().usbComm->Opened() && std::chrono::steady_clock::now() < give_up) pump();
  if (!thread.fifo().usbComm->Opened()) {
    if (watched.ReceiverListed())
      return Fail(
          "the receiver cannot be opened: no access to it (install the udev rule), or another "
          "program holds it (systemctl --user stop velin)");
    return Fail("no receiver (USB 0483:5720) found");
  }

  BluetoothModule::Services bt;
  bt.fifo = &thread.fifo();
  bt.pump = pump;
  bt.set_paused = [&thread](bool paused) { thread.SetBTCmd(paused); };
  if (debug)
    bt.log = [](const std::string& line) { std::fprintf(stderr, "bt: %s\n", line.c_str()); };
  BluetoothModule module(bt);
  BtResult result = action == "name"      ? module.QueryName()
                    : action == "address" ? module.QueryAddress()
                                          : module.SetName(name);
  if (result.status != BtStatus::kOk) return Fail(DescribeBtStatus(result.status));
  std::string text = result.text;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  std::printf("%s\n", text.c_str());
  return kExitOk;
}

const bool registered = Register({"bt", kUsage, Run}) && RegisterHelp("bt", kHelp);

}  // namespace
}  // namespace velin::cli
