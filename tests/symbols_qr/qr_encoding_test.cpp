// The encoder's steps against the standard's tables and worked examples and against hand
// computations.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "symbols/qr/qr_bit_stream.h"
#include "symbols/qr/qr_encoder.h"
#include "symbols/qr/qr_error_correction.h"
#include "symbols/qr/qr_mask.h"
#include "symbols/qr/qr_matrix.h"
#include "symbols/qr/qr_segments.h"
#include "symbols/qr/qr_tables.h"

namespace velin::qr {
namespace {

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

// The first `n` bits of `bytes` as a string of '0' and '1'.
std::string BitString(const uint8_t* bytes, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += ((bytes[i / 8] >> (7 - i % 8)) & 1) ? '1' : '0';
  return out;
}

class QrTables : public ::testing::Test {
 protected:
  void SetUp() override { InitVersionTable(vertable); }
  VersionTable vertable;
};

TEST_F(QrTables, RecordsAreConsistentWithEachOtherAndWithTheMatrix) {
  // Every derived quantity must agree with every other: blocks with totals, capacities with the
  // bit costs, and codewords plus remainder bits with the data modules the matrix leaves.
  auto matrix = std::make_unique<Matrix>();
  for (int v = 1; v <= 40; ++v) {
    const VersionRecord& ver = vertable[v];
    SCOPED_TRACE("version " + std::to_string(v));
    ASSERT_EQ(ver.version, v);
    EXPECT_EQ(ver.modules, 17 + 4 * v);
    PlaceFunctionPatterns(*matrix, ver);
    int free = 0;
    for (int r = 0; r < ver.modules; ++r) {
      for (int c = 0; c < ver.modules; ++c) free += !((*matrix)[r][c] & kFunction);
    }
    EXPECT_EQ(free, ver.totalcodewords * 8 + ver.remainderbits);
    for (int l = 0; l < 4; ++l) {
      SCOPED_TRACE("level " + std::to_string(l));
      const LevelRecord& lr = ver.level[l];
      int total = 0, data = 0;
      for (int g = 0; g < lr.groups; ++g) {
        total += lr.group[g].blocks * lr.group[g].codewords;
        data += lr.group[g].blocks * lr.group[g].datacodewords;
      }
      EXPECT_EQ(total, ver.totalcodewords);
      EXPECT_EQ(data, lr.datacodewords);
      EXPECT_NE(GeneratorExponents(lr.EcPerBlock()), nullptr);
      if (lr.groups == 2) {
        EXPECT_EQ(lr.group[1].codewords - lr.group[1].datacodewords, lr.EcPerBlock());
        EXPECT_EQ(lr.group[1].datacodewords, lr.group[0].datacodewords + 1);
      } else {
        EXPECT_EQ(lr.group[1].blocks, 0);
      }
      // The published capacity is the largest count whose segment fits the data bits.
      for (int m = 0; m < 4; ++m) {
        const int step = m == kKanji ? 2 : 1;
        const int chars = lr.capacity[m];
        EXPECT_LE(SegmentBits(ver, m, chars * step), lr.datacodewords * 8) << "mode " << m;
        EXPECT_GT(SegmentBits(ver, m, (chars + 1) * step), lr.datacodewords * 8) << "mode " << m;
      }
    }
  }
}

TEST_F(QrTables, SpotValuesFromThePublishedTables) {
  struct Row {
    int line, version, level, datacodewords, numeric, alnum, byte, kanji, ecperblock, blocks;
  } rows[] = {
      // ISO/IEC 18004 Table 7 (capacities) and Table 9 (error correction per block, blocks).
      {__LINE__, 1, kLevelL, 19, 41, 25, 17, 10, 7, 1},
      {__LINE__, 1, kLevelH, 9, 17, 10, 7, 4, 17, 1},
      {__LINE__, 6, kLevelM, 108, 255, 154, 106, 65, 16, 4},
      {__LINE__, 10, kLevelQ, 154, 364, 221, 151, 93, 24, 8},
      {__LINE__, 27, kLevelL, 1468, 3517, 2132, 1465, 902, 30, 12},
      {__LINE__, 40, kLevelL, 2956, 7089, 4296, 2953, 1817, 30, 25},
      {__LINE__, 40, kLevelH, 1276, 3057, 1852, 1273, 784, 30, 81},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("row at line " + std::to_string(r.line));
    const LevelRecord& lr = vertable[r.version].level[r.level];
    EXPECT_EQ(lr.datacodewords, r.datacodewords);
    EXPECT_EQ(lr.capacity[kNumeric], r.numeric);
    EXPECT_EQ(lr.capacity[kAlphanumeric], r.alnum);
    EXPECT_EQ(lr.capacity[kByte], r.byte);
    EXPECT_EQ(lr.capacity[kKanji], r.kanji);
    EXPECT_EQ(lr.EcPerBlock(), r.ecperblock);
    EXPECT_EQ(lr.Blocks(), r.blocks);
  }
  // Character count indicator lengths change at versions 10 and 27 (Table 3).
  EXPECT_EQ(vertable[9].cci[kByte], 8);
  EXPECT_EQ(vertable[10].cci[kByte], 16);
  EXPECT_EQ(vertable[26].cci[kNumeric], 12);
  EXPECT_EQ(vertable[27].cci[kNumeric], 14);
  EXPECT_EQ(vertable[0].version, 0);
}

TEST(QrErrorCorrection, GeneratorsVanishAtTheirRoots) {
  // g(x) = (x - a^0)(x - a^1)...(x - a^(d-1)): evaluating at each root must give 0.
  for (int d : {7, 10, 13, 15, 16, 17, 18, 20, 22, 24, 26, 28, 30}) {
    const uint8_t* gen = GeneratorExponents(d);
    ASSERT_NE(gen, nullptr) << d;
    for (int i = 0; i < d; ++i) {
      const uint8_t x = GfExp(i);
      uint8_t y = 1;  // Horner, leading coefficient 1
      for (int k = 0; k < d; ++k) y = GfMultiply(y, x) ^ GfExp(gen[k]);
      EXPECT_EQ(y, 0) << "degree " << d << " root " << i;
    }
  }
  EXPECT_EQ(GeneratorExponents(8), nullptr);
}

TEST(QrErrorCorrection, WorkedExampleOfTheStandard) {
  // ISO/IEC 18004 Annex I: "01234567" at 1-M; data and error correction codewords.
  const uint8_t data[16] = {0x10, 0x20, 0x0C, 0x56, 0x61, 0x80, 0xEC, 0x11,
                            0xEC, 0x11, 0xEC, 0x11, 0xEC, 0x11, 0xEC, 0x11};
  const uint8_t ec[10] = {0xA5, 0x24, 0xD4, 0xC1, 0xED, 0x36, 0xC7, 0x87, 0x2C, 0x55};
  uint8_t out[10];
  RsRemainder(data, 16, 10, out);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 10), std::vector<uint8_t>(ec, ec + 10));

