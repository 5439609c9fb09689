// The TQRCode component: data handling, division into pieces, rendering rules and output.
#include "symbols/qr/qr_code.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "base/canvas.h"
#include "qr_code_fixtures.h"
#include "support/test_paths.h"
#include "symbols/qr/qr_encoder.h"
#include "symbols/qr/qr_picture.h"

namespace velin {
namespace {

using test::HandlerRun;
using test::kGridCell;
using test::kGridData;
using test::Repeat;
using test::SetUpThreeSymbolGrid;

// A text engine stand-in: every character is 6 × 12 dots; drawing paints the cell in the
// font colour and records the call.
class FakeText : public TextRenderer {
 public:
  struct Call {
    int x, y;
    std::string text;
  };
  void Draw(Bitmap32& target, int x, int y, std::string_view text, const Font& font) override {
    calls.push_back({x, y, std::string(text)});
    Canvas c(target);
    c.brush.color = font.color;
    const Size s = Measure(text, font);
    auto end = [](int from, int size) {
      return static_cast<int>(std::min<int64_t>(int64_t{from} + size, INT_MAX));
    };
    c.FillRect(x, y, end(x, s.width), end(y, s.height));
  }
  Size Measure(std::string_view text, const Font&) override {
    return {6 * static_cast<int>(text.size()), 12};
  }
  std::vector<Call> calls;
};

// The modules the encoder gives for `data` with the handlers' settings (6-M, 8-bit bytes).
std::unique_ptr<qr::QrEncoder> Reference(const std::string& data, int version = 6, int level = 1) {
  auto enc = std::make_unique<qr::QrEncoder>();
  qr::QrEncoder::Settings s;
  s.version = version;
  s.eclevel = level;
  EXPECT_TRUE(enc->EncodeSymbol({reinterpret_cast<const uint8_t*>(data.data()), data.size()}, s));
  return enc;
}

// True when the picture shows exactly the encoder's matrix, one pixel per module, at (x, y).
bool ShowsMatrix(const Bitmap32& pic, const qr::QrEncoder& enc, int x = 0, int y = 0,
                 int pxmag = 1) {
  const int n = enc.Modules();
  for (int r = 0; r < n * pxmag; ++r) {
    for (int c = 0; c < n * pxmag; ++c) {
      const Color want = enc.Dark(r / pxmag, c / pxmag) ? kBlack : kWhite;
      if (pic.GetPixel(x + c, y + r) != want) return false;
    }
  }
  return true;
}

// Read back by an independent decoder in QrCodeDecoding.HandlerSymbolOfTheLongestText.
TEST(QrCodeHandlers, LongestTextThatFitsVersion6LevelM) {
  const std::string text = Repeat('7', 100) + "abcdef";  // 106 bytes, all 8-bit data
  HandlerRun run(text);
  EXPECT_EQ(run.renders, 8);
  EXPECT_TRUE(run.qr.SymbolDisped());
  EXPECT_EQ(run.qr.SymbolWidth(), 41);
  EXPECT_EQ(run.qr.SymbolHeight(), 41);
  ASSERT_EQ(run.qr.Picture().width(), 41);
  ASSERT_EQ(run.qr.Picture().height(), 41);
  EXPECT_EQ(run.qr.EmodeR(), qr::kByte);
  // Module (r, c) is pixel (c, r).
  EXPECT_TRUE(ShowsMatrix(run.qr.Picture(), *Reference(text)));
}

TEST(QrCodeHandlers, TooLongTextKeepsTheEmptySymbol) {
  HandlerRun run(Repeat('7', 107));
  EXPECT_FALSE(run.qr.SymbolDisped());
  ASSERT_EQ(run.qr.Picture().width(), 41);
  EXPECT_TRUE(ShowsMatrix(run.qr.Picture(), *Reference("")));
}

TEST(QrCodeData, CodeToMemoryWithEscapes) {
  struct Row {
    int line;
    std::string code;
    std::string memory;
    bool binary;
    bool binop_after;
  } rows[] = {
      // Escape examples: "A~41~~~B" decodes to A A ~ B.
      {__LINE__, "A~41~~~B", "AA~B", false, true},
      {__LINE__, "A~4~", "A~4~", false, false},       // odd number of digits: plain bytes
      {__LINE__, "A~41", "A~41", false, false},       // unmatched "~"
      {__LINE__, "~4G~", "~4G~", false, false},       // not hexadecimal
      {__LINE__, "~090A0D~", "\t\n\r", false, true},  // tab, LF and CR are text
      {__LINE__, "x~7e01~y", "x~\x01y", true, true},  // lower case digits; 01 is binary
      {__LINE__, "~~", "~", false, true},
      {__LINE__, "plain", "plain", false, true},
      {__LINE__, "", "", false, true},
      {__LINE__, "~00~", std::string(1, '\0'), true, true},
  };
  for (const Row& r : rows) {
    TQRCode qr;
    qr.SetSymbolEnabled(false);
    qr.SetBinaryOperation(true);
    qr.SetCode(r.code);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(qr.Memory()), qr.Len()), r.memory)
        << "row at line " << r.line;
    EXPECT_EQ(qr.Binary(), r.binary) << "row at line " << r.line;
    EXPECT_EQ(qr.BinaryOperation(), r.binop_after) << "row at line " << r.line;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(qr.Memory()) + qr.Len(), 4),
              std::string(4, '\0'));
    EXPECT_EQ(qr.Code(), r.code);
  }
  // Without BinaryOperation the bytes are taken as they stand.
  TQRCode qr;
  qr.SetCode("A~41~");
  EXPECT_EQ(qr.Len(), 5);
}

