// The QR component's clipboard: pictures out, ANSI text in, and the clipboard viewer chain,
// through a hidden message-only window of the component's thread.
//
// The legacy viewer chain (SetClipboardViewer, WM_DRAWCLIPBOARD, WM_CHANGECBCHAIN,
// ChangeClipboardChain) is what the component is built on, and Wine implements it as Windows
// does: SetClipboardViewer sends the new viewer a WM_DRAWCLIPBOARD before it returns, and every
// change of the clipboard, by this process or another, sends one to the head of the chain
// (when the change is made on the viewer's own thread, from inside CloseClipboard, where
// opening the clipboard again on that thread works).
#include <windows.h>

#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "symbols/qr/win32/output_services_win.h"

namespace velin::qr {
namespace {

constexpr wchar_t kWindowClass[] = L"VelinQRCodeClipboardWindow";

// OpenClipboard fails while another window holds the clipboard open; such holds are short,
// so a few tries a few milliseconds apart (at most about 100 ms on this thread).
class ClipboardSession {
 public:
  explicit ClipboardSession(HWND owner) {
    for (int attempt = 0; attempt < 10 && !open_; ++attempt) {
      if (attempt > 0) Sleep(10);
      open_ = OpenClipboard(owner) != FALSE;
    }
  }
  ~ClipboardSession() {
    if (open_) CloseClipboard();
  }
  ClipboardSession(const ClipboardSession&) = delete;
  ClipboardSession& operator=(const ClipboardSession&) = delete;
  bool open() const { return open_; }

 private:
  bool open_ = false;
};

// Empties the clipboard and hands `data` over in `format`; false when the clipboard cannot be
// opened or refuses the data, which then still belongs to the caller.
bool PutOnClipboard(HWND owner, UINT format, HANDLE data) {
  ClipboardSession clipboard(owner);
  if (!clipboard.open() || !EmptyClipboard()) return false;
  return SetClipboardData(format, data) != nullptr;
}

// The picture as a packed bottom-up 24-bit device-independent bitmap in movable global memory.
HGLOBAL MakePackedDib(const Bitmap32& picture) {
  const int w = picture.width(), h = picture.height();
  const size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
  const size_t image = stride * static_cast<size_t>(h);
  if (image > 0xFFFFFFFFu - sizeof(BITMAPINFOHEADER)) return nullptr;
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof(BITMAPINFOHEADER) + image);
  if (memory == nullptr) return nullptr;
  auto* bytes = static_cast<uint8_t*>(GlobalLock(memory));
  if (bytes == nullptr) {
    GlobalFree(memory);
    return nullptr;
  }
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = w;
  header.biHeight = h;  // bottom-up, which every reader accepts
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biSizeImage = static_cast<DWORD>(image);
  std::memcpy(bytes, &header, sizeof header);
  uint8_t* pixels = bytes + sizeof header;
  for (int y = 0; y < h; ++y) {
    const uint32_t* src = picture.Row(y);
    uint8_t* dst = pixels + stride * static_cast<size_t>(h - 1 - y);
    for (int x = 0; x < w; ++x) {
      dst[3 * x] = static_cast<uint8_t>(src[x]);  // blue
      dst[3 * x + 1] = static_cast<uint8_t>(src[x] >> 8);
      dst[3 * x + 2] = static_cast<uint8_t>(src[x] >> 16);
    }
    std::memset(dst + 3 * static_cast<size_t>(w), 0, stride - 3 * static_cast<size_t>(w));
  }
  GlobalUnlock(memory);
  return memory;
}

class WinOutputServices final : public OutputServices {
 public:
  WinOutputServices() = default;
  ~WinOutputServices() override {
    LeaveViewerChain();
    if (window_ != nullptr) {
      SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
      DestroyWindow(window_);
    }
  }
  WinOutputServices(const WinOutputServices&) = delete;
  WinOutputServices& operator=(const WinOutputServices&) = delete;

  std::unique_ptr<MetafileRecorder> RecordMetafile(int width, int height, Size frame) override {
    return RecordEnhMetafile(width, height, frame);
  }

  bool CopyBitmap(const Bitmap32& picture) override {
    if (picture.empty() || Window() == nullptr) return false;
    HGLOBAL dib = MakePackedDib(picture);
    if (dib == nullptr) return false;
    if (PutOnClipboard(window_, CF_DIB, dib)) return true;
    GlobalFree(dib);
    return false;
  }

  bool CopyMetafile(const Metafile& picture, MetafileFormat format) override {
    const auto* emf = dynamic_cast<const EnhMetafile*>(&picture);
    if (emf == nullptr || Window() == nullptr) return false;
    if (format == MetafileFormat::kEnhanced) {
      HENHMETAFILE copy = CopyEnhMetaFileW(emf->Handle(), nullptr);
      if (copy == nullptr) return false;
      if (PutOnClipboard(window_, CF_ENHMETAFILE, copy)) return true;
      DeleteEnhMetaFile(copy);
      return false;
    }
    return CopyWindowsMetafile(emf->Handle());
  }

