#include "fonts/posix/glyph_blit.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define VELIN_BLEND_X86 1
#endif

namespace velin {

namespace {

void BlendRunPlain(uint32_t* d, const uint8_t* cov, int64_t count, uint32_t pixel) {
  for (int64_t k = 0; k < count; ++k) {
    const unsigned a = cov[k];
    if (a == 0) continue;
    d[k] = a >= 255 ? pixel : BlendDot(d[k], pixel, a);
  }
}

#if VELIN_BLEND_X86

// Both vector ways work in 16-bit lanes, where every product and sum of a blend stays below
// 2^16, and pick per dot: the dot itself for coverage 0, the pixel for 255, else the blend
// (whose top byte is cleared, as BlendDot's is).

void BlendRunSse2(uint32_t* d, const uint8_t* cov, int64_t count, uint32_t pixel) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i ones = _mm_set1_epi32(-1);
  const __m128i full = _mm_set1_epi16(255);
  const __m128i round = _mm_set1_epi16(127);
  const __m128i one = _mm_set1_epi16(1);
  const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
  const __m128i pixels = _mm_set1_epi32(static_cast<int>(pixel));
  const __m128i p16 = _mm_unpacklo_epi8(pixels, zero);  // the same for both halves
  auto half = [&](__m128i d16, __m128i a16) {
    const __m128i t = _mm_add_epi16(
        _mm_add_epi16(_mm_mullo_epi16(d16, _mm_sub_epi16(full, a16)), _mm_mullo_epi16(p16, a16)),
        round);
    return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(t, one), _mm_srli_epi16(t, 8)), 8);
  };
  int64_t k = 0;
  for (; k + 4 <= count; k += 4) {
    uint32_t four;
    std::memcpy(&four, cov + k, 4);
    if (four == 0) continue;
    __m128i a8 = _mm_cvtsi32_si128(static_cast<int>(four));
    a8 = _mm_unpacklo_epi8(a8, a8);
    a8 = _mm_unpacklo_epi16(a8, a8);  // each dot's coverage in all four of its bytes
    const __m128i dots = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + k));
    const __m128i lo = half(_mm_unpacklo_epi8(dots, zero), _mm_unpacklo_epi8(a8, zero));
    const __m128i hi = half(_mm_unpackhi_epi8(dots, zero), _mm_unpackhi_epi8(a8, zero));
    const __m128i blended = _mm_and_si128(_mm_packus_epi16(lo, hi), colour);
    const __m128i keep = _mm_cmpeq_epi32(a8, zero);
    const __m128i store = _mm_cmpeq_epi32(a8, ones);
    const __m128i mixed = _mm_andnot_si128(_mm_or_si128(keep, store), blended);
    const __m128i out = _mm_or_si128(
        _mm_or_si128(_mm_and_si128(keep, dots), _mm_and_si128(store, pixels)), mixed);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + k), out);
  }
  BlendRunPlain(d + k, cov + k, count - k, pixel);
}

// One 16-bit half of eight dots: (d * (255 - a) + p * a + 127) / 255 per channel.
__attribute__((target("avx2"))) inline __m256i BlendHalfAvx2(__m256i d16, __m256i a16,
                                                             __m256i p16) {
  const __m256i t = _mm256_add_epi16(
      _mm256_add_epi16(_mm256_mullo_epi16(d16, _mm256_sub_epi16(_mm256_set1_epi16(255), a16)),
                       _mm256_mullo_epi16(p16, a16)),
      _mm256_set1_epi16(127));
  return _mm256_srli_epi16(
      _mm256_add_epi16(_mm256_add_epi16(t, _mm256_set1_epi16(1)), _mm256_srli_epi16(t, 8)), 8);
}

// Eight dots with their eight coverage bytes.
__attribute__((target("avx2"))) inline void BlendBlockAvx2(uint32_t* at, uint64_t eight,
                                                           uint32_t pixel) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i pixels = _mm256_set1_epi32(static_cast<int>(pixel));
  const __m256i p16 = _mm256_unpacklo_epi8(pixels, zero);  // the same for every half lane
  // Each dot's coverage in all four of its bytes.
  const __m256i a8 =
      _mm256_mullo_epi32(_mm256_cvtepu8_epi32(_mm_cvtsi64_si128(static_cast<long long>(eight))),
                         _mm256_set1_epi32(0x01010101));
  const __m256i dots = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
  const __m256i lo =
      BlendHalfAvx2(_mm256_unpacklo_epi8(dots, zero), _mm256_unpacklo_epi8(a8, zero), p16);
  const __m256i hi =
      BlendHalfAvx2(_mm256_unpackhi_epi8(dots, zero), _mm256_unpackhi_epi8(a8, zero), p16);
  const __m256i blended =
      _mm256_and_si256(_mm256_packus_epi16(lo, hi), _mm256_set1_epi32(0x00FFFFFF));
  const __m256i keep = _mm256_cmpeq_epi32(a8, zero);
  const __m256i store = _mm256_cmpeq_epi32(a8, _mm256_set1_epi32(-1));
  const __m256i mixed = _mm256_andnot_si256(_mm256_or_si256(keep, store), blended);
  const __m256i out = _mm256_or_si256(
      _mm256_or_si256(_mm256_and_si256(keep, dots), _mm256_and_si256(store, pixels)), mixed);
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(at), out);
}