TEST(QrCodeData, MemoryToCodeEscapesControlBytes) {
  TQRCode qr;
  const uint8_t bytes[] = {0x41, 0x01, 0x7E};
  qr.LoadFromMemory(bytes, 3);
  EXPECT_EQ(qr.Code(), "A~01~~~");
  EXPECT_TRUE(qr.BinaryOperation());
  EXPECT_TRUE(qr.Binary());
  EXPECT_EQ(qr.Len(), 3);
  // A run of control bytes is one escape; SetData rebuilds the code.
  qr.SetData(2, 0x1F);
  EXPECT_EQ(qr.Code(), "A~011F~");
  qr.SetData(1, 'b');
  qr.SetData(2, 'c');
  EXPECT_EQ(qr.Code(), "Abc");
  EXPECT_FALSE(qr.Binary());
  // Nothing happens for no pointer or no bytes.
  qr.LoadFromMemory(nullptr, 5);
  qr.LoadFromMemory(bytes, 0);
  EXPECT_EQ(qr.Code(), "Abc");
}

TEST(QrCodeData, IndexOutOfRangeRaisesTheRangeError) {
  TQRCode qr;
  qr.SetCode("abc");
  EXPECT_EQ(qr.GetData(2), 'c');
  try {
    qr.GetData(3);
    FAIL() << "no exception";
  } catch (const ERangeError& e) {
    EXPECT_STREQ(e.what(), "3 is not within the valid range of 0..2");
  }
  EXPECT_THROW(qr.SetData(-1, 0), ERangeError);
  EXPECT_EQ(qr.GetOffset(qr.Count()), qr.Len());
  try {
    qr.GetOffset(qr.Count() + 1);
    FAIL() << "no exception";
  } catch (const ERangeError& e) {
    EXPECT_STREQ(e.what(), "2 is not within the valid range of 0..1");
  }
}

TEST(QrCodeDivision, PiecesAndModes) {
  struct Row {
    int line;
    std::string data;
    int count;
    TQRMode mode;
    std::vector<int> offsets;
    TQRMode mode_after;
  } rows[] = {
      // Worked examples of the division rule.
      {__LINE__, Repeat('a', 10), 3, qrConnect, {0, 4, 8, 10}, qrConnect},
      {__LINE__, Repeat('a', 9), 4, qrConnect, {0, 2, 4, 6, 9}, qrConnect},
      {__LINE__, Repeat('a', 100), 16, qrSingle, {}, qrConnect},  // offsets checked below
      {__LINE__, "", 1, qrSingle, {0, 0}, qrSingle},
      {__LINE__, "abc", 7, qrPlus, {0, 1, 2, 3}, qrPlus},  // Count larger than Len
      // Double-byte characters (GBK B0A1) are not split: cut before, else after.
      {__LINE__, "a\xB0\xA1z", 2, qrConnect, {0, 1, 4}, qrConnect},
      {__LINE__, "\xB0\xA1\xB0\xA1", 2, qrConnect, {0, 2, 4}, qrConnect},
      {__LINE__, "\xB0\xA1\xB0\xA1", 4, qrConnect, {0, 2, 4}, qrConnect},
      {__LINE__, "\xB0\xA1", 2, qrConnect, {0, 2}, qrSingle},  // no cut possible: one piece
      // A second byte outside 0x40..0x7E, 0x80..0xFC does not move the boundary.
      {__LINE__, "a\x81\xFE", 3, qrConnect, {0, 1, 2, 3}, qrConnect},
  };
  for (const Row& r : rows) {
    TQRCode qr;
    qr.SetSymbolEnabled(false);
    qr.SetCode(r.data);
    qr.SetCount(r.count);
    qr.SetMode(r.mode);
    qr.SetCount(r.count);  // SetMode may have clamped it
    qr.SetSymbolEnabled(true);
    const std::vector<int> want = r.offsets;
    if (!want.empty()) {
      ASSERT_EQ(qr.Count(), static_cast<int>(want.size()) - 1) << "row at line " << r.line;
      for (int i = 0; i <= qr.Count(); ++i) {
        EXPECT_EQ(qr.GetOffset(i), want[i]) << "row at line " << r.line << " offset " << i;
      }
    }
    EXPECT_EQ(qr.Mode(), r.mode_after) << "row at line " << r.line;
  }
}