  std::optional<std::string> ClipboardText() override {
    if (Window() == nullptr) return std::nullopt;
    ClipboardSession clipboard(window_);
    if (!clipboard.open() || !IsClipboardFormatAvailable(CF_TEXT)) return std::nullopt;
    HANDLE data = GetClipboardData(CF_TEXT);
    if (data == nullptr) return std::nullopt;
    const auto* text = static_cast<const char*>(GlobalLock(data));
    if (text == nullptr) return std::nullopt;
    // The block's size bounds the text whatever another program put there.
    std::string bytes(text, strnlen(text, GlobalSize(data)));
    GlobalUnlock(data);
    return bytes;
  }

  bool JoinViewerChain(std::function<bool()> changed) override {
    if (in_chain_ || joining_ || Window() == nullptr) return false;
    changed_ = std::move(changed);
    next_ = nullptr;
    in_chain_ = true;
    joining_ = true;
    leave_after_join_ = false;
    // The first WM_DRAWCLIPBOARD arrives before SetClipboardViewer returns, with next_ still
    // null: it is the new viewer's own and goes no further.
    SetLastError(ERROR_SUCCESS);
    HWND next = SetClipboardViewer(window_);
    const DWORD error = GetLastError();
    joining_ = false;
    if (next == nullptr && error != ERROR_SUCCESS) {
      in_chain_ = false;
      changed_ = nullptr;
      return false;
    }
    next_ = next;
    if (leave_after_join_) LeaveViewerChain();  // asked for while the first notification ran
    return true;
  }

  void LeaveViewerChain() override {
    if (!in_chain_) return;
    if (joining_) {
      // The next viewer is not known yet; leaving now would cut the chain after us.
      leave_after_join_ = true;
      return;
    }
    ChangeClipboardChain(window_, next_);
    in_chain_ = false;
    next_ = nullptr;
    changed_ = nullptr;
  }

  bool InViewerChain() const override { return in_chain_ && !leave_after_join_; }

 private:
  HWND Window() {
    if (window_ != nullptr) return window_;
    static std::once_flag registered;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    std::call_once(registered, [instance] {
      WNDCLASSEXW wc{};
      wc.cbSize = sizeof wc;
      wc.lpfnWndProc = &WinOutputServices::WindowProc;
      wc.hInstance = instance;
      wc.lpszClassName = kWindowClass;
      RegisterClassExW(&wc);
    });
    window_ =
        CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, this);
    return window_;
  }

  // GetWinMetaFileBits in MM_ANISOTROPIC against the screen, SetMetaFileBitsEx, and a
  // METAFILEPICT in movable shared global memory whose extents are the frame in 0.01 mm.
  bool CopyWindowsMetafile(HENHMETAFILE emf) {
    ENHMETAHEADER header{};
    if (GetEnhMetaFileHeader(emf, sizeof header, &header) == 0) return false;
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) return false;
    std::vector<BYTE> bits;
    const UINT size = GetWinMetaFileBits(emf, 0, nullptr, MM_ANISOTROPIC, screen);
    if (size > 0) {
      bits.resize(size);
      if (GetWinMetaFileBits(emf, size, bits.data(), MM_ANISOTROPIC, screen) != size) bits.clear();
    }
    ReleaseDC(nullptr, screen);
    if (bits.empty()) return false;
    HMETAFILE wmf = SetMetaFileBitsEx(static_cast<UINT>(bits.size()), bits.data());
    if (wmf == nullptr) return false;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, sizeof(METAFILEPICT));
    auto* pict = block != nullptr ? static_cast<METAFILEPICT*>(GlobalLock(block)) : nullptr;
    if (pict == nullptr) {
      if (block != nullptr) GlobalFree(block);
      DeleteMetaFile(wmf);
      return false;
    }
    pict->mm = MM_ANISOTROPIC;
    pict->xExt = header.rclFrame.right - header.rclFrame.left;
    pict->yExt = header.rclFrame.bottom - header.rclFrame.top;
    pict->hMF = wmf;
    GlobalUnlock(block);
    if (PutOnClipboard(window_, CF_METAFILEPICT, block)) return true;
    DeleteMetaFile(wmf);
    GlobalFree(block);
    return false;
  }

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
      return DefWindowProcW(hwnd, message, wparam, lparam);
    }
    auto* self = reinterpret_cast<WinOutputServices*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr || !self->in_chain_) return DefWindowProcW(hwnd, message, wparam, lparam);
    switch (message) {
      case WM_DRAWCLIPBOARD: {
        // Copies: the handler may leave the chain, or even destroy the component.
        const HWND next = self->next_;
        const std::function<bool()> changed = self->changed_;
        const bool pass_on = changed ? changed() : true;
        if (pass_on && next != nullptr) SendMessageW(next, message, wparam, lparam);
        return 0;
      }
      case WM_CHANGECBCHAIN:
        if (reinterpret_cast<HWND>(wparam) == self->next_) {
          self->next_ = reinterpret_cast<HWND>(lparam);
        } else if (self->next_ != nullptr) {
          SendMessageW(self->next_, message, wparam, lparam);
        }
        return 0;
      default:
        return DefWindowProcW(hwnd, message, wparam, lparam);
    }
  }

  HWND window_ = nullptr;
  HWND next_ = nullptr;  // the next viewer in the chain
  bool in_chain_ = false;
  bool joining_ = false;
  bool leave_after_join_ = false;
  std::function<bool()> changed_;
};

}  // namespace

std::unique_ptr<OutputServices> CreateOutputServices() {
  return std::make_unique<WinOutputServices>();
}

}  // namespace velin::qr
