// Text drawing per label line: the TEXT command's path (DrawTransparentText on the page).
#include <benchmark/benchmark.h>

#include "interpreter/drawing.h"
#include "interpreter/page_image.h"

namespace {

void BM_TextLine(benchmark::State& state, const char* text, int rotation) {
  velin::PageImage page;
  const int points = static_cast<int>(state.range(0));
  for (auto _ : state) {
    velin::DrawTransparentText(page.canvas(), 40, 312, text, rotation, velin::kBlack, "微软雅黑",
                               points);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK_CAPTURE(BM_TextLine, chinese_address, "收件人：张三 13800000000 北京市朝阳区", 0)
    ->Arg(11)
    ->Arg(34)
    ->Arg(120);
BENCHMARK_CAPTURE(BM_TextLine, latin_code, "SF1234567890123 Order 2024-05-01", 0)->Arg(11)->Arg(34);
BENCHMARK_CAPTURE(BM_TextLine, chinese_rotated_90, "收件人：张三 13800000000 北京市朝阳区", 90)
    ->Arg(34);

void BM_TextExtent(benchmark::State& state) {
  velin::PageImage page;
  page.canvas().font.size = 17;
  for (auto _ : state)
    benchmark::DoNotOptimize(page.canvas().TextExtent("收件人：张三 13800000000 北京市朝阳区"));
}
BENCHMARK(BM_TextExtent);

}  // namespace
