// The program's Windows pieces in this process: MsgBox by kind, and the dispatcher that
// carries the interpreter's records to a window as posted messages.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "app/win32/msg_box_win.h"
#include "app/win32/window_dispatcher_win.h"
#include "interpreter/cmd_thread.h"
#include "velin_driver.h"

namespace velin::app {
namespace {

using test::Eventually;

TEST(MsgBox, EachKindShowsItsButtonsAndReturnsThePressedOne) {
  struct Case {
    int kind;
    bool cancel;  // an OK and Cancel box
    bool icon;
    int default_button;
  };
  const Case cases[] = {{0, false, false, IDOK}, {1, false, true, IDOK}, {2, true, true, IDCANCEL},
                        {3, false, true, IDOK},  {4, false, true, IDOK}, {5, true, true, IDOK}};
  for (const Case& c : cases) {
    std::optional<test::SeenBox> seen;
    std::thread answerer([&] {
      seen = test::WaitForMessageBox(GetCurrentProcessId());
      if (!seen) return;
      test::Answer(*seen, seen->cancel ? IDCANCEL : IDOK);
    });
    const int result = MsgBox(c.kind, "", "正文 " + std::to_string(c.kind));
    answerer.join();
    ASSERT_TRUE(seen) << c.kind;
    EXPECT_EQ(seen->caption, L"Velin|蓝牙打印") << "an empty caption is the program's title";
    EXPECT_EQ(seen->text, L"正文 " + std::to_wstring(c.kind));
    EXPECT_TRUE(seen->ok) << c.kind;
    EXPECT_EQ(seen->cancel, c.cancel) << c.kind;
    EXPECT_EQ(seen->icon, c.icon) << c.kind;
    EXPECT_EQ(seen->focused_button, c.default_button) << c.kind;
    EXPECT_EQ(result, c.cancel ? IDCANCEL : IDOK) << c.kind;
  }
  // A caption of its own.
  std::thread answerer([] {
    auto box = test::WaitForMessageBox(GetCurrentProcessId());
    if (box) {
      EXPECT_EQ(box->caption, L"标题");
      test::Answer(*box, IDOK);
    }
  });
  EXPECT_EQ(MsgBox(0, "标题", "x"), IDOK);
  answerer.join();
}

TEST(MsgBox, AnyOtherKindShowsNothingAndReturnsMinusOne) {
  for (int kind : {6, 7, -1, 0x7fffffff}) {
    EXPECT_EQ(MsgBox(kind, "", "不应显示"), -1) << kind;
    EXPECT_EQ(test::FindTopLevel(GetCurrentProcessId(), L"", L"#32770"), nullptr) << kind;
  }
}

// A plain window that hands its messages to the dispatcher.
struct Receiver {
  explicit Receiver(WindowDispatcher& dispatcher) : dispatcher(dispatcher) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VelinDispatcherTest";
    RegisterClassW(&wc);
    hwnd = CreateWindowW(L"VelinDispatcherTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                         wc.hInstance, nullptr);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    dispatcher.Attach(hwnd);
  }
  ~Receiver() { DestroyWindow(hwnd); }
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<Receiver*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self != nullptr) {
      self->seen.push_back(message);
      if (self->dispatcher.Deliver(message, wparam, lparam)) return 0;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
  }
  void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  WindowDispatcher& dispatcher;
  HWND hwnd = nullptr;
  std::vector<UINT> seen;
};

TEST(WindowDispatcher, RecordsArriveAsTheirWindowMessagesInPostingOrder) {
  WindowDispatcher dispatcher;
  Receiver receiver(dispatcher);
  std::vector<int> order;
  std::thread poster([&] {
    for (int i = 0; i < 100; ++i) {
      auto record = std::make_shared<TThreadData>();
      record->Progress = i;
      dispatcher.PostAs(WM_THREADDATA, [&order, record] { order.push_back(record->Progress); });
    }
    dispatcher.PostAs(WM_DEBUG_DATA, [&order] { order.push_back(-1); });
  });
  poster.join();
  receiver.Pump();
  ASSERT_EQ(order.size(), 101u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(order[static_cast<size_t>(i)], i);
  EXPECT_EQ(order.back(), -1);
  EXPECT_EQ(std::count(receiver.seen.begin(), receiver.seen.end(), WM_THREADDATA), 100);
  EXPECT_EQ(std::count(receiver.seen.begin(), receiver.seen.end(), WM_DEBUG_DATA), 1);
  EXPECT_EQ(dispatcher.outstanding(), 0u);
}

TEST(WindowDispatcher, RecordsAreReleasedWhenTheWindowGoesFirst) {
  auto record = std::make_shared<TThreadData>();
  bool ran = false;
  {
    WindowDispatcher dispatcher;
    Receiver receiver(dispatcher);
    dispatcher.PostAs(WM_THREADDATA, [record, &ran] { ran = true; });
    dispatcher.PostAs(WM_THREADDATA, [record, &ran] { ran = true; });
    EXPECT_EQ(record.use_count(), 3);
    dispatcher.Detach();  // the window is going: nothing more reaches it
    EXPECT_EQ(record.use_count(), 1);
    dispatcher.PostAs(WM_THREADDATA, [record, &ran] { ran = true; });  // after: released at once
    EXPECT_EQ(record.use_count(), 1);
    receiver.Pump();  // the queued messages find nothing to run
  }
  EXPECT_FALSE(ran);
}

TEST(WindowDispatcher, AMessageItDidNotPostIsIgnored) {
  WindowDispatcher dispatcher;
  Receiver receiver(dispatcher);
  // Another process can post WM_THREADDATA with any number in WPARAM.
  PostMessageW(receiver.hwnd, WM_THREADDATA, 0x12345678, 0);
  PostMessageW(receiver.hwnd, WM_DEBUG_DATA, 0, 0);
  receiver.Pump();
  EXPECT_EQ(std::count(receiver.seen.begin(), receiver.seen.end(), WM_THREADDATA), 1);
  EXPECT_FALSE(dispatcher.Deliver(WM_THREADDATA, 0x12345678, 0));
}

}  // namespace
}  // namespace velin::app
