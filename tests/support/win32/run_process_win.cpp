#include <windows.h>

#include <algorithm>

#include "base/win32/wide_win.h"
#include "support/run_process.h"

namespace velin::test {
namespace {

// One argument quoted so that the C runtime's command-line parser gives it back unchanged:
// backslashes are literal unless they precede a quote.
std::wstring Quoted(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') backslashes = backslashes * 2 + 1;
    out.append(backslashes, L'\\');
    backslashes = 0;
    out.push_back(c);
  }
  out.append(backslashes * 2, L'\\');
  out.push_back(L'"');
  return out;
}

struct Handle {
  HANDLE h = nullptr;
  ~Handle() {
    if (h != nullptr && h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};

}  // namespace

std::string VelinCliPath() { return std::string(VELIN_BINARY_DIR) + "/src/app/velin-cli.exe"; }

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args) {
  ProcessResult result;
  // The build's paths are written with forward slashes; the loader wants a full DOS path.
  std::wstring path = Utf8ToWide(program);
  std::replace(path.begin(), path.end(), L'/', L'\\');
  wchar_t full[MAX_PATH];
  DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
  if (length == 0 || length >= MAX_PATH) return result;
  std::wstring command = Quoted(full);
  for (const std::string& arg : args) command += L" " + Quoted(Utf8ToWide(arg));

  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  Handle read_end, write_end, null_device, err_file;
  if (!CreatePipe(&read_end.h, &write_end.h, &inherit, 0)) return result;
  SetHandleInformation(read_end.h, HANDLE_FLAG_INHERIT, 0);
  null_device.h =
      CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  &inherit, OPEN_EXISTING, 0, nullptr);
  // Standard error goes to a temporary file of its own, read once the program has ended, so
  // that neither stream can block the other.
  wchar_t temp_dir[MAX_PATH], err_path[MAX_PATH];
  if (GetTempPathW(MAX_PATH, temp_dir) == 0 || GetTempFileNameW(temp_dir, L"vel", 0, err_path) == 0)
    return result;
  err_file.h = CreateFileW(err_path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                           nullptr);
  if (err_file.h == INVALID_HANDLE_VALUE) return result;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = null_device.h;
  startup.hStdOutput = write_end.h;
  startup.hStdError = err_file.h;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(full, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &process))
    return result;
  Handle process_handle{process.hProcess}, thread_handle{process.hThread};
  CloseHandle(write_end.h);  // the child holds the only write end now: EOF when it ends
  write_end.h = nullptr;
  char buffer[4096];
  DWORD n = 0;
  while (ReadFile(read_end.h, buffer, sizeof buffer, &n, nullptr) && n > 0)
    result.out.append(buffer, n);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  if (GetExitCodeProcess(process.hProcess, &code)) result.exit_code = static_cast<int>(code);
  SetFilePointer(err_file.h, 0, nullptr, FILE_BEGIN);
  while (ReadFile(err_file.h, buffer, sizeof buffer, &n, nullptr) && n > 0) result.err.append(buffer, n);
  return result;
}

}  // namespace velin::test
