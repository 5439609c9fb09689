#include "diagnostics/win32/debug_form_win.h"

#include <commdlg.h>

#include <mutex>
#include <vector>

#include "base/win32/wide_win.h"

namespace velin::diagnostics {
namespace {

using skin::DesignRect;
constexpr UINT_PTR kRefreshTimer = 1;

skin::Image ToImage(const Bitmap32& bitmap) {
  skin::Image image(bitmap.width(), bitmap.height());
  skin::Surface view = image.View();
  for (int y = 0; y < bitmap.height(); ++y) {
    const uint32_t* from = bitmap.Row(y);
    uint32_t* to = view.Row(y);
    for (int x = 0; x < bitmap.width(); ++x) to[x] = from[x] | 0xFF000000u;  // opaque
  }
  return image;
}

}  // namespace

std::optional<std::string> WindowsSaveDialog::Ask(const SaveDialogOptions& options) {
  // "数据文件|*.bin" as the dialog wants it: pairs separated and ended by NULs.
  std::wstring filter = Utf8ToWide(options.filter_name);
  filter.push_back(L'\0');
  filter += Utf8ToWide(options.filter_pattern);
  filter.push_back(L'\0');
  filter.push_back(L'\0');
  const std::wstring extension = Utf8ToWide(options.default_extension);
  std::vector<wchar_t> file(32768, L'\0');
  const std::wstring proposed = Utf8ToWide(options.file_name);
  std::copy(proposed.begin(), proposed.end(), file.begin());
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = owner_;
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrDefExt = extension.c_str();
  ofn.Flags =
      OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
  if (!GetSaveFileNameW(&ofn)) return std::nullopt;
  return WideToUtf8(file.data());
}

Timage_view::Timage_view(PageImage& page, HWND owner) {
  int width = 0, height = 0;
  {
    std::lock_guard<std::mutex> hold(page.lock());
    width = page.Width();
    height = page.Height();
  }
  const PreviewGeometry g = PreviewLayout(width, height);
  const skin::Theme& t = skin::DefaultTheme();
  frame_.Create(skin::SideWindowArgs("调试模式", g.window_width, g.window_height, owner));
  scgpnl_image = frame_.Add<skin::Panel>(skin::PanelArgs{
      {g.image_x, g.image_y, g.image_width, g.image_height}, t.side_panel, "scgpnl_image"});
  skin::ImageBoxArgs image;
  image.bounds = {0, 0, g.image_width, g.image_height};
  image.fit = skin::ImageFit::kStretch;
  image.text = "img";
  img = scgpnl_image->Add<skin::ImageBox>(image);
  img->SetImage(ToImage(PreviewImage(page, g.image_width, g.image_height)));
  frame_.CentreOn(nullptr);  // on the screen
}

Tdebug_form::Tdebug_form(TUSBFiFo& fifo, PageImage& page, MessageBoxFn message_box, Openers openers,
                         HWND centre_on)
    : session_(fifo),
      page_(page),
      message_box_(std::move(message_box)),
      openers_(std::move(openers)) {
  const skin::Theme& t = skin::DefaultTheme();
  frame_.Create(skin::SideWindowArgs("调试模式", kWidth, kHeight, centre_on));
  frame_.on_close = [this] {
    session_.Stop();  // FormClose
    return true;
  };
  frame_.on_message = [this](UINT message, WPARAM wparam, LPARAM, LRESULT* result) {
    if (message != WM_TIMER || wparam != kRefreshTimer) return false;
    RefreshMemo();
    *result = 0;
    return true;
  };

  DesignRect area =
      skin::Inset({0, t.title_bar_height, kWidth, kHeight - t.title_bar_height}, 13, 8);
  skin::EditArgs memo;
  memo.bounds = skin::TakeTop(area, 156, 12);
  memo.bounds.width = 430;
  memo.multiline = true;
  memo.read_only = true;
  memo.vertical_scroll = true;
  memo.horizontal_scroll = true;
  mmo_cmd = frame_.Add<skin::EditBox>(memo);
  const std::vector<DesignRect> cells = skin::SplitRow(skin::TakeTop(area, 32), 5, 8);
  auto button = [&](size_t i, const char* caption, skin::ButtonStyle style) {
    skin::ButtonArgs b;
    b.text = caption;
    b.bounds = cells[i];
    b.style = style;
    return frame_.Add<skin::Button>(b);
  };
  scGPButton1 = button(0, "开启调试", skin::ButtonStyle::kPrimary);
  scGPButton1->on_click = [this] { scGPButton1Click(); };
  scGPButton2 = button(1, "停止调试", skin::ButtonStyle::kSecondary);
  scGPButton2->on_click = [this] { scGPButton2Click(); };
  scGPButton3 = button(2, "保存数据", skin::ButtonStyle::kSecondary);
  scGPButton3->on_click = [this] { scGPButton3Click(); };
  scGPButton4 = button(3, "查看图像", skin::ButtonStyle::kSecondary);
  scGPButton4->on_click = [this] { scGPButton4Click(); };
  scGPButton5 = button(4, "蓝牙设置", skin::ButtonStyle::kSecondary);
  scGPButton5->on_click = [this] { scGPButton5Click(); };
  frame_.CentreOn(centre_on);

  session_.log().Clear();  // FormCreate: the log starts empty
  SetTimer(frame_.hwnd(), kRefreshTimer, kRefreshMs, nullptr);
}

Tdebug_form::~Tdebug_form() {
  if (frame_.hwnd() != nullptr) KillTimer(frame_.hwnd(), kRefreshTimer);
  session_.Stop();
}

void Tdebug_form::ThreadProgress(const TDebugData& record) { session_.Received(record); }

void Tdebug_form::RefreshMemo() {
  const CommandLog::Refresh refresh = session_.log().TakeRefresh();
  if (refresh.replace) {
    mmo_cmd->SetText(session_.log().Text());
    const LRESULT end = GetWindowTextLengthW(mmo_cmd->edit());
    SendMessageW(mmo_cmd->edit(), EM_SETSEL, end, end);
    SendMessageW(mmo_cmd->edit(), EM_SCROLLCARET, 0, 0);
    return;
  }
  if (refresh.added.empty()) return;
  // One edit for all the new lines: the memo lays its text out again at every change.
  std::string lines;
  for (const std::string& line : refresh.added) {
    if (!lines.empty()) lines += "\r\n";
    lines += line;
  }
  mmo_cmd->AppendLine(lines);
}

void Tdebug_form::scGPButton1Click() {
  session_.Start();
  RefreshMemo();
}

void Tdebug_form::scGPButton2Click() { session_.Stop(); }

void Tdebug_form::scGPButton3Click() {
  WindowsSaveDialog dialog(frame_.hwnd());
  const DebugSession::SaveResult result = session_.Save(dialog);
  if (result.kind == DebugSession::SaveResult::kFailed) {
    message_box_(frame_.hwnd(), 4, result.error);
  }
}

void Tdebug_form::scGPButton4Click() {
  if (openers_.preview) {
    openers_.preview(frame_.hwnd());
    return;
  }
  Timage_view view(page_, frame_.hwnd());
  view.ShowModal();
}

void Tdebug_form::scGPButton5Click() {
  if (openers_.bluetooth) openers_.bluetooth(frame_.hwnd());
}

}  // namespace velin::diagnostics
