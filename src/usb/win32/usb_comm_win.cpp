// TUSBComm and TReadThread over overlapped file I/O, kernel events and a hidden message window.
#include "usb/win32/usb_comm_win.h"

#include <process.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <stdexcept>
#include <vector>

#include "base/win32/wide_win.h"
#include "usb/usb_info.h"

namespace velin {
namespace {

// Bytes of block copies that read threads allocated and nobody has freed yet, process-wide.
std::atomic<size_t> g_unfreed_block_bytes{0};

// A block's copy: its bytes followed by a zero byte, as the window receives it.
uint8_t* NewBlock(const uint8_t* bytes, DWORD n) {
  auto* copy = static_cast<uint8_t*>(LocalAlloc(LMEM_ZEROINIT, n + 1));
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, bytes, n);
  copy[n] = 0;
  g_unfreed_block_bytes.fetch_add(n);
  return copy;
}

void FreeBlock(void* copy, size_t n) {
  LocalFree(copy);
  g_unfreed_block_bytes.fetch_sub(n);
}

}  // namespace

// Reads the device into a buffer on its own stack and posts every completed block to the
// port's window. It touches only its copies of the handles.
class TReadThread {
 public:
  static constexpr DWORD kBufferSize = 4096;

  TReadThread(HANDLE comm_file, HANDLE close_event, HWND comm_window,
              std::atomic<size_t>& pending_bytes)
      : hCommFile(comm_file),
        hCloseEvent(close_event),
        hComm32Window(comm_window),
        pending_bytes_(pending_bytes) {}
  // Freeing the thread object waits until the thread has ended.
  ~TReadThread() {
    if (thread_ == nullptr) return;
    Terminated.store(true);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
  }
  TReadThread(const TReadThread&) = delete;
  TReadThread& operator=(const TReadThread&) = delete;

  // Creates the thread suspended; false if that fails.
  bool Create() {
    thread_ = reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, &TReadThread::ThreadProc, this, CREATE_SUSPENDED, nullptr));
    return thread_ != nullptr;
  }
  // One step below time-critical, then running.
  void Start() {
    SetThreadPriority(thread_, THREAD_PRIORITY_HIGHEST);
    ResumeThread(thread_);
  }
  // True once the thread has ended (waits at most `ms`).
  bool WaitFor(DWORD ms) const { return WaitForSingleObject(thread_, ms) == WAIT_OBJECT_0; }
  void Terminate() { Terminated.store(true); }

 private:
  static unsigned __stdcall ThreadProc(void* self) {
    static_cast<TReadThread*>(self)->Execute();
    return 0;
  }

  void Execute() {
    uint8_t InputBuffer[kBufferSize];
    DWORD NumberOfBytesRead = 0;
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    if (overlapped.hEvent == nullptr) return;
    HANDLE handles[2] = {hCloseEvent, overlapped.hEvent};
    bool outstanding = SetupReadEvent(&overlapped, InputBuffer, kBufferSize, &NumberOfBytesRead);
    while (outstanding && !Terminated.load()) {
      DWORD signalled = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
      if (signalled != WAIT_OBJECT_0 + 1) break;  // the stop event, or the wait failed
      outstanding = HandleReadEvent(&overlapped, InputBuffer, kBufferSize, &NumberOfBytesRead) &&
                    SetupReadEvent(&overlapped, InputBuffer, kBufferSize, &NumberOfBytesRead);
    }
    if (outstanding) {
      // The platform must be done with the buffer and the record on this stack before the
      // thread leaves: cancel the read and wait for it to finish.
      CancelIoEx(hCommFile, &overlapped);
      DWORD ignored = 0;
      GetOverlappedResult(hCommFile, &overlapped, &ignored, TRUE);
    }
    CloseHandle(overlapped.hEvent);
  }

  // Starts reads until one is outstanding (true), handling those that complete at once.
  // False on a read error, a failed hand-over, or when the stop event is set.
  bool SetupReadEvent(OVERLAPPED* lpOverlappedRead, uint8_t* lpszInputBuffer, DWORD dwSizeofBuffer,
                      DWORD* lpnNumberOfBytesRead) {
    while (WaitForSingleObject(hCloseEvent, 0) != WAIT_OBJECT_0) {
      if (ReadFile(hCommFile, lpszInputBuffer, dwSizeofBuffer, lpnNumberOfBytesRead,
                   lpOverlappedRead)) {
        DWORD n = 0;
        if (!GetOverlappedResult(hCommFile, lpOverlappedRead, &n, FALSE)) return false;
        if (!HandleReadData(lpszInputBuffer, n)) return false;
        continue;
      }
      return GetLastError() == ERROR_IO_PENDING;
    }
    return false;
  }

  bool HandleReadEvent(OVERLAPPED* lpOverlappedRead, uint8_t* lpszInputBuffer, DWORD dwSizeofBuffer,
                       DWORD* lpnNumberOfBytesRead) {
    if (!GetOverlappedResult(hCommFile, lpOverlappedRead, lpnNumberOfBytesRead, FALSE))
      return false;
    return HandleReadData(lpszInputBuffer, std::min(*lpnNumberOfBytesRead, dwSizeofBuffer));
  }

  bool HandleReadData(const uint8_t* lpszInputBuffer, DWORD dwSizeofBuffer) {
    if (dwSizeofBuffer == 0) return true;
    // Blocks the window has not taken yet are bounded: past the limit a block is dropped.
    if (pending_bytes_.load() + dwSizeofBuffer > TUSBComm::kMaxPendingBytes) return true;
    uint8_t* copy = NewBlock(lpszInputBuffer, dwSizeofBuffer);
    if (copy == nullptr) return false;
    ReceiveData(copy, dwSizeofBuffer);
    return true;
  }

  // Posts the block; a block that cannot be posted is dropped and its copy freed.
  BOOL ReceiveData(uint8_t* lpNewAnsiString, DWORD dwSizeofNewAnsiString) {
    pending_bytes_.fetch_add(dwSizeofNewAnsiString);
    if (PostMessageW(hComm32Window, WM_COMM_DATA, dwSizeofNewAnsiString,
                     reinterpret_cast<LPARAM>(lpNewAnsiString)))
      return TRUE;
    pending_bytes_.fetch_sub(dwSizeofNewAnsiString);
    FreeBlock(lpNewAnsiString, dwSizeofNewAnsiString);
    return FALSE;
  }

  HANDLE hCommFile;
  HANDLE hCloseEvent;
  HWND hComm32Window;
  std::atomic<size_t>& pending_bytes_;
  HANDLE thread_ = nullptr;
  std::atomic<bool> Terminated{false};
};

