#include "symbols/barcode/barcode.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <numbers>
#include <utility>
#include <vector>

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
  // For a quarter turn, its cosine and sine as integers: the corners are then the same in
  // integer arithmetic (what the sines miss of 0 and 1 moves no corner by anything near half
  // a dot, for any coordinates within +-2^31), and QuarterTurnPoint gives them faster.
  bool QuarterTurn(int& cos_a, int& sin_a) const {
    const double c = std::nearbyint(cos_), s = std::nearbyint(sin_);
    if (std::abs(cos_ - c) > 1e-12 || std::abs(sin_ - s) > 1e-12) return false;
    cos_a = static_cast<int>(c);
    sin_a = static_cast<int>(s);
    return true;
  }
  Point QuarterTurnPoint(int cos_a, int sin_a, int64_t u, int64_t v) const {
    const auto clamp = [](int64_t value) {
      return static_cast<int>(std::clamp<int64_t>(value, -(1 << 30), 1 << 30));
    };
    const auto left = static_cast<int64_t>(left_), top = static_cast<int64_t>(top_);
    return Point{clamp(left + u * cos_a + v * sin_a), clamp(top - u * sin_a + v * cos_a)};
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

namespace barcode {
namespace {

// The dots of one element of an upright or quarter-turned symbol, edges included.
struct ElementBox {
  int64_t x0, y0, x1, y1;
  uint32_t pixel;
};

// The dots that a polygon through the four corners, filled and outlined with a one-dot pen of
// the fill colour, covers when the corners make an axis-aligned box: the whole box, edges
// included. A box one dot thin is the outline alone, which covers the same line of dots. False
// for any other shape, and for a single dot (its outline is empty).
bool ElementBoxOf(const Point (&c)[4], uint32_t pixel, ElementBox& box) {
  const bool h0 = c[0].y == c[1].y && c[1].x == c[2].x && c[2].y == c[3].y && c[3].x == c[0].x;
  const bool v0 = c[0].x == c[1].x && c[1].y == c[2].y && c[2].x == c[3].x && c[3].y == c[0].y;
  if (!h0 && !v0) return false;
  box = {std::min(c[0].x, c[2].x), std::min(c[0].y, c[2].y), std::max(c[0].x, c[2].x),
         std::max(c[0].y, c[2].y), pixel};
  return box.x0 < box.x1 || box.y0 < box.y1;
}

// Paints the boxes in order (a later one covers an earlier one), clipped to the bitmap. Rows
// that the same boxes cross are alike: each band of such rows is composed once and copied.
void PaintBoxes(Bitmap32& bmp, const std::vector<ElementBox>& boxes) {
  const int64_t width = bmp.width(), height = bmp.height();
  // Where the set of boxes crossing a row changes: few places for an upright symbol (its top,
  // the foot of its short bars, its bottom), two per element for a quarter-turned one.
  constexpr size_t kMaxEdges = 8;
  int64_t edges[kMaxEdges + 1];
  size_t edge_count = 0;
  for (size_t i = 0; i < boxes.size(); ++i) {
    const ElementBox& b = boxes[i];
    if (i > 0 && b.y0 == boxes[i - 1].y0 && b.y1 == boxes[i - 1].y1) continue;  // as before
    for (const int64_t edge :
         {std::clamp<int64_t>(b.y0, 0, height), std::clamp<int64_t>(b.y1 + 1, 0, height)}) {
      if (std::find(edges, edges + edge_count, edge) != edges + edge_count) continue;
      edges[edge_count++] = edge;
      if (edge_count > kMaxEdges) break;
    }
    if (edge_count > kMaxEdges) break;
  }
  if (edge_count > kMaxEdges) {
    // Many bands (the elements of a quarter-turned symbol lie across the rows): box by box.
    for (const ElementBox& b : boxes) {
      const int64_t x0 = std::max<int64_t>(b.x0, 0), x1 = std::min<int64_t>(b.x1 + 1, width);
      if (x0 >= x1) continue;
      for (int64_t y = std::max<int64_t>(b.y0, 0); y <= std::min(b.y1, height - 1); ++y) {
        uint32_t* row = bmp.Row(static_cast<int>(y));
        std::fill(row + x0, row + x1, b.pixel);
      }
    }
    return;
  }
  std::unique_ptr<uint32_t[]> line(new uint32_t[static_cast<size_t>(width)]);
  std::vector<uint8_t> covered;  // only where the boxes of a band leave gaps
  std::vector<std::pair<int64_t, int64_t>> runs;  // covered columns [first, end)
  std::sort(edges, edges + edge_count);
  for (size_t k = 0; k + 1 < edge_count; ++k) {
    const int64_t top = edges[k], end = edges[k + 1];
    // Compose the band's row; its covered columns are usually one interval.
    int64_t lo = 0, hi = 0;
    bool interval = true;
    for (const ElementBox& b : boxes) {
      if (b.y0 > top || b.y1 < top) continue;  // a box crosses a band whole or not at all
      const int64_t x0 = std::max<int64_t>(b.x0, 0), x1 = std::min<int64_t>(b.x1 + 1, width);
      if (x0 >= x1) continue;
      std::fill(line.get() + x0, line.get() + x1, b.pixel);
      if (lo >= hi) {
        lo = x0;
        hi = x1;
      } else if (x0 <= hi && x1 >= lo) {
        lo = std::min(lo, x0);
        hi = std::max(hi, x1);
      } else {
        interval = false;
      }
    }
    runs.clear();
    if (interval) {
      if (lo < hi) runs.emplace_back(lo, hi);
    } else {
      covered.assign(static_cast<size_t>(width), 0);
      for (const ElementBox& b : boxes) {
        if (b.y0 > top || b.y1 < top) continue;
        const int64_t x0 = std::max<int64_t>(b.x0, 0), x1 = std::min<int64_t>(b.x1 + 1, width);
        if (x0 < x1) std::fill(covered.begin() + x0, covered.begin() + x1, 1);
      }
      for (int64_t x = 0; x < width;) {
        if (!covered[x]) {
          ++x;
          continue;
        }
        const int64_t first = x;
        while (x < width && covered[x]) ++x;
        runs.emplace_back(first, x);
      }
    }
    for (int64_t y = top; y < end; ++y) {
      uint32_t* row = bmp.Row(static_cast<int>(y));
      for (const auto& [first, last] : runs)
        std::copy(line.get() + first, line.get() + last, row + first);
    }
  }
}

}  // namespace
}  // namespace barcode

void TBarcode::PaintBars(Canvas& canvas, std::string_view pattern) {
  const barcode::Rotation to_canvas(FAngle, FLeft, FTop);
  canvas.pen.width = 1;
  const double full = FHeight;
  const double short_bar = static_cast<double>(int64_t{FHeight} * 2 / 5);
  // Each element is a polygon, filled and outlined in its colour. Upright and quarter-turned
  // symbols, whose elements are axis-aligned boxes, are painted as those boxes directly.
  std::vector<barcode::ElementBox> boxes;
  int cos_a = 0, sin_a = 0;
  bool all_boxes = to_canvas.QuarterTurn(cos_a, sin_a);
  if (all_boxes) boxes.reserve(pattern.size());
  int64_t u = 0;
  for (size_t i = 0; i < pattern.size() && all_boxes; ++i) {
    ElementProps e = PatternElementProps(pattern[i]);
    const velin::Color colour = e.kind == ElementKind::kSpace ? FColor : FColorBar;
    const int64_t h = e.kind == ElementKind::kShortBar ? int64_t{FHeight} * 2 / 5 : FHeight;
    const int64_t right = u + e.width - 1;
    const Point corners[4] = {to_canvas.QuarterTurnPoint(cos_a, sin_a, u, 0),
                              to_canvas.QuarterTurnPoint(cos_a, sin_a, u, h),
                              to_canvas.QuarterTurnPoint(cos_a, sin_a, right, h),
                              to_canvas.QuarterTurnPoint(cos_a, sin_a, right, 0)};
    barcode::ElementBox box;
    all_boxes = barcode::ElementBoxOf(corners, ToPixel(colour), box);
    boxes.push_back(box);
    u += e.width;
  }
  if (all_boxes) {
    barcode::PaintBoxes(canvas.target(), boxes);
    if (!pattern.empty()) {
      // The canvas is left as the element by element painting leaves it.
      const velin::Color last =
          PatternElementProps(pattern.back()).kind == ElementKind::kSpace ? FColor : FColorBar;
      canvas.pen.color = last;
      canvas.brush = {last, BrushStyle::kSolid};
    }
    return;
  }
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
