#include "skin/win32/progress_ring_win.h"

#include <commctrl.h>

#include <string>

#include "skin/looks.h"

namespace velin::skin {

void ProgressRing::Create(Window* parent, const ProgressRingArgs& args) {
  INITCOMMONCONTROLSEX init{sizeof(init), ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&init);
  show_text_ = args.show_text;
  CreateHwnd(parent, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 0, args.bounds);
  SetRange(args.minimum, args.maximum);
  SetValue(args.value);
}

void ProgressRing::SetValue(int value) {
  if (hwnd() != nullptr) SendMessageW(hwnd(), PBM_SETPOS, static_cast<WPARAM>(value), 0);
}

int ProgressRing::value() const {
  return hwnd() != nullptr ? static_cast<int>(SendMessageW(hwnd(), PBM_GETPOS, 0, 0)) : 0;
}

void ProgressRing::SetRange(int minimum, int maximum) {
  if (hwnd() != nullptr) SendMessageW(hwnd(), PBM_SETRANGE32, minimum, maximum);
}

void ProgressRing::UpdateText() {
  SetWindowTextW(hwnd(), std::to_wstring(value()).c_str());
  Invalidate();
}

LRESULT ProgressRing::WndProc(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case PBM_SETPOS:
    case PBM_DELTAPOS:
    case PBM_STEPIT:
    case PBM_SETRANGE:
    case PBM_SETRANGE32: {
      const LRESULT r = CallDefault(message, wparam, lparam);
      UpdateText();
      return r;
    }
    case WM_TIMER:  // the themed bar's glow animation: the ring does not animate
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd(), &ps);
      RECT client;
      GetClientRect(hwnd(), &client);
      const int w = client.right, h = client.bottom;
      Surface surface = buffer_.Begin(w, h);
      if (!surface.empty()) {
        Painter p(surface);
        p.Clear(Background());
        PBRANGE range{};
        SendMessageW(hwnd(), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
        const int v = value();
        PaintProgressRing(p, {0, 0, w, h}, v, range.iLow, range.iHigh, theme(), dpi());
        if (show_text_) {
          const int64_t span = int64_t{range.iHigh} - range.iLow;
          const int64_t percent = span > 0 ? (int64_t{v} - range.iLow) * 100 / span : 0;
          DrawTextIn(buffer_.dc(), {0, 0, w, h}, std::to_wstring(percent) + L"%",
                     UiFont(theme().small, dpi()), theme().text, Align::kCentre);
        }
        buffer_.Blit(dc, 0, 0, w, h);
      }
      EndPaint(hwnd(), &ps);
      return 0;
    }
    default:
      return Window::WndProc(message, wparam, lparam);
  }
}

}  // namespace velin::skin
