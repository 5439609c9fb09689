// velin-cli serve: the bridge as a Linux service. Runs the interpreter with the real receiver
// search and port until SIGINT or SIGTERM, printing each label on the bound CUPS printer (or
// as a PNG), and tells every change of state on standard error, one line each.
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

#include "base/ui_dispatcher.h"
#include "cli.h"
#include "cli_serve_support.h"
#include "config/ini_file.h"
#include "interpreter/cmd_thread.h"
#include "interpreter/printer_png_sink.h"
#include "interpreter/printing.h"
#include "usb/usb_port.h"

namespace velin::cli {
namespace {

constexpr const char* kUsage =
    "serve [--config FILE] [--png-dir DIR] [--debug] [--capture FILE] "
    "[--dialect default|printer]";

constexpr const char* kHelp = R"(NAME
    velin-cli serve - run the label bridge: print what the Bluetooth receiver sends

SYNOPSIS
    velin-cli serve [--config FILE] [--png-dir DIR] [--debug] [--capture FILE]
                    [--dialect default|printer]

DESCRIPTION
    Looks for the receiver (USB 0483:5720) twice a second, opens it when it is plugged in and
    closes it when it goes. Interprets what arrives as the configuration's transfer mode says
    (CPCL, TSPL or pass-through), answers the phone's status queries, and prints each label
    on the printer [system] printer names (a CUPS queue; the default queue when empty or
    unknown). Runs until SIGINT or SIGTERM, then stops the interpreter and exits 0.

    One line per event goes to standard error: receiver found, gone, or present but not
    usable; each label printed with its printer and page size; each raw job; each failure with
    its reason; problems of the configuration, at start and again with each job. Under
    systemd each line carries its priority for the journal (journalctl --user -u velin).

    Nothing is written besides the print jobs, the PNG files of --png-dir and the capture of
    --capture. The transfer mode is read once, at start; the printer at each job.

OPTIONS
    --config FILE      the configuration (default: config.ini beside the program if there is
                       one, else ~/.config/velin/config.ini). A missing or unreadable file
                       means the defaults: CPCL and the default printer.
    --png-dir DIR      write each label as DIR/label-NNNNNN.png (one pixel per dot) and each
                       raw job as DIR/raw-NNN.bin instead of printing
    --debug            also log every command line received and every failing command
    --capture FILE     on exit, write every byte received, exactly, to FILE
    --dialect NAME     read labels as this program does (default) or as label printers do
                       (printer); default: the configuration's [system] label_dialect

EXIT STATUS
    0 after a stop by signal; 2 bad usage.
)";

constexpr const char* kPngSinkName = "velin-png";

// The dispatcher of the service's main thread: a queue whose posts wake the thread's poll().
class WakingDispatcher final : public UiDispatcher {
 public:
  WakingDispatcher() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
  ~WakingDispatcher() override {
    if (fd_ >= 0) close(fd_);
  }
  void Post(std::function<void()> message) override {
    queue_.Post(std::move(message));
    const uint64_t one = 1;
    if (fd_ >= 0) (void)!write(fd_, &one, sizeof one);
  }
  int fd() const { return fd_; }
  size_t Drain() {
    uint64_t count;
    if (fd_ >= 0) (void)!read(fd_, &count, sizeof count);
    return queue_.Drain();
  }

 private:
  int fd_;
  QueueDispatcher queue_;
};

// The PNG sink, its pages named label-NNNNNN.png.
class LabelPngSink final : public PngSinkPrinterSystem {
 public:
  LabelPngSink(const std::string& dir, std::function<Size()> page_size)
      : PngSinkPrinterSystem(dir, kPngSinkName, std::move(page_size)), dir_(dir) {}
  void PrintPage(const std::string& printer,
                 const std::function<void(PrinterPage&)>& draw) override {
    PngSinkPrinterSystem::PrintPage(printer, draw);
    namespace fs = std::filesystem;
    for (;;) {
      char name[32];
      std::snprintf(name, sizeof name, "label-%06d.png", ++number_);
      fs::path target = fs::path(dir_) / name;
      std::error_code error;
      if (fs::exists(target, error)) continue;
      fs::rename(last_file(), target, error);
      if (error) throw std::runtime_error("Cannot write " + target.string());
      return;
    }
  }

