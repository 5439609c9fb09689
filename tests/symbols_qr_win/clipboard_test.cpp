// The QR component and the clipboard: pictures copied in their formats, text pasted as ANSI
// bytes, the clipboard viewer chain joined and left, and no GDI object left behind.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "base/text_renderer.h"
#include "gdi_helpers.h"
#include "symbols/qr/qr_code.h"
#include "symbols/qr/win32/output_services_win.h"

namespace velin {
namespace {

using test::ClipboardFormats;
using test::Compare;
using test::PutClipboardBytes;

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// Puts `bytes` on the clipboard from another thread, as another program would, while this
// thread dispatches messages; then dispatches for another moment so that the notifications
// sent meanwhile arrive.
void PutFromAnotherThread(UINT format, const std::string& bytes) {
  std::atomic<bool> done{false};
  bool ok = false;
  std::thread other([&] {
    ok = PutClipboardBytes(format, bytes);
    done = true;
  });
  while (!done) {
    Pump();
    Sleep(1);
  }
  other.join();
  for (int i = 0; i < 20; ++i) {
    Pump();
    Sleep(5);
  }
  ASSERT_TRUE(ok);
}

// A program's window in the clipboard viewer chain, joined before the component: it counts
// the notifications that reach it and the windows removed from the chain before it.
class TestViewer {
 public:
  TestViewer() {
    static const bool registered = [] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = &TestViewer::Proc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = L"VelinTestClipboardViewer";
      return RegisterClassW(&wc) != 0;
    }();
    EXPECT_TRUE(registered);
    hwnd = CreateWindowExW(0, L"VelinTestClipboardViewer", L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                           nullptr, GetModuleHandleW(nullptr), this);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    next = SetClipboardViewer(hwnd);
    draws = 0;  // the one that joining brings
  }
  ~TestViewer() {
    ChangeClipboardChain(hwnd, next);
    DestroyWindow(hwnd);
  }

  HWND hwnd = nullptr;
  HWND next = nullptr;
  int draws = 0;
  std::vector<HWND> removed;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<TestViewer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self != nullptr && message == WM_DRAWCLIPBOARD) {
      ++self->draws;
      if (self->next != nullptr) SendMessageW(self->next, message, wparam, lparam);
      return 0;
    }
    if (self != nullptr && message == WM_CHANGECBCHAIN) {
      self->removed.push_back(reinterpret_cast<HWND>(wparam));
      if (reinterpret_cast<HWND>(wparam) == self->next) {
        self->next = reinterpret_cast<HWND>(lparam);
      } else if (self->next != nullptr) {
        SendMessageW(self->next, message, wparam, lparam);
      }
      return 0;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
  }
};

// Events as "name watch", e.g. "change 1".
void Record(TQRCode& qr, std::vector<std::string>& events) {
  auto add = [&events](const char* name) {
    return [&events, name](TQRCode&, bool watch) {
      events.push_back(std::string(name) + (watch ? " 1" : " 0"));
    };
  };
  qr.OnChangeCode = add("change");
  qr.OnPaintSymbol = add("paint");
  qr.OnPaintedSymbol = add("painted");
  qr.OnChangedCode = add("changed");
}

// A symbol at 2 pixels per module, rendered as a bitmap; `picture` then switches its kind.
void SetUpSymbol(TQRCode& qr, const std::string& code) {
  qr.SetPxmag(2);
  qr.SetVersion(2);
  qr.SetMatch(true);
  qr.SetCode(code);
}

