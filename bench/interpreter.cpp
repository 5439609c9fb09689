// Framing plus dispatch throughput on the virtual clock: a long CPCL text stream, lines of
// growing length (the per-byte cost must not grow with the line), and a compressed-graphics
// bitmap whose bytes CMD_CG reads from the FIFO itself.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/bitmap.h"
#include "base/clock.h"
#include "base/ui_dispatcher.h"
#include "fonts/posix/glyph_blit.h"
#include "interpreter/cmd_thread.h"
#include "usb/loopback.h"

namespace {

using namespace velin;

struct Bench {
  VirtualClock clock;
  InlineDispatcher ui;
  LoopbackPort* port = nullptr;
  std::unique_ptr<TCPCLCmdThread> thread;

  explicit Bench(const std::string& config_path = "/nonexistent/velin-bench/config.ini") {
    InterpreterServices services;
    services.clock = &clock;
    services.ui = &ui;
    services.config_path = config_path;
    auto p = std::make_unique<LoopbackPort>();
    port = p.get();
    thread = std::make_unique<TCPCLCmdThread>(services, std::move(p),
                                              std::make_unique<FixedDeviceSearch>());
    thread->Begin();
  }
  void Run(const std::string& bytes) {
    port->Receive(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    thread->RunUntilIdle();
  }
};

std::string TextStream() {
  std::string stream;
  while (stream.size() < (1 << 20))
    stream +=
        "T 55 0 24 112 \xD4\xCB\xB5\xA5\xBA\xC5: SF1400207869121 LINE 0 96 576 96 1\r\n"
        "SETMAG 1 1\r\nFORM\r\n";
  return stream;
}

void BM_CpclTextStream(benchmark::State& state) {
  const std::string stream = TextStream();
  Bench b;
  for (auto _ : state) b.Run(stream);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_CpclTextStream)->Unit(benchmark::kMillisecond);

// The same stream with a config.ini that maps the fonts, as users have it: every TEXT line
// looks its font up in the file. The file was last changed an hour ago.
void BM_CpclTextStreamWithFontMap(benchmark::State& state) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("velin-bench-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const fs::path config = dir / "config.ini";
  {
    std::ofstream out(config, std::ios::binary);
    out << "[system]\r\ntransfer_mode=1\r\nprinter=\r\nlabel_dialect=\r\n";
    for (int font : {0, 1, 2, 4, 5, 6, 7, 8, 24, 55})
      out << "[" << font << "]\r\nfont=\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA\r\nfontsize="
          << 9 + font % 12 << "\r\n";
  }
  fs::last_write_time(config, fs::file_time_type::clock::now() - std::chrono::hours(1));
  const std::string stream = TextStream();
  {
    Bench b(config.string());
    for (auto _ : state) b.Run(stream);
  }
  fs::remove_all(dir);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_CpclTextStreamWithFontMap)->Unit(benchmark::kMillisecond);

void BM_LineLength(benchmark::State& state) {
  std::string line(static_cast<size_t>(state.range(0)), 'A');
  std::string stream;
  while (stream.size() < (4 << 20)) stream += "NOSUCH " + line + "\r\n";
  Bench b;
  for (auto _ : state) b.Run(stream);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_LineLength)->Arg(64)->Arg(4096)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

void BM_CompressedGraphicsPayload(benchmark::State& state) {
  // The framing cuts the header at its fifth space; CMD_CG then takes the 72 × 1000 bitmap
  // bytes straight from the FIFO (after its 100 ms virtual wait) and draws them on the page.
  // Every byte value occurs, CR and LF included: none of them may end the bitmap early.
  std::string bitmap(72 * 1000, '\0');
  for (size_t i = 0; i < bitmap.size(); ++i) bitmap[i] = static_cast<char>(i * 37 + 11);
  std::string stream = "! 0 200 200 1000 1\r\nCG 72 1000 0 0 " + bitmap + "PRINT\r\n";
  Bench b;
  for (auto _ : state) b.Run(stream);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_CompressedGraphicsPayload)->Unit(benchmark::kMillisecond);

// Glyph blending alone, the way the text stream's lines do it: a 12 × 21 box of coverage
// (empty, full and partial dots) blended in black at 38 pen positions along a 576-dot row of
// text, once dot by dot (map each dot, check it against the bitmap, blend with divisions: the
// renderer's former way, kept here as the reference) and once by clipped rows.
struct GlyphRow {
  Bitmap32 bitmap{576, 200};
  std::vector<uint8_t> coverage;
  static constexpr int kWidth = 12, kRows = 21;
  GlyphRow() {
    coverage.resize(kWidth * kRows);
    for (size_t i = 0; i < coverage.size(); ++i) {
      const size_t k = (i * 53 + i / kWidth * 19) % 7;
      coverage[i] = k < 3 ? 0 : k == 3 ? 255 : static_cast<uint8_t>(i * 29 % 253 + 1);
    }
  }
};

void BlendDotByDot(Bitmap32& target, const GlyphPlacement& place, int64_t u0, int64_t v0,
                   const uint8_t* coverage, int width, int rows, uint32_t pixel) {
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < width; ++c) {
      const unsigned a = coverage[r * width + c];
      if (a == 0) continue;
      int64_t tx = 0, ty = 0;
      place.Map(u0 + c, v0 + r, tx, ty);
      if (tx < 0 || ty < 0 || tx >= target.width() || ty >= target.height()) continue;
      uint32_t& d = target.Row(static_cast<int>(ty))[tx];
      if (a >= 255) {
        d = pixel;
        continue;
      }
      uint32_t out = 0;
      for (int shift = 0; shift <= 16; shift += 8) {
        const unsigned dc = (d >> shift) & 0xFF, sc = (pixel >> shift) & 0xFF;
        out |= ((dc * (255 - a) + sc * a + 127) / 255) << shift;
      }
      d = out;
    }
}

template <bool kClipped>
void BM_GlyphBlend(benchmark::State& state) {
  GlyphRow row;
  GlyphPlacement place;
  place.x = 24;
  place.y = 112;
  for (auto _ : state) {
    for (int64_t pen = 0; pen < 38 * 13; pen += 13) {
      if (kClipped)
        BlitCoverage(row.bitmap, place, pen, 0, row.coverage.data(), GlyphRow::kWidth,
                     GlyphRow::kRows, 0);
      else
        BlendDotByDot(row.bitmap, place, pen, 0, row.coverage.data(), GlyphRow::kWidth,
                      GlyphRow::kRows, 0);
    }
    benchmark::DoNotOptimize(row.bitmap.Row(112)[30]);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * 38));
}
BENCHMARK(BM_GlyphBlend<false>)->Name("BM_GlyphBlendDotByDot");
BENCHMARK(BM_GlyphBlend<true>)->Name("BM_GlyphBlendClippedRows");

}  // namespace