  auto enc = std::make_unique<QrEncoder>();
  QrEncoder::Settings s;
  s.version = 1;
  s.eclevel = kLevelM;
  s.emode = kNumeric;
  const std::string text = "01234567";
  ASSERT_TRUE(enc->EncodeSymbol({Bytes(text), text.size()}, s));
  EXPECT_EQ(std::vector<uint8_t>(enc->dataword, enc->dataword + 16),
            std::vector<uint8_t>(data, data + 16));
  EXPECT_EQ(std::vector<uint8_t>(enc->codeword + 16, enc->codeword + 26),
            std::vector<uint8_t>(ec, ec + 10));
}

TEST(QrErrorCorrection, InterleavesShortBlocksBeforeLongOnes) {
  // 5-Q: two blocks of 15 data codewords, then two of 16 (Table 9); 18 EC codewords each.
  VersionTable vt;
  InitVersionTable(vt);
  const LevelRecord& lr = vt[5].level[kLevelQ];
  ASSERT_EQ(lr.groups, 2);
  uint8_t data[62], ec[72], out[134];
  for (int i = 0; i < 62; ++i) data[i] = static_cast<uint8_t>(i);
  for (int i = 0; i < 72; ++i) ec[i] = static_cast<uint8_t>(100 + i);
  Interleave(lr, data, ec, out);
  // Column j takes block 1 (0..14), block 2 (15..29), block 3 (30..45), block 4 (46..61).
  const uint8_t head[8] = {0, 15, 30, 46, 1, 16, 31, 47};
  EXPECT_EQ(std::vector<uint8_t>(out, out + 8), std::vector<uint8_t>(head, head + 8));
  // After 15 full columns only the long blocks have a 16th codeword.
  EXPECT_EQ(out[60], 45);
  EXPECT_EQ(out[61], 61);
  EXPECT_EQ(out[62], 100);   // first EC codeword of block 1
  EXPECT_EQ(out[63], 118);   // of block 2
  EXPECT_EQ(out[133], 171);  // last EC codeword of block 4
}

