#include "app/win32/app_win.h"

#include <cstdlib>

#include "app/app_texts.h"
#include "app/device_search_override.h"
#include "app/win32/msg_box_win.h"
#include "bluetooth/win32/bt_set_win.h"
#include "config/ini_file.h"
#include "diagnostics/win32/debug_form_win.h"
#include "interpreter/printing.h"
#include "usb/device_search.h"
#include "usb/usb_port.h"

namespace velin::app {
namespace {

HICON LoadAppIcon(int size) {
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON,
                                       size, size, LR_DEFAULTCOLOR));
}

BOOL CALLBACK CloseThreadWindow(HWND window, LPARAM) {
  PostMessageW(window, WM_CLOSE, 0, 0);
  return TRUE;
}

}  // namespace

App::App()
    : config_path_(ConfigPath()),
      ui_printers_(PlatformPrinterSystem()),
      logic_([this] { return ui_printers_->InstalledPrinters(); },
             [this] { return OpenIniFile(config_path_); }) {}

App::~App() { Shutdown(); }

int App::Run() {
  FormCreate();
  // Without a notification area yet (Explorer still starting), TaskbarCreated adds it later.
  tray_.Add(main_->hwnd(), small_icon_, kAppTitle);
  main_->ShowNormal();
  const int code = skin::RunMessageLoop();
  Shutdown();
  return code;
}

void App::FormCreate() {
  big_icon_ = LoadAppIcon(GetSystemMetrics(SM_CXICON));
  small_icon_ = LoadAppIcon(GetSystemMetrics(SM_CXSMICON));
  main_ = std::make_unique<Tmain>(logic_, registry_);
  main_->on_exit = [this] { RequestExit(); };
  main_->on_app_message = [this](UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
    return HandleMessage(message, wparam, lparam, result);
  };
  main_->open_debug_window = [this] { OpenDebugWindow(); };
  main_->Create(big_icon_);
  tray_.on_show = [this] { main_->ShowNormal(); };
  tray_.on_exit = [this] { RequestExit(); };
  dispatcher_.Attach(main_->hwnd());

  // The interpreter: the real receiver search and port, the spooler, the GDI text renderer.
  InterpreterServices services;
  services.ui = &dispatcher_;
  printers_ = PlatformPrinterSystem();
  services.printers = printers_.get();
  services.config_path = config_path_;
  services.message_box = [this](const std::string& text) {
    interpreter_thread_id_.store(GetCurrentThreadId());
    MsgBox(0, "", text);
    interpreter_thread_id_.store(0);
  };
  services.main_window = [this](const TThreadData& data) { main_->WMThreadProgress(data); };
  services.debug_window = [this](const TDebugData& data) {
    if (auto* form = registry_.Latest<diagnostics::Tdebug_form>()) form->ThreadProgress(data);
  };
  std::unique_ptr<DeviceSearch> search = CreatePlatformDeviceSearch();
  if (const char* stand_in = std::getenv(kTestReceiverVariable); stand_in && *stand_in) {
    search = std::make_unique<DeviceSearchWithExtraPath>(std::move(search), stand_in);
  }
  interpreter_ = std::make_unique<TCPCLCmdThread>(std::move(services), CreatePlatformUsbPort(),
                                                  std::move(search));
  interpreter_->Start();
}

void App::OpenDebugWindow() {
  if (!interpreter_) return;
  diagnostics::Tdebug_form::Openers openers;
  openers.preview = [this](HWND owner) {
    OpenModal<diagnostics::Timage_view>(registry_, interpreter_->page(), owner);
  };
  auto message_box = [](HWND owner, int kind, const std::string& text) {
    return MsgBox(kind, "", text, owner);
  };
  openers.bluetooth = [this, message_box](HWND owner) {
    OpenModal<Tbt_set>(
        registry_, interpreter_->fifo(), [this](bool paused) { interpreter_->SetBTCmd(paused); },
        message_box, owner);
  };
  OpenModal<diagnostics::Tdebug_form>(registry_, interpreter_->fifo(), interpreter_->page(),
                                      message_box, std::move(openers), main_->hwnd());
}

bool App::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  if (dispatcher_.Deliver(message, wparam, lparam)) {
    *result = 0;
    return true;
  }
  if (tray_.HandleMessage(message, wparam, lparam, result)) return true;
  switch (message) {
    case WM_QUERYENDSESSION:
      *result = TRUE;
      return true;
    case WM_ENDSESSION:
      if (wparam) {
        // Windows may end the process as soon as this returns: nothing may be left behind.
        StopServices();
        exiting_ = true;
        PostQuitMessage(0);
      }
      *result = 0;
      return true;
    default:
      return false;
  }
}

void App::RequestExit() {
  if (exiting_) return;
  exiting_ = true;
  tray_.Remove();
  if (main_ && main_->hwnd() != nullptr) main_->HideToTray();
  PostQuitMessage(0);
}

void App::StopServices() {
  tray_.Remove();
  if (interpreter_) {
    // A message box of the interpreter's (a raw job that failed) would hold the join.
    if (const DWORD thread = interpreter_thread_id_.load()) {
      EnumThreadWindows(thread, &CloseThreadWindow, 0);
    }
    interpreter_->Terminate();
    interpreter_.reset();  // joins; the FIFO and the port go here, on the thread that made them
  }
}

void App::Shutdown() {
  StopServices();
  dispatcher_.Detach();  // records posted but not yet handled are released
  main_.reset();
  for (HICON* icon : {&big_icon_, &small_icon_}) {
    if (*icon != nullptr) DestroyIcon(*icon);
    *icon = nullptr;
  }
  printers_.reset();
}

}  // namespace velin::app