// Rows of `count` dots, `d_step` dots apart, with their coverage rows `cov_step` bytes apart.
__attribute__((target("avx2"))) void BlendRowsAvx2(uint32_t* d, ptrdiff_t d_step,
                                                   const uint8_t* cov, ptrdiff_t cov_step,
                                                   int64_t count, int64_t rows, uint32_t pixel) {
  const int64_t n = count % 8;
  const __m256i live = _mm256_cmpgt_epi32(_mm256_set1_epi32(static_cast<int>(n)),
                                          _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
  const uint64_t tail_bytes = n == 0 ? 0 : ~uint64_t{0} >> (64 - 8 * n);
  for (int64_t r = 0; r < rows; ++r, d += d_step, cov += cov_step) {
    int64_t k = 0;
    for (; k + 8 <= count; k += 8) {
      uint64_t eight;
      std::memcpy(&eight, cov + k, 8);
      if (eight != 0) BlendBlockAvx2(d + k, eight, pixel);
    }
    if (n == 0) continue;
    // The short last block: its dots are read and written under a mask, so nothing past the
    // run is touched. Its coverage comes in one load where the bytes after it are still the
    // box's (a later row), else one by one.
    uint64_t eight = 0;
    if (k + 8 <= (rows - 1 - r) * cov_step + count) {
      std::memcpy(&eight, cov + k, 8);
      eight &= tail_bytes;
    } else {
      for (int64_t i = 0; i < n; ++i) eight |= uint64_t{cov[k + i]} << (8 * i);
    }
    if (eight == 0) continue;
    alignas(32) uint32_t tail[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(tail),
                       _mm256_maskload_epi32(reinterpret_cast<const int*>(d + k), live));
    BlendBlockAvx2(tail, eight, pixel);
    _mm256_maskstore_epi32(reinterpret_cast<int*>(d + k), live,
                           _mm256_load_si256(reinterpret_cast<const __m256i*>(tail)));
  }
}

void BlendRunAvx2(uint32_t* d, const uint8_t* cov, int64_t count, uint32_t pixel) {
  BlendRowsAvx2(d, 0, cov, 0, count, 1, pixel);
}

void BlendRowsSse2(uint32_t* d, ptrdiff_t d_step, const uint8_t* cov, ptrdiff_t cov_step,
                   int64_t count, int64_t rows, uint32_t pixel) {
  for (int64_t r = 0; r < rows; ++r, d += d_step, cov += cov_step)
    BlendRunSse2(d, cov, count, pixel);
}

using RowsKernel = void (*)(uint32_t*, ptrdiff_t, const uint8_t*, ptrdiff_t, int64_t, int64_t,
                            uint32_t);

RowsKernel ChooseKernel() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") ? BlendRowsAvx2 : BlendRowsSse2;
}

#endif

}  // namespace

void BlendRows(uint32_t* d, ptrdiff_t d_step, const uint8_t* cov, ptrdiff_t cov_step,
               int64_t count, int64_t rows, uint32_t pixel) {
#if VELIN_BLEND_X86
  static const RowsKernel kernel = ChooseKernel();
  kernel(d, d_step, cov, cov_step, count, rows, pixel);
#else
  for (int64_t r = 0; r < rows; ++r, d += d_step, cov += cov_step)
    BlendRunPlain(d, cov, count, pixel);
#endif
}

void BlendRun(uint32_t* d, const uint8_t* cov, int64_t count, uint32_t pixel) {
  BlendRows(d, 0, cov, 0, count, 1, pixel);
}

BlendRunKernels AvailableBlendRunKernels() {
  BlendRunKernels kernels{BlendRunPlain, nullptr, nullptr};
#if VELIN_BLEND_X86
  __builtin_cpu_init();
  kernels.sse2 = BlendRunSse2;
  if (__builtin_cpu_supports("avx2")) kernels.avx2 = BlendRunAvx2;
#endif
  return kernels;
}

}  // namespace velin
