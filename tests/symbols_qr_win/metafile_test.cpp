// The QR component's metafile pictures: recorded with GDI, they play back exactly as the
// bitmap renders; a grid larger than the largest picture size plays back reduced to it.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "base/text_renderer.h"
#include "gdi_helpers.h"
#include "symbols/qr/qr_code.h"
#include "symbols/qr/win32/output_services_win.h"
#include "symbols_qr/qr_code_fixtures.h"

namespace velin {
namespace {

using test::Compare;
using test::PlayEnhMetafile;

HENHMETAFILE Handle(const TQRCode& qr) {
  const auto* emf = dynamic_cast<const qr::EnhMetafile*>(qr.MetafilePicture());
  return emf != nullptr ? emf->Handle() : nullptr;
}

struct Case {
  const char* name;
  std::function<void(TQRCode&)> setup;  // ends with Match on and a bitmap picture
  // Levels per colour channel that a pixel may be off: GDI blends the anti-aliased edges of
  // coloured glyphs with a rounding of its own (black on white it is exact).
  int tolerance = 0;
};

const Case kCases[] = {
    {"the handlers' settings",
     [](TQRCode& qr) {
       qr.SetEclevel(1);
       qr.SetVersion(6);
       qr.SetMatch(true);
       qr.SetCode("https://example.com/waybill/0123456789");
     }},
    {"magnified, coloured and placed",
     [](TQRCode& qr) {
       qr.SetPxmag(4);
       qr.SetVersion(2);
       qr.SetSymbolLeft(9);
       qr.SetSymbolTop(5);
       qr.SetSymbolSpaceLeft(3);
       qr.SetSymbolSpaceRight(6);
       qr.SetSymbolSpaceUp(2);
       qr.SetSymbolSpaceDown(8);
       qr.SetSymbolColor(0x802010);
       qr.SetBackColor(0xD0F0E8);
       qr.SetMatch(true);
       qr.SetCode("COLOURS");
     }},
    {"a grid of three symbols", [](TQRCode& qr) { test::SetUpThreeSymbolGrid(qr); }},
    {"numbered comments above and below, black on white",
     [](TQRCode& qr) {
       qr.SetSymbolEnabled(false);
       qr.SetPxmag(3);
       qr.SetVersion(2);
       qr.SetCode("ABCDEFGHIJKL");
       qr.SetCount(2);
       qr.SetNumbering(nbrTail);
       qr.SetCommentUp("\xC9\xCF UP");  // GBK 上
       qr.SetCommentUpLoc(locCenter);
       qr.SetCommentDown("DOWN");
       qr.SetCommentDownLoc(locRight);
       qr.SetSymbolSpaceUp(24);
       qr.SetSymbolSpaceDown(24);
       qr.SetSymbolSpaceLeft(10);
       qr.SetSymbolSpaceRight(10);
       qr.SetPicWidth(1000);
       qr.SetPicHeight(1000);
       qr.SetMatch(true);
       qr.SetSymbolEnabled(true);
     }},
    {"a bold coloured comment on a coloured background",
     [](TQRCode& qr) {
       Font font;
       font.size = 11;
       font.bold = true;
       font.color = 0x2000C0;
       qr.SetComFont(&font);
       qr.SetBackColor(0xE0FFFF);
       qr.SetSymbolSpaceDown(20);
       qr.SetCommentDown("Label 42");
       qr.SetCommentDownLoc(locCenter);
       qr.SetPxmag(2);
       qr.SetPicWidth(1000);
       qr.SetPicHeight(1000);
       qr.SetMatch(true);
       qr.SetCode("comment");
     },
     2},
    {"a second symbol that does not suit the fixed mode",
     [](TQRCode& qr) {
       qr.SetSymbolEnabled(false);
       qr.SetEmode(0);  // numeric: "1234" fits, "ABCD" does not
       qr.SetCode("1234ABCD");
       qr.SetCount(2);
       qr.SetPxmag(2);
       qr.SetPicWidth(1000);
       qr.SetMatch(true);
       qr.SetSymbolEnabled(true);
     }},
};

TEST(QrCodeMetafile, PlaysBackAsTheBitmapRenders) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    TQRCode qr(&PlatformTextRenderer());
    c.setup(qr);
    const Bitmap32 bitmap = qr.Picture();
    const bool disped = qr.SymbolDisped();
    ASSERT_FALSE(bitmap.empty());