 private:
  std::string dir_;
  int number_ = 0;
};

struct Options {
  std::string config;
  std::string png_dir;
  std::string capture;
  bool debug = false;
  std::optional<LabelDialect> dialect;
};

// What is wrong with the configuration as it stands now; empty when nothing is.
std::vector<std::string> ConfigProblems(const std::string& path, PrinterSystem* printers,
                                        bool png) {
  std::vector<std::string> problems;
  std::error_code error;
  if (!std::filesystem::exists(path, error)) {
    problems.push_back("config " + path + " not found: defaults in use (CPCL, default printer)");
    return problems;
  }
  if (access(path.c_str(), R_OK) != 0) {
    problems.push_back("config " + path + " cannot be read (" + std::strerror(errno) +
                       "): defaults in use (CPCL, default printer)");
    return problems;
  }
  if (png || printers == nullptr) return problems;
  const std::string printer = OpenIniFile(path)->ReadString("system", "printer", "");
  if (printer.empty()) return problems;
  std::vector<std::string> installed;
  try {
    installed = printers->InstalledPrinters();
  } catch (const std::exception& e) {
    problems.push_back(std::string("printers cannot be listed: ") + e.what());
    return problems;
  }
  const bool known = std::any_of(installed.begin(), installed.end(), [&](const std::string& p) {
    return p.size() == printer.size() &&
           std::equal(p.begin(), p.end(), printer.begin(), [](char a, char b) {
             return std::tolower(static_cast<unsigned char>(a)) ==
                    std::tolower(static_cast<unsigned char>(b));
           });
  });
  if (!known) {
    std::string list;
    for (const std::string& p : installed) list += (list.empty() ? "" : ", ") + p;
    problems.push_back("printer \"" + printer + "\" ([system] printer in " + path +
                       ") is not installed; installed: " + (list.empty() ? "none" : list));
  }
  return problems;
}

bool ParseOptions(const std::vector<std::string>& args, Options& out, int& exit_code) {
  auto fail = [&](const std::string& message) {
    exit_code = UsageError("serve", message);
    return false;
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kHelp, stdout);
      exit_code = kExitOk;
      return false;
    }
    if (a == "--debug") {
      out.debug = true;
      continue;
    }
    if (a != "--config" && a != "--png-dir" && a != "--capture" && a != "--dialect")
      return fail(a.size() > 1 && a[0] == '-' ? "unknown option '" + a + "'"
                                              : "unexpected argument '" + a + "'");
    if (i + 1 == args.size()) return fail(a + " needs a value");
    const std::string& value = args[++i];
    if (a == "--config") {
      out.config = value;
    } else if (a == "--png-dir") {
      out.png_dir = value;
    } else if (a == "--capture") {
      out.capture = value;
    } else if (value == "default" || value == "printer") {
      out.dialect = ParseLabelDialect(value);
    } else {
      return fail("unknown dialect '" + value + "'");
    }
  }
  return true;
}

const char* ModeName(int32_t mode) {
  switch (mode) {
    case kPassThrough:
      return "pass-through";
    case kCpcl:
      return "CPCL";
    case kTspl:
      return "TSPL";
  }
  return "none (unknown transfer_mode: nothing is taken)";
}

