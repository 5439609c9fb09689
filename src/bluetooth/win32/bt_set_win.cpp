#include "bluetooth/win32/bt_set_win.h"

#include <cstdio>

namespace velin {
namespace {

using skin::DesignRect;

constexpr char kConfirmSetName[] = "您确定要修改蓝牙名称吗";
constexpr char kNameSet[] = "设置蓝牙名称成功";

}  // namespace

Tbt_set::Tbt_set(TUSBFiFo& fifo, std::function<void(bool paused)> set_paused,
                 MessageBoxFn message_box, HWND centre_on)
    : fifo_(fifo), message_box_(std::move(message_box)) {
  const skin::Theme& t = skin::DefaultTheme();
  frame_.Create(skin::SideWindowArgs("蓝牙设置", kWidth, kHeight, centre_on));

  DesignRect area =
      skin::Inset({0, t.title_bar_height, kWidth, kHeight - t.title_bar_height}, 18, 12);
  auto labelled = [&](const char* caption) {
    DesignRect line = skin::TakeTop(area, 28, 10);
    frame_.Add<skin::Label>(
        skin::LabelArgs{.text = caption, .bounds = skin::TakeLeft(line, 72, 6)});
    return line;
  };
  edt_name = frame_.Add<skin::EditBox>(skin::EditArgs{.bounds = labelled("蓝牙名称")});
  edt_addr = frame_.Add<skin::EditBox>(skin::EditArgs{.bounds = labelled("蓝牙地址")});
  const std::vector<DesignRect> cells = skin::SplitRow(skin::TakeBottom(area, 32), 2, 16);
  skin::ButtonArgs query;
  query.text = "查询";
  query.bounds = cells[0];
  scGPButton2 = frame_.Add<skin::Button>(query);
  scGPButton2->on_click = [this] { scGPButton2Click(); };
  skin::ButtonArgs set;
  set.text = "设置蓝牙名称";
  set.bounds = cells[1];
  set.style = skin::ButtonStyle::kPrimary;
  scGPButton1 = frame_.Add<skin::Button>(set);
  scGPButton1->on_click = [this] { scGPButton1Click(); };

  // Out of sight, below the client area.
  skin::EditArgs memo;
  memo.bounds = {18, kHeight + 10, kWidth - 36, 120};
  memo.multiline = true;
  memo.read_only = true;
  memo.vertical_scroll = true;
  Memo1 = frame_.Add<skin::EditBox>(memo);
  const std::vector<DesignRect> developer =
      skin::SplitRow({18, kHeight + 140, kWidth - 36, 28}, 3, 8);
  auto hidden_button = [&](size_t i, const char* caption) {
    skin::ButtonArgs b;
    b.text = caption;
    b.bounds = developer[i];
    b.tab_stop = false;
    return frame_.Add<skin::Button>(b);
  };
  Button1 = hidden_button(0, "实时数据");
  Button1->on_click = [this] { Button1Click(); };
  btn1 = hidden_button(1, "退出实时");
  btn1->on_click = [this] { btn1Click(); };
  Button2 = hidden_button(2, "模拟发送");
  Button2->on_click = [this] { Button2Click(); };

  frame_.on_close = [this] {
    debug = false;
    if (busy_) {  // the exchange on the stack ends first
      close_requested_ = true;
      return false;
    }
    module_.reset();  // FormClose: FBTCmd cleared
    return true;
  };
  frame_.CentreOn(centre_on);

  BluetoothModule::Services services;
  services.fifo = &fifo_;
  services.pump = [this] { Pump(); };
  services.set_paused = std::move(set_paused);
  services.log = [this](const std::string& line) { Trace(line); };
  module_ = std::make_unique<BluetoothModule>(std::move(services));
}

Tbt_set::~Tbt_set() { module_.reset(); }

int Tbt_set::ShowModal() { return frame_.ShowModal(); }

void Tbt_set::Pump() {
  MSG msg;
  bool any = false;
  while (!quit_ && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    any = true;
    if (msg.message == WM_QUIT) {
      quit_ = true;
      quit_code_ = msg.wParam;
      debug = false;
      break;
    }
    if (!skin::TranslateSkinMessage(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  if (!any && !quit_) MsgWaitForMultipleObjectsEx(0, nullptr, 1, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

void Tbt_set::Exclusive(const std::function<void()>& body) {
  if (busy_ || !module_) return;
  busy_ = true;
  body();
  busy_ = false;
  if (quit_) {
    quit_ = false;
    PostQuitMessage(static_cast<int>(quit_code_));
  }
  if (close_requested_) {
    close_requested_ = false;
    frame_.Close();
  }
}

void Tbt_set::Trace(const std::string& line) {
  if (Memo1 != nullptr) Memo1->AppendLine(line, kMemoChars);
}

void Tbt_set::scGPButton2Click() {
  Exclusive([this] {
    const BtResult name = module_->QueryName();
    if (name.status != BtStatus::kOk) Trace(DescribeBtStatus(name.status));
    edt_name->SetText(name.text);
    const BtResult address = module_->QueryAddress();
    if (address.status != BtStatus::kOk) Trace(DescribeBtStatus(address.status));
    edt_addr->SetText(address.text);
  });
}

void Tbt_set::scGPButton1Click() {
  Exclusive([this] {
    if (message_box_(frame_.hwnd(), 2, kConfirmSetName) != IDOK) return;
    const BtResult reply = module_->SetName(edt_name->Text());
    if (reply.status != BtStatus::kOk) Trace(DescribeBtStatus(reply.status));
    if (!reply.text.empty()) message_box_(frame_.hwnd(), 1, kNameSet);
  });
}

void Tbt_set::Button1Click() {
  Exclusive([this] {
    debug = true;
    while (debug) {
      uint8_t byte = 0;
      if (fifo_.GetChar(byte)) {
        char hex[3];
        std::snprintf(hex, sizeof(hex), "%02X", byte);
        Trace(hex);
      }
      Pump();
    }
  });
}

void Tbt_set::btn1Click() { debug = false; }

void Tbt_set::Button2Click() {
  if (fifo_.usbComm) {
    const std::string query = kAtQueryName;
    fifo_.usbComm->WriteData(reinterpret_cast<const uint8_t*>(query.data()),
                             static_cast<int32_t>(query.size()));
  }
}

}  // namespace velin