TEST(QrBitStream, EmptyPieceAtVersion1LevelL) {
  // Mode indicator and count of an empty byte segment, then the terminator, the codeword
  // completed with zeros and the pad codewords EC 11 EC ... (hand computation).
  auto enc = std::make_unique<QrEncoder>();
  QrEncoder::Settings s;
  s.version = 1;
  s.eclevel = kLevelL;
  ASSERT_TRUE(enc->EncodeSymbol({}, s));
  EXPECT_EQ(enc->EmodeR(), -1);
  EXPECT_EQ(enc->dataword[0], 0x00);
  for (int i = 1; i < 19; ++i) EXPECT_EQ(enc->dataword[i], i % 2 ? 0xEC : 0x11) << i;
}

TEST(QrBitStream, TerminatorShortenedAtTheEnd) {
  // With fewer than four bits left the terminator is cut short and no pad follows.
  uint8_t buf[2];
  QrBitWriter w;
  w.InitDataWords(buf, 2);
  w.PutBits(14, 0x3FFF);
  EXPECT_EQ(w.RemainingBits(), 2);
  w.Terminate();
  EXPECT_EQ(w.RemainingBits(), 0);
  EXPECT_EQ(buf[0], 0xFF);
  EXPECT_EQ(buf[1], 0xFC);
  // Six bits left: four terminator bits, two to complete the codeword, one pad codeword.
  uint8_t buf2[3];
  w.InitDataWords(buf2, 3);
  w.PutBits(10, 0x3FF);
  w.Terminate();
  EXPECT_EQ(BitString(buf2, 24), "111111111100000011101100");
}

TEST(QrSegments, ByteModeLimitAtVersion6LevelM) {
  // 4 + 8 + 106 × 8 = 860 of 864 bits fit; 107 bytes need 868.
  auto enc = std::make_unique<QrEncoder>();
  QrEncoder::Settings s;
  s.version = 6;
  s.eclevel = kLevelM;
  s.usejis = false;
  std::vector<uint8_t> data(107, '7');  // digits: still bytes while Usejis is off
  EXPECT_FALSE(enc->EncodeSymbol({data.data(), 107}, s));
  ASSERT_TRUE(enc->EncodeSymbol({data.data(), 106}, s));
  EXPECT_EQ(enc->EmodeR(), kByte);
  EXPECT_EQ(BitString(enc->dataword, 12),
            "0100"
            "01101010");
}

// Segments (length, mode) of NextSegment over the whole text.
std::vector<std::pair<int, int>> Segments(const std::string& text, int version, bool usejis) {
  VersionTable vt;
  InitVersionTable(vt);
  std::vector<std::pair<int, int>> out;
  const int len = static_cast<int>(text.size());
  for (int pos = 0;;) {
    Segment s = NextSegment(Bytes(text), pos, len, usejis, vt[version]);
    if (s.length == 0) break;
    out.emplace_back(s.length, s.mode);
    pos += s.length;
  }
  return out;
}

