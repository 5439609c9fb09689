// The program reaches nothing but the receiver, its configuration, the files it was told to
// write and the print spool. velin-cli runs its commands (the service among them) under
// strace: every socket it makes must be a local (AF_UNIX) one or the kernel's device-event
// socket (AF_NETLINK, which libusb listens on for plugged devices), connected only to the CUPS server's socket, the name service
// cache or the system bus (libcups asks the system's DNS-SD service there for printers);
// nothing binds, listens or accepts; and every file it creates, truncates,
// renames, removes or opens for writing lies in the folders the test gave it.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_process.h"
#include "support/test_paths.h"

namespace velin::test {
namespace {

bool HaveStrace() { return RunProcess("/usr/bin/strace", {"-V"}).exit_code == 0; }

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// What the trace shows that the program must not do; empty when nothing.
std::vector<std::string> Violations(const std::string& trace,
                                    const std::vector<std::string>& writable) {
  static const std::regex kSocket(R"(socket\((AF_\w+|PF_\w+))");
  static const std::regex kConnect(R"(connect\(\d+, \{sa_family=(AF_\w+)(?:, sun_path=\"([^\"]*)\")?)");
  static const std::regex kServer(R"(\b(bind|listen|accept4?)\()");
  static const std::regex kOpen(R"((?:openat\([^,]+, |creat\(|open\()\"([^\"]*)\"(?:, ([A-Z_|]+))?)");
  static const std::regex kChange(R"(\b(unlink|unlinkat|rename|renameat2?|mkdir|mkdirat)\((?:[^\"]*)\"([^\"]*)\")");
  const std::vector<std::string> local_servers = {
      "/run/cups/cups.sock",         "/var/run/cups/cups.sock",
      "/run/nscd/socket",            "/var/run/nscd/socket",
      "/run/dbus/system_bus_socket", "/var/run/dbus/system_bus_socket"};
  auto inside = [&writable](const std::string& path) {
    if (path == "/dev/null") return true;
    for (const std::string& dir : writable)
      if (path.compare(0, dir.size(), dir) == 0) return true;
    return false;
  };
  constexpr size_t npos = std::string::npos;
  std::vector<std::string> bad;
  std::istringstream lines(trace);
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (std::regex_search(line, m, kSocket) && m[1] != "AF_UNIX" && m[1] != "PF_LOCAL" &&
        m[1] != "AF_LOCAL" && m[1] != "PF_UNIX" && m[1] != "AF_NETLINK" && m[1] != "PF_NETLINK")
      bad.push_back(line);
    else if (std::regex_search(line, m, kConnect) &&
             (m[1] != "AF_UNIX" ||
              std::find(local_servers.begin(), local_servers.end(), m[2].str()) ==
                  local_servers.end()))
      bad.push_back(line);
    else if (std::regex_search(line, m, kServer) && line.find("sa_family=AF_NETLINK") == npos)
      bad.push_back(line);
    else if (std::regex_search(line, m, kOpen)) {
      const std::string flags = m[2].matched ? m[2].str() : "";
      const bool writes = line.find("creat(") != std::string::npos ||
                          flags.find("O_WRONLY") != std::string::npos ||
                          flags.find("O_RDWR") != std::string::npos ||
                          flags.find("O_CREAT") != std::string::npos ||
                          flags.find("O_TRUNC") != std::string::npos;
      if (writes && !inside(m[1])) bad.push_back(line);
    } else if (std::regex_search(line, m, kChange) && !inside(m[2])) {
      bad.push_back(line);
    }
  }
  return bad;
}

TEST(NothingListens, TheCommandLineToolTouchesOnlyWhatItWasGiven) {
  if (!HaveStrace()) GTEST_SKIP() << "strace is not installed (scripts/packages)";
  const std::string dir = ScratchDir();
  const std::string config = dir + "/config/config.ini";
  const std::string out = dir + "/out";
  RunProcess("/bin/mkdir", {"-p", dir + "/config", out});
  std::ofstream(config, std::ios::binary) << "[system]\r\ntransfer_mode=1\r\n";
  const std::string label = dir + "/label.cpcl";
  std::ofstream(label, std::ios::binary)
      << "! 0 200 200 240 1\r\nT 4 0 10 10 Hello\r\nB 128 1 1 40 10 60 AB12\r\n"
         "B QR 200 10 M 2 U 4\r\nMA,QR\r\nENDQR\r\nPRINT\r\n";
  const struct {
    const char* what;
    std::vector<std::string> args;
    int seconds = 0;  // a service: stopped with SIGTERM after this long
  } runs[] = {
      // The service: its receiver search (libusb, with the kernel's uevent socket), the
      // interpreter, PNG output and the capture, until SIGTERM.
      {"serve",
       {"serve", "--config", config, "--png-dir", out, "--capture", out + "/capture.bin",
        "--debug"},
       3},
      {"render", {"render", "--config", config, label, "-o", out}},
      // Printing asks the CUPS server, through its socket, whether the queue exists.
      {"print to a queue", {"print", "--printer", "velin-capture", "--config", config, label}},
      {"raw job", {"print", "--mode", "passthrough", "--printer", "velin-capture", "--config",
                   config, label}},
  };
  for (const auto& run : runs) {
    SCOPED_TRACE(run.what);
    const std::string trace = dir + "/trace-" + std::to_string(&run - runs) + ".txt";
    std::vector<std::string> args = {"-f", "-qq", "-o", trace,
                                     "-e", "trace=network,open,openat,creat,rename,renameat,"
                                           "renameat2,unlink,unlinkat,mkdir,mkdirat",
                                     };
    if (run.seconds > 0)
      args.insert(args.end(), {"/usr/bin/timeout", "-s", "TERM", std::to_string(run.seconds)});
    args.push_back(VelinCliPath());
    args.insert(args.end(), run.args.begin(), run.args.end());
    const ProcessResult result = RunProcess("/usr/bin/strace", args);
    ASSERT_NE(result.exit_code, -1) << result.err;
    const std::string text = ReadText(trace);
    ASSERT_FALSE(text.empty());
    const std::vector<std::string> bad = Violations(text, {out + "/", dir + "/config/"});
    EXPECT_TRUE(bad.empty()) << testing::PrintToString(bad);
  }
}

// The checker itself, on lines as strace writes them: it must see what it is there to see.
TEST(NothingListens, TheTraceCheckFindsSocketsServersAndStrayWrites) {
  const struct {
    std::string line;
    bool bad;
  } rows[] = {
      {"123 socket(AF_UNIX, SOCK_STREAM|SOCK_CLOEXEC, 0) = 3", false},
      {"123 connect(3, {sa_family=AF_UNIX, sun_path=\"/run/cups/cups.sock\"}, 110) = 0", false},
      {"123 socket(AF_INET, SOCK_STREAM, IPPROTO_TCP) = 4", true},
      {"123 socket(AF_INET6, SOCK_DGRAM, IPPROTO_IP) = 4", true},
      {"123 connect(3, {sa_family=AF_UNIX, sun_path=\"/tmp/.X11-unix/X0\"}, 110) = 0", true},
      {"123 connect(3, {sa_family=AF_INET, sin_port=htons(631), sin_addr=inet_addr(\"127.0.0.1\")"
       "}, 16) = 0",
       true},
      {"123 bind(3, {sa_family=AF_UNIX, sun_path=\"/tmp/x\"}, 110) = 0", true},
      {"123 listen(3, 5) = 0", true},
      {"123 socket(AF_NETLINK, SOCK_RAW|SOCK_CLOEXEC|SOCK_NONBLOCK, NETLINK_KOBJECT_UEVENT) = 5",
       false},
      {"123 bind(5, {sa_family=AF_NETLINK, nl_pid=0, nl_groups=0x00000001}, 12) = 0", false},
      {"123 openat(AT_FDCWD, \"/etc/cups/client.conf\", O_RDONLY) = 3", false},
      {"123 openat(AT_FDCWD, \"/given/out/page1.png\", O_WRONLY|O_CREAT|O_TRUNC, 0666) = 3",
       false},
      {"123 openat(AT_FDCWD, \"/home/user/.cache/x\", O_WRONLY|O_CREAT, 0666) = 3", true},
      {"123 openat(AT_FDCWD, \"/given/outside\", O_RDWR) = 3", true},
      {"123 unlink(\"/tmp/other\") = 0", true},
      {"123 rename(\"/given/out/a\", \"/given/out/b\") = 0", false},
  };
  for (const auto& row : rows)
    EXPECT_EQ(Violations(row.line, {"/given/out/"}).empty(), !row.bad) << row.line;
}

}  // namespace
}  // namespace velin::test