TEST(QrCodeDivision, ManySymbols) {
  // 20 pieces of 30 bytes: n = 1, so 19 pieces of one byte and a last one of 11.
  TQRCode qr;
  qr.SetSymbolEnabled(false);
  qr.SetCode(Repeat('x', 30));
  qr.SetCount(20);
  qr.SetSymbolEnabled(true);
  EXPECT_EQ(qr.Count(), 20);
  EXPECT_EQ(qr.Mode(), qrPlus);
  EXPECT_EQ(qr.GetOffset(19), 19);
  EXPECT_EQ(qr.GetOffset(20), 30);
  // 100 bytes: 20 pieces of 5.
  qr.SetCode(Repeat('x', 100));
  EXPECT_EQ(qr.Count(), 20);
  for (int i = 0; i <= 20; ++i) EXPECT_EQ(qr.GetOffset(i), 5 * i);
  // Count 16 and qrSingle: Mode becomes qrConnect.
  TQRCode single;
  single.SetSymbolEnabled(false);
  single.SetCode(Repeat('x', 100));
  single.SetCount(16);
  single.SetSymbolEnabled(true);
  EXPECT_EQ(single.Mode(), qrConnect);
  EXPECT_EQ(single.Count(), 16);
}

TEST(QrCodeProperties, ModeClampsCount) {
  TQRCode qr;
  qr.SetSymbolEnabled(false);  // keep the division from changing Count
  qr.SetMode(qrConnect);
  EXPECT_EQ(qr.Count(), 2);
  qr.SetCount(40);
  qr.SetMode(qrConnect);
  EXPECT_EQ(qr.Count(), 16);
  qr.SetCount(1000);
  qr.SetMode(qrPlus);
  EXPECT_EQ(qr.Count(), 1000);
  qr.SetMode(qrSingle);
  EXPECT_EQ(qr.Count(), 1);
  qr.SetMode(static_cast<TQRMode>(3));
  EXPECT_EQ(qr.Mode(), qrSingle);
}

TEST(QrCodeProperties, OutOfRangeValuesAreIgnoredWithoutRendering) {
  TQRCode qr;
  int renders = 0;
  qr.OnPaintSymbol = [&](TQRCode&, bool) { ++renders; };
  qr.SetPxmag(0);
  qr.SetPxmag(11);
  qr.SetVersion(0);
  qr.SetVersion(41);
  qr.SetAngle(45);
  qr.SetEclevel(4);
  qr.SetEmode(-2);
  qr.SetMasktype(8);
  qr.SetCount(0);
  qr.SetColumn(1025);
  qr.SetNumbering(static_cast<TNumbering>(4));
  qr.SetCommentUpLoc(static_cast<TLocation>(3));
  EXPECT_EQ(renders, 0);
  EXPECT_EQ(qr.Pxmag(), 1);
  EXPECT_EQ(qr.Version(), 1);
  EXPECT_EQ(qr.Angle(), 0);
  EXPECT_EQ(qr.Eclevel(), 0);
  EXPECT_EQ(qr.Emode(), -1);
  EXPECT_EQ(qr.Masktype(), -1);
  EXPECT_EQ(qr.Column(), 16);
  EXPECT_EQ(qr.Numbering(), nbrIfVoid);
  // In range, each renders once.
  qr.SetPxmag(10);
  qr.SetVersion(40);
  qr.SetAngle(270);
  EXPECT_EQ(renders, 3);
}