int Run(const std::vector<std::string>& args) {
  Options options;
  int exit_code = kExitOk;
  if (!ParseOptions(args, options, exit_code)) return exit_code;
  if (options.config.empty()) options.config = ServiceConfigPath();
  if (!options.png_dir.empty()) {
    std::error_code error;
    std::filesystem::create_directories(options.png_dir, error);
    if (!std::filesystem::is_directory(options.png_dir))
      return UsageError("serve", "cannot create directory '" + options.png_dir + "'");
  }

  // SIGINT and SIGTERM are taken here, by the main thread, through a signalfd; every thread
  // started from now on inherits the block, so no device call is interrupted half-way.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
  signal(SIGPIPE, SIG_IGN);
  const int signal_fd = signalfd(-1, &stop_signals, SFD_CLOEXEC);
  if (signal_fd < 0) {
    std::fprintf(stderr, "velin-cli serve: signalfd: %s\n", std::strerror(errno));
    return kExitFailure;
  }

  WakingDispatcher ui;
  StoppableClock clock;
  TCPCLCmdThread* thread = nullptr;
  std::unique_ptr<PrinterSystem> printers;
  if (options.png_dir.empty())
    printers = PlatformPrinterSystem();
  else
    printers = std::make_unique<LabelPngSink>(options.png_dir, [&thread] {
      return Size{thread->page().Width(), thread->page().Height()};
    });
  const bool png = !options.png_dir.empty();

  InterpreterServices services;
  services.clock = &clock;
  services.ui = &ui;
  services.printers = printers.get();
  services.config_path = options.config;
  if (png) services.bound_printer = kPngSinkName;
  // A raw job's "error NNNN" box has nobody to show it to: its failed report is logged.
  services.message_box = [](const std::string&) {};
  auto search = std::make_unique<WatchedDeviceSearch>(CreatePlatformDeviceSearch());
  WatchedDeviceSearch& watched = *search;

  // Receiver state, told once per change.
  enum class Receiver { kUnknown, kAbsent, kUnusable, kOpen } receiver = Receiver::kUnknown;
  services.main_window = [&](const TThreadData& data) {
    Receiver now = data.USBState              ? Receiver::kOpen
                   : watched.ReceiverListed() ? Receiver::kUnusable
                                              : Receiver::kAbsent;
    if (now == receiver) return;
    if (now == Receiver::kOpen)
      LogLine(LogLevel::kInfo, "receiver found: " + watched.ReceiverPath());
    else if (now == Receiver::kUnusable)
      LogLine(LogLevel::kError, "receiver present but cannot be opened: " + watched.ReceiverPath() +
                                    " (no access: install the udev rule and plug it in again; "
                                    "or another program holds it)");
    else if (receiver == Receiver::kUnknown)
      LogLine(LogLevel::kInfo, "waiting for the receiver (USB 0483:5720)");
    else
      LogLine(LogLevel::kWarning, "receiver gone");
    receiver = now;
  };
  if (options.debug)
    services.debug_window = [](const TDebugData& data) {
      LogLine(LogLevel::kDebug, "debug: " + data.MsgStr);
    };
  // On the interpreter thread, after each print call.
  services.on_print = [&](const PrintReport& report) {
    LogLine(report.ok ? LogLevel::kInfo : LogLevel::kError, DescribePrint(report));
    if (thread != nullptr && !thread->report().Empty()) {
      // A failed print command is counted after this call returns, and the line above tells
      // it already: its entry would only follow the next label.
      std::string summary;
      for (const std::string& line : thread->report().Lines()) {
        if (line.rfind("failed: CMD_PRINT ", 0) == 0 ||
            line.rfind("failed: CMD_TSPL_PRINT ", 0) == 0)
          continue;
        summary += (summary.empty() ? "" : "; ") + line;
      }
      if (!summary.empty()) LogLine(LogLevel::kWarning, "label commands " + summary);
      thread->report().Reset();
    }
    for (const std::string& problem : ConfigProblems(options.config, printers.get(), png))
      LogLine(LogLevel::kWarning, problem);
  };

  auto interpreter =
      std::make_unique<TCPCLCmdThread>(services, CreatePlatformUsbPort(ui), std::move(search));
  thread = interpreter.get();
  if (options.dialect) thread->SetDialect(*options.dialect);
  if (options.debug || !options.capture.empty()) thread->fifo().StartDebug();
  LogLine(LogLevel::kInfo,
          std::string("serving: ") + ModeName(thread->CmdMode()) + ", " +
              (png ? "PNG files in " + options.png_dir : "config " + options.config));
  for (const std::string& problem : ConfigProblems(options.config, printers.get(), png))
    LogLine(LogLevel::kWarning, problem);
  thread->Start();

  // The main thread: runs what the port and the interpreter post, until a stop signal.
  int stop_signal = 0;
  while (stop_signal == 0) {
    pollfd fds[2] = {{signal_fd, POLLIN, 0}, {ui.fd(), POLLIN, 0}};
    if (poll(fds, 2, -1) < 0 && errno != EINTR) {
      LogLine(LogLevel::kError, std::string("poll: ") + std::strerror(errno));
      break;
    }
    if (fds[1].revents & POLLIN) ui.Drain();
    if (fds[0].revents & POLLIN) {
      signalfd_siginfo info;
      if (read(signal_fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
        stop_signal = static_cast<int>(info.ssi_signo);
    }
  }
  LogLine(LogLevel::kInfo,
          std::string("stopping on ") + (stop_signal == SIGINT ? "SIGINT" : "SIGTERM"));
  thread->Terminate();
  clock.Stop();
  ui.Drain();  // blocks received so far reach the FIFO and the capture
  if (!options.capture.empty()) {
    const size_t bytes = thread->fifo().capture().size();
    try {
      thread->fifo().SaveData(options.capture);
      LogLine(LogLevel::kInfo,
              "capture of " + std::to_string(bytes) + " bytes written to " + options.capture);
    } catch (const std::exception& e) {
      LogLine(LogLevel::kError, std::string("capture not written: ") + e.what());
    }
  }
  interpreter.reset();  // joins the interpreter, then closes the receiver
  ui.Drain();
  close(signal_fd);
  LogLine(LogLevel::kInfo, TCPCLCmdThread::kStopLine);
  return kExitOk;
}

const bool registered = Register({"serve", kUsage, Run}) && RegisterHelp("serve", kHelp);

}  // namespace
}  // namespace velin::cli
