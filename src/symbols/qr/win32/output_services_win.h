// The Windows side of the QR component's output services (qr_output.h): enhanced metafiles
// recorded with GDI against the screen, the clipboard, and the clipboard viewer chain.
#pragma once

#include <windows.h>

#include <memory>

#include "symbols/qr/qr_output.h"

namespace velin::qr {

// An enhanced metafile picture; owns its handle and deletes it. The handle stays valid while
// the object lives; whoever wants to keep the picture longer copies it (CopyEnhMetaFileW).
class EnhMetafile final : public Metafile {
 public:
  EnhMetafile(HENHMETAFILE handle, Size frame) : handle_(handle), frame_(frame) {}
  ~EnhMetafile() override { DeleteEnhMetaFile(handle_); }
  EnhMetafile(const EnhMetafile&) = delete;
  EnhMetafile& operator=(const EnhMetafile&) = delete;

  Size FrameSize() const override { return frame_; }
  HENHMETAFILE Handle() const { return handle_; }

 private:
  HENHMETAFILE handle_;
  Size frame_;
};

// Records a metafile as OutputServices::RecordMetafile describes: CreateEnhMetaFileW with the
// screen as reference device and a frame of `frame` screen pixels (in 0.01 mm, from the
// screen's size in millimetres and pixels); a drawing of another size is mapped onto it by an
// anisotropic mapping mode, and clipped to (0, 0)-(width, height). Rectangles are filled with
// a solid brush, text is drawn with TextOutW on an opaque background in the font of
// CreateGdiFont. Null when GDI fails.
std::unique_ptr<MetafileRecorder> RecordEnhMetafile(int width, int height, Size frame);

}  // namespace velin::qr