TEST(QrCodeProperties, ExclusiveSwitchesAndEvents) {
  TQRCode qr;
  std::vector<std::string> events;
  qr.OnChangeCode = [&](TQRCode& q, bool watch) {
    EXPECT_FALSE(watch);
    events.push_back("change:" + q.Code());
  };
  qr.OnPaintSymbol = [&](TQRCode&, bool) { events.push_back("paint"); };
  qr.OnPaintedSymbol = [&](TQRCode&, bool) { events.push_back("painted"); };
  qr.OnChangedCode = [&](TQRCode& q, bool) { events.push_back("changed:" + q.Code()); };
  qr.SetCode("x");
  EXPECT_EQ(events, (std::vector<std::string>{"change:", "paint", "painted", "changed:x"}));
  events.clear();
  qr.SetSymbolEnabled(false);
  qr.SetCode("y");
  EXPECT_TRUE(events.empty());
  qr.SetSymbolEnabled(true);
  EXPECT_EQ(events, (std::vector<std::string>{"paint", "painted"}));

  qr.SetMatch(true);
  qr.SetSymbolPicture(picEMF);
  EXPECT_EQ(qr.SymbolPicture(), picEMF);
  qr.SetTransparent(true);
  EXPECT_FALSE(qr.Match());
  EXPECT_EQ(qr.SymbolPicture(), picBMP);
  qr.SetSymbolPicture(picWMF);  // forced to picBMP while Match is off
  EXPECT_EQ(qr.SymbolPicture(), picBMP);
  qr.SetMatch(true);
  EXPECT_FALSE(qr.Transparent());
}

TEST(QrCodeRendering, EmptyCodeDrawsOneSymbol) {
  TQRCode qr;
  qr.SetMatch(true);
  EXPECT_EQ(qr.Len(), 0);
  EXPECT_EQ(qr.Count(), 1);
  EXPECT_EQ(qr.Mode(), qrSingle);
  EXPECT_TRUE(qr.SymbolDisped());
  EXPECT_EQ(qr.EmodeR(), -1);
  EXPECT_TRUE(ShowsMatrix(qr.Picture(), *Reference("", 1, 0)));
}

TEST(QrCodeRendering, GridOfStructuredAppendSymbols) {
  // The symbols' content is read back in QrCodeDecoding.GridCellsHoldTheStructuredAppendPieces.
  TQRCode qr;
  SetUpThreeSymbolGrid(qr);
  ASSERT_TRUE(qr.SymbolDisped());
  EXPECT_EQ(qr.Mode(), qrConnect);
  int parity = 0;
  for (const char* c = kGridData; *c; ++c) parity ^= *c;
  EXPECT_EQ(qr.Parity(), parity);
  const int cell = kGridCell;
  ASSERT_EQ(qr.SymbolWidthA(), 2 * cell);
  ASSERT_EQ(qr.SymbolHeightA(), 2 * cell);
  ASSERT_EQ(qr.Picture().width(), 2 * cell);
  ASSERT_EQ(qr.Picture().height(), 2 * cell);
  // The fourth cell is background only.
  for (int y = cell; y < 2 * cell; ++y) {
    for (int x = cell; x < 2 * cell; ++x) ASSERT_EQ(qr.Picture().GetPixel(x, y), kWhite);
  }
}

