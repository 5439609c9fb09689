#include "fonts/win32/font_settings_win.h"

#include <set>

#include "base/win32/wide_win.h"

namespace velin::fonts {
namespace {

using skin::DesignRect;

int CALLBACK CollectFamily(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM param) {
  auto* names = reinterpret_cast<std::set<std::wstring>*>(param);
  if (font->lfFaceName[0] != L'\0' && font->lfFaceName[0] != L'@') names->insert(font->lfFaceName);
  return 1;
}

}  // namespace

std::vector<std::string> InstalledFontFamilies() {
  std::set<std::wstring> names;
  HDC screen = GetDC(nullptr);
  LOGFONTW query{};
  query.lfCharSet = DEFAULT_CHARSET;
  EnumFontFamiliesExW(screen, &query, &CollectFamily, reinterpret_cast<LPARAM>(&names), 0);
  ReleaseDC(nullptr, screen);
  std::vector<std::string> out;
  for (const std::wstring& name : names) out.push_back(WideToUtf8(name));
  return out;
}

Tfontset::Tfontset(FontSettings::OpenConfig open_config, MessageBoxFn message_box, HWND centre_on)
    : settings_(std::move(open_config), FontFamilyList(InstalledFontFamilies())),
      message_box_(std::move(message_box)) {
  const skin::Theme& t = skin::DefaultTheme();
  frame_.Create(skin::SideWindowArgs("打印字体设置", kWidth, kHeight, centre_on));

  DesignRect area =
      skin::Inset({0, t.title_bar_height, kWidth, kHeight - t.title_bar_height}, 18, 10);
  auto labelled = [&](const char* caption) {
    DesignRect line = skin::TakeTop(area, 28, 10);
    frame_.Add<skin::Label>(
        skin::LabelArgs{.text = caption, .bounds = skin::TakeLeft(line, 100, 6)});
    return line;
  };
  skin::EditArgs code;
  code.bounds = labelled("字体代码或名称");
  code.cue = "输入代码回车查询当前设置";
  edt_font = frame_.Add<skin::EditBox>(code);
  edt_font->on_key_down = [this](unsigned key) {
    if (key != VK_RETURN) return false;
    edt_fontKeyDown(key);
    return true;
  };
  cbb_fontname = frame_.Add<skin::ComboBox>(
      skin::ComboArgs{labelled("输出字体"), settings_.families(), -1, 12});
  skin::EditArgs size;
  size.bounds = labelled("字体大小");
  size.bounds.width = 110;
  size.spin = true;
  size.minimum = 0;
  size.maximum = 9999;
  edt_fontsize = frame_.Add<skin::EditBox>(size);
  edt_fontsize->SetValue(0);

  DesignRect buttons = skin::TakeBottom(area, 32);
  std::vector<DesignRect> cells = skin::SplitRow(buttons, 2, 16);
  skin::ButtonArgs save;
  save.text = "保存字体参数";
  save.bounds = cells[0];
  save.style = skin::ButtonStyle::kPrimary;
  scGPButton1 = frame_.Add<skin::Button>(save);
  scGPButton1->on_click = [this] { scGPButton1Click(); };
  skin::ButtonArgs defaults;
  defaults.text = "默认设置";
  defaults.bounds = cells[1];
  scGPButton2 = frame_.Add<skin::Button>(defaults);
  scGPButton2->on_click = [this] { scGPButton2Click(); };
  frame_.CentreOn(centre_on);
}

void Tfontset::edt_fontKeyDown(unsigned key) {
  if (key != VK_RETURN) return;
  const FontSettings::Shown shown = settings_.LookUp(edt_font->Text());
  cbb_fontname->SetSelection(shown.selection);
  edt_fontsize->SetValue(shown.size);
}

void Tfontset::scGPButton1Click() {
  try {
    Say(settings_.Save(edt_font->Text(), cbb_fontname->Selection(), edt_fontsize->Value()));
  } catch (const std::exception& e) {
    message_box_(frame_.hwnd(), 4, e.what());
  }
}

void Tfontset::scGPButton2Click() {
  if (message_box_(frame_.hwnd(), 2, kRestoreDefaultsQuestion) != IDOK) return;
  try {
    Say(settings_.WriteDefaults());
  } catch (const std::exception& e) {
    message_box_(frame_.hwnd(), 4, e.what());
  }
}

void Tfontset::Say(const UserMessage& message) {
  message_box_(frame_.hwnd(), message.kind, message.text);
}

}  // namespace velin::fonts
