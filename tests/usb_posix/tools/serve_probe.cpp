// Measures velin-cli serve as a service runs it: its CPU time and memory while idle, and how
// long a label takes from its last byte to the printed line.
//
//   run-mocked.sh velin_serve_probe idle SECONDS [--receiver]
//       serve with no receiver, or with an idle receiver played with umockdev: after a warm-up
//       of two seconds, the CPU time over SECONDS as a share of one core, and the resident
//       memory (now and at its peak)
//   run-mocked.sh velin_serve_probe latency LABELS PRINTER|--png
//       LABELS small CPCL labels sent to an emulated receiver at random moments, printed on the
//       CUPS queue PRINTER (or as PNG files): for each, the time from its last byte reaching
//       the PC to the "printed" line; min, median and max. The interpreter sleeps 500 ms when
//       the FIFO is empty, so each includes a wait of 0 to 500 ms; the minimum is the cost
//       beyond that wait.
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "usb_posix/service_process.h"
#include "usb_posix/usb_testbed.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// utime + stime of a process, in seconds.
double CpuSeconds(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  long long utime = 0, stime = 0;
  for (int i = 3; fields >> field; ++i) {
    if (i == 14) utime = std::atoll(field.c_str());
    if (i == 15) {
      stime = std::atoll(field.c_str());
      break;
    }
  }
  return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

std::string StatusField(pid_t pid, const std::string& key) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind(key + ":", 0) == 0) return line.substr(key.size() + 1);
  return "?";
}

std::string ScratchDir(const char* name) {
  std::string dir = std::filesystem::temp_directory_path().string() + "/velin-serve-probe-" + name +
                    "-" + std::to_string(getpid());
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  std::ofstream(dir + "/config.ini") << "[system]\r\ntransfer_mode=1\r\n";
  return dir;
}

int Idle(double seconds, bool receiver) {
  velin::test::UsbTestbed bed;
  if (receiver) bed.Plug();
  const std::string dir = ScratchDir("idle");
  velin::test::ServiceProcess serve(dir, "serve", {"serve", "--config", dir + "/config.ini"});
  if (receiver && !serve.WaitForErr("receiver found", 5s)) {
    std::fprintf(stderr, "no receiver found:\n%s", serve.Err().c_str());
    return 1;
  }
  std::this_thread::sleep_for(2s);
  const double cpu0 = CpuSeconds(serve.Pid());
  const auto t0 = Clock::now();
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  const double cpu = CpuSeconds(serve.Pid()) - cpu0;
  const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
  std::printf("serve idle, %s: %.2f s CPU in %.1f s = %.3f %% of one core; RSS%s, peak%s\n",
              receiver ? "idle receiver" : "no receiver", cpu, wall, 100.0 * cpu / wall,
              StatusField(serve.Pid(), "VmRSS").c_str(), StatusField(serve.Pid(), "VmHWM").c_str());
  serve.Signal(SIGTERM);
  return serve.Wait() == 0 ? 0 : 1;
}

int Latency(int labels, const std::string& printer) {
  velin::test::UsbTestbed bed;
  bed.Plug();
  const std::string dir = ScratchDir("latency");
  std::vector<std::string> args = {"serve", "--config", dir + "/config.ini"};
  if (printer == "--png") {
    args.insert(args.end(), {"--png-dir", dir + "/png"});
  } else {
    std::ofstream(dir + "/config.ini")
        << "[system]\r\ntransfer_mode=1\r\nprinter=" << printer << "\r\n";
  }
  velin::test::ServiceProcess serve(dir, "serve", args);
  if (!serve.WaitForErr("receiver found", 5s)) {
    std::fprintf(stderr, "no receiver found:\n%s", serve.Err().c_str());
    return 1;
  }
  const std::string label =
      "! 0 200 200 400 1\r\nBOX 10 10 560 380 3\r\nTEXT 4 0 30 40 SF1400207869121\r\n"
      "B 128 2 1 80 40 150 SF1400207869121\r\nFORM\r\nPRINT\r\n";
  std::mt19937 random(7);
  std::vector<double> ms;
  for (int n = 1; n <= labels; ++n) {
    // A random moment of the interpreter's 500 ms poll, and past the 1000 ms after a PRINT.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100 + random() % 500));
    bed.Send(label);
    while (bed.Unsent() != 0) std::this_thread::sleep_for(100us);
    const auto sent = Clock::now();
    while (velin::test::CountOf(serve.Err(), "printed") < static_cast<size_t>(n)) {
      if (Clock::now() - sent > 10s || !serve.Running()) {
        std::fprintf(stderr, "label %d not printed:\n%s", n, serve.Err().c_str());
        return 1;
      }
      std::this_thread::sleep_for(200us);
    }
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
  }
  std::sort(ms.begin(), ms.end());
  std::printf(
      "last byte to printed line (%s), %d labels: min %.1f ms, median %.1f ms, max %.1f ms; "
      "RSS%s, peak%s\n",
      printer.c_str(), labels, ms.front(), ms[ms.size() / 2], ms.back(),
      StatusField(serve.Pid(), "VmRSS").c_str(), StatusField(serve.Pid(), "VmHWM").c_str());
  serve.Signal(SIGTERM);
  return serve.Wait() == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "idle" && argc >= 3)
    return Idle(std::atof(argv[2]), argc > 3 && std::string(argv[3]) == "--receiver");
  if (mode == "latency" && argc >= 4) return Latency(std::atoi(argv[2]), argv[3]);
  std::fprintf(stderr,
               "usage: velin_serve_probe idle SECONDS [--receiver]\n"
               "       velin_serve_probe latency LABELS PRINTER|--png\n");
  return 2;
}