TEST(QrCodeRendering, CommentPlacement) {
  struct Row {
    int line;
    int top, spaceup, spacedown;
    TLocation loc;
    int up_x, up_y, down_y;
  } rows[] = {
      // Version 1, Pxmag 1: the symbol is 21 high; comments "abc" are 18 × 12. Cells 10 wide
      // margins left and right: cell width 41; centre (41 - 18) / 2 = 11, right 41 - 18 = 23.
      {__LINE__, 20, 5, 0, locLeft, 0, 13, 20 + 5 + 21},    // raised to end on the symbol
      {__LINE__, 20, 15, 0, locLeft, 0, 20, 20 + 15 + 21},  // at the top of the cell
      {__LINE__, 20, 15, 30, locCenter, 11, 20, 20 + 15 + 21 + 30 - 12},  // on the bottom edge
      {__LINE__, 0, 0, 0, locRight, 23, -12, 21},
  };
  for (const Row& r : rows) {
    FakeText text;
    TQRCode qr(&text);
    qr.SetSymbolEnabled(false);
    qr.SetSymbolTop(r.top);
    qr.SetSymbolSpaceUp(r.spaceup);
    qr.SetSymbolSpaceDown(r.spacedown);
    qr.SetSymbolSpaceLeft(10);
    qr.SetSymbolSpaceRight(10);
    qr.SetCommentUp("abc");
    qr.SetCommentDown("abc");
    qr.SetCommentUpLoc(r.loc);
    qr.SetCommentDownLoc(r.loc);
    qr.SetSymbolEnabled(true);
    ASSERT_EQ(text.calls.size(), 2u) << "row at line " << r.line;
    EXPECT_EQ(text.calls[0].x, r.up_x) << "row at line " << r.line;
    EXPECT_EQ(text.calls[0].y, r.up_y) << "row at line " << r.line;
    EXPECT_EQ(text.calls[1].x, r.up_x) << "row at line " << r.line;
    EXPECT_EQ(text.calls[1].y, r.down_y) << "row at line " << r.line;
  }
}

TEST(QrCodeRendering, CommentNumbering) {
  struct Row {
    int line;
    TNumbering numbering;
    std::string up, down;
    std::vector<std::string> drawn;  // up then down, per piece
  } rows[] = {
      {__LINE__, nbrTail, "", "t", {"1", "t 1", "2", "t 2"}},
      {__LINE__, nbrHead, "u", "", {"1 u", "1", "2 u", "2"}},
      {__LINE__, nbrIfVoid, "u", "", {"u", "1", "u", "2"}},
      {__LINE__, nbrNone, "u", "", {"u", "u"}},
  };
  for (const Row& r : rows) {
    FakeText text;
    TQRCode qr(&text);
    qr.SetSymbolEnabled(false);
    qr.SetCode("ab");
    qr.SetCount(2);
    qr.SetNumbering(r.numbering);
    qr.SetCommentUp(r.up);
    qr.SetCommentDown(r.down);
    qr.SetSymbolEnabled(true);
    std::vector<std::string> drawn;
    for (const auto& c : text.calls) drawn.push_back(c.text);
    EXPECT_EQ(drawn, r.drawn) << "row at line " << r.line;
    EXPECT_EQ(qr.CommentUp(), r.up);
    EXPECT_EQ(qr.CommentDown(), r.down);
  }
  // One symbol: never numbered.
  FakeText text;
  TQRCode qr(&text);
  qr.SetCommentDown("t");
  ASSERT_EQ(text.calls.size(), 1u);
  EXPECT_EQ(text.calls[0].text, "t");
}

TEST(QrCodeRendering, ShrinksToTheLargestPictureSize) {
  TQRCode qr;
  qr.SetMatch(true);
  qr.SetVersion(40);  // 177 pixels, PicWidth and PicHeight 105
  EXPECT_EQ(qr.Picture().width(), 105);
  EXPECT_EQ(qr.Picture().height(), 105);
  EXPECT_TRUE(qr.SymbolDisped());
}

TEST(QrCodeRendering, TurnedAndMirrored) {
  auto picture = [](int angle, bool reverse, bool match, int renders = 2) {
    TQRCode qr;
    qr.SetSymbolEnabled(false);
    qr.SetCode("turn me");
    qr.SetVersion(2);
    qr.SetPxmag(2);
    qr.SetSymbolLeft(3);  // an asymmetric picture
    qr.SetMatch(match);
    qr.SetAngle(angle);
    qr.SetReverse(reverse);
    qr.SetSymbolEnabled(true);
    if (renders == 2) qr.RepaintSymbol();  // a second rendering must not turn or mirror twice
    return std::make_pair(qr.Picture(), Size{qr.Width(), qr.Height()});
  };
  const auto [plain, size] = picture(0, false, true);
  ASSERT_EQ(plain.width(), 53);
  ASSERT_EQ(plain.height(), 50);
  for (int angle : {90, 180, 270}) {
    const auto [turned, turned_size] = picture(angle, false, true);
    EXPECT_EQ(turned, qr::RotateClockwise(plain, angle)) << angle;
    const bool swapped = angle != 180;
    EXPECT_EQ(turned_size.width, swapped ? 50 : 53) << angle;
  }
  EXPECT_EQ(picture(0, true, true).first, qr::MirrorLeftRight(plain));
  // Without Match the symbol is drawn into the existing 105 × 105 picture.
  const auto [loose, loose_size] = picture(0, false, false);
  EXPECT_EQ(picture(0, true, false).first, qr::MirrorLeftRight(loose));
  EXPECT_EQ(picture(0, true, false, 1).first, qr::MirrorLeftRight(loose));
  EXPECT_EQ(picture(90, true, false).first, picture(90, true, false, 1).first);
  EXPECT_EQ(picture(270, false, false).first, picture(270, false, false, 1).first);
}

