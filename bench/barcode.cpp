// Linear barcode speed: a 20-character Code 128 symbol (subset B) encoded, and encoded and
// painted, by TBarcode; zint encoding (and rasterising) the same data in the same run.
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

void ZintEncode(benchmark::State& state, bool raster) {
  zint_symbol* symbol = ZBarcode_Create();
  const int length = static_cast<int>(std::strlen(kData));
  for (auto _ : state) {
    ZBarcode_Clear(symbol);  // a second encode would stack a row otherwise
    symbol->symbology = BARCODE_CODE128B;
    symbol->show_hrt = 0;
    int rc = ZBarcode_Encode(symbol, reinterpret_cast<const unsigned char*>(kData), length);
    if (raster) rc |= ZBarcode_Buffer(symbol, 0);
    if (rc >= ZINT_ERROR) state.SkipWithError(symbol->errtxt);
    benchmark::DoNotOptimize(symbol->width);
  }
  ZBarcode_Delete(symbol);
}

void BM_ZintEncode(benchmark::State& state) { ZintEncode(state, false); }
BENCHMARK(BM_ZintEncode);

void BM_ZintEncodeAndRaster(benchmark::State& state) { ZintEncode(state, true); }
BENCHMARK(BM_ZintEncodeAndRaster);

}  // namespace
