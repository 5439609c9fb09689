// Where the platform has no metafiles and no clipboard, the component's metafile kinds paint
// the bitmap and its clipboard operations do nothing.
#include <gtest/gtest.h>

#include "symbols/qr/qr_code.h"

namespace velin {
namespace {

TEST(QrCodeWithoutPlatformOutput, MetafileKindsPaintTheBitmapAndTheClipboardIsAbsent) {
  TQRCode qr;
  qr.SetMatch(true);
  qr.SetCode("no metafiles");
  const Bitmap32 bitmap = qr.Picture();
  for (TPictures kind : {picEMF, picWMF}) {
    qr.SetSymbolPicture(kind);
    EXPECT_EQ(qr.MetafilePicture(), nullptr);
    EXPECT_TRUE(qr.SymbolDisped());
    EXPECT_EQ(qr.Picture(), bitmap);
  }
  EXPECT_FALSE(qr.CopyToClipboard());
  EXPECT_FALSE(qr.PasteFromClipboard());
  EXPECT_EQ(qr.Code(), "no metafiles");
  qr.SetClipWatch(true);
  EXPECT_TRUE(qr.ClipWatch());
  EXPECT_FALSE(qr.InClipboardChain());
}

}  // namespace
}  // namespace velin
