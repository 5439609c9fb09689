// Windows: the working set, the process's handles, and its threads in a Toolhelp snapshot.
// Handles: GetProcessHandleCount; where it reports none (Wine's, which is a stub), the entries
// of the system handle table (NtQuerySystemInformation, SystemHandleInformation) that belong
// to this process.
#include <windows.h>
// After windows.h:
#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <vector>

#include "process_stats.h"

namespace velin::test {
namespace {

// The layout of SystemHandleInformation (class 16), which winternl.h does not spell out.
struct HandleEntry {
  ULONG owner_pid;
  BYTE object_type;
  BYTE flags;
  USHORT value;
  PVOID object;
  ACCESS_MASK access;
};
struct HandleTable {
  ULONG count;
  HandleEntry entries[1];
};

int64_t HandlesInSystemTable() {
  using Query = NTSTATUS(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return -1;
  constexpr ULONG kSystemHandleInformation = 16;
  constexpr NTSTATUS kLengthMismatch = static_cast<NTSTATUS>(0xC0000004);
  std::vector<unsigned char> buffer(1 << 16);
  for (int attempt = 0; attempt < 8; ++attempt) {
    ULONG needed = 0;
    const NTSTATUS status = query(kSystemHandleInformation, buffer.data(),
                                  static_cast<ULONG>(buffer.size()), &needed);
    if (status == kLengthMismatch) {
      buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
      continue;
    }
    if (status < 0) return -1;
    const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
    const ULONG self = GetCurrentProcessId();
    int64_t n = 0;
    for (ULONG i = 0; i < table->count; ++i)
      if (table->entries[i].owner_pid == self) ++n;
    return n;
  }
  return -1;
}

}  // namespace

ProcessStats ReadProcessStats() {
  ProcessStats stats;
  PROCESS_MEMORY_COUNTERS counters{};
  if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
    stats.resident_bytes = static_cast<int64_t>(counters.WorkingSetSize);
  DWORD handles = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &handles) && handles > 0)
    stats.handles = handles;
  else
    stats.handles = HandlesInSystemTable();
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
