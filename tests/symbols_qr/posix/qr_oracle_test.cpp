// The encoder against independent implementations: zxing-cpp must decode every symbol back to
// its data, and zint must produce the same modules for the same data, version, level and mask.
// Both libraries are used through their public APIs only, here in the tests.
#include <gtest/gtest.h>
#include <zint.h>

#include <ZXing/ReadBarcode.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "symbols/qr/qr_encoder.h"
#include "symbols/qr/qr_tables.h"

namespace velin::qr {
namespace {

// Decodes the encoder's matrix, painted `scale` pixels per module with a four-module quiet
// zone, with zxing-cpp.
ZXing::Result Decode(const QrEncoder& enc, int scale) {
  const int n = enc.Modules();
  const int side = (n + 8) * scale;
  std::vector<uint8_t> image(static_cast<size_t>(side) * side, 0xFF);
  for (int r = 0; r < n; ++r) {
    for (int c = 0; c < n; ++c) {
      if (!enc.Dark(r, c)) continue;
      for (int y = 0; y < scale; ++y) {
        for (int x = 0; x < scale; ++x) {
          image[static_cast<size_t>((r + 4) * scale + y) * side + (c + 4) * scale + x] = 0;
        }
      }
    }
  }
  ZXing::DecodeHints hints;
  hints.setFormats(ZXing::BarcodeFormat::QRCode);
  hints.setIsPure(true);
  return ZXing::ReadBarcode({image.data(), side, side, ZXing::ImageFormat::Lum}, hints);
}

// `n` bytes of data for `mode` (-1: a mixture for automatic analysis), deterministic.
std::vector<uint8_t> MakeData(int mode, int n, std::mt19937& rng) {
  static const char kAlnum[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";
  std::vector<uint8_t> out;
  auto pick = [&](int lo, int hi) { return static_cast<uint8_t>(lo + rng() % (hi - lo + 1)); };
  while (static_cast<int>(out.size()) < n) {
    switch (mode) {
      case kNumeric:
        out.push_back(pick('0', '9'));
        break;
      case kAlphanumeric:
        out.push_back(kAlnum[rng() % 45]);
        break;
      case kByte:
        out.push_back(pick(0, 255));
        break;
      case kKanji: {
        uint8_t lead = rng() % 2 ? pick(0x81, 0x9F) : pick(0xE0, 0xEA);
        uint8_t trail = pick(0x40, 0xFB);
        if (trail >= 0x7F) ++trail;  // skip 0x7F
        out.push_back(lead);
        out.push_back(trail);
        break;
      }
      default: {
        // Runs of digits, capitals, lower case and Kanji, so every mode and switch occurs.
        const int kind = static_cast<int>(rng() % 4);
        const int run = 1 + static_cast<int>(rng() % 12);
        for (int i = 0; i < run; ++i) {
          if (kind == 0) out.push_back(pick('0', '9'));
          if (kind == 1) out.push_back(pick('A', 'Z'));
          if (kind == 2) out.push_back(pick('a', 'z'));
          if (kind == 3) {
            out.push_back(pick(0x88, 0x9F));
            out.push_back(pick(0x40, 0x7E));
          }
        }
      }
    }
  }
  out.resize(static_cast<size_t>(n));
  return out;
}

TEST(QrOracle, ZxingDecodesEveryVersionLevelAndMode) {
  auto enc = std::make_unique<QrEncoder>();
  std::mt19937 rng(20240607);
  for (int v = 1; v <= 40; ++v) {
    for (int l = 0; l < 4; ++l) {
      for (int mode = -1; mode <= kKanji; ++mode) {
        const LevelRecord& lr = enc->Version(v).level[l];
        // Fixed modes fill the symbol to the published capacity; the mixture (automatic mode
        // with Usejis) is sized to fit whatever segments it yields.
        int n = mode == kKanji ? lr.capacity[kKanji] * 2 : mode >= 0 ? lr.capacity[mode] : 0;
        QrEncoder::Settings s;
        s.version = v;
        s.eclevel = l;
        s.emode = mode;
        s.usejis = true;
        std::vector<uint8_t> data;
        if (mode >= 0) {
          data = MakeData(mode, n, rng);
          ASSERT_TRUE(enc->EncodeSymbol(data, s)) << v << "-" << l << " mode " << mode;
        } else {
          data = MakeData(-1, lr.capacity[kByte], rng);
          while (!data.empty() && !enc->EncodeSymbol(data, s)) data.resize(data.size() * 9 / 10);
          ASSERT_FALSE(data.empty());
        }
        const int scale = v <= 10 ? 3 : 2;
        ZXing::Result result = Decode(*enc, scale);
        ASSERT_TRUE(result.isValid()) << "version " << v << " level " << l << " mode " << mode;
        const ZXing::ByteArray& bytes = result.bytes();
        EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.end()), data)
            << "version " << v << " level " << l << " mode " << mode;
        EXPECT_EQ(result.ecLevel(), std::string(1, "LMQH"[l]));
      }
    }
  }
}

TEST(QrOracle, ZxingReadsTheStructuredAppendSequence) {
  auto enc = std::make_unique<QrEncoder>();
  const std::string pieces[3] = {"first piece", "second", "3rd"};
  uint8_t parity = 0;
  for (const std::string& p : pieces) {
    for (char c : p) parity ^= static_cast<uint8_t>(c);
  }
  for (int i = 0; i < 3; ++i) {
    QrEncoder::Settings s;
    s.version = 2;
    s.connect = true;
    s.icount = i + 1;
    s.count = 3;
    s.parity = parity;
    ASSERT_TRUE(enc->EncodeSymbol(
        {reinterpret_cast<const uint8_t*>(pieces[i].data()), pieces[i].size()}, s));
    ZXing::Result result = Decode(*enc, 3);
    ASSERT_TRUE(result.isValid()) << i;
    EXPECT_EQ(result.sequenceIndex(), i);
    EXPECT_EQ(result.sequenceSize(), 3);
    EXPECT_EQ(result.sequenceId(), std::to_string(parity));
    EXPECT_EQ(result.text(), pieces[i]);
  }
}

TEST(QrOracle, ModulesEqualZintsForFixedMasksInByteMode) {
  // Data that zint also writes as one 8-bit byte segment: no digits, no capitals, so no mode
  // optimisation of its own applies.
  static const char kChars[] = "abcdefghijklmnopqrstuvwxyz!#&()=?@[]_{}";
  auto enc = std::make_unique<QrEncoder>();
  std::mt19937 rng(7);
  for (int v = 1; v <= 40; ++v) {
    for (int l = 0; l < 4; ++l) {
      for (int mask = 0; mask < 8; ++mask) {
        const int cap = enc->Version(v).level[l].capacity[kByte];
        const int n = (mask % 2) ? cap : cap / 2;
        std::string data;
        for (int i = 0; i < n; ++i) {
          data += (i % 5 == 4) ? static_cast<char>(0xA0 + rng() % 0x5F)
                               : kChars[rng() % (sizeof(kChars) - 1)];
        }
        QrEncoder::Settings s;
        s.version = v;
        s.eclevel = l;
        s.emode = kByte;
        s.masktype = mask;
        ASSERT_TRUE(
            enc->EncodeSymbol({reinterpret_cast<const uint8_t*>(data.data()), data.size()}, s));

        zint_symbol* z = ZBarcode_Create();
        z->symbology = BARCODE_QRCODE;
        z->input_mode = DATA_MODE;
        z->option_1 = l + 1;            // 1 L, 2 M, 3 Q, 4 H
        z->option_2 = v;                // version
        z->option_3 = (mask + 1) << 8;  // mask N is (N + 1) << 8
        const int rc = ZBarcode_Encode(z, reinterpret_cast<const unsigned char*>(data.data()),
                                       static_cast<int>(data.size()));
        ASSERT_LT(rc, ZINT_ERROR) << z->errtxt;
        ASSERT_EQ(z->rows, enc->Modules());
        ASSERT_EQ(z->width, enc->Modules());
        int differ = 0;
        for (int r = 0; r < z->rows; ++r) {
          for (int c = 0; c < z->width; ++c) {
            const bool dark = (z->encoded_data[r][c >> 3] >> (c & 7)) & 1;
            differ += dark != enc->Dark(r, c);
          }
        }
        EXPECT_EQ(differ, 0) << "version " << v << " level " << l << " mask " << mask;
        ZBarcode_Delete(z);
      }
    }
  }
}

}  // namespace
}  // namespace velin::qr
