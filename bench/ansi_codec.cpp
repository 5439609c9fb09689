// The ANSI code page codec on a waybill's text lines, beside glibc's iconv CP936 converter as
// the reference (the decoder does what iconv does for GBK's assigned characters, plus one
// table look-up for the rest). Every command line passes through the decoder once; TSPL QR
// data passes through the encoder.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <string>

#include "base/ansi_codec.h"

namespace {

using namespace velin;

// GBK text lines as a courier app sends them, about 1 KiB.
std::string WaybillLines() {
  const std::string utf8 =
      "T 8 0 24 24 顺丰速运  标准快递\r\nT 55 0 24 122 运单号 Tracking: 73510170295253\r\n"
      "T 24 0 24 276 收: 张三 13800138000\r\nT 55 0 24 316 广东省深圳市南山区科技园南路 88 号\r\n"
      "T 24 0 24 388 寄: 李四 13900139000\r\nT 55 0 24 428 上海市浦东新区世纪大道 100 号\r\n"
      "T 55 0 40 620 件数: 1  重量: 0.5kg\r\nT 55 0 24 900 签收人 Signature:\r\n";
  std::string text;
  while (text.size() < 1024) text += utf8;
  return text;
}

void Report(benchmark::State& state, size_t bytes) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void BM_AnsiToUtf8(benchmark::State& state) {
  const std::string ansi = Utf8ToAnsi(WaybillLines());
  for (auto _ : state) benchmark::DoNotOptimize(AnsiToUtf8(ansi));
  Report(state, ansi.size());
}
BENCHMARK(BM_AnsiToUtf8);

void BM_Utf8ToAnsi(benchmark::State& state) {
  const std::string utf8 = WaybillLines();
  for (auto _ : state) benchmark::DoNotOptimize(Utf8ToAnsi(utf8));
  Report(state, utf8.size());
}
BENCHMARK(BM_Utf8ToAnsi);

// One iconv call over the whole text into a buffer large enough: the reference's best case.
std::string Iconv(iconv_t cd, const std::string& in) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string out(in.size() * 2, '\0');
  char* src = const_cast<char*>(in.data());
  size_t src_left = in.size();
  char* dst = out.data();
  size_t dst_left = out.size();
  iconv(cd, &src, &src_left, &dst, &dst_left);
  out.resize(out.size() - dst_left);
  return out;
}

void BM_IconvCp936ToUtf8(benchmark::State& state) {
  const std::string ansi = Utf8ToAnsi(WaybillLines());
  iconv_t cd = iconv_open("UTF-8", "CP936");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    state.SkipWithError("iconv has no CP936 converter");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(Iconv(cd, ansi));
  iconv_close(cd);
  Report(state, ansi.size());
}
BENCHMARK(BM_IconvCp936ToUtf8);

void BM_IconvUtf8ToCp936(benchmark::State& state) {
  const std::string utf8 = WaybillLines();
  iconv_t cd = iconv_open("CP936", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    state.SkipWithError("iconv has no CP936 converter");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(Iconv(cd, utf8));
  iconv_close(cd);
  Report(state, utf8.size());
}
BENCHMARK(BM_IconvUtf8ToCp936);

}  // namespace