TEST(QrSegments, GreedyModeAnalysis) {
  using V = std::vector<std::pair<int, int>>;
  struct Row {
    int line;
    std::string text;
    int version;
    bool usejis;
    V segments;
  } rows[] = {
      // Examples of the mode analysis rules at version 1, checked by hand with the bit costs.
      {__LINE__, "123456789012ABC", 1, true, {{12, kNumeric}, {3, kAlphanumeric}}},
      {__LINE__, "ABC123", 1, true, {{6, kAlphanumeric}}},
      {__LINE__, "ABCDEF1234567890", 1, true, {{6, kAlphanumeric}, {10, kNumeric}}},
      {__LINE__, "abc123456789", 1, true, {{3, kByte}, {9, kNumeric}}},
      {__LINE__, "1234567ab", 1, true, {{7, kNumeric}, {2, kByte}}},
      {__LINE__, "12a", 1, true, {{3, kByte}}},
      {__LINE__, "a1234567890123b", 1, true, {{1, kByte}, {13, kNumeric}, {1, kByte}}},
      // Usejis off: one byte segment whatever the content.
      {__LINE__, "123456789012ABC", 1, false, {{15, kByte}}},
      // Kanji pairs (Shift JIS 0x935F, 0xE4AA); a lead byte as the last byte, or followed by a
      // non-trail byte, is an 8-bit byte; a Kanji run never merges with its neighbours.
      {__LINE__, "\x93\x5F\xE4\xAA", 1, true, {{4, kKanji}}},
      {__LINE__, "ab\x93\x5F", 1, true, {{2, kByte}, {2, kKanji}}},
      {__LINE__, "\x93\x5F\x93", 1, true, {{2, kKanji}, {1, kByte}}},
      {__LINE__, "\x93\x20", 1, true, {{2, kByte}}},
      {__LINE__, "\x93\x7F", 1, true, {{2, kByte}}},
      // 0xEB 0xC0 would need a 14-bit value: not Kanji.
      {__LINE__, "\xEB\xC0", 1, true, {{2, kByte}}},
      {__LINE__, "\xEB\xBF", 1, true, {{2, kKanji}}},
      // Ties merge: numeric 3 + byte 1 costs 4+10+10 + 4+8+8 = 44 = 4+8+32 for byte 4; one
      // more digit makes the split cheaper (48 < 52).
      {__LINE__, "123a", 1, true, {{4, kByte}}},
      {__LINE__, "1234a", 1, true, {{4, kNumeric}, {1, kByte}}},
      // Longer indicators change the outcome: the numeric count grows from 10 to 14 bits at
      // version 27, so 4 digits after a byte (4+14+14 = 32 = 8 × 4) no longer split off.
      {__LINE__, "a1234", 1, true, {{1, kByte}, {4, kNumeric}}},
      {__LINE__, "a1234", 27, true, {{5, kByte}}},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(Segments(r.text, r.version, r.usejis), r.segments) << "row at line " << r.line;
  }
}

TEST(QrSegments, FixedModesRefuseUnsuitableData) {
  struct Row {
    int line;
    int mode;
    std::string data;
    bool ok;
  } rows[] = {
      {__LINE__, kNumeric, "0123456789", true},
      {__LINE__, kNumeric, "12A", false},
      {__LINE__, kAlphanumeric, "AZ09 $%*+-./:", true},
      {__LINE__, kAlphanumeric, "Ab", false},
      {__LINE__, kAlphanumeric, "\xC1", false},  // 0x41 + 0x80: not below 0x80
      {__LINE__, kByte, std::string("\x00\xFF~", 3), true},
      {__LINE__, kKanji, "\x81\x40\xEB\xBF", true},
      {__LINE__, kKanji, "\x81\x40\x81", false},  // odd count
      {__LINE__, kKanji, "\xA0\x40", false},      // 0xA0 is no lead byte
      {__LINE__, kKanji, "\x81\x7F", false},      // 0x7F is no trail byte
      {__LINE__, kKanji, "\xEB\xC0", false},      // beyond the last Kanji value
      {__LINE__, kNumeric, "", true},
  };
  auto enc = std::make_unique<QrEncoder>();
  for (const Row& r : rows) {
    QrEncoder::Settings s;
    s.version = 2;
    s.emode = r.mode;
    EXPECT_EQ(enc->EncodeSymbol({Bytes(r.data), r.data.size()}, s), r.ok)
        << "row at line " << r.line;
  }
}

