// The surfaces a TQRCode paints on, and the platform's picture and clipboard services that
// its metafile pictures, CopyToClipboard, PasteFromClipboard and clipboard watching use.
// Windows provides the services (win32/: GDI enhanced metafiles, the clipboard, the clipboard
// viewer chain); other platforms have none (CreateOutputServices returns null), and the
// component then paints every picture as a bitmap and its clipboard operations do nothing.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/bitmap.h"
#include "base/text_renderer.h"

namespace velin::qr {

// Where a symbol and its comments are painted: the component's bitmap, or a metafile being
// recorded. Coordinates are the picture's pixels, origin top-left, and may lie anywhere (what
// falls outside is clipped). Used by one thread at a time; nothing throws.
class Surface {
 public:
  virtual ~Surface() = default;
  // Fills [x1, x2) × [y1, y2) with `color`.
  virtual void FillRect(int x1, int y1, int x2, int y2, Color color) = 0;
  // Width and height of the unrotated cell of `text` (UTF-8) in `font`; 0 × 0 when the
  // surface draws no text.
  virtual Size TextExtent(std::string_view text, const Font& font) = 0;
  // Draws `text` in font.color with the top-left corner of its cell at (x, y), the cell
  // (turned with the text) first filled with `back`.
  virtual void PaintText(int x, int y, std::string_view text, const Font& font, Color back) = 0;
};

// A finished metafile picture, owned by whoever holds it. It plays back by default at
// FrameSize() pixels of the screen, its records scaled to fit when they were drawn larger.
class Metafile {
 public:
  virtual ~Metafile() = default;
  virtual Size FrameSize() const = 0;
};

// One metafile being recorded: a Surface whose drawing is kept as records. Destroying an
// unfinished recorder discards the recording and frees everything it holds.
class MetafileRecorder : public Surface {
 public:
  // Completes the recording and hands the metafile over; null when the platform fails. The
  // recorder takes no more drawing afterwards.
  virtual std::unique_ptr<Metafile> Finish() = 0;
};

// Which clipboard format a metafile goes to.
enum class MetafileFormat { kEnhanced, kWindows };

// The platform's services for one component. Contract: created, used and destroyed on the
// component's thread (the clipboard notifications arrive there, through a window of that
// thread, while it dispatches messages); owned by the component. A failure is reported by
// the return value, never thrown, and frees whatever the call had made.
class OutputServices {
 public:
  // Leaves the clipboard viewer chain when in it.
  virtual ~OutputServices() = default;

  // Starts a metafile `width` × `height` pixels of the screen; when `frame` differs from
  // that size, the drawing is scaled (aspect not kept) so that the metafile plays back at
  // `frame` pixels showing all of it. Null when the platform fails.
  virtual std::unique_ptr<MetafileRecorder> RecordMetafile(int width, int height, Size frame) = 0;

  // Empties the clipboard and puts the picture on it: a bitmap as a device-independent
  // bitmap; a metafile as an enhanced metafile, or converted to a Windows metafile picture.
  // False when the clipboard cannot be opened or the data not made; the clipboard may then
  // have been emptied.
  virtual bool CopyBitmap(const Bitmap32& picture) = 0;
  virtual bool CopyMetafile(const Metafile& picture, MetafileFormat format) = 0;
  // The text on the clipboard as 8-bit bytes in the ANSI code page, up to its terminating
  // zero; nullopt when it holds none or cannot be opened.
  virtual std::optional<std::string> ClipboardText() = 0;

  // Joins the clipboard viewer chain. From then on `changed` runs on this thread at every
  // change of the clipboard (and once at once, while joining, as the system announces the
  // clipboard to a new viewer); it returns whether the notification goes on to the next
  // viewer, must not throw, and may call LeaveViewerChain. False when already in the chain
  // or the platform fails.
  virtual bool JoinViewerChain(std::function<bool()> changed) = 0;
  // Leaves the chain; nothing happens when not in it.
  virtual void LeaveViewerChain() = 0;
  virtual bool InViewerChain() const = 0;
};

// The platform's services, or null where there are none (everywhere but Windows).
std::unique_ptr<OutputServices> CreateOutputServices();

}  // namespace velin::qr
