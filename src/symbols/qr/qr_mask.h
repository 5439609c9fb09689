// Data masking: the eight mask patterns, the penalty score and the choice of mask.
#pragma once

#include "symbols/qr/qr_matrix.h"

namespace velin::qr {

// Sets the colour of every non-function module of the n × n matrix to its data bit inverted
// where mask pattern `mask` (0..7) holds. Function modules keep their colour.
void ApplyMask(Matrix& symbol, int n, int mask);

// Penalty of the colours of the whole n × n matrix, function patterns included: runs of five
// or more (length - 2 each), 2 × 2 blocks of one colour (3 each), finder-like 1:1:3:1:1
// patterns with a light module or the edge on both sides (40 each), and the dark/light
// balance (10 per 5 % of deviation from half, rounded down).
int MaskPenalty(const Matrix& symbol, int n);

// Applies mask `masktype` (0..7), or with -1 scores masks 0..7 and applies the lowest
// scoring one (ties to the lower number). Returns the mask applied.
int SelectMask(Matrix& symbol, int n, int masktype);

}  // namespace velin::qr
