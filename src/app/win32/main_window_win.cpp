#include "app/win32/main_window_win.h"

#include <shellapi.h>

#include "app/app_texts.h"
#include "app/icon_art.h"
#include "app/win32/msg_box_win.h"
#include "app/win32/update_detail_win.h"
#include "base/win32/wide_win.h"
#include "config/ini_file.h"
#include "fonts/win32/font_install_win.h"
#include "fonts/win32/font_settings_win.h"

namespace velin::app {
namespace {

using skin::DesignRect;

constexpr int kStateImageSize = 24;  // design pixels

}  // namespace

Tmain::Tmain(MainWindowLogic& logic, WindowRegistry& registry)
    : logic_(logic), registry_(registry) {}

Tmain::~Tmain() {
  if (btn_usbstate != nullptr) btn_usbstate->ClearIcon();
  FreeStateImages();
}

void Tmain::Create(HICON icon, int dpi) {
  const skin::Theme& t = skin::DefaultTheme();
  skin::FrameArgs args;
  args.title = kAppTitle;
  args.width = kWidth;
  args.height = kHeight;
  args.background = t.window;
  args.show_title = false;
  args.title_bar = DesignRect{kColumnWidth, 0, kWidth - kColumnWidth, t.title_bar_height};
  args.minimise_button = true;
  args.close_button = true;
  args.task_bar_button = true;
  args.icon = icon;
  args.dpi = dpi;
  frame_.Create(args);
  frame_.on_minimise = [this] { HideToTray(); };
  frame_.on_close = [this] {
    if (on_exit) on_exit();
    return false;  // the program takes the window down in its own order
  };
  frame_.on_message = [this](UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
    if (on_app_message && on_app_message(message, wparam, lparam, result)) return true;
    return HandleMessage(message, wparam, lparam, result);
  };
  frame_.on_dpi_changed = [this](int) {
    LoadStateImages();
    ShowStateImage(state_image_);
    if (picture != nullptr) picture->SetImage(AppIcon(frame_.Px(40)));
  };

  BuildColumn();
  DesignRect client = {kColumnWidth, t.title_bar_height, kWidth - kColumnWidth,
                       kHeight - t.title_bar_height};
  scgpgvwr_page = frame_.Add<skin::PageViewer>(skin::PageViewerArgs{client, t.window});
  BuildReceiverPage(scgpgvwr_page->AddPage("蓝牙打印"));
  BuildSettingsPage(scgpgvwr_page->AddPage("系统设置"));
  BuildFontsPage(scgpgvwr_page->AddPage("字体设置"));
  ShowPage(0);

  // Centred on the monitor the user started the program on (the one under the pointer).
  POINT pointer{};
  GetCursorPos(&pointer);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (GetMonitorInfoW(MonitorFromPoint(pointer, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
    SetWindowPos(hwnd(), nullptr, monitor.rcWork.left, monitor.rcWork.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  frame_.CentreOn(nullptr);
}

void Tmain::BuildColumn() {
  const skin::Theme& t = skin::DefaultTheme();
  auto* column =
      frame_.Add<skin::Panel>(skin::PanelArgs{{0, 0, kColumnWidth, kHeight}, t.side_panel, "导航"});
  DesignRect area = skin::Inset({0, 0, kColumnWidth, kHeight}, 12, 12);
  version = column->Add<skin::Label>(skin::LabelArgs{
      .text = VersionLabel(), .bounds = skin::TakeTop(area, 22, 12), .colour = t.text_muted});
  const char* captions[] = {"蓝牙打印", "系统设置", "字体设置"};
  for (int i = 0; i < 3; ++i) {
    skin::ButtonArgs b;
    b.text = captions[i];
    b.bounds = skin::TakeTop(area, 34, 6);
    b.style = skin::ButtonStyle::kNavigation;
    b.align = skin::Align::kStart;
    navigation_.push_back(column->Add<skin::Button>(b));
    navigation_.back()->on_click = [this, i] { ShowPage(i); };
  }
  btn_device = navigation_[0];
  btn_setting = navigation_[1];
  btn_fonts = navigation_[2];
  skin::ImageBoxArgs p;
  p.bounds = skin::TakeBottom(area, 40);
  p.text = "Velin";
  picture = column->Add<skin::ImageBox>(p);
  picture->SetImage(AppIcon(frame_.Px(40)));
}

void Tmain::BuildReceiverPage(skin::Panel* page) {
  const skin::Theme& t = skin::DefaultTheme();
  const DesignRect client = scgpgvwr_page->bounds();
  DesignRect area = skin::Inset({0, 0, client.width, client.height}, 16, 14);
  const std::vector<DesignRect> row = skin::SplitRow(skin::TakeTop(area, 30), 4, 8);
  auto link = [&](size_t i, const char* caption) {
    skin::ButtonArgs b;
    b.text = caption;
    b.bounds = row[i];
    return page->Add<skin::Button>(b);
  };
  const Links& links = MakerLinks();
  scGPButton2 = link(0, "淘宝网店");
  scGPButton2->on_click = [this, address = links.shop] { OpenLink(address); };
  scGPButton3 = link(1, "访问官网");
  scGPButton3->on_click = [this, address = links.web_site] { OpenLink(address); };
  scGPButton8 = link(2, "文档中心");
  scGPButton8->on_click = [this, address = links.documents] { OpenLink(address); };
  scGPButton5 = link(3, "联系客服");
  scGPButton5->on_click = [this] { MsgBox(1, "", ContactText(MakerLinks().web_site), hwnd()); };

  DesignRect bottom = skin::TakeBottom(area, 64);
  const DesignRect ring = skin::TakeRight(bottom, 56, 18);
  skin::ButtonArgs state;
  state.text = kReceiverMissing;
  state.bounds = {bottom.x, bottom.y + 12, bottom.width, 40};
  state.style = skin::ButtonStyle::kPrimary;
  btn_usbstate = page->Add<skin::Button>(state);
  btn_usbstate->on_click = [this] {
    if (open_debug_window) open_debug_window();
  };
  LoadStateImages();
  ShowStateImage(kImageReceiverMissing);
  scgpcrcldprgrsbr_threadstate = page->Add<skin::ProgressRing>(
      skin::ProgressRingArgs{{ring.x, ring.y + (ring.height - 56) / 2, 56, 56}, 0, 100, 50});
  (void)t;
}

void Tmain::BuildSettingsPage(skin::Panel* page) {
  const DesignRect client = scgpgvwr_page->bounds();
  DesignRect area = skin::Inset({0, 0, client.width, client.height}, 16, 12);
  auto labelled = [&](const char* caption) {
    DesignRect line = skin::TakeTop(area, 28, 8);
    page->Add<skin::Label>(
        skin::LabelArgs{.text = caption, .bounds = skin::TakeLeft(line, 104, 4)});
    return line;
  };
  cbb_printers = page->Add<skin::ComboBox>(skin::ComboArgs{labelled("绑定打印机："), {}, -1, 8});
  cbb_printers->on_close_up = [this] {
    const int index = cbb_printers->Selection();
    ShowNotice(logic_.PrinterClosedUp(
        index >= 0 ? std::optional<std::string>(cbb_printers->ItemText(index)) : std::nullopt));
  };
  cbb_tran_mode = page->Add<skin::ComboBox>(skin::ComboArgs{
      labelled("数据传输模式："), {std::begin(kTransferModes), std::end(kTransferModes)}, 1, 8});
  auto transfer_mode_closed_up = [this] {
    ShowNotice(logic_.TransferModeClosedUp(cbb_tran_mode->Selection()));
  };
  cbb_tran_mode->on_close_up = transfer_mode_closed_up;
  scGPComboBox1 = page->Add<skin::ComboBox>(skin::ComboArgs{
      labelled("快递平台："), {std::begin(kCourierPlatforms), std::end(kCourierPlatforms)}, 0, 8});
  scGPComboBox1->on_close_up = transfer_mode_closed_up;

  DesignRect buttons = skin::TakeBottom(area, 30);
  skin::ButtonArgs check;
  check.text = "检查更新";
  check.bounds = skin::TakeLeft(buttons, 110, 10);
  check.style = skin::ButtonStyle::kPrimary;
  scGPButton7 = page->Add<skin::Button>(check);
  scGPButton7->on_click = [this] { MsgBox(1, "", kNoUpdate, hwnd()); };
  update_ring = page->Add<skin::ProgressRing>(
      skin::ProgressRingArgs{skin::TakeLeft(buttons, 30, 10), 0, 100, 0});
  update_ring->SetVisible(false);
  skin::ButtonArgs log;
  log.text = "更新日志";
  log.bounds = skin::TakeLeft(buttons, 110);
  scGPButton4 = page->Add<skin::Button>(log);
  scGPButton4->on_click = [this] { OpenModal<Tupdate_detail>(registry_, hwnd()); };
}

void Tmain::BuildFontsPage(skin::Panel* page) {
  const DesignRect client = scgpgvwr_page->bounds();
  DesignRect area = skin::Inset({0, 0, client.width, client.height}, 16, 14);
  DesignRect row = skin::TakeTop(area, 34);
  skin::ButtonArgs install;
  install.text = "安装字体";
  install.bounds = skin::TakeLeft(row, 140, 12);
  scGPButton1 = page->Add<skin::Button>(install);
  scGPButton1->on_click = [this] { scGPButton1Click(); };
  skin::ButtonArgs settings;
  settings.text = "打印字体设置";
  settings.bounds = skin::TakeLeft(row, 140);
  scGPButton9 = page->Add<skin::Button>(settings);
  scGPButton9->on_click = [this] { scGPButton9Click(); };
}

void Tmain::scGPButton1Click() {
  fonts::WindowsFontInstallPlatform platform;
  const fonts::InstallOutcome outcome =
      fonts::InstallFont(GetExePath() + fonts::kSuppliedFont, platform);
  MsgBox(outcome.error_box ? 4 : 0, "", outcome.text, hwnd());
}

void Tmain::scGPButton9Click() {
  OpenModal<fonts::Tfontset>(
      registry_, [] { return OpenIniFile(ConfigPath()); },
      [](HWND owner, int kind, const std::string& text) { return MsgBox(kind, "", text, owner); },
      hwnd());
}

void Tmain::ShowPage(int index) {
  scgpgvwr_page->ShowPage(index);
  SetLeftMenuFocuseStyle();
}

void Tmain::SetLeftMenuFocuseStyle() {
  const std::array<bool, 3> selected =
      MainWindowLogic::NavigationSelected(scgpgvwr_page->CurrentPage());
  for (size_t i = 0; i < navigation_.size(); ++i) navigation_[i]->SetSelected(selected[i]);
}

void Tmain::ShowNormal() {
  if (hwnd() == nullptr) return;
  ShowWindow(hwnd(), IsIconic(hwnd()) ? SW_RESTORE : SW_SHOWNORMAL);
  frame_.Show();
  SetForegroundWindow(hwnd());
}

void Tmain::HideToTray() { frame_.Hide(); }

void Tmain::WMThreadProgress(const TThreadData& data) {
  const ProgressView view = MainWindowLogic::Progress(data);
  scgpcrcldprgrsbr_threadstate->SetValue(view.ring);
  if (btn_usbstate->Text() != view.caption) btn_usbstate->SetText(view.caption);
  if (view.image != state_image_) ShowStateImage(view.image);
}

void Tmain::GetAllPrinterName() {
  const MainWindowLogic::Showing showing = logic_.GetAllPrinterName();
  if (showing.printers) {
    cbb_printers->Clear();
    for (const std::string& name : showing.printers->items) cbb_printers->AddItem(name);
    cbb_printers->SetSelection(showing.printers->selection);
  }
  if (showing.transfer_mode) cbb_tran_mode->SetSelection(*showing.transfer_mode);
}

void Tmain::LoadStateImages() {
  FreeStateImages();
  const int px = frame_.Px(kStateImageSize);
  const int ids[] = {kImageReceiverFound, kImageReceiverMissing};
  for (int i = 0; i < 2; ++i) {
    state_icons_[i] = static_cast<HICON>(LoadImageW(
        GetModuleHandleW(nullptr), MAKEINTRESOURCEW(ids[i]), IMAGE_ICON, px, px, LR_DEFAULTCOLOR));
  }
}

void Tmain::FreeStateImages() {
  for (HICON& icon : state_icons_) {
    if (icon != nullptr) DestroyIcon(icon);
    icon = nullptr;
  }
}

void Tmain::ShowStateImage(int index) {
  if (btn_usbstate == nullptr) return;
  state_image_ = index;
  HICON icon = state_icons_[index == kImageReceiverFound ? 0 : 1];
  if (icon != nullptr) {
    btn_usbstate->SetIcon(icon, kStateImageSize);
  } else {
    // A build without the program's resources (tests): the same pictures, drawn here.
    btn_usbstate->SetIcon(
        [index](int dpi) { return StateImage(index, skin::Scale(kStateImageSize, dpi)); });
  }
}

void Tmain::ShowNotice(const std::optional<Notice>& notice) {
  if (notice) MsgBox(notice->kind, "", notice->text, hwnd());
}

void Tmain::OpenLink(const char* address) {
  ShellExecuteW(hwnd(), nullptr, Utf8ToWide(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

bool Tmain::HandleMessage(UINT message, WPARAM wparam, LPARAM, LRESULT* result) {
  switch (message) {
    case WM_SHOWWINDOW:
      // FormShow: every showing, also back from the tray.
      if (wparam) GetAllPrinterName();
      return false;
    case WM_SYSCOMMAND:
      if ((wparam & 0xFFF0) == SC_MINIMIZE) {  // Win+Down, the system menu: to the tray too
        HideToTray();
        *result = 0;
        return true;
      }
      return false;
    default:
      return false;
  }
}

}  // namespace velin::app