    qr.SetSymbolPicture(picEMF);
    ASSERT_NE(Handle(qr), nullptr);
    EXPECT_TRUE(qr.Picture().empty());
    EXPECT_EQ(qr.SymbolDisped(), disped);
    EXPECT_EQ(qr.MetafilePicture()->FrameSize().width, bitmap.width());
    EXPECT_EQ(qr.MetafilePicture()->FrameSize().height, bitmap.height());
    EXPECT_EQ(
        Compare(PlayEnhMetafile(Handle(qr), bitmap.width(), bitmap.height()), bitmap, c.tolerance),
        "equal");
  }
}

TEST(QrCodeMetafile, AGridLargerThanThePictureSizePlaysBackReducedToIt) {
  // Version 40 at one pixel per module is 177 × 177; the largest picture is 105 × 60, so the
  // bitmap is stretched to 105 × 60 and the metafile recorded scaled to that frame. GDI and
  // the bitmap's nearest-neighbour stretch round module edges differently, so each pixel of
  // the playback must match the full-size symbol within one pixel of where it came from.
  TQRCode full(&PlatformTextRenderer());
  full.SetPicWidth(1000);
  full.SetPicHeight(1000);
  full.SetVersion(40);
  full.SetMatch(true);
  full.SetCode("reduced");
  const Bitmap32& big = full.Picture();
  ASSERT_EQ(big.width(), 177);

  TQRCode qr(&PlatformTextRenderer());
  qr.SetPicWidth(105);
  qr.SetPicHeight(60);
  qr.SetVersion(40);
  qr.SetMatch(true);
  qr.SetCode("reduced");
  ASSERT_EQ(qr.Picture().width(), 105);
  ASSERT_EQ(qr.Picture().height(), 60);
  qr.SetSymbolPicture(picEMF);
  ASSERT_NE(Handle(qr), nullptr);
  EXPECT_EQ(qr.Width(), 177);  // the control keeps the grid's size, as with the bitmap
  EXPECT_EQ(qr.MetafilePicture()->FrameSize().width, 105);
  EXPECT_EQ(qr.MetafilePicture()->FrameSize().height, 60);

  const Bitmap32 played = PlayEnhMetafile(Handle(qr), 105, 60);
  int far_off = 0;
  for (int y = 0; y < 60; ++y) {
    for (int x = 0; x < 105; ++x) {
      const int sx = x * 177 / 105, sy = y * 177 / 60;
      bool near_match = false;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
          if (big.Contains(sx + dx, sy + dy) &&
              big.GetPixel(sx + dx, sy + dy) == played.GetPixel(x, y))
            near_match = true;
      far_off += !near_match;
    }
  }
  EXPECT_EQ(far_off, 0);
  // The three finder patterns' outer corners are all in the frame.
  EXPECT_EQ(played.GetPixel(0, 0), kBlack);
  EXPECT_EQ(played.GetPixel(104, 0), kBlack);
  EXPECT_EQ(played.GetPixel(0, 59), kBlack);
}

TEST(QrCodeMetafile, ThePictureIsAMetafileOnlyAfterAMetafileRenderingDrewASymbol) {
  TQRCode qr(&PlatformTextRenderer());
  qr.SetVersion(1);
  qr.SetMatch(true);
  qr.SetSymbolPicture(picWMF);
  const qr::Metafile* first = qr.MetafilePicture();
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(qr.SymbolDisped());

  // Too long for version 1: nothing is drawn and the picture stays the metafile it was.
  qr.SetCode(test::Repeat('x', 40));
  EXPECT_FALSE(qr.SymbolDisped());
  EXPECT_EQ(qr.MetafilePicture(), first);

  // Turning and mirroring leave a metafile alone.
  qr.SetCode("turn");
  qr.SetAngle(90);
  qr.SetReverse(true);
  ASSERT_NE(qr.MetafilePicture(), nullptr);
  const Bitmap32 played = PlayEnhMetafile(Handle(qr), 21, 21);
  qr.SetAngle(0);
  qr.SetReverse(false);
  qr.SetSymbolPicture(picBMP);
  EXPECT_EQ(qr.MetafilePicture(), nullptr);
  EXPECT_EQ(Compare(played, qr.Picture()), "equal");

  qr.SetSymbolPicture(picEMF);
  ASSERT_NE(qr.MetafilePicture(), nullptr);
  qr.Clear();
  EXPECT_EQ(qr.MetafilePicture(), nullptr);
  EXPECT_TRUE(qr.Picture().empty());

  // Match off forces a bitmap.
  qr.SetSymbolPicture(picEMF);
  qr.SetMatch(false);
  EXPECT_EQ(qr.MetafilePicture(), nullptr);
  EXPECT_FALSE(qr.Picture().empty());
}

}  // namespace
}  // namespace velin