namespace {

constexpr wchar_t kWindowClass[] = L"VelinUSBCommWindow";

}  // namespace

TUSBComm::TUSBComm() : FCreatorThread(GetCurrentThreadId()) {
  static std::once_flag registered;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  std::call_once(registered, [instance] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &TUSBComm::CommWndProc;
    wc.hInstance = instance;
    wc.lpszClassName = kWindowClass;
    RegisterClassExW(&wc);
  });
  FHWnd =
      CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, this);
  if (FHWnd == nullptr) throw std::runtime_error("Unable to create the USB port window");
}

TUSBComm::~TUSBComm() {
  const DWORD current = GetCurrentThreadId();
  if (current != FCreatorThread) {
    // The window can be drained and destroyed only on its own thread: carrying on would leak
    // it and the blocks queued for it, and leave them to a window procedure whose port is gone.
    char message[160];
    std::snprintf(message, sizeof message,
                  "TUSBComm destroyed on thread %lu, but it was created on thread %lu\n",
                  static_cast<unsigned long>(current), static_cast<unsigned long>(FCreatorThread));
    OutputDebugStringA(message);
    std::fputs(message, stderr);
    std::fflush(stderr);
    std::abort();
  }
  // The read thread ends first, so nothing is posted after the queue has been drained.
  StopComm();
  MSG msg;
  while (PeekMessageW(&msg, FHWnd, WM_COMM_DATA, WM_COMM_DATA, PM_REMOVE)) {
    FPendingBytes.fetch_sub(static_cast<size_t>(msg.wParam));
    FreeBlock(reinterpret_cast<void*>(msg.lParam), static_cast<size_t>(msg.wParam));
  }
  OnReceiveData = nullptr;
  SetWindowLongPtrW(FHWnd, GWLP_USERDATA, 0);
  DestroyWindow(FHWnd);
}

size_t TUSBComm::UnfreedBlockBytes() { return g_unfreed_block_bytes.load(); }