TEST(QrSegments, DataBitsOfEachMode) {
  struct Row {
    int line;
    int mode;  // -1 automatic (with Usejis)
    std::string data;
    std::string bits;  // expected start of the data bits at version 1
  } rows[] = {
      // ISO/IEC 18004 7.4.3 example: 01234567 -> 0001 0000001000 0000001100 0101011001 1000011
      {__LINE__, kNumeric, "01234567",
       "0001"
       "0000001000"
       "0000001100"
       "0101011001"
       "1000011"},
      // 7.4.4 example: AC-42 -> 0010 000000101 00111001110 11100111001 000010
      {__LINE__, kAlphanumeric, "AC-42",
       "0010"
       "000000101"
       "00111001110"
       "11100111001"
       "000010"},
      // 7.4.6 examples: 0x935F -> 0x0D9F, 0xE4AA -> 0x1AAA.
      {__LINE__, kKanji, "\x93\x5F\xE4\xAA",
       "1000"
       "00000010"
       "0110110011111"
       "1101010101010"},
      {__LINE__, kByte, "a",
       "0100"
       "00000001"
       "01100001"},
      {__LINE__, -1, "\x93\x5F",
       "1000"
       "00000001"
       "0110110011111"},
  };
  auto enc = std::make_unique<QrEncoder>();
  for (const Row& r : rows) {
    QrEncoder::Settings s;
    s.version = 1;
    s.emode = r.mode;
    s.usejis = true;
    ASSERT_TRUE(enc->EncodeSymbol({Bytes(r.data), r.data.size()}, s)) << "line " << r.line;
    EXPECT_EQ(BitString(enc->dataword, static_cast<int>(r.bits.size())), r.bits)
        << "row at line " << r.line;
  }
}

TEST(QrSegments, StructuredAppendHeader) {
  // Piece 2 of 3, parity 0x5A: 0011 0001 0010 01011010, then the piece's own segment.
  auto enc = std::make_unique<QrEncoder>();
  QrEncoder::Settings s;
  s.version = 1;
  s.connect = true;
  s.icount = 2;
  s.count = 3;
  s.parity = 0x5A;
  const std::string data = "x";
  ASSERT_TRUE(enc->EncodeSymbol({Bytes(data), 1}, s));
  EXPECT_EQ(BitString(enc->dataword, 32),
            "0011"
            "0001"
            "0010"
            "01011010"
            "0100"
            "00000001");
  // The header counts against the capacity: 17 bytes fit 1-L alone, not after the header.
  std::vector<uint8_t> big(17, 'x');
  s.connect = false;
  EXPECT_TRUE(enc->EncodeSymbol({big.data(), big.size()}, s));
  s.connect = true;
  EXPECT_FALSE(enc->EncodeSymbol({big.data(), big.size()}, s));
}

TEST(QrMatrix, FormatInformationOfTheStandardsExample) {
  // ISO/IEC 18004 Annex C: level M, mask 101 -> 100000011001110.
  EXPECT_EQ(FormatInfoBits(kLevelM, 5), 0b100000011001110u);
  // Version information of version 7 (Annex D): 000111110010010100.
  EXPECT_EQ(VersionInfoCode(7), 0b000111110010010100u);
}

TEST(QrMatrix, FunctionPatternsByVersion) {
  VersionTable vt;
  InitVersionTable(vt);
  auto m = std::make_unique<Matrix>();
  auto dark = [&](int r, int c) { return ((*m)[r][c] & kDark) != 0; };
  auto function = [&](int r, int c) { return ((*m)[r][c] & kFunction) != 0; };
  for (int v : {1, 2, 6, 7, 40}) {
    SCOPED_TRACE("version " + std::to_string(v));
    const int n = vt[v].modules;
    PlaceFunctionPatterns(*m, vt[v]);
    // Finder centres dark, the separators' corners light.
    EXPECT_TRUE(dark(3, 3) && dark(3, n - 4) && dark(n - 4, 3));
    EXPECT_FALSE(dark(7, 7) || dark(7, n - 8) || dark(n - 8, 7));
    // Timing: dark on even indices.
    EXPECT_TRUE(dark(6, 8) && !dark(6, 9) && dark(10, 6));
    // Alignment pattern: none at version 1, one at (n - 7, n - 7) for versions 2 to 6.
    const bool align = dark(n - 7, n - 7) && !dark(n - 8, n - 7) && dark(n - 9, n - 7);
    EXPECT_EQ(align, v >= 2) << "alignment at (n-7, n-7)";
    if (v >= 2 && v <= 6) {
      EXPECT_FALSE(function(n / 2, n / 2));
    }
    // Version information blocks reserved from version 7.
    EXPECT_EQ(function(n - 11, 0), v >= 7);
    EXPECT_EQ(function(0, n - 11), v >= 7);
  }
  // Version 7: the alignment patterns on the timing lines exist (centres (6, 22), (22, 22)).
  PlaceFunctionPatterns(*m, vt[7]);
  EXPECT_TRUE(dark(6, 22) && !dark(6, 21) && dark(22, 22) && !dark(22, 21));
}

