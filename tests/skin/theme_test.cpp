// Button and field looks: which state shows, that each state is told apart, and that every
// caption is readable on what it is drawn on.
#include <gtest/gtest.h>

#include <string>

#include "skin/theme.h"

namespace velin::skin {
namespace {

constexpr ButtonStyle kStyles[] = {ButtonStyle::kPrimary, ButtonStyle::kSecondary,
                                   ButtonStyle::kNavigation, ButtonStyle::kFlat,
                                   ButtonStyle::kClose};

TEST(ButtonLook, DisabledWinsThenPressedThenHover) {
  struct Case {
    ButtonState state;
    VisualState shown;
  } cases[] = {
      {{}, VisualState::kNormal},
      {{.hover = true}, VisualState::kHover},
      {{.hover = true, .pressed = true}, VisualState::kPressed},
      {{.pressed = true}, VisualState::kPressed},  // space bar held, pointer elsewhere
      {{.focused = true}, VisualState::kNormal},
      {{.hover = true, .pressed = true, .disabled = true}, VisualState::kDisabled},
      {{.selected = true}, VisualState::kNormal},
  };
  for (const Case& c : cases) EXPECT_EQ(Resolve(c.state), c.shown);
}

TEST(ButtonLook, EveryStateLooksDifferent) {
  const Theme& t = DefaultTheme();
  for (ButtonStyle style : kStyles) {
    for (bool selected : {false, true}) {
      if (selected && style != ButtonStyle::kNavigation) continue;
      const std::string what =
          "style " + std::to_string(int(style)) + (selected ? " selected" : "");
      auto look = [&](ButtonState s) {
        s.selected = selected;
        return LookFor(t, style, s);
      };
      const ButtonLook normal = look({}), hover = look({.hover = true}),
                       pressed = look({.hover = true, .pressed = true}),
                       disabled = look({.disabled = true}), focused = look({.focused = true});
      // A selected navigation entry does not react to hover (it already stands out).
      if (!selected) {
        EXPECT_NE(hover.fill, normal.fill) << what;
      }
      EXPECT_NE(pressed.fill, hover.fill) << what;
      EXPECT_TRUE(focused.focus_ring) << what;
      EXPECT_EQ(focused.fill, normal.fill) << what;
      EXPECT_FALSE(look({.focused = true, .disabled = true}).focus_ring) << what;
      // Disabled captions are dimmer than enabled ones on the same surface.
      const Argb surface = t.window;
      EXPECT_LT(ContrastRatio(Over(disabled.text, Over(disabled.fill, surface)),
                              Over(disabled.fill, surface)),
                ContrastRatio(normal.text, Over(normal.fill, surface)))
          << what;
    }
  }
  // Navigation entries tell the current page apart.
  EXPECT_NE(LookFor(t, ButtonStyle::kNavigation, {.selected = true}).fill,
            LookFor(t, ButtonStyle::kNavigation, {}).fill);
}

TEST(Contrast, MatchesTheWcagFormula) {
  EXPECT_NEAR(ContrastRatio(Rgb(0, 0, 0), Rgb(255, 255, 255)), 21.0, 1e-9);
  EXPECT_NEAR(ContrastRatio(Rgb(255, 255, 255), Rgb(255, 255, 255)), 1.0, 1e-9);
  EXPECT_NEAR(ContrastRatio(Rgb(118, 118, 118), Rgb(255, 255, 255)), 4.54, 0.01);
}

TEST(Contrast, EveryCaptionIsReadableOnWhatItIsDrawnOn) {
  const Theme& t = DefaultTheme();
  // Buttons without a fill of their own lie on the window or on the side panel colour.
  for (Argb surface : {t.window, t.side_panel}) {
    for (ButtonStyle style : kStyles) {
      for (ButtonState s :
           {ButtonState{}, ButtonState{.hover = true}, ButtonState{.hover = true, .pressed = true},
            ButtonState{.focused = true}, ButtonState{.selected = true},
            ButtonState{.hover = true, .selected = true}}) {
        const ButtonLook look = LookFor(t, style, s);
        const Argb behind = Over(look.fill, surface);
        EXPECT_GE(ContrastRatio(Over(look.text, behind), behind), 4.5)
            << "style " << int(style) << " state " << int(Resolve(s)) << " on " << std::hex
            << surface;
      }
    }
  }
  // Plain and muted text on the surfaces and fields; a list's highlighted entry.
  for (Argb text : {t.text, t.text_muted}) {
    for (Argb surface : {t.window, t.side_panel, t.control, t.control_hover, t.accent_soft}) {
      EXPECT_GE(ContrastRatio(text, surface), 4.5) << std::hex << text << " on " << surface;
    }
  }
  for (FieldState s : {FieldState{}, FieldState{.hover = true}, FieldState{.focused = true}}) {
    const FieldLook look = LookFor(t, s);
    EXPECT_GE(ContrastRatio(look.text, look.fill), 4.5);
  }
}

TEST(Contrast, FocusRingAndFieldBordersStandOut) {
  // Non-text contrast (3:1) for what shows focus; field borders need only be seen (hover darker).
  const Theme& t = DefaultTheme();
  for (Argb surface : {t.window, t.side_panel}) {
    EXPECT_GE(ContrastRatio(t.focus_ring, surface), 3.0);
    EXPECT_GE(ContrastRatio(t.accent, surface), 3.0);  // the progress arc
  }
  EXPECT_GT(ContrastRatio(LookFor(t, FieldState{.hover = true}).border, t.window),
            ContrastRatio(LookFor(t, FieldState{}).border, t.window));
}

}  // namespace
}  // namespace velin::skin
