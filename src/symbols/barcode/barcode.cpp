#include "symbols/barcode/barcode.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>

#include "base/ansi_codec.h"
#include "base/canvas.h"
#include "symbols/barcode/symbology.h"

namespace velin {
namespace barcode {
namespace {

constexpr RatioLimits kKeepRatio{};
constexpr RatioLimits kTwoWidths{2.0, 3.0};
constexpr RatioLimits kMatrix{2.25, 3.0};

// Indexed by TBarcodeType.
constexpr Symbology kSymbologies[] = {
    {"2_5_interleaved", true, kTwoWidths, Encode2of5Interleaved},  // bcCode_2_5_interleaved
    {"2_5_industrial", true, kTwoWidths, Encode2of5Industrial},    // bcCode_2_5_industrial
    {"2_5_matrix", true, kMatrix, Encode2of5Matrix},               // bcCode_2_5_matrix
    {"Code39", false, kTwoWidths, EncodeCode39},                   // bcCode39
    {"Code39 Extended", false, kTwoWidths, EncodeCode39Extended},  // bcCode39Extended
    {"Code128A", false, kKeepRatio, EncodeCode128A},               // bcCode128A
    {"Code128B", false, kKeepRatio, EncodeCode128B},               // bcCode128B
    {"Code128C", true, kKeepRatio, EncodeCode128C},                // bcCode128C
    {"Code93", false, kKeepRatio, EncodeCode93},                   // bcCode93
    {"Code93 Extended", false, kKeepRatio, EncodeCode93Extended},  // bcCode93Extended
    {"MSI", true, kKeepRatio, EncodeMsi},                          // bcCodeMSI
    {"PostNet", true, kKeepRatio, EncodePostNet},                  // bcCodePostNet
    {"Codebar", false, kTwoWidths, EncodeCodabar},                 // bcCodeCodabar
    {"EAN8", true, kTwoWidths, EncodeEan8},                        // bcCodeEAN8
    {"EAN13", true, kTwoWidths, EncodeEan13},                      // bcCodeEAN13
    {"Code128M", false, kKeepRatio, EncodeCode128M},               // bcCode128M
};
static_assert(std::size(kSymbologies) == kBarcodeTypeCount,
              "one symbology entry per TBarcodeType value");

bool IsValidType(TBarcodeType type) { return static_cast<int>(type) < kBarcodeTypeCount; }

// Nearest integer, halves to even, kept within +-2^30 (far beyond any bitmap); NaN gives 0.
int RoundToInt(double v) {
  constexpr double kLimit = 1 << 30;
  if (!(v > -kLimit)) return v != v ? 0 : -(1 << 30);
  if (v > kLimit) return 1 << 30;
  return static_cast<int>(std::nearbyint(v));
}

int8_t ClampWidth(double dots) {
  if (!(dots >= 1)) return 1;  // also NaN
  if (dots > 127) return 127;
  return static_cast<int8_t>(dots);
}

}  // namespace

const Symbology& SymbologyOf(TBarcodeType type) {
  assert(IsValidType(type));
  return kSymbologies[static_cast<int>(type)];
}

std::u32string CodePoints(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (size_t pos = 0; pos < text.size();) out.push_back(NextUtf8(text, pos));
  return out;
}

void AppendWidths(std::string& pattern, std::string_view widths) {
  bool bar = true;
  for (char d : widths) {
    int units = d - '0';
    assert(units >= 1 && units <= 4);
    pattern.push_back(bar ? BarChar(units) : SpaceChar(units));
    bar = !bar;
  }
}

}  // namespace barcode

std::string WidthsToPattern(std::string_view widths) {
  std::string pattern;
  pattern.reserve(widths.size());
  barcode::AppendWidths(pattern, widths);
  return pattern;
}

std::string TBarcode::TypeName() const {
  if (!barcode::IsValidType(FTyp)) return {};
  return barcode::SymbologyOf(FTyp).display_name;
}

void TBarcode::ComputeModuleWidths() {
  // Rounded half to even (the default rounding mode) before the integer steps.
  double wide = std::nearbyint(static_cast<double>(FModul) * FRatio);
  if (!(wide >= 1)) wide = 0;  // negative or NaN: every derived width then clamps to 1
  if (wide > 1e6) wide = 1e6;
  int64_t w1 = static_cast<int64_t>(wide);
  modules[0] = barcode::ClampWidth(FModul);
  modules[1] = barcode::ClampWidth(static_cast<double>(w1));
  modules[2] = barcode::ClampWidth(static_cast<double>(w1 * 3 / 2));
  modules[3] = barcode::ClampWidth(static_cast<double>(w1 * 2));
}

std::string TBarcode::BuildPattern() {
  if (barcode::IsValidType(FTyp)) {
    const barcode::RatioLimits& limits = barcode::SymbologyOf(FTyp).ratio;
    if (limits.high > 0) {
      if (!(FRatio >= limits.low)) FRatio = limits.low;  // NaN takes the low limit too
      if (FRatio > limits.high) FRatio = limits.high;
    }
  }
  ComputeModuleWidths();
  if (barcode::IsValidType(FTyp) && barcode::SymbologyOf(FTyp).digits_only) {
    // Trim spaces and control characters (every byte up to ' '), then digits only.
    size_t begin = 0, end = FText.size();
    while (begin < end && static_cast<unsigned char>(FText[begin]) <= ' ') ++begin;
    while (end > begin && static_cast<unsigned char>(FText[end - 1]) <= ' ') --end;
    FText = FText.substr(begin, end - begin);
    for (char c : FText) {
      if (c < '0' || c > '9') throw EBarcodeError("Barcode must be numeric");
    }
  }
  if (!barcode::IsValidType(FTyp)) {
    throw EBarcodeError(std::string(barcode::kClassName) + ": wrong BarcodeType");
  }
  return barcode::SymbologyOf(FTyp).encode(FText, FCheckSum);
}

TBarcode::ElementProps TBarcode::PatternElementProps(char c) const {
  if (c >= '0' && c <= '3') return {modules[c - '0'], ElementKind::kSpace};
  if (c >= '5' && c <= '8') return {modules[c - '5'], ElementKind::kBar};
  if (c >= 'A' && c <= 'D') return {modules[c - 'A'], ElementKind::kShortBar};
  return {0, ElementKind::kSpace};
}

int TBarcode::Width() {
  std::string pattern = BuildPattern();
  int64_t total = 0;
  for (char c : pattern) total += PatternElementProps(c).width;
  return total > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                 : static_cast<int>(total);
}

namespace barcode {
namespace {

// Symbol coordinates (u along the symbol, v down the bars) to canvas dots.
class Rotation {
 public:
  Rotation(double angle, int left, int top) : left_(left), top_(top) {
    double degrees = std::isfinite(angle) ? std::fmod(angle, 360.0) : 0.0;
    double a = degrees * std::numbers::pi / 180.0;
    cos_ = std::cos(a);
    sin_ = std::sin(a);
  }
  Point operator()(double u, double v) const {
    return Point{RoundToInt(left_ + u * cos_ + v * sin_), RoundToInt(top_ - u * sin_ + v * cos_)};
  }