std::string TextOnClipboard() {
  std::string text = "(none)";
  if (!OpenClipboard(nullptr)) return "(cannot open)";
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    text = static_cast<const char*>(GlobalLock(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

TEST(QrCodeClipboard, CopyPutsEachPictureKindInItsFormat) {
  TQRCode qr(&PlatformTextRenderer());
  SetUpSymbol(qr, "clipboard");
  const Bitmap32 bitmap = qr.Picture();

  // picBMP: a device-independent bitmap of the picture.
  ASSERT_TRUE(qr.CopyToClipboard());
  ASSERT_FALSE(ClipboardFormats().empty());
  EXPECT_EQ(ClipboardFormats().front(), UINT{CF_DIB});
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE dib = GetClipboardData(CF_DIB);
  ASSERT_NE(dib, nullptr);
  const auto read = test::ReadPackedDib(GlobalLock(dib), GlobalSize(dib));
  GlobalUnlock(dib);
  CloseClipboard();
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(Compare(*read, bitmap), "equal");

  // picEMF: the enhanced metafile, a copy that plays back as the bitmap renders.
  qr.SetSymbolPicture(picEMF);
  ASSERT_TRUE(qr.CopyToClipboard());
  EXPECT_EQ(ClipboardFormats().front(), UINT{CF_ENHMETAFILE});
  ASSERT_TRUE(OpenClipboard(nullptr));
  auto emf = static_cast<HENHMETAFILE>(GetClipboardData(CF_ENHMETAFILE));
  ASSERT_NE(emf, nullptr);
  EXPECT_EQ(Compare(test::PlayEnhMetafile(emf, bitmap.width(), bitmap.height()), bitmap), "equal");
  CloseClipboard();

  // picWMF: a Windows metafile picture, MM_ANISOTROPIC, its extents the frame in 0.01 mm.
  qr.SetSymbolPicture(picWMF);
  ASSERT_TRUE(qr.CopyToClipboard());
  EXPECT_EQ(ClipboardFormats().front(), UINT{CF_METAFILEPICT});
  ENHMETAHEADER header{};
  GetEnhMetaFileHeader(dynamic_cast<const qr::EnhMetafile&>(*qr.MetafilePicture()).Handle(),
                       sizeof header, &header);
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE block = GetClipboardData(CF_METAFILEPICT);
  ASSERT_NE(block, nullptr);
  const METAFILEPICT pict = *static_cast<const METAFILEPICT*>(GlobalLock(block));
  GlobalUnlock(block);
  EXPECT_EQ(pict.mm, MM_ANISOTROPIC);
  EXPECT_EQ(pict.xExt, header.rclFrame.right - header.rclFrame.left);
  EXPECT_EQ(pict.yExt, header.rclFrame.bottom - header.rclFrame.top);
  EXPECT_GT(pict.xExt, bitmap.width() * 20);  // about 26 hundredths of a mm per pixel
  EXPECT_EQ(Compare(test::PlayMetafilePict(pict, bitmap.width(), bitmap.height()), bitmap),
            "equal");
  CloseClipboard();
}

TEST(QrCodeClipboard, WithoutEverySymbolThePictureGoesAsItStands) {
  TQRCode qr(&PlatformTextRenderer());
  qr.SetSymbolEnabled(false);
  qr.SetEmode(0);  // numeric: the second symbol, "ABCD", does not encode
  qr.SetCode("1234ABCD");
  qr.SetCount(2);
  qr.SetMatch(true);
  qr.SetSymbolPicture(picWMF);
  qr.SetSymbolEnabled(true);
  ASSERT_FALSE(qr.SymbolDisped());
  ASSERT_NE(qr.MetafilePicture(), nullptr);
  ASSERT_TRUE(qr.CopyToClipboard());
  EXPECT_EQ(ClipboardFormats().front(), UINT{CF_ENHMETAFILE});

  // No picture at all: nothing is copied and the clipboard keeps what it held.
  ASSERT_TRUE(PutClipboardBytes(CF_TEXT, "kept"));
  qr.Clear();
  EXPECT_FALSE(qr.CopyToClipboard());
  EXPECT_EQ(TextOnClipboard(), "kept");
}

TEST(QrCodeClipboard, ACopiedPictureOutlivesTheComponent) {
  {
    TQRCode qr;
    SetUpSymbol(qr, "outlives");
    qr.SetSymbolPicture(picEMF);
    ASSERT_TRUE(qr.CopyToClipboard());
  }
  ASSERT_TRUE(OpenClipboard(nullptr));
  auto emf = static_cast<HENHMETAFILE>(GetClipboardData(CF_ENHMETAFILE));
  EXPECT_NE(emf, nullptr);
  ENHMETAHEADER header{};
  EXPECT_NE(GetEnhMetaFileHeader(emf, sizeof header, &header), 0u);
  CloseClipboard();
}

TEST(QrCodeClipboard, PasteSetsCodeToTheTextInTheAnsiCodePage) {
  const std::wstring wide = L"\x4E2D\x6587 QR";  // 中文 QR
  struct Case {
    const char* name;
    UINT format;
    std::string bytes;
    const char* code;  // null: nothing to paste
  } cases[] = {
      {"ANSI text", CF_TEXT, "\xD6\xD0\xCE\xC4 QR", "\xD6\xD0\xCE\xC4 QR"},
      {"Unicode text, read as CF_TEXT in code page 936", CF_UNICODETEXT,
       std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2),
       "\xD6\xD0\xCE\xC4 QR"},
      {"empty text", CF_TEXT, "", ""},
      {"no text", 0, "", nullptr},
  };
  ASSERT_EQ(GetACP(), 936u) << "the Wine tests run in the zh_CN locale";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TQRCode qr;
    SetUpSymbol(qr, "before");
    if (c.format != 0) {
      ASSERT_TRUE(PutClipboardBytes(c.format, c.bytes));
    } else {
      ASSERT_TRUE(qr.CopyToClipboard());  // a picture, no text
    }
    std::vector<std::string> events;
    Record(qr, events);
    EXPECT_EQ(qr.PasteFromClipboard(), c.code != nullptr);
    EXPECT_EQ(qr.Code(), c.code != nullptr ? c.code : "before");
    if (c.code != nullptr) {
      EXPECT_EQ(events,
                (std::vector<std::string>{"change 0", "paint 0", "painted 0", "changed 0"}));
      EXPECT_TRUE(qr.SymbolDisped());
    } else {
      EXPECT_TRUE(events.empty());
    }
  }
}

TEST(QrCodeClipboardWatch, TheFirstNotificationIsSkippedThenTextReplacesCode) {
  ASSERT_TRUE(PutClipboardBytes(CF_TEXT, "on the clipboard before joining"));
  TestViewer viewer;
  TQRCode qr;
  SetUpSymbol(qr, "start");
  std::vector<std::string> events;
  Record(qr, events);

  qr.SetClipWatch(true);
  EXPECT_TRUE(qr.InClipboardChain());
  EXPECT_NE(GetClipboardViewer(), viewer.hwnd);  // the component's window heads the chain
  EXPECT_EQ(qr.Code(), "start");                 // joining's notification was swallowed
  EXPECT_TRUE(events.empty());

  PutFromAnotherThread(CF_TEXT, "first change");
  EXPECT_EQ(qr.Code(), "first change");
  EXPECT_EQ(events, (std::vector<std::string>{"change 1", "paint 1", "painted 1", "changed 1"}));
  EXPECT_EQ(viewer.draws, 1);  // passed on down the chain

  events.clear();
  qr.SetCode("typed");  // no longer because of the clipboard
  EXPECT_EQ(events, (std::vector<std::string>{"change 0", "paint 0", "painted 0", "changed 0"}));

  qr.SetClipWatch(false);
  EXPECT_FALSE(qr.InClipboardChain());
  EXPECT_EQ(GetClipboardViewer(), viewer.hwnd);
  PutFromAnotherThread(CF_TEXT, "after leaving");
  EXPECT_EQ(qr.Code(), "typed");
  EXPECT_EQ(viewer.draws, 2);  // the chain is whole without the component

  // Switching on again skips again.
  qr.SetClipWatch(true);
  EXPECT_EQ(qr.Code(), "typed");
  PutFromAnotherThread(CF_TEXT, "second change");
  EXPECT_EQ(qr.Code(), "second change");
}

TEST(QrCodeClipboardWatch, TheChainIsJoinedWhileWatchingWithAHandlerAndLeftOnDestruction) {
  const HWND earlier = GetClipboardViewer();
  int notified = 0;
  auto count = [&](TQRCode&) { ++notified; };
  auto qr = std::make_unique<TQRCode>();
  qr->SetOnClipChange(count);
  EXPECT_FALSE(qr->InClipboardChain());  // ClipWatch is off
  qr->SetClipWatch(true);
  EXPECT_TRUE(qr->InClipboardChain());
  EXPECT_EQ(notified, 1);  // a handler of its own sees joining's notification too
  const HWND window = GetClipboardViewer();
  EXPECT_NE(window, earlier);
  qr->SetOnClipChange(nullptr);
  EXPECT_FALSE(qr->InClipboardChain());
  EXPECT_EQ(GetClipboardViewer(), earlier);
  qr->SetOnClipChange(count);
  EXPECT_TRUE(qr->InClipboardChain());
  EXPECT_EQ(notified, 2);

  // A program joins after the component; changes reach the component through it.
  TestViewer viewer;
  EXPECT_EQ(viewer.next, window);
  PutFromAnotherThread(CF_TEXT, "x");
  EXPECT_EQ(viewer.draws, 1);
  EXPECT_EQ(notified, 3);

  // Destroyed while watching: the head of the chain learns that the component's window is
  // gone and which window followed it.
  qr.reset();
  EXPECT_EQ(viewer.removed, std::vector<HWND>{window});
  EXPECT_EQ(viewer.next, earlier);
  PutFromAnotherThread(CF_TEXT, "y");
  EXPECT_EQ(viewer.draws, 2);
  EXPECT_EQ(notified, 3);
}

TEST(QrCodeClipboardWatch, TheComponentKeepsTheChainWhenOthersLeave) {
  // The chain, head first: the component, then a, b, c.
  auto c = std::make_unique<TestViewer>();
  auto b = std::make_unique<TestViewer>();
  auto a = std::make_unique<TestViewer>();
  TQRCode qr;
  qr.SetClipWatch(true);

  // Its next one leaves: the component passes changes on to the one after.
  a.reset();
  PutFromAnotherThread(CF_TEXT, "without a");
  EXPECT_EQ(qr.Code(), "without a");
  EXPECT_EQ(b->draws, 1);
  EXPECT_EQ(c->draws, 1);

  // One further down leaves: the news goes on down to the window before it.
  const HWND gone = c->hwnd;
  c.reset();
  EXPECT_EQ(b->removed, std::vector<HWND>{gone});
  PutFromAnotherThread(CF_TEXT, "without c");
  EXPECT_EQ(b->draws, 2);
}

TEST(QrCodeClipboardWatch, HandlersThatFailOrLeaveInsideANotification) {
  TestViewer viewer;
  // A failing handler is reported, and the notification goes no further down the chain.
  {
    TQRCode qr;
    std::vector<std::string> errors;
    qr.OnClipError = [&](TQRCode&, std::exception_ptr error) {
      try {
        std::rethrow_exception(error);
      } catch (const std::exception& e) {
        errors.push_back(e.what());
      }
    };
    qr.SetOnClipChange([](TQRCode&) { throw std::runtime_error("no paste"); });
    qr.SetClipWatch(true);
    const int draws = viewer.draws;
    PutFromAnotherThread(CF_TEXT, "z");
    EXPECT_EQ(errors, (std::vector<std::string>{"no paste", "no paste"}));  // joining, change
    EXPECT_EQ(viewer.draws, draws);
  }
  // A handler that switches watching off leaves the chain at once; the notification that it
  // handled still goes on.
  {
    TQRCode qr;
    int calls = 0;
    qr.SetClipWatch(true);  // joins with PasteOnClipChange, which skips
    qr.SetOnClipChange([&](TQRCode& self) {
      ++calls;
      self.SetClipWatch(false);
    });
    EXPECT_TRUE(qr.InClipboardChain());
    const int draws = viewer.draws;
    PutFromAnotherThread(CF_TEXT, "leave");
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(qr.InClipboardChain());
    EXPECT_EQ(viewer.draws, draws + 1);
    EXPECT_EQ(GetClipboardViewer(), viewer.hwnd);
  }
}

TEST(QrCodeOutputResources, RenderingAndCopyingLeaveNoGdiObjectBehind) {
  // The clipboard keeps what was put on it, so it is emptied before each count; one round
  // first lets GDI make its caches (the screen DC, fonts).
  auto empty_clipboard = [] {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
  };
  auto round = [](int i) {
    TQRCode qr(&PlatformTextRenderer());
    qr.SetCommentDown("No. " + std::to_string(i));
    qr.SetSymbolSpaceDown(16);
    qr.SetMatch(true);
    qr.SetCode("round " + std::to_string(i));
    EXPECT_TRUE(qr.CopyToClipboard());
    qr.SetSymbolPicture(picEMF);
    EXPECT_TRUE(qr.CopyToClipboard());
    qr.SetSymbolPicture(picWMF);
    EXPECT_TRUE(qr.CopyToClipboard());
    qr.SetCode(std::string(400, '9'));  // does not fit: the metafile stays
    qr.SetClipWatch(true);
    EXPECT_TRUE(PutClipboardBytes(CF_TEXT, "pasted " + std::to_string(i)));
    EXPECT_EQ(qr.Code(), "pasted " + std::to_string(i));
  };
  round(0);
  empty_clipboard();
  const int before = test::LiveGdiObjects();
  ASSERT_GT(before, 0);
  {
    // The count sees one more object.
    HBRUSH probe = CreateSolidBrush(RGB(1, 2, 3));
    EXPECT_EQ(test::LiveGdiObjects(), before + 1);
    DeleteObject(probe);
  }
  for (int i = 1; i <= 300; ++i) round(i);
  empty_clipboard();
  EXPECT_EQ(test::LiveGdiObjects(), before);
}

}  // namespace
}  // namespace velin
