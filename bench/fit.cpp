// Fitting a 624 × 1040 page onto a 600 dpi A4 printable area (4960 × 7016): the whole print
// path into memory, and into the PNG document that the CUPS backend sends.
#include <benchmark/benchmark.h>

#include <string>

#include "base/canvas.h"
#include "interpreter/page_document.h"
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

// The job's document as the CUPS backend makes it: the fitted page, row by row, as a PNG.
void FitIntoPngDocument(benchmark::State& state, const velin::Bitmap32& label) {
  const velin::FitRect fit = velin::FitToPrintableArea({label.width(), label.height()}, kA4At600);
  size_t bytes = 0;
  for (auto _ : state) {
    velin::DocumentPage page(kA4At600);
    page.StretchBitmap(label, fit.left, fit.top, fit.width, fit.height);
    bytes = 0;
    page.EncodePng(
        [&bytes](std::string_view piece) {
          bytes += piece.size();
          return true;
        },
        600);
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["png_bytes"] = static_cast<double>(bytes);
}

// A label of black and white dots only: bars and rules.
void BM_FitIntoPngDocument(benchmark::State& state) { FitIntoPngDocument(state, Label()); }
BENCHMARK(BM_FitIntoPngDocument)->Unit(benchmark::kMillisecond);

// The same with grey dots along the edges of its bars, as smoothed text leaves them: the
// document is then 8-bit grey.
void BM_FitIntoPngDocumentGrey(benchmark::State& state) {
  velin::Bitmap32 label = Label();
  for (int y = 100; y < 300; ++y)
    for (int x = 23; x < 600; x += 7) label.SetPixel(x, y, 0x808080);
  FitIntoPngDocument(state, label);
}
BENCHMARK(BM_FitIntoPngDocumentGrey)->Unit(benchmark::kMillisecond);

}  // namespace
