// Windows: the working set, GetProcessHandleCount, and the threads of this process in a
// Toolhelp snapshot.
#include <windows.h>
// After windows.h:
#include <psapi.h>
#include <tlhelp32.h>

#include "process_stats.h"

namespace velin::test {

ProcessStats ReadProcessStats() {
  ProcessStats stats;
  PROCESS_MEMORY_COUNTERS counters{};
  if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
    stats.resident_bytes = static_cast<int64_t>(counters.WorkingSetSize);
  DWORD handles = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &handles)) stats.handles = handles;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot != INVALID_HANDLE_VALUE) {
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int64_t threads = 0;
    const DWORD self = GetCurrentProcessId();
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
      if (entry.th32OwnerProcessID == self) ++threads;
    CloseHandle(snapshot);
    stats.threads = threads;
  }
  return stats;
}

}  // namespace velin::test
