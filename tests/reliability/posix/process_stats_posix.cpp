// Linux: /proc/self/statm for the resident pages, /proc/self/fd for the descriptors,
// /proc/self/task for the threads.
#include <dirent.h>
#include <unistd.h>

#include <fstream>

#include "process_stats.h"

namespace velin::test {
namespace {

int64_t CountEntries(const char* dir) {
  DIR* d = ::opendir(dir);
  if (!d) return -1;
  int64_t n = 0;
  while (const dirent* e = ::readdir(d))
    if (e->d_name[0] != '.') ++n;
  ::closedir(d);
  return n - (std::string(dir) == "/proc/self/fd" ? 1 : 0);  // the listing's own descriptor
}

}  // namespace

ProcessStats ReadProcessStats() {
  ProcessStats stats;
  std::ifstream statm("/proc/self/statm");
  int64_t size = 0, resident = 0;
  if (statm >> size >> resident) stats.resident_bytes = resident * ::sysconf(_SC_PAGESIZE);
  stats.handles = CountEntries("/proc/self/fd");
  stats.threads = CountEntries("/proc/self/task");
  return stats;
}

}  // namespace velin::test
