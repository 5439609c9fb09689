// Fitting a 624 × 1040 page onto a 600 dpi A4 printable area (4960 × 7016): the whole print
// path into memory, and into a PNG document as the CUPS backend sends it.
#include <benchmark/benchmark.h>

#include <string>

#include "base/canvas.h"
#include "base/png.h"
#include "interpreter/printing.h"

namespace {

constexpr velin::Size kA4At600 = {4960, 7016};

velin::Bitmap32 Label() {
  velin::Bitmap32 label(624, 1040);
  velin::Canvas canvas(label);
  canvas.brush = {velin::kBlack, velin::BrushStyle::kSolid};
  for (int x = 20; x < 600; x += 7) canvas.FillRect(x, 100, x + 3, 300);  // a barcode's worth
  canvas.FillRect(20, 400, 600, 404);
  return label;
}

// A printer whose page is a bitmap in memory.
class MemoryPrinters : public velin::PrinterSystem {
 public:
  velin::Bitmap32 page{kA4At600.width, kA4At600.height};
  std::vector<std::string> InstalledPrinters() override { return {"memory"}; }
  std::string DefaultPrinter() override { return "memory"; }
  void PrintPage(const std::string&,
                 const std::function<void(velin::PrinterPage&)>& draw) override {
    struct Page : velin::PrinterPage {
      velin::Bitmap32& target;
      explicit Page(velin::Bitmap32& t) : target(t) {}
      velin::Size PrintableArea() const override { return {target.width(), target.height()}; }
      int BitsPerPixel() const override { return 24; }
      void StretchBitmap(const velin::Bitmap32& b, int l, int t, int w, int h) override {
        velin::Canvas(target).StretchDraw(l, t, w, h, b);
      }
    } p(page);
    page.Fill(velin::kWhite);
    draw(p);
  }
  uint32_t WriteRawJob(const std::string&, const std::string&, const std::string&,
                       std::string_view) override {
    return 0;
  }
};

void BM_FitIntoMemory(benchmark::State& state) {
  const velin::Bitmap32 label = Label();
  MemoryPrinters printers;
  velin::PrinterSelection selection;
  for (auto _ : state) {
    velin::PrintBitmapToFitPage(printers, selection, "memory", &label);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FitIntoMemory)->Unit(benchmark::kMillisecond);

void BM_FitIntoPngDocument(benchmark::State& state) {
  const velin::Bitmap32 label = Label();
  const velin::FitRect fit = velin::FitToPrintableArea({label.width(), label.height()}, kA4At600);
  velin::Bitmap32 row(kA4At600.width, 1);
  std::string png;
  for (auto _ : state) {
    velin::EncodePng(
        kA4At600.width, kA4At600.height,
        [&](int y, uint32_t* pixels) {
          row.Fill(velin::kWhite);
          velin::Canvas(row).StretchDraw(fit.left, fit.top - y, fit.width, fit.height, label);
          std::copy(row.Row(0), row.Row(0) + kA4At600.width, pixels);
        },
        png, {velin::PngPixels::kRgb, 600});
    benchmark::DoNotOptimize(png.data());
  }
  state.counters["png_bytes"] = static_cast<double>(png.size());
}
BENCHMARK(BM_FitIntoPngDocument)->Unit(benchmark::kMillisecond);

}  // namespace