LRESULT CALLBACK TUSBComm::CommWndProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  } else if (message == WM_COMM_DATA) {
    auto* port = reinterpret_cast<TUSBComm*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    auto* copy = reinterpret_cast<uint8_t*>(lparam);
    if (port != nullptr) {
      port->FPendingBytes.fetch_sub(static_cast<size_t>(wparam));
      // No exception may cross the system's dispatch code; the block is freed in any case.
      try {
        port->DoReceiveData(copy, static_cast<uint16_t>(wparam & 0xFFFF));
      } catch (...) {
      }
    }
    FreeBlock(copy, static_cast<size_t>(wparam));
    return 0;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

void TUSBComm::DoReceiveData(const uint8_t* Buffer, uint16_t BufferLength) {
  if (OnReceiveData) OnReceiveData(Buffer, BufferLength);
}

void TUSBComm::StartComm() {
  if (!FUSBInfo.isFindPrint) return;
  std::unique_lock<std::shared_mutex> lock(FIoLock);
  if (hCommFile != nullptr) throw ECommsError("This serial port already opened");
  HANDLE file =
      CreateFileW(Utf8ToWide(FUSBInfo.PrintAddr).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                  OPEN_EXISTING, FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE || file == nullptr)
    throw ECommsError("Error opening serial port");
  hCommFile = file;
  PurgeComm(hCommFile, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
  FSendDataEmpty = true;

  hCloseEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (hCloseEvent == nullptr) {
    CloseHandle(hCommFile);
    hCommFile = nullptr;
    throw ECommsError("Unable to create event");
  }

  std::unique_ptr<TReadThread> thread(
      new (std::nothrow) TReadThread(hCommFile, hCloseEvent, FHWnd, FPendingBytes));
  if (!thread || !thread->Create()) {
    thread.reset();
    CloseHandle(hCloseEvent);
    hCloseEvent = nullptr;
    CloseHandle(hCommFile);
    hCommFile = nullptr;
    throw ECommsError("Unable to create read thread");
  }
  ReadThread = std::move(thread);
  ReadThread->Start();
  FOpened.store(true);
}

void TUSBComm::StopComm() {
  FClosing.store(true);  // writers waiting on the device give up
  {
    std::unique_lock<std::shared_mutex> lock(FIoLock);
    StopCommLocked();
  }
  FClosing.store(false);
}

void TUSBComm::StopCommLocked() {
  if (hCommFile == nullptr) return;
  FOpened.store(false);
  CloseReadThread();
  CloseHandle(hCloseEvent);
  hCloseEvent = nullptr;
  CloseHandle(hCommFile);
  hCommFile = nullptr;
}

void TUSBComm::CloseReadThread() {
  if (!ReadThread) return;
  SetEvent(hCloseEvent);
  PurgeComm(hCommFile, PURGE_RXABORT | PURGE_RXCLEAR);
  if (!ReadThread->WaitFor(1000)) ReadThread->Terminate();
  ReadThread.reset();  // waits until the thread has ended
}

bool TUSBComm::ReadThreadRunning() const {
  std::shared_lock<std::shared_mutex> lock(FIoLock);
  return ReadThread && !ReadThread->WaitFor(0);
}

void TUSBComm::WriteData(const uint8_t* wbuf, int32_t wlen) {
  if (!FOpened.load() || FClosing.load() || wbuf == nullptr || wlen <= 0) return;
  std::shared_lock<std::shared_mutex> lock(FIoLock);
  if (!FOpened.load() || hCommFile == nullptr) return;
  HANDLE event = CreateEventW(nullptr, TRUE, TRUE, nullptr);
  if (event == nullptr) return;
  OVERLAPPED overlapped{};
  overlapped.hEvent = event;
  DWORD written = 0;
  if (!WriteFile(hCommFile, wbuf, static_cast<DWORD>(wlen), &written, &overlapped) &&
      GetLastError() == ERROR_IO_PENDING) {
    // Until the write completes; a StopComm meanwhile cancels it rather than wait for ever.
    while (WaitForSingleObject(event, 100) == WAIT_TIMEOUT) {
      if (FClosing.load()) {
        CancelIoEx(hCommFile, &overlapped);
        break;
      }
    }
    GetOverlappedResult(hCommFile, &overlapped, &written, TRUE);  // the record is ours till then
  }
  CloseHandle(event);
}

void TUSBComm::FindPrinter() {
  std::unique_ptr<DeviceSearch> search = CreatePlatformDeviceSearch();
  FindPrinter(*search);
}

std::unique_ptr<UsbPort> CreatePlatformUsbPort() { return std::make_unique<TUSBComm>(); }

}  // namespace velin
