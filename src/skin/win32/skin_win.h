// The skin's window classes in one include.
//
// A window is a Frame and the controls it adds. Positions are design pixels (96 dpi) in the
// client area of the control's parent; the frame scales them to its monitor. Events are
// std::function members, called on the user-interface thread:
//
//   skin::Frame window;
//   window.Create({.title = "蓝牙设置", .width = 335, .height = 185,
//                  .background = skin::DefaultTheme().side_panel});
//   skin::DesignRect area = skin::Inset({0, 34, 335, 151}, 20, 10);
//   skin::DesignRect line = skin::TakeTop(area, 30, 12);
//   window.Add<skin::Label>(
//       skin::LabelArgs{.text = "蓝牙名称", .bounds = skin::TakeLeft(line, 70, 8)});
//   auto* name = window.Add<skin::EditBox>(skin::EditArgs{.bounds = line});
//   skin::ButtonArgs query_args;
//   query_args.text = "查询";
//   query_args.bounds = skin::TakeLeft(area, 100);
//   auto* query = window.Add<skin::Button>(query_args);
//   query->on_click = [&] { name->SetText(module.Query()); };
//   window.ShowModal();  // Esc, Alt+F4 and the close button end it
#pragma once

#include "skin/win32/button_win.h"
#include "skin/win32/fields_win.h"
#include "skin/win32/frame_win.h"
#include "skin/win32/gdi_win.h"
#include "skin/win32/label_win.h"
#include "skin/win32/panel_win.h"
#include "skin/win32/progress_ring_win.h"
#include "skin/win32/window_win.h"
