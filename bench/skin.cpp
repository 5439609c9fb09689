// A full repaint of the skin's pixels for a 595 × 219 main window (side column, navigation
// entries, link buttons, the state button, the progress ring, title glyphs), at 100 % and
// 200 %, beside the floor it cannot beat: clearing the same pixels.
#include <benchmark/benchmark.h>

#include <vector>

#include "skin/dpi.h"
#include "skin/layout.h"
#include "skin/looks.h"

namespace {

using namespace velin::skin;

void PaintScene(Painter& p, int dpi) {
  const Theme& t = DefaultTheme();
  p.Clear(t.window);
  p.Clear(ToDevice({0, 0, 160, 219}, dpi), t.side_panel);
  DesignRect column = Inset({0, 0, 160, 219}, 12, 12);
  TakeTop(column, 24, 14);
  for (int i = 0; i < 3; ++i) {
    const ButtonLook look = LookFor(t, ButtonStyle::kNavigation, {.selected = i == 0});
    PaintButtonBody(p, ToDevice(TakeTop(column, 34, 6), dpi), look, t, dpi);
  }
  DesignRect area = Inset({160, 34, 435, 185}, 16, 12);
  for (const DesignRect& cell : SplitRow(TakeTop(area, 32), 4, 10)) {
    PaintButtonBody(p, ToDevice(cell, dpi), LookFor(t, ButtonStyle::kSecondary, {}), t, dpi);
  }
  DesignRect bottom = TakeBottom(area, 64);
  PaintProgressRing(p, ToDevice(TakeRight(bottom, 64, 16), dpi), 50, 0, 100, t, dpi);
  PaintButtonBody(p, ToDevice({bottom.x, bottom.y + 14, bottom.width, 40}, dpi),
                  LookFor(t, ButtonStyle::kPrimary, {}), t, dpi);
  const RectI close = ToDevice({555, 0, 40, 34}, dpi), minimise = ToDevice({515, 0, 40, 34}, dpi);
  p.DrawGlyph(Glyph::kClose, RectF(close).Inset(ScaleF(15, dpi), ScaleF(12, dpi)),
              ScaleF(t.glyph_stroke, dpi), t.text);
  p.DrawGlyph(Glyph::kMinimise, RectF(minimise).Inset(ScaleF(15, dpi), ScaleF(12, dpi)),
              ScaleF(t.glyph_stroke, dpi), t.text);
}

void BM_MainWindowRepaint(benchmark::State& state) {
  const int dpi = static_cast<int>(state.range(0));
  Image image(Scale(595, dpi), Scale(219, dpi));
  Painter p(image.View());
  for (auto _ : state) {
    PaintScene(p, dpi);
    benchmark::DoNotOptimize(image.View().Row(0));
  }
}
BENCHMARK(BM_MainWindowRepaint)->Arg(96)->Arg(192)->Unit(benchmark::kMicrosecond);

void BM_ClearOnly(benchmark::State& state) {
  const int dpi = static_cast<int>(state.range(0));
  Image image(Scale(595, dpi), Scale(219, dpi));
  Painter p(image.View());
  for (auto _ : state) {
    p.Clear(DefaultTheme().window);
    benchmark::DoNotOptimize(image.View().Row(0));
  }
}
BENCHMARK(BM_ClearOnly)->Arg(96)->Arg(192)->Unit(benchmark::kMicrosecond);

}  // namespace