 private:
  double left_, top_, cos_, sin_;
};

}  // namespace
}  // namespace barcode

SymbolBox SymbolBounds(TBarcode& barcode) {
  std::string pattern = barcode.BuildPattern();
  double width = 0;
  for (char c : pattern) width += barcode.PatternElementProps(c).width;
  const barcode::Rotation to_canvas(barcode.Angle(), 0, 0);
  const double h = barcode.Height();
  Point corners[4] = {to_canvas(0, 0), to_canvas(0, h), to_canvas(width - 1, h),
                      to_canvas(width - 1, 0)};
  SymbolBox box{corners[0].x, corners[0].y, corners[0].x, corners[0].y};
  for (const Point& p : corners) {
    box.left = std::min(box.left, p.x);
    box.right = std::max(box.right, p.x);
    box.top = std::min(box.top, p.y);
    box.bottom = std::max(box.bottom, p.y);
  }
  return box;
}

void TBarcode::PaintBars(Canvas& canvas, std::string_view pattern) {
  const barcode::Rotation to_canvas(FAngle, FLeft, FTop);
  canvas.pen.width = 1;
  const double full = FHeight;
  const double short_bar = static_cast<double>(int64_t{FHeight} * 2 / 5);
  double x = 0;
  for (char c : pattern) {
    ElementProps e = PatternElementProps(c);
    velin::Color colour = e.kind == ElementKind::kSpace ? FColor : FColorBar;
    canvas.pen.color = colour;
    canvas.brush.color = colour;
    canvas.brush.style = BrushStyle::kSolid;
    double h = e.kind == ElementKind::kShortBar ? short_bar : full;
    double right = x + e.width - 1;
    Point corners[4] = {to_canvas(x, 0), to_canvas(x, h), to_canvas(right, h), to_canvas(right, 0)};
    canvas.Polygon(corners, 4);
    x += e.width;
  }
}

void TBarcode::DrawText(Canvas& canvas) {
  canvas.font.size = 4;
  canvas.pen.color = kBlack;
  canvas.brush.color = kWhite;
  canvas.brush.style = BrushStyle::kSolid;
  canvas.TextOut(FLeft, FTop, FText);
  canvas.TextOut(FLeft, FTop + 7, TypeName());
}

void TBarcode::DrawBarcode(Canvas& canvas) {
  std::string pattern = BuildPattern();  // throws before the canvas is touched
  const Canvas::State saved = canvas.Save();
  struct RestoreOnExit {
    Canvas& canvas;
    const Canvas::State& state;
    ~RestoreOnExit() { canvas.Restore(state); }
  } restore{canvas, saved};
  PaintBars(canvas, pattern);
  if (FShowText) DrawText(canvas);
}

}  // namespace velin
