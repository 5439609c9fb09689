// Pictures of the demo window as the screen shows it, saved under the build tree
// (test-artifacts/skin-*.png) for a person to look at, with the checks a program can make:
// the colours of the surfaces, smooth (anti-aliased) edges, and the ring's angles.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

#include "base/bitmap.h"
#include "base/png.h"
#include "demo_window.h"

namespace velin::skin::test {
namespace {

// The screen's pixels under `area` (screen coordinates), cut to the screen.
Bitmap32 Capture(RECT area) {
  const RECT screen_rect = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  IntersectRect(&area, &area, &screen_rect);
  const int w = area.right - area.left, h = area.bottom - area.top;
  Bitmap32 picture(w, h);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  BitBlt(dc, 0, 0, w, h, screen, area.left, area.top, SRCCOPY);
  GdiFlush();
  const auto* pixels = static_cast<const uint32_t*>(bits);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      picture.Row(y)[x] = pixels[static_cast<size_t>(y) * w + x] & 0xFFFFFF;
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return picture;
}

void ShowAndSettle(Demo& demo) {
  demo.frame->Show();
  SetWindowPos(demo.frame->hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  for (int i = 0; i < 5; ++i) {
    RedrawWindow(demo.frame->hwnd(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump();
    Sleep(20);
  }
}

std::string Save(const Bitmap32& picture, const std::string& name) {
  const std::filesystem::path dir = std::filesystem::path(VELIN_BINARY_DIR) / "test-artifacts";
  std::filesystem::create_directories(dir);
  const std::string path = (dir / ("skin-" + name + ".png")).string();
  EXPECT_TRUE(WritePng(path, picture)) << path;
  return path;
}

// A control's rectangle in the coordinates of a picture of `frame`'s window.
RECT Within(HWND control, HWND frame) {
  RECT c, f;
  GetWindowRect(control, &c);
  GetWindowRect(frame, &f);
  return {c.left - f.left, c.top - f.top, c.right - f.left, c.bottom - f.top};
}

Color Pixel(const Bitmap32& picture, int x, int y) { return picture.GetPixel(x, y); }
Color Bgr(Argb c) { return (uint32_t{BlueOf(c)} << 16) | (uint32_t{GreenOf(c)} << 8) | RedOf(c); }

TEST(SkinScreenshot, DemoWindowAtEachScale) {
  for (int dpi : {96, 144, 192}) {
    Demo demo(dpi, "皮肤演示 " + std::to_string(dpi));
    demo.ring->SetValue(25);
    ShowAndSettle(demo);
    const HWND frame = demo.frame->hwnd();
    RECT window;
    GetWindowRect(frame, &window);
    ASSERT_LE(window.right, GetSystemMetrics(SM_CXSCREEN)) << dpi << ": the screen is too small";
    ASSERT_LE(window.bottom, GetSystemMetrics(SM_CYSCREEN)) << dpi << ": the screen is too small";
    const Bitmap32 picture = Capture(window);
    Save(picture, "page0-" + std::to_string(dpi));
    const Theme& t = DefaultTheme();

    // The side column's colour below its last entry; the border around the window.
    const RECT nav = Within(demo.nav[2]->hwnd(), frame);
    EXPECT_EQ(Pixel(picture, nav.left + 4, nav.bottom + Scale(20, dpi)), Bgr(t.side_panel)) << dpi;
    EXPECT_EQ(Pixel(picture, 0, 0), Bgr(t.frame_border)) << dpi;

    // The ring at 25 %: its value colour at 3 o'clock, the track at 9 o'clock, and smooth edges:
    // along the row through its centre, colours between the track and the window's white.
    const RECT ring = Within(demo.ring->hwnd(), frame);
    const int cx = (ring.left + ring.right) / 2, cy = (ring.top + ring.bottom) / 2;
    const int side = std::min(ring.right - ring.left, ring.bottom - ring.top);
    const int stroke_mid = side / 2 - Scale(t.ring_thickness, dpi) / 2;
    EXPECT_EQ(Pixel(picture, cx + stroke_mid, cy), Bgr(t.accent)) << dpi;
    EXPECT_EQ(Pixel(picture, cx - stroke_mid - 1, cy), Bgr(t.ring_track)) << dpi;
    std::set<Color> ring_colours;
    for (int y = ring.top; y < ring.bottom; ++y)
      for (int x = ring.left; x < ring.right; ++x) ring_colours.insert(Pixel(picture, x, y));
    EXPECT_GT(ring_colours.size(), 12u) << dpi << ": the ring's edges are not anti-aliased";

    // A button's rounded corner: partial pixels between its border and the window's white.
    const RECT link = Within(demo.links[0]->hwnd(), frame);
    std::set<Color> corner;
    const int r = Scale(t.corner_radius, dpi);
    for (int y = link.top; y < link.top + r; ++y)
      for (int x = link.left; x < link.left + r; ++x) corner.insert(Pixel(picture, x, y));
    EXPECT_GT(corner.size(), 3u) << dpi << ": the button's corners are not anti-aliased";
  }
}

// An icon handle of `side` pixels, one opaque colour.
HICON SolidIcon(int side, Argb colour) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = side;
  info.bmiHeader.biHeight = -side;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP colour_bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ReleaseDC(nullptr, screen);
  std::fill_n(static_cast<uint32_t*>(bits), side * side, Premultiply(colour));
  HBITMAP mask = CreateBitmap(side, side, 1, 1, nullptr);
  ICONINFO icon_info{TRUE, 0, 0, mask, colour_bitmap};
  HICON icon = CreateIconIndirect(&icon_info);
  DeleteObject(mask);
  DeleteObject(colour_bitmap);
  return icon;
}

TEST(SkinScreenshot, SideWindowAndIconHandles) {
  for (int dpi : {96, 144}) {
    SideWindow side(dpi);
    side.name->SetText("Printer01");
    HICON icon = SolidIcon(Scale(16, dpi), Rgb(220, 30, 30));
    side.query->SetIcon(icon, 16);
    side.frame->Show();
    for (int i = 0; i < 5; ++i) {
      RedrawWindow(side.frame->hwnd(), nullptr, nullptr,
                   RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
      Pump();
      Sleep(20);
    }
    RECT window;
    GetWindowRect(side.frame->hwnd(), &window);
    const Bitmap32 picture = Capture(window);
    Save(picture, "side-window-" + std::to_string(dpi));
    // The title bar's colour is the window's; the icon lands inside the query button whole.
    EXPECT_EQ(Pixel(picture, 8, 8), Bgr(DefaultTheme().side_panel)) << dpi;
    const RECT button = Within(side.query->hwnd(), side.frame->hwnd());
    int red = 0;
    for (int y = button.top; y < button.bottom; ++y)
      for (int x = button.left; x < button.right; ++x)
        red += Pixel(picture, x, y) == Bgr(Rgb(220, 30, 30));
    EXPECT_EQ(red, Scale(16, dpi) * Scale(16, dpi)) << dpi;
    side.query->ClearIcon();
    DestroyIcon(icon);
  }
}

TEST(SkinScreenshot, PagesAndStates) {
  Demo demo;
  ShowAndSettle(demo);
  const HWND frame = demo.frame->hwnd();
  auto shot = [&](const std::string& name) {
    ShowAndSettle(demo);
    RECT r;
    GetWindowRect(frame, &r);
    return Save(Capture(r), name);
  };
  // Page 0 with the keyboard focus on a link and the pointer over another.
  demo.links[1]->Focus();
  PostMessageW(demo.links[1]->hwnd(), WM_KEYDOWN, VK_SHIFT, 1);  // the keyboard is in use
  Pump();
  SendMessageW(demo.links[2]->hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  shot("page0-focus-hover");
  EXPECT_TRUE(demo.links[1]->state().focused);
  EXPECT_TRUE(demo.links[2]->state().hover);
  SendMessageW(demo.links[2]->hwnd(), WM_MOUSELEAVE, 0, 0);
  ShowAndSettle(demo);
  EXPECT_FALSE(demo.links[2]->state().hover);

  demo.nav[1]->Click();
  demo.printers->AddItem("Label Printer");
  demo.printers->AddItem("Microsoft Print to PDF");
  demo.printers->SetSelection(0);
  shot("page1");
  // The open list: the frame and the list below it in one picture.
  SendMessageW(demo.modes->hwnd(), CB_SHOWDROPDOWN, TRUE, 0);
  for (int i = 0; i < 5; ++i) {  // no raising of the frame now: the list would go under it
    Pump();
    Sleep(20);
  }
  COMBOBOXINFO info{};
  info.cbSize = sizeof(info);
  GetComboBoxInfo(demo.modes->hwnd(), &info);
  RECT area, list;
  GetWindowRect(frame, &area);
  ASSERT_NE(info.hwndList, nullptr);
  EXPECT_TRUE(IsWindowVisible(info.hwndList));
  GetWindowRect(info.hwndList, &list);
  UnionRect(&area, &area, &list);
  Save(Capture(area), "page1-open-list");
  SendMessageW(demo.modes->hwnd(), CB_SHOWDROPDOWN, FALSE, 0);

  demo.nav[2]->Click();
  shot("page2");
  SetFocus(demo.size->edit());
  shot("page2-focus");
}

}  // namespace
}  // namespace velin::skin::test