TEST(QrPicture, RotationAndMirrorMovePixelsClockwise) {
  // A 3 × 2 picture with distinct pixels 0..5 (row-major).
  Bitmap32 src(3, 2);
  for (int i = 0; i < 6; ++i) src.SetPixel(i % 3, i / 3, static_cast<Color>(i));
  struct Row {
    int line;
    int angle;
    int w, h;
    std::vector<Color> pixels;
  } rows[] = {
      // Turned by hand: 0 1 2 / 3 4 5.
      {__LINE__, 90, 2, 3, {3, 0, 4, 1, 5, 2}},  // the top-left pixel ends at the top-right
      {__LINE__, 180, 3, 2, {5, 4, 3, 2, 1, 0}},
      {__LINE__, 270, 2, 3, {2, 5, 1, 4, 0, 3}},
      {__LINE__, 0, 3, 2, {0, 1, 2, 3, 4, 5}},
  };
  for (const Row& r : rows) {
    Bitmap32 out = qr::RotateClockwise(src, r.angle);
    ASSERT_EQ(out.width(), r.w) << "row at line " << r.line;
    ASSERT_EQ(out.height(), r.h) << "row at line " << r.line;
    std::vector<Color> got;
    for (int y = 0; y < r.h; ++y) {
      for (int x = 0; x < r.w; ++x) got.push_back(out.GetPixel(x, y));
    }
    EXPECT_EQ(got, r.pixels) << "row at line " << r.line;
  }
  Bitmap32 m = qr::MirrorLeftRight(src);
  EXPECT_EQ(m.GetPixel(0, 0), 2u);
  EXPECT_EQ(m.GetPixel(2, 1), 3u);
}

TEST(QrCodeRendering, FailureClearsOnlyWithClearOption) {
  TQRCode qr;
  qr.SetCode("fits");
  ASSERT_TRUE(qr.SymbolDisped());
  const Bitmap32 before = qr.Picture();
  qr.SetCode(Repeat('x', 18));  // 1-L holds 17 bytes
  EXPECT_FALSE(qr.SymbolDisped());
  EXPECT_EQ(qr.Picture(), before);
  qr.SetClearOption(true);  // no symbol displayed: cleared at once
  EXPECT_TRUE(qr.Picture().empty());
  qr.SetCode("fits");
  EXPECT_FALSE(qr.Picture().empty());
  qr.SetSymbolDebug(true);  // encodes without drawing; a failure does not clear
  qr.SetCode(Repeat('x', 18));
  EXPECT_FALSE(qr.Picture().empty());
  qr.SetCode("ok");
  EXPECT_TRUE(qr.SymbolDisped());
}

TEST(QrCodeRendering, TransparentLeavesTheBackground) {
  TQRCode qr;
  qr.SetBackColor(0x0000FF);  // red
  qr.SetCode("a");
  EXPECT_EQ(qr.Picture().GetPixel(7, 7), 0x0000FFu);  // a separator module
  EXPECT_EQ(qr.Picture().GetPixel(50, 50), kWhite);   // outside the symbol
  qr.SetTransparent(true);
  qr.SetBackColor(0x00FF00);
  EXPECT_EQ(qr.Picture().GetPixel(7, 7), 0x0000FFu);  // still the old background
}

TEST(QrCodeRendering, KanjiAndCapacity) {
  TQRCode qr;
  qr.SetUsejis(true);
  qr.SetCode("\x93\x5F\xE4\xAA");
  EXPECT_EQ(qr.EmodeR(), qr::kKanji);
  EXPECT_EQ(qr.Capacity(), 10);  // 1-L Kanji
  qr.SetEmode(qr::kAlphanumeric);
  EXPECT_FALSE(qr.SymbolDisped());
  EXPECT_EQ(qr.Capacity(), 25);
  qr.SetEmode(-1);
  EXPECT_EQ(qr.Capacity(), 10);
}

