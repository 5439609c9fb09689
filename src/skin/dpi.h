// Scaling design pixels (the sizes a window is designed in, at 96 dots per inch) to the
// device pixels of a monitor.
#pragma once

namespace velin::skin {

constexpr int kDesignDpi = 96;

// `design` pixels at `dpi`, rounded to the nearest pixel, halves away from zero (as MulDiv).
// A dpi of 0 or less counts as 96.
int Scale(int design, int dpi);
float ScaleF(float design, int dpi);
// Width of a line drawn `design` pixels wide: rounded down, at least one pixel for a positive
// width, so that borders stay crisp (a one-pixel border is one pixel at 150 %).
int ScaleStroke(int design, int dpi);
// Em height in pixels of a font of `points` at `dpi` (rounded, at least 1).
int FontPixels(float points, int dpi);

}  // namespace velin::skin
