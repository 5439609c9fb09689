// Encoding speed of one QR Code symbol in 8-bit byte mode with automatic masking: ours beside
// libqrencode and zint on the same data, version and level.
//   velin_bench_qr --benchmark_filter=Small   (100 bytes, 6-M)
//   velin_bench_qr --benchmark_filter=Large   (2900 bytes, 40-L)
#include <benchmark/benchmark.h>
#include <qrencode.h>
#include <zint.h>

#include <memory>
#include <random>
#include <stdexcept>
#include <vector>

#include "symbols/qr/qr_encoder.h"

namespace {

struct Case {
  int bytes;
  int version;
  int level;  // 0 L, 1 M
};
constexpr Case kSmall{100, 6, 1};
constexpr Case kLarge{2900, 40, 0};

std::vector<uint8_t> Data(int n) {
  std::mt19937 rng(12345);
  std::vector<uint8_t> out(static_cast<size_t>(n));
  for (auto& b : out) b = static_cast<uint8_t>(rng());
  return out;
}

void Velin(benchmark::State& state, Case c) {
  auto enc = std::make_unique<velin::qr::QrEncoder>();
  const std::vector<uint8_t> data = Data(c.bytes);
  velin::qr::QrEncoder::Settings s;
  s.version = c.version;
  s.eclevel = c.level;
  for (auto _ : state) {
    if (!enc->EncodeSymbol(data, s)) throw std::runtime_error("velin: does not fit");
    benchmark::DoNotOptimize(enc->symbol);
  }
}

void Libqrencode(benchmark::State& state, Case c) {
  const std::vector<uint8_t> data = Data(c.bytes);
  const QRecLevel level = c.level == 0 ? QR_ECLEVEL_L : QR_ECLEVEL_M;
  for (auto _ : state) {
    QRcode* q = QRcode_encodeData(static_cast<int>(data.size()), data.data(), c.version, level);
    if (q == nullptr || q->version != c.version) throw std::runtime_error("libqrencode failed");
    benchmark::DoNotOptimize(q->data);
    QRcode_free(q);
  }
}

void Zint(benchmark::State& state, Case c) {
  const std::vector<uint8_t> data = Data(c.bytes);
  zint_symbol* z = ZBarcode_Create();
  for (auto _ : state) {
    ZBarcode_Clear(z);
    z->symbology = BARCODE_QRCODE;
    z->input_mode = DATA_MODE;
    z->option_1 = c.level + 1;
    z->option_2 = c.version;
    if (ZBarcode_Encode(z, data.data(), static_cast<int>(data.size())) >= ZINT_ERROR ||
        z->rows != 17 + 4 * c.version) {
      throw std::runtime_error("zint failed");
    }
    benchmark::DoNotOptimize(z->encoded_data);
  }
  ZBarcode_Delete(z);
}

BENCHMARK_CAPTURE(Velin, Small_100B_6M, kSmall);
BENCHMARK_CAPTURE(Libqrencode, Small_100B_6M, kSmall);
BENCHMARK_CAPTURE(Zint, Small_100B_6M, kSmall);
BENCHMARK_CAPTURE(Velin, Large_2900B_40L, kLarge);
BENCHMARK_CAPTURE(Libqrencode, Large_2900B_40L, kLarge);
BENCHMARK_CAPTURE(Zint, Large_2900B_40L, kLarge);

}  // namespace