TEST(QrMatrix, VersionInformationInBothBlocks) {
  auto enc = std::make_unique<QrEncoder>();
  QrEncoder::Settings s;
  s.version = 7;
  ASSERT_TRUE(enc->EncodeSymbol({}, s));
  const int n = enc->Modules();
  const uint32_t code = VersionInfoCode(7);
  for (int i = 0; i < 18; ++i) {
    const bool bit = (code >> i) & 1;
    EXPECT_EQ(enc->Dark(n - 11 + i % 3, i / 3), bit) << i;
    EXPECT_EQ(enc->Dark(i / 3, n - 11 + i % 3), bit) << i;
  }
  EXPECT_TRUE(enc->Dark(n - 8, 8));  // the dark module
}

// A matrix whose colours are given by rows of '0'/'1'.
std::unique_ptr<Matrix> FromRows(const std::vector<std::string>& rows) {
  auto m = std::make_unique<Matrix>();
  std::memset(m.get(), 0, sizeof(Matrix));
  for (size_t r = 0; r < rows.size(); ++r) {
    for (size_t c = 0; c < rows[r].size(); ++c) (*m)[r][c] = rows[r][c] == '1' ? kDark : 0;
  }
  return m;
}

TEST(QrMask, PenaltyRules) {
  struct Row {
    int line;
    std::vector<std::string> rows;
    int score;
  } rows[] = {
      // 9 × 9 light with 0 1011101 0 in the middle row (hand count): runs 8 light rows × 7 and
      // 4 light columns × 7; 2 × 2 blocks 6 row pairs × 8 × 3; one finder-like pattern 40
      // (one light module each side is enough); balance 5/81 -> 6 % -> k 44 -> 80.
      {__LINE__,
       {"000000000", "000000000", "000000000", "000000000", "010111010", "000000000", "000000000",
        "000000000", "000000000"},
       56 + 28 + 144 + 40 + 80},
      // The pattern touching both edges counts as well; in a 7 × 7 matrix with it in the top
      // row: runs 6 light rows × 5, columns 0, 2, 3, 4, 6 ... see below.
      {__LINE__,
       {"1011101", "0000000", "0000000", "0000000", "0000000", "0000000", "0000000"},
       // rows: 6 × (7-2) = 30; columns 1 and 5 light (7 -> 5 each) = 10, the others dark on
       // top then 6 light -> 4 each, 5 columns = 20; blocks: rows 1..6 give 5 pairs × 6 = 30
       // blocks, rows 0/1 at columns 0-1? no (1,0); none -> 90; finder 40; balance 5/49 ->
       // 10 % -> k 40 -> 80.
       30 + 10 + 20 + 90 + 40 + 80},
      // Checkerboard 6 × 6: no runs, no blocks, no pattern, exactly half dark.
      {__LINE__, {"010101", "101010", "010101", "101010", "010101", "101010"}, 0},
  };
  for (const Row& r : rows) {
    auto m = FromRows(r.rows);
    EXPECT_EQ(MaskPenalty(*m, static_cast<int>(r.rows.size())), r.score)
        << "row at line " << r.line;
  }
}

