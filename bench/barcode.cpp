// Linear barcode speed: a 20-character Code 128 symbol (subset B) encoded, and encoded and
// painted, by TBarcode; zint encoding (and rasterising) the same data in the same run. zint's
// raster is set to the same module width (2 dots) and height (81 rows: Height 80 covers rows
// Top to Top + 80), and the pairs are first checked to produce the same dots.
#include <benchmark/benchmark.h>
#include <zint.h>

#include <cstring>
#include <string>

#include "base/bitmap.h"
#include "base/canvas.h"
#include "symbols/barcode/barcode.h"

namespace {

constexpr const char* kData = "VELIN-LABEL-20240601";  // 20 characters
static_assert(std::char_traits<char>::length(kData) == 20);

velin::TBarcode MakeBarcode() {
  velin::TBarcode b;
  b.SetTyp(velin::TBarcodeType::bcCode128B);
  b.SetText(kData);
  b.SetModul(2);
  b.SetHeight(80);
  b.SetLeft(20);
  b.SetTop(20);
  return b;
}

void BM_VelinEncode(benchmark::State& state) {
  velin::TBarcode b = MakeBarcode();
  for (auto _ : state) {
    std::string pattern = b.BuildPattern();
    benchmark::DoNotOptimize(pattern.data());
  }
}
BENCHMARK(BM_VelinEncode);

void BM_VelinEncodeAndPaint(benchmark::State& state) {
  velin::TBarcode b = MakeBarcode();
  velin::Bitmap32 page(624, 200);
  velin::Canvas canvas(page);
  for (auto _ : state) {
    b.DrawBarcode(canvas);
    benchmark::DoNotOptimize(page.Row(60)[100]);
  }
}
BENCHMARK(BM_VelinEncodeAndPaint);

// Same symbol at 90 degrees: every element becomes a wide, short polygon.
void BM_VelinEncodeAndPaintRotated(benchmark::State& state) {
  velin::TBarcode b = MakeBarcode();
  b.SetAngle(90);
  b.SetTop(500);
  velin::Bitmap32 page(200, 624);
  velin::Canvas canvas(page);
  for (auto _ : state) {
    b.DrawBarcode(canvas);
    benchmark::DoNotOptimize(page.Row(300)[60]);
  }
}
BENCHMARK(BM_VelinEncodeAndPaintRotated);

// zint's raster is two pixels per module at scale 1, and its height is counted in modules.
constexpr float kZintScale = 1.0f;
constexpr float kZintHeight = 40.5f;

// One zint encode (and raster); false with zint's message on error.
bool ZintRun(zint_symbol* symbol, bool raster) {
  ZBarcode_Clear(symbol);  // a second encode would stack a row otherwise
  symbol->symbology = BARCODE_CODE128B;
  symbol->show_hrt = 0;
  symbol->scale = kZintScale;
  symbol->height = kZintHeight;
  symbol->output_options |= BARCODE_NO_QUIET_ZONES;
  int rc = ZBarcode_Encode(symbol, reinterpret_cast<const unsigned char*>(kData),
                           static_cast<int>(std::strlen(kData)));
  if (raster && rc < ZINT_ERROR) rc = ZBarcode_Buffer(symbol, 0);
  return rc < ZINT_ERROR;
}

// Whether zint's raster holds exactly the dots that TBarcode paints for the same symbol.
std::string SamePixels() {
  velin::TBarcode b = MakeBarcode();
  const velin::SymbolBox box = velin::SymbolBounds(b);
  velin::Bitmap32 page(624, 200);
  velin::Canvas canvas(page);
  b.DrawBarcode(canvas);
  zint_symbol* symbol = ZBarcode_Create();
  std::string problem;
  if (!ZintRun(symbol, true)) {
    problem = symbol->errtxt;
  } else if (symbol->bitmap_width != box.right - box.left + 1 ||
             symbol->bitmap_height != box.bottom - box.top + 1) {
    problem = "zint's raster is " + std::to_string(symbol->bitmap_width) + " x " +
              std::to_string(symbol->bitmap_height) + ", ours " +
              std::to_string(box.right - box.left + 1) + " x " +
              std::to_string(box.bottom - box.top + 1);
  } else {
    for (int y = 0; y < symbol->bitmap_height && problem.empty(); ++y)
      for (int x = 0; x < symbol->bitmap_width && problem.empty(); ++x) {
        const bool zint_dark = symbol->bitmap[3 * (y * symbol->bitmap_width + x)] < 128;
        // The box is relative to (Left, Top).
        const bool ours_dark =
            page.GetPixel(b.Left() + box.left + x, b.Top() + box.top + y) == velin::kBlack;
        if (zint_dark != ours_dark)
          problem = "the dots differ at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
      }
  }
  ZBarcode_Delete(symbol);
  return problem;
}

void ZintEncode(benchmark::State& state, bool raster) {
  if (raster) {
    const std::string problem = SamePixels();
    if (!problem.empty()) {
      state.SkipWithError(problem.c_str());
      return;
    }
  }
  zint_symbol* symbol = ZBarcode_Create();
  for (auto _ : state) {
    if (!ZintRun(symbol, raster)) state.SkipWithError(symbol->errtxt);
    benchmark::DoNotOptimize(symbol->width);
  }
  ZBarcode_Delete(symbol);
}

void BM_ZintEncode(benchmark::State& state) { ZintEncode(state, false); }
BENCHMARK(BM_ZintEncode);

void BM_ZintEncodeAndRaster(benchmark::State& state) { ZintEncode(state, true); }
BENCHMARK(BM_ZintEncodeAndRaster);

}  // namespace
