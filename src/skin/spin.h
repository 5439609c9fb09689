// The number of an integer spin box.
#pragma once

#include <string_view>

namespace velin::skin {

// The value a spin box holding `text` stands for: the integer it reads (blanks around it
// allowed), clamped to [minimum, maximum]; `minimum` when the text is no integer (empty,
// letters, too large for 32 bits).
int SpinValue(std::string_view text, int minimum, int maximum);
// `value` moved `direction` steps (negative: down) of `step`, clamped to [minimum, maximum]
// without overflowing.
int SpinStep(int value, int direction, int step, int minimum, int maximum);

}  // namespace velin::skin
