// A named pipe standing for the receiver: the port opens its path as it would open the
// receiver's device path, and the test reads and writes the other end.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

namespace velin::test {

class PipeReceiver {
 public:
  // The pipe's path contains the receiver's key, so the receiver match finds it.
  PipeReceiver();
  ~PipeReceiver() { Close(); }
  PipeReceiver(const PipeReceiver&) = delete;
  PipeReceiver& operator=(const PipeReceiver&) = delete;

  const std::string& path() const { return path_; }
  // Creates the pipe instance anew under the same path (after Close).
  void Listen(DWORD buffer_size = 65536);
  // Sends the bytes to the port as one write; returns once the pipe took them.
  void Send(const std::string& bytes);
  // One write of the bytes; false if the pipe refused it (the port's end is closed).
  bool TrySend(const std::string& bytes);
  // Reads exactly n bytes that the port wrote (fails the test on error).
  std::string Receive(size_t n);
  // Unplugs the receiver: the port's reads fail from now on.
  void Close();

 private:
  std::string path_;
  HANDLE pipe_ = INVALID_HANDLE_VALUE;
};

// Dispatches the calling thread's messages until `done` holds or `timeout` passes; returns
// `done()`.
bool PumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Waits without dispatching messages.
bool WaitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Bytes 0..255 repeated, offset by `seed`, so that reordering or loss shows.
std::string Pattern(size_t n, unsigned seed);

}  // namespace velin::test
