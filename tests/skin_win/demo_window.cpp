#include "demo_window.h"

#include "skin/painter.h"

namespace velin::skin::test {

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (!TranslateSkinMessage(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

Demo::Demo(int dpi, const std::string& title) {
  const Theme& t = DefaultTheme();
  frame = std::make_unique<Frame>();
  FrameArgs args;
  args.title = title;
  args.width = 560;
  args.height = 240;
  args.show_title = false;
  args.title_bar = DesignRect{150, 0, 410, t.title_bar_height};
  args.minimise_button = true;
  args.dpi = dpi;
  frame->Create(args);

  DesignRect client = {0, 0, 560, 240};
  side = frame->Add<Panel>(PanelArgs{TakeLeft(client, 150), t.side_panel, "导航"});
  DesignRect column = Inset({0, 0, 150, 240}, 12, 12);
  version = side->Add<Label>(LabelArgs{
      .text = "v1.1.2 USB蓝牙", .bounds = TakeTop(column, 24, 14), .colour = t.text_muted});
  for (const char* caption : {"蓝牙打印", "系统设置", "字体设置"}) {
    ButtonArgs b;
    b.text = caption;
    b.bounds = TakeTop(column, 34, 6);
    b.style = ButtonStyle::kNavigation;
    b.align = Align::kStart;
    nav.push_back(side->Add<Button>(b));
  }
  nav[0]->SetSelected(true);
  ImageBoxArgs picture_args;
  picture_args.bounds = TakeBottom(column, 40);
  picture_args.text = "Velin";
  picture = side->Add<ImageBox>(picture_args);
  Image badge(Scale(126, dpi), Scale(40, dpi));
  Painter badge_painter(badge.View());
  badge_painter.FillRoundedRect(RectF(0, 0, float(badge.width()), float(badge.height())),
                                CornerRadii::All(ScaleF(8, dpi)), t.accent_soft);
  badge_painter.StrokeCircle({ScaleF(20, dpi), ScaleF(20, dpi)}, ScaleF(10, dpi), ScaleF(3, dpi),
                             t.accent);
  picture->SetImage(std::move(badge));

  TakeTop(client, t.title_bar_height);
  pages = frame->Add<PageViewer>(PageViewerArgs{client, t.window});
  for (int i = 0; i < 3; ++i) {
    nav[static_cast<size_t>(i)]->on_click = [this, i] {
      pages->ShowPage(i);
      for (size_t j = 0; j < nav.size(); ++j) nav[j]->SetSelected(int(j) == i);
      events.push_back("page " + std::to_string(i));
    };
  }

  // Page 0: links along the top, the state button and the ring along the bottom.
  Panel* receiver = pages->AddPage("蓝牙打印");
  DesignRect area = Inset({0, 0, client.width, client.height}, 16, 12);
  const std::vector<DesignRect> row = SplitRow(TakeTop(area, 32), 4, 10);
  const char* link_captions[] = {"淘宝网店", "访问官网", "文档中心", "联系客服"};
  for (size_t i = 0; i < row.size(); ++i) {
    ButtonArgs b;
    b.text = link_captions[i];
    b.bounds = row[i];
    links.push_back(receiver->Add<Button>(b));
    links.back()->on_click = [this, i] {
      events.push_back(std::string("link ") + std::to_string(i));
    };
  }
  DesignRect bottom = TakeBottom(area, 64);
  const DesignRect ring_box = TakeRight(bottom, 64, 16);
  ButtonArgs sb;
  sb.text = "当前蓝牙适配器未识别";
  sb.bounds = {bottom.x, bottom.y + 14, bottom.width, 40};
  sb.style = ButtonStyle::kPrimary;
  state = receiver->Add<Button>(sb);
  state->SetIcon([](int icon_dpi) {
    const int side = Scale(20, icon_dpi);
    Image icon(side, side);
    Painter p(icon.View());
    p.FillCircle({side / 2.0f, side / 2.0f}, side / 2.0f, Rgb(255, 255, 255));
    p.DrawGlyph(Glyph::kCheck, RectF(0, 0, float(side), float(side)).Inset(side * 0.25f),
                ScaleF(2, icon_dpi), DefaultTheme().accent);
    return icon;
  });
  state->on_click = [this] { events.push_back("state"); };
  ring = receiver->Add<ProgressRing>(ProgressRingArgs{ring_box, 0, 100, 50});

  // Page 1: two labelled lists and two buttons.
  Panel* settings = pages->AddPage("系统设置");
  area = Inset({0, 0, client.width, client.height}, 16, 14);
  auto labelled = [&](Panel* page, const char* caption) {
    DesignRect line = TakeTop(area, 30, 10);
    page->Add<Label>(LabelArgs{.text = caption, .bounds = TakeLeft(line, 110, 6)});
    return line;
  };
  printers = settings->Add<ComboBox>(ComboArgs{labelled(settings, "绑定打印机："), {}, -1, 8});
  modes = settings->Add<ComboBox>(
      ComboArgs{labelled(settings, "数据传输模式："), {"透传", "CPCL指令", "TSPL指令"}, 1, 8});
  modes->on_selection_change = [this](int i) { events.push_back("mode " + std::to_string(i)); };
  modes->on_close_up = [this] { events.push_back("close up"); };
  DesignRect buttons = TakeBottom(area, 32);
  ButtonArgs save_args;
  save_args.text = "检查更新";
  save_args.bounds = TakeLeft(buttons, 110, 10);
  save_args.style = ButtonStyle::kPrimary;
  save = settings->Add<Button>(save_args);
  save->on_click = [this] { events.push_back("save"); };
  ButtonArgs off;
  off.text = "更新日志";
  off.bounds = TakeLeft(buttons, 110, 10);
  disabled = settings->Add<Button>(off);
  disabled->SetEnabled(false);
  disabled->on_click = [this] { events.push_back("disabled clicked"); };

  // Page 2: a text field with a prompt, a spin box and a read-only memo.
  Panel* fonts = pages->AddPage("字体设置");
  area = Inset({0, 0, client.width, client.height}, 16, 12);
  DesignRect top = TakeTop(area, 30, 10);
  code = fonts->Add<EditBox>(
      EditArgs{.bounds = TakeLeft(top, 230, 10), .cue = "输入代码回车查询当前设置"});
  code->on_key_down = [this](unsigned key) {
    if (key != VK_RETURN) return false;
    events.push_back("enter " + code->Text());
    return true;
  };
  size = fonts->Add<EditBox>(EditArgs{
      .bounds = TakeLeft(top, 90), .text = "17", .spin = true, .minimum = 0, .maximum = 100});
  memo = fonts->Add<EditBox>(EditArgs{.bounds = area,
                                      .text = "【2024-11-24】CPCL语言支持\r\n"
                                              "【2024-12-01】增加修改蓝牙名称功能\r\n"
                                              "【2024-12-08】增加透传模式",
                                      .multiline = true,
                                      .read_only = true,
                                      .vertical_scroll = true});
  frame->SetDefaultButton(save);
}

SideWindow::SideWindow(int dpi) {
  const Theme& t = DefaultTheme();
  frame = std::make_unique<Frame>();
  FrameArgs args;
  args.title = "蓝牙设置";
  args.width = 335;
  args.height = 185;
  args.background = t.side_panel;
  args.dpi = dpi;
  frame->Create(args);
  DesignRect area = Inset({0, t.title_bar_height, 335, 185 - t.title_bar_height}, 20, 10);
  auto field = [&](const char* caption) {
    DesignRect line = TakeTop(area, 30, 12);
    frame->Add<Label>(LabelArgs{.text = caption, .bounds = TakeLeft(line, 70, 8)});
    return frame->Add<EditBox>(EditArgs{.bounds = line});
  };
  name = field("蓝牙名称");
  address = field("蓝牙地址");
  DesignRect buttons = TakeBottom(area, 32);
  ButtonArgs q;
  q.text = "查询";
  q.bounds = TakeLeft(buttons, 100, 12);
  query = frame->Add<Button>(q);
  ButtonArgs b;
  b.text = "设置蓝牙名称";
  b.bounds = TakeLeft(buttons, 130);
  b.style = ButtonStyle::kPrimary;
  set = frame->Add<Button>(b);
}

}  // namespace velin::skin::test
