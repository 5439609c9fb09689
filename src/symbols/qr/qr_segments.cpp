#include "symbols/qr/qr_segments.h"

#include <cassert>

namespace velin::qr {
namespace {

// Character count of a segment of n bytes (Kanji counts characters).
int CharCount(int mode, int n) { return mode == kKanji ? n / 2 : n; }

// True when every byte of data[0..n) can be written in `mode`.
bool Suits(const uint8_t* data, int n, int mode) {
  switch (mode) {
    case kNumeric:
      for (int i = 0; i < n; ++i) {
        if (data[i] < '0' || data[i] > '9') return false;
      }
      return true;
    case kAlphanumeric:
      for (int i = 0; i < n; ++i) {
        if (AlphanumericValue(data[i]) < 0) return false;
      }
      return true;
    case kByte:
      return true;
    case kKanji:
      if (n % 2 != 0) return false;
      for (int i = 0; i < n; i += 2) {
        if (!IsKanjiPair(data[i], data[i + 1])) return false;
      }
      return true;
  }
  return false;
}

// Writes the payload of a segment whose bytes suit its mode.
void PutSegmentData(QrBitWriter& out, const uint8_t* data, int n, int mode) {
  switch (mode) {
    case kNumeric: {
      int i = 0;
      for (; i + 3 <= n; i += 3) {
        out.PutBits(10, (data[i] - '0') * 100 + (data[i + 1] - '0') * 10 + (data[i + 2] - '0'));
      }
      if (n - i == 1) out.PutBits(4, data[i] - '0');
      if (n - i == 2) out.PutBits(7, (data[i] - '0') * 10 + (data[i + 1] - '0'));
      break;
    }
    case kAlphanumeric: {
      int i = 0;
      for (; i + 2 <= n; i += 2) {
        out.PutBits(11, AlphanumericValue(data[i]) * 45 + AlphanumericValue(data[i + 1]));
      }
      if (i < n) out.PutBits(6, AlphanumericValue(data[i]));
      break;
    }
    case kByte:
      for (int i = 0; i < n; ++i) out.PutBits(8, data[i]);
      break;
    case kKanji:
      for (int i = 0; i < n; i += 2) {
        const int lead = data[i], trail = data[i + 1];
        const int base = lead <= 0x9F ? 0x81 : 0xC1;
        out.PutBits(13, (lead - base) * 0xC0 + (trail - 0x40));
      }
      break;
  }
}

// Writes one whole segment after checking its room and its bytes; nothing is written when
// either check fails.
bool PutSegment(QrBitWriter& out, const uint8_t* data, int n, int mode, const VersionRecord& ver) {
  if (SegmentBits(ver, mode, n) > out.RemainingBits() || !Suits(data, n, mode)) return false;
  out.PutBits(4, kModeIndicator[mode]);
  out.PutBits(ver.cci[mode], CharCount(mode, n));
  PutSegmentData(out, data, n, mode);
  return true;
}

// Length of the run of class `mode` from pos (byte by byte; not for Kanji).
int RunLength(const uint8_t* data, int pos, int len, bool usejis, int mode) {
  int r = 0;
  while (pos + r < len && GetCharMode(data, pos + r, len, usejis) == mode) ++r;
  return r;
}

}  // namespace

bool IsKanjiLead(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xEB); }

bool IsKanjiTrail(uint8_t b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

bool IsKanjiPair(uint8_t lead, uint8_t trail) {
  return IsKanjiLead(lead) && IsKanjiTrail(trail) && !(lead == 0xEB && trail > 0xBF);
}

int GetCharMode(const uint8_t* data, int pos, int len, bool usejis) {
  if (pos >= len) return -1;
  if (!usejis) return kByte;
  const uint8_t b = data[pos];
  if (b >= '0' && b <= '9') return kNumeric;
  if (AlphanumericValue(b) >= 0) return kAlphanumeric;
  if (pos + 1 < len && IsKanjiPair(b, data[pos + 1])) return kKanji;
  return kByte;
}

int SegmentBits(const VersionRecord& ver, int mode, int n) {
  int bits = 0;
  switch (mode) {
    case kNumeric:
      bits = 10 * (n / 3) + (n % 3 == 1 ? 4 : n % 3 == 2 ? 7 : 0);
      break;
    case kAlphanumeric:
      bits = 11 * (n / 2) + (n % 2 ? 6 : 0);
      break;
    case kByte:
      bits = 8 * n;
      break;
    case kKanji:
      bits = 13 * (n / 2);
      break;
  }
  assert(mode >= 0 && mode < 4);
  return 4 + ver.cci[mode & 3] + bits;
}

Segment NextSegment(const uint8_t* data, int pos, int len, bool usejis, const VersionRecord& ver) {
  if (pos >= len) return {};
  const int m = GetCharMode(data, pos, len, usejis);
  const int step = m == kKanji ? 2 : 1;
  int cnt = 0;
  int p = pos;
  for (;;) {
    // Take the run of the current class.
    while (p < len && GetCharMode(data, p, len, usejis) == m) {
      p += step;
      cnt += step;
    }
    if (p >= len) return {cnt, m};
    const int nm = GetCharMode(data, p, len, usejis);
    if (m == kKanji || nm == kKanji) return {cnt, m};
    const int r = RunLength(data, p, len, usejis, nm);
    if (nm < m) {
      // The next run could be written more compactly: split only when that is cheaper.
      int a = SegmentBits(ver, m, cnt) + SegmentBits(ver, nm, r);
      if (GetCharMode(data, p + r, len, usejis) == m) a += SegmentBits(ver, m, 0);
      if (a < SegmentBits(ver, m, cnt + r)) return {cnt, m};
      cnt += r;
      p += r;
      continue;
    }
    // The next run needs a higher mode: write both in it unless splitting is cheaper.
    const int a = SegmentBits(ver, m, cnt) + SegmentBits(ver, nm, r);
    if (a < SegmentBits(ver, nm, cnt + r)) return {cnt, m};
    return {cnt + r, nm};
  }
}

bool EncodeAuto(QrBitWriter& out, const uint8_t* data, int len, bool usejis,
                const VersionRecord& ver, int& emodeR) {
  int last = -1;
  for (int pos = 0;;) {
    const Segment seg = NextSegment(data, pos, len, usejis, ver);
    if (seg.length == 0) break;
    if (!PutSegment(out, data + pos, seg.length, seg.mode, ver)) return false;
    last = seg.mode;
    pos += seg.length;
  }
  emodeR = last;
  return true;
}

bool EncodeFixed(QrBitWriter& out, const uint8_t* data, int len, int mode,
                 const VersionRecord& ver) {
  assert(mode >= kNumeric && mode <= kKanji);
  return PutSegment(out, data, len, mode, ver);
}

void PutStructuredAppend(QrBitWriter& out, int icount, int count, uint8_t parity) {
  assert(icount >= 1 && icount <= 16 && count >= 1 && count <= 16);
  out.PutBits(4, kStructuredAppendIndicator);
  out.PutBits(4, static_cast<uint32_t>(icount - 1));
  out.PutBits(4, static_cast<uint32_t>(count - 1));
  out.PutBits(8, parity);
}

}  // namespace velin::qr
