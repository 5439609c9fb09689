#include "skin/dpi.h"

#include <cmath>
#include <cstdint>

namespace velin::skin {
namespace {
int Dpi(int dpi) { return dpi > 0 ? dpi : kDesignDpi; }
}  // namespace

int Scale(int design, int dpi) {
  const int64_t product = int64_t{design} * Dpi(dpi);
  const int64_t half = kDesignDpi / 2;
  return static_cast<int>(product >= 0 ? (product + half) / kDesignDpi
                                       : -((-product + half) / kDesignDpi));
}

float ScaleF(float design, int dpi) { return design * float(Dpi(dpi)) / float(kDesignDpi); }

int ScaleStroke(int design, int dpi) {
  if (design <= 0) return 0;
  const int64_t px = int64_t{design} * Dpi(dpi) / kDesignDpi;
  return px < 1 ? 1 : static_cast<int>(px);
}

int FontPixels(float points, int dpi) {
  const long px = std::lround(points * float(Dpi(dpi)) / 72.0f);
  return px < 1 ? 1 : static_cast<int>(px);
}

}  // namespace velin::skin