// The penalty rules written out module by module, as a model for the word-parallel scoring.
int ReferencePenalty(const std::vector<std::vector<int>>& m) {
  const int n = static_cast<int>(m.size());
  auto at = [&](bool row, int line, int k) { return row ? m[line][k] : m[k][line]; };
  int score = 0, dark = 0;
  for (int dir = 0; dir < 2; ++dir) {
    for (int line = 0; line < n; ++line) {
      for (int k = 0, run = 1; k < n; ++k, ++run) {
        if (k + 1 == n || at(dir, line, k + 1) != at(dir, line, k)) {
          if (run >= 5) score += run - 2;
          run = 0;
        }
      }
      static const int kPattern[7] = {1, 0, 1, 1, 1, 0, 1};
      for (int k = 0; k + 7 <= n; ++k) {
        bool match = (k == 0 || !at(dir, line, k - 1)) && (k + 7 == n || !at(dir, line, k + 7));
        for (int t = 0; t < 7; ++t) match = match && at(dir, line, k + t) == kPattern[t];
        if (match) score += 40;
      }
    }
  }
  for (int i = 0; i + 1 < n; ++i) {
    for (int j = 0; j + 1 < n; ++j) {
      const int sum = m[i][j] + m[i][j + 1] + m[i + 1][j] + m[i + 1][j + 1];
      if (sum == 0 || sum == 4) score += 3;
    }
  }
  for (const auto& row : m) {
    for (int v : row) dark += v;
  }
  return score + 10 * (std::abs(100 * dark / (n * n) - 50) / 5);
}

TEST(QrMask, PenaltyMatchesTheModuleByModuleRulesOnRandomMatrices) {
  // Sizes around the 64-bit word boundaries and the largest symbol; densities from sparse to
  // dense so long runs, blocks and finder-like patterns all occur.
  std::mt19937 rng(99);
  auto m = std::make_unique<Matrix>();
  for (int n : {7, 21, 63, 64, 65, 127, 128, 129, 177}) {
    for (int density : {10, 50, 90}) {
      std::vector<std::vector<int>> model(n, std::vector<int>(n));
      for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
          model[i][j] = static_cast<int>(rng() % 100) < density;
          (*m)[i][j] = model[i][j] ? kDark : 0;
        }
      }
      // Plant a finder-like pattern against the right edge and one down the last column.
      for (int t = 0; t < 7; ++t) {
        const int v = t == 1 || t == 5 ? 0 : 1;
        model[n / 2][n - 7 + t] = v;
        model[n - 7 + t][n - 1] = v;
      }
      if (n > 7) {
        model[n / 2][n - 8] = 0;
        model[n - 8][n - 1] = 0;
      }
      for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) (*m)[i][j] = model[i][j] ? kDark : 0;
      }
      EXPECT_EQ(MaskPenalty(*m, n), ReferencePenalty(model)) << n << " at " << density << " %";
    }
  }
}

TEST(QrMask, PatternsAsTheStandardDefinesThem) {
  // Every non-function module of an all-zero data matrix becomes dark exactly where the
  // mask condition holds (ISO/IEC 18004 Table 10, i row, j column).
  auto cond = [](int t, int i, int j) {
    switch (t) {
      case 0:
        return (i + j) % 2 == 0;
      case 1:
        return i % 2 == 0;
      case 2:
        return j % 3 == 0;
      case 3:
        return (i + j) % 3 == 0;
      case 4:
        return (i / 2 + j / 3) % 2 == 0;
      case 5:
        return (i * j) % 2 + (i * j) % 3 == 0;
      case 6:
        return ((i * j) % 2 + (i * j) % 3) % 2 == 0;
      default:
        return ((i + j) % 2 + (i * j) % 3) % 2 == 0;
    }
  };
  VersionTable vt;
  InitVersionTable(vt);
  auto m = std::make_unique<Matrix>();
  for (int t = 0; t < 8; ++t) {
    PlaceFunctionPatterns(*m, vt[2]);
    (*m)[24][24] |= kDataBit;  // one data bit set: its colour is inverted
    ApplyMask(*m, 25, t);
    for (int i = 0; i < 25; ++i) {
      for (int j = 0; j < 25; ++j) {
        if ((*m)[i][j] & kFunction) continue;
        const bool expect = cond(t, i, j) != (i == 24 && j == 24);
        ASSERT_EQ(((*m)[i][j] & kDark) != 0, expect) << "mask " << t << " at " << i << "," << j;
      }
    }
  }
}