TEST(QrCodeOutput, PbmTextImage) {
  TQRCode qr;
  qr.SetPxmag(2);
  qr.SetCode("pbm");
  const std::vector<std::string> lines = qr.PBM();
  ASSERT_EQ(lines.size(), 3u + 2u + 42u);
  EXPECT_EQ(lines[0], "P1");
  EXPECT_EQ(lines[1], "Single Mode (Count = 1)");
  EXPECT_EQ(lines[2], "42 42");
  EXPECT_EQ(lines[3], "");
  EXPECT_EQ(lines[4], "");
  auto ref = Reference("pbm", 1, 0);
  for (int r = 0; r < 42; ++r) {
    std::string want;
    for (int c = 0; c < 42; ++c) want += ref->Dark(r / 2, c / 2) ? " 1" : " 0";
    ASSERT_EQ(lines[5 + r], want) << r;
  }
}

TEST(QrCodeOutput, FilesHoldTheDataBytes) {
  const std::string dir = test::ScratchDir();
  TQRCode qr;
  qr.SetBinaryOperation(true);
  qr.SetCode("A~0102~B");
  ASSERT_TRUE(qr.SaveToFile(dir + "/data.bin"));
  std::ifstream in(dir + "/data.bin", std::ios::binary);
  const std::string saved{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_EQ(saved,
            "A\x01\x02"
            "B");

  TQRCode other;
  int events = 0;
  other.OnChangeCode = [&](TQRCode&, bool) { ++events; };
  other.OnChangedCode = [&](TQRCode&, bool) { ++events; };
  ASSERT_TRUE(other.LoadFromFile(dir + "/data.bin"));
  EXPECT_EQ(other.Code(), "A~0102~B");
  EXPECT_EQ(other.Len(), 4);
  EXPECT_EQ(events, 0);
  EXPECT_TRUE(other.SymbolDisped());
  EXPECT_FALSE(other.LoadFromFile(dir + "/missing.bin"));
  EXPECT_EQ(other.Code(), "A~0102~B");
  EXPECT_FALSE(qr.SaveToFile(dir + "/no/such/dir/x.bin"));
}

TEST(QrCodeRobustness, OddPropertiesAndHostileDataNeverCrash) {
  // Data and settings as they might arrive from a broken or hostile sender: every result is
  // either a drawn symbol or no symbol, never a crash or an unbounded picture.
  std::mt19937 rng(4242);
  const int odd[] = {INT_MIN, -1000000, -1, 0, 1, 7, 1000, 1000000, INT_MAX};
  FakeText text;
  for (int k = 0; k < 60; ++k) {
    TQRCode qr(&text);
    std::string code;
    const int len = static_cast<int>(rng() % 300);
    for (int i = 0; i < len; ++i) code += static_cast<char>(rng() % 4 ? rng() : '~');
    qr.SetSymbolEnabled(false);
    qr.SetBinaryOperation(rng() % 2);
    qr.SetUsejis(rng() % 2);
    qr.SetCode(code);
    qr.SetCount(static_cast<int>(rng() % 40));
    qr.SetVersion(1 + static_cast<int>(rng() % 40));
    qr.SetPxmag(1 + static_cast<int>(rng() % 3));
    qr.SetEmode(static_cast<int>(rng() % 5) - 1);
    qr.SetSymbolLeft(odd[rng() % 9]);
    qr.SetSymbolTop(odd[rng() % 9]);
    qr.SetSymbolSpaceLeft(odd[rng() % 9]);
    qr.SetSymbolSpaceDown(odd[rng() % 9]);
    qr.SetCommentUp("up");
    qr.SetCommentDown("down");
    qr.SetCommentDownLoc(locCenter);
    qr.SetMatch(rng() % 2);
    qr.SetAngle(90 * static_cast<int>(rng() % 4));
    qr.SetReverse(rng() % 2);
    qr.SetPicWidth(odd[rng() % 9] % 2000);
    qr.SetSymbolEnabled(true);
    EXPECT_LE(static_cast<int64_t>(qr.Picture().width()) * qr.Picture().height(),
              Bitmap32::kMaxPixels);
    qr.PBM();
  }
}

}  // namespace
}  // namespace velin
