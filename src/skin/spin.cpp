#include "skin/spin.h"

#include <algorithm>
#include <cstdint>

#include "base/strings.h"

namespace velin::skin {

int SpinValue(std::string_view text, int minimum, int maximum) {
  if (maximum < minimum) maximum = minimum;
  int32_t value = 0;
  if (!TryStrToInt(TrimBlanks(text), value)) return minimum;
  return std::clamp<int>(value, minimum, maximum);
}

int SpinStep(int value, int direction, int step, int minimum, int maximum) {
  if (maximum < minimum) maximum = minimum;
  const int64_t moved = int64_t{value} + int64_t{direction} * step;
  return static_cast<int>(std::clamp<int64_t>(moved, minimum, maximum));
}

}  // namespace velin::skin