TEST(QrMask, AutomaticChoiceTakesTheLowestScoreAndTheLowerMaskOnTies) {
  // Score every mask of many small symbols; where several share the lowest score the
  // lower-numbered one must be reported.
  auto enc = std::make_unique<QrEncoder>();
  auto scratch = std::make_unique<Matrix>();
  int ties = 0;
  for (int k = 0; k < 300; ++k) {
    const std::string data = "tie " + std::to_string(k);
    QrEncoder::Settings s;
    s.version = 1;
    int scores[8];
    for (int t = 0; t < 8; ++t) {
      s.masktype = t;
      ASSERT_TRUE(enc->EncodeSymbol({Bytes(data), data.size()}, s));
      // Score the masked matrix without format information, as the selection does.
      *scratch = enc->symbol;
      PlaceFunctionPatterns(*scratch, enc->Version(1));
      for (int i = 0; i < 21; ++i) {
        for (int j = 0; j < 21; ++j) {
          if (!((*scratch)[i][j] & kFunction)) (*scratch)[i][j] = enc->symbol[i][j];
        }
      }
      scores[t] = MaskPenalty(*scratch, 21);
    }
    int best = 0, lows = 0;
    for (int t = 0; t < 8; ++t) {
      if (scores[t] < scores[best]) best = t;
    }
    for (int t = 0; t < 8; ++t) lows += scores[t] == scores[best];
    ties += lows > 1;
    s.masktype = -1;
    ASSERT_TRUE(enc->EncodeSymbol({Bytes(data), data.size()}, s));
    EXPECT_EQ(enc->MasktypeR(), best) << data;
  }
  EXPECT_GT(ties, 0) << "no tie among the samples: the tie rule went untested";
}

// The same at sizes whose rows take two and three 64-bit words, and rows beyond the masks'
// 12-row period: the choice is the lowest of the masked matrices' own scores.
TEST(QrMask, AutomaticChoiceTakesTheLowestScoreAtEverySize) {
  auto enc = std::make_unique<QrEncoder>();
  auto scratch = std::make_unique<Matrix>();
  for (int version : {2, 7, 12, 14, 27, 28, 33, 40}) {
    const int n = 17 + 4 * version;
    for (int k = 0; k < 3; ++k) {
      std::string data(static_cast<size_t>(version * 10 + k), '\0');
      for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 131 + k * 7 + 3);
      QrEncoder::Settings s;
      s.version = version;
      int scores[8];
      for (int t = 0; t < 8; ++t) {
        s.masktype = t;
        ASSERT_TRUE(enc->EncodeSymbol({Bytes(data), data.size()}, s));
        *scratch = enc->symbol;
        PlaceFunctionPatterns(*scratch, enc->Version(version));  // no format information
        for (int i = 0; i < n; ++i)
          for (int j = 0; j < n; ++j)
            if (!((*scratch)[i][j] & kFunction)) (*scratch)[i][j] = enc->symbol[i][j];
        scores[t] = MaskPenalty(*scratch, n);
      }
      const int best = static_cast<int>(std::min_element(scores, scores + 8) - scores);
      s.masktype = -1;
      ASSERT_TRUE(enc->EncodeSymbol({Bytes(data), data.size()}, s));
      EXPECT_EQ(enc->MasktypeR(), best) << "version " << version << ", sample " << k;
    }
  }
}

TEST(QrEncoder, RefusesSettingsOutOfRangeAndOverlongData) {
  auto enc = std::make_unique<QrEncoder>();
  QrEncoder::Settings s;
  for (auto change : std::vector<void (*)(QrEncoder::Settings&)>{
           [](QrEncoder::Settings& x) { x.version = 0; },
           [](QrEncoder::Settings& x) { x.version = 41; },
           [](QrEncoder::Settings& x) { x.eclevel = 4; },
           [](QrEncoder::Settings& x) { x.emode = 4; },
           [](QrEncoder::Settings& x) { x.masktype = 8; },
           [](QrEncoder::Settings& x) {
             x.connect = true;
             x.icount = 3;
             x.count = 2;
           },
       }) {
    QrEncoder::Settings bad = s;
    change(bad);
    EXPECT_FALSE(enc->EncodeSymbol({}, bad));
  }
  std::vector<uint8_t> huge(kMaxSourceBytes + 1, '1');
  s.version = 40;
  s.emode = kNumeric;
  EXPECT_FALSE(enc->EncodeSymbol({huge.data(), huge.size()}, s));
  EXPECT_TRUE(enc->EncodeSymbol({huge.data(), huge.size() - 1}, s));  // 7089 digits at 40-L
}

}  // namespace
}  // namespace velin::qr
