#include "usb_win/pipe_receiver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "base/win32/wide_win.h"

namespace velin::test {

PipeReceiver::PipeReceiver() {
  static std::atomic<int> counter{0};
  path_ = "\\\\.\\pipe\\velin-test#vid_0483&pid_5720#" + std::to_string(GetCurrentProcessId()) +
          "-" + std::to_string(counter++);
  Listen();
}

void PipeReceiver::Listen(DWORD buffer_size) {
  Close();
  pipe_ = CreateNamedPipeW(Utf8ToWide(path_).c_str(), PIPE_ACCESS_DUPLEX,
                           PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, buffer_size,
                           buffer_size, 0, nullptr);
  ASSERT_NE(pipe_, INVALID_HANDLE_VALUE) << "CreateNamedPipeW error " << GetLastError();
}

void PipeReceiver::Send(const std::string& bytes) {
  ConnectNamedPipe(pipe_, nullptr);  // the port connected first: ERROR_PIPE_CONNECTED
  size_t sent = 0;
  while (sent < bytes.size()) {
    DWORD n = 0;
    ASSERT_TRUE(
        WriteFile(pipe_, bytes.data() + sent, static_cast<DWORD>(bytes.size() - sent), &n, nullptr))
        << "WriteFile error " << GetLastError();
    sent += n;
  }
}

bool PipeReceiver::TrySend(const std::string& bytes) {
  DWORD n = 0;
  return WriteFile(pipe_, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr) != FALSE;
}

std::string PipeReceiver::Receive(size_t n) {
  ConnectNamedPipe(pipe_, nullptr);
  std::string out(n, '\0');
  size_t got = 0;
  while (got < n) {
    DWORD chunk = 0;
    if (!ReadFile(pipe_, out.data() + got, static_cast<DWORD>(n - got), &chunk, nullptr)) {
      ADD_FAILURE() << "ReadFile error " << GetLastError() << " after " << got << " bytes";
      break;
    }
    got += chunk;
  }
  out.resize(got);
  return out;
}

void PipeReceiver::Close() {
  if (pipe_ == INVALID_HANDLE_VALUE) return;
  DisconnectNamedPipe(pipe_);
  CloseHandle(pipe_);
  pipe_ = INVALID_HANDLE_VALUE;
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
  return true;
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

std::string Pattern(size_t n, unsigned seed) {
  std::string out(n, '\0');
  for (size_t i = 0; i < n; ++i) out[i] = static_cast<char>((i * 7 + seed) & 0xFF);
  return out;
}

}  // namespace velin::test
