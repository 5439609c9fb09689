// The main window in this process, at 100 %, 150 % and 200 %: its size and layout scale, the
// controls stay inside their pages without overlapping, and progress records switch the
// receiver state both ways.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/app_texts.h"
#include "app/win32/main_window_win.h"
#include "base/win32/wide_win.h"
#include "glyph_check.h"
#include "skin/dpi.h"
#include "support/test_paths.h"
#include "velin_driver.h"

namespace velin::app {
namespace {

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (!skin::TranslateSkinMessage(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

bool Overlap(const RECT& a, const RECT& b) {
  RECT both;
  return IntersectRect(&both, &a, &b) != FALSE;
}

TEST(MainWindowLayout, ScalesWithTheDpiAndKeepsEveryControlInsideItsPage) {
  const std::string config = test::ScratchDir() + "/config.ini";
  for (int dpi : {96, 144, 192}) {
    WindowRegistry registry;
    MainWindowLogic logic(
        [] {
          return std::vector<std::string>{"Label Printer", "Office"};
        },
        [&] { return OpenIniFile(config); });
    Tmain main(logic, registry);
    main.Create(nullptr, dpi);
    main.ShowNormal();
    Pump();
    RECT client;
    GetClientRect(main.hwnd(), &client);
    EXPECT_EQ(client.right, skin::Scale(Tmain::kWidth, dpi)) << dpi;
    EXPECT_EQ(client.bottom, skin::Scale(Tmain::kHeight, dpi)) << dpi;

    for (int page = 0; page < 3; ++page) {
      main.ShowPage(page);
      Pump();
      HWND panel = main.scgpgvwr_page->Page(page)->hwnd();
      RECT area;
      GetWindowRect(panel, &area);
      std::vector<RECT> placed;
      for (HWND child = GetWindow(panel, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) continue;
        RECT r;
        GetWindowRect(child, &r);
        EXPECT_TRUE(r.left >= area.left && r.top >= area.top && r.right <= area.right &&
                    r.bottom <= area.bottom)
            << dpi << ": " << WideToUtf8(test::ClassOf(child)) << " leaves page " << page;
        for (const RECT& other : placed) EXPECT_FALSE(Overlap(r, other)) << dpi << " page " << page;
        placed.push_back(r);
      }
      EXPECT_GE(placed.size(), 2u);
    }
    main.ShowPage(0);
    Pump();
    if (dpi == 192) {
      const Bitmap32 picture = test::Picture(main.hwnd());
      test::SaveArtefact(picture, "velin-main-window-200");
      for (skin::Button* b : {main.btn_device, main.btn_usbstate, main.scGPButton5}) {
        EXPECT_TRUE(test::HasRealGlyphs(picture, test::Within(b->hwnd(), main.hwnd())))
            << b->Text();
      }
    }
  }
}

TEST(MainWindowLayout, ProgressSwitchesTheStateButtonBackAndForth) {
  const std::string config = test::ScratchDir() + "/config.ini";
  WindowRegistry registry;
  MainWindowLogic logic([] { return std::vector<std::string>{}; },
                        [&] { return OpenIniFile(config); });
  Tmain main(logic, registry);
  main.Create(nullptr, 96);
  // Before the first record: not found, image 8, the ring at 50.
  EXPECT_EQ(main.btn_usbstate->Text(), kReceiverMissing);
  EXPECT_EQ(main.state_image(), kImageReceiverMissing);
  EXPECT_EQ(main.scgpcrcldprgrsbr_threadstate->value(), 50);
  main.WMThreadProgress({10, true, "Thread is processing"});
  EXPECT_EQ(main.btn_usbstate->Text(), kReceiverFound);
  EXPECT_EQ(main.state_image(), kImageReceiverFound);
  EXPECT_EQ(main.scgpcrcldprgrsbr_threadstate->value(), 10);
  main.WMThreadProgress({20, false, "Thread is processing"});
  EXPECT_EQ(main.btn_usbstate->Text(), kReceiverMissing);
  EXPECT_EQ(main.state_image(), kImageReceiverMissing);
  EXPECT_EQ(main.scgpcrcldprgrsbr_threadstate->value(), 20);
  // No printer installed: an empty printer list and the transfer mode shown at start.
  main.GetAllPrinterName();
  EXPECT_EQ(main.cbb_printers->Count(), 0);
  EXPECT_EQ(main.cbb_tran_mode->Selection(), 1);
}

}  // namespace
}  // namespace velin::app
