// TQRCode: the QR Code symbol component. It holds a text or a block of bytes, divides it into
// pieces (one per symbol), encodes each piece (QrEncoder) and paints the symbols, with
// optional comment texts, into its own 32-bit picture. Every change of a rendering property
// renders again at once.
//
// What the label command handlers do, once per QR command:
//
//   TQRCode qr(&text_renderer);      // or nullptr: comments are then neither measured nor drawn
//   qr.SetEclevel(1);                // level M
//   qr.SetPxmag(1);
//   qr.SetVersion(6);                // 41 × 41 modules
//   qr.SetMatch(true);               // the picture is cut to the symbol
//   qr.SetUsejis(false);             // every byte is 8-bit data
//   qr.SetCode(ansi_bytes);          // the command's text in the ANSI code page
//   qr.SetBackColor(kWhite); qr.SetSymbolColor(kBlack); qr.SetAngle(0);
//   page.StretchDraw(x, y, w, h, qr.Picture());   // 41 × 41: module (r, c) is pixel (c, r)
//
// In general, with `Match` the picture is SymbolWidthA + SymbolLeft wide and module (r, c) of
// piece k fills the `Pxmag` × `Pxmag` square at (cell x + SymbolSpaceLeft + c × Pxmag,
// cell y + SymbolSpaceUp + r × Pxmag). When the data do not fit (`SymbolDisped` false) the
// picture keeps what it showed before.
//
// Texts (`Code`, the comments) are 8-bit strings in the ANSI code page, as the label languages
// deliver them; comments are converted to UTF-8 only for the text renderer. Not thread-safe:
// one thread at a time.
//
// Metafile pictures (`SymbolPicture` picEMF or picWMF, with `Match`), the clipboard and
// clipboard watching are Windows facilities (qr_output.h): a Windows build records the
// symbols as an enhanced metafile and exchanges pictures and text with the clipboard. Other
// builds have none of them: picEMF and picWMF paint the bitmap as picBMP does, MetafilePicture
// stays null, CopyToClipboard and PasteFromClipboard do nothing and return false, and
// `ClipWatch` is stored but never joins a viewer chain.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/bitmap.h"
#include "base/canvas.h"
#include "base/text_renderer.h"
#include "symbols/qr/qr_encoder.h"
#include "symbols/qr/qr_output.h"

namespace velin {

// One symbol; 2 to 16 symbols linked by the structured append header; 2 to 1024 symbols
// without any header.
enum TQRMode : int { qrSingle = 0, qrConnect = 1, qrPlus = 2 };
// How symbol numbers are added to the comments when there is more than one symbol.
enum TNumbering : int { nbrNone = 0, nbrHead = 1, nbrTail = 2, nbrIfVoid = 3 };
// Horizontal placement of a comment within the symbol's cell.
enum TLocation : int { locLeft = 0, locCenter = 1, locRight = 2 };
// Output graphic: a bitmap; an enhanced metafile; an enhanced metafile that goes to the
// clipboard as a Windows metafile picture. Metafiles exist on Windows only (see above).
enum TPictures : int { picBMP = 0, picEMF = 1, picWMF = 2 };

class TQRCode;
// `watch` is true when the change came from clipboard watching.
using TNotifyWatchEvent = std::function<void(TQRCode& sender, bool watch)>;
// A plain notification, as for a clipboard change.
using TNotifyEvent = std::function<void(TQRCode& sender)>;

// An inconsistent division state found by validation: "Illegal Count : 0" and the like.
class EQRCodeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// `Data` or `Offset` index out of range: "5 is not within the valid range of 0..3".
class ERangeError : public std::out_of_range {
 public:
  using std::out_of_range::out_of_range;
};

class TQRCode {
 public:
  static constexpr int kMaxCount = 1024;
  static constexpr int kMaxPiece = qr::kMaxSourceBytes;  // 7089 bytes

  // Sets the defaults; nothing is rendered. `text` draws and measures the comments on the
  // bitmap (a metafile has them from GDI); it must outlive the component.
  explicit TQRCode(TextRenderer* text = nullptr);
  virtual ~TQRCode();
  TQRCode(const TQRCode&) = delete;
  TQRCode& operator=(const TQRCode&) = delete;

  // --- Data ---------------------------------------------------------------------------------
  // The text. Setting fires OnChangeCode, rebuilds Memory (with BinaryOperation, "~hh~"
  // escapes give bytes and "~~" a "~"), renders and fires OnChangedCode.
  const std::string& Code() const { return fcode_; }
  void SetCode(const std::string& code);
  int Len() const { return len_; }          // data bytes in Memory
  bool Binary() const { return fbinary_; }  // Memory holds a control byte
  bool BinaryOperation() const { return fbinaryoperation_; }
  void SetBinaryOperation(bool value);
  const uint8_t* Memory() const { return memory_.data(); }  // Len bytes, then 4 zero bytes
  // Byte `index` (0..Len-1); out of range throws ERangeError. Setting rebuilds Code from
  // Memory and renders.
  uint8_t GetData(int index) const;
  void SetData(int index, uint8_t value);
  // Piece boundary `index` (0..Count) of the last division; out of range throws ERangeError.
  int GetOffset(int index) const;

  // --- Division into symbols -----------------------------------------------------------------
  TQRMode Mode() const { return fmode_; }
  void SetMode(TQRMode value);  // qrSingle: Count 1; qrConnect: Count into 2..16; qrPlus 2..1024
  int Count() const { return fcount_; }
  void SetCount(int value);  // 1..1024
  int Column() const { return fcolumn_; }
  void SetColumn(int value);               // 1..1024 symbols per row of the grid
  int Parity() const { return fparity_; }  // structured append parity of all the data

  // --- Encoding ------------------------------------------------------------------------------
  int Version() const { return fversion_; }
  void SetVersion(int value);  // 1..40, never chosen automatically
  int Emode() const { return femode_; }
  void SetEmode(int value);  // -1 automatic, 0 numeric, 1 alphanumeric, 2 8-bit byte, 3 Kanji
  int EmodeR() const { return femodeR_; }  // mode used (last segment after automatic analysis)
  int Eclevel() const { return feclevel_; }
  void SetEclevel(int value);  // 0 L, 1 M, 2 Q, 3 H
  int Masktype() const { return fmasktype_; }
  void SetMasktype(int value);                   // -1 automatic, 0..7
  int MasktypeR() const { return fmasktypeR_; }  // mask used
  bool Usejis() const { return fusejis_; }
  // Plain field, no rendering: true lets automatic analysis use numeric, alphanumeric and
  // Shift JIS Kanji modes; false makes every byte 8-bit data.
  void SetUsejis(bool value) { fusejis_ = value; }
  // Characters of EmodeR (-1 counts as alphanumeric) that Version at Eclevel holds, × Count.
  int Capacity() const;

  // --- Appearance ----------------------------------------------------------------------------
  int Pxmag() const { return fpxmag_; }
  void SetPxmag(int value);  // 1..10 pixels per module
  int Angle() const { return fangle_; }
  void SetAngle(int value);  // 0, 90, 180 or 270, clockwise
  bool Reverse() const { return freverse_; }
  void SetReverse(bool value);  // mirror left to right
  TNumbering Numbering() const { return fnumbering_; }
  void SetNumbering(TNumbering value);
  const std::string& CommentUp() const { return fcommentup_; }
  void SetCommentUp(const std::string& value);
  const std::string& CommentDown() const { return fcommentdown_; }
  void SetCommentDown(const std::string& value);
  TLocation CommentUpLoc() const { return fcommentuploc_; }
  void SetCommentUpLoc(TLocation value);
  TLocation CommentDownLoc() const { return fcommentdownloc_; }
  void SetCommentDownLoc(TLocation value);
  const Font& ComFont() const { return fcomfont_; }
  void SetComFont(const Font* font);  // null or the same object is ignored; else copied
  int SymbolLeft() const { return fsymbolleft_; }
  void SetSymbolLeft(int value);
  int SymbolTop() const { return fsymboltop_; }
  void SetSymbolTop(int value);
  int SymbolSpaceUp() const { return fspaceup_; }
  void SetSymbolSpaceUp(int value);
  int SymbolSpaceDown() const { return fspacedown_; }
  void SetSymbolSpaceDown(int value);
  int SymbolSpaceLeft() const { return fspaceleft_; }
  void SetSymbolSpaceLeft(int value);
  int SymbolSpaceRight() const { return fspaceright_; }
  void SetSymbolSpaceRight(int value);
  bool Match() const { return fmatch_; }
  void SetMatch(bool value);  // size the picture to the grid; excludes Transparent
  bool Transparent() const { return ftransparent_; }
  void SetTransparent(bool value);  // leave the background unfilled; excludes Match
  Color SymbolColor() const { return fsymbolcolor_; }
  void SetSymbolColor(Color value);
  Color BackColor() const { return fbackcolor_; }
  void SetBackColor(Color value);
  TPictures SymbolPicture() const { return fsymbolpicture_; }
  void SetSymbolPicture(TPictures value);
  bool SymbolEnabled() const { return fsymbolenabled_; }
  void SetSymbolEnabled(bool value);
  bool SymbolDebug() const { return fsymboldebug_; }
  void SetSymbolDebug(bool value) { fsymboldebug_ = value; }  // encode without drawing
  bool SymbolDisped() const { return fsymboldisped_; }  // the last rendering drew every symbol
  bool ClearOption() const { return fclearoption_; }
  void SetClearOption(bool value);  // clear the picture when a rendering fails
  int PicWidth() const { return fpicwidth_; }
  void SetPicWidth(int value) { fpicwidth_ = value; }  // largest picture; stores only
  int PicHeight() const { return fpicheight_; }
  void SetPicHeight(int value) { fpicheight_ = value; }

  // --- Metrics, pixels -----------------------------------------------------------------------
  int SymbolWidth() const;  // (17 + 4 × Version) × Pxmag; no quiet zone
  int SymbolHeight() const;
  int SymbolWidthS() const;  // one cell: the symbol plus its margins
  int SymbolHeightS() const;
  int SymbolWidthA() const;  // the whole grid
  int SymbolHeightA() const;
  int QuietZone() const { return 0; }

  // --- The image control ---------------------------------------------------------------------
  int Width() const { return width_; }  // 105 × 105 at construction
  int Height() const { return height_; }
  // The picture while it is a bitmap; empty after Clear and while the picture is a metafile.
  const Bitmap32& Picture() const { return picture_; }
  Canvas& GetCanvas() { return canvas_; }  // draws on Picture
  // The picture while it is a metafile, else null. A picEMF or picWMF rendering that drew its
  // first symbol makes it, holding every symbol drawn (all of them when SymbolDisped) and
  // their comments (GDI text in ComFont), on a BackColor background. Its frame is the grid's size
  // (Width × Height); a grid wider than PicWidth or higher than PicHeight is recorded scaled,
  // aspect not kept, into a frame of exactly PicWidth × PicHeight (at least 1 × 1), as the bitmap
  // is shrunk. Angle and Reverse do not apply to it. A picBMP rendering or Clear drops it.
  const qr::Metafile* MetafilePicture() const { return metafile_.get(); }

  // --- Operations ----------------------------------------------------------------------------
  // Renders all symbols into the picture. Validation failures throw EQRCodeError.
  virtual void PaintSymbol();
  virtual void Clear();  // empties the picture
  virtual void RepaintSymbol() { PaintSymbol(); }
  // Text image: "P1", the mode and count, the symbol side twice, then per piece two empty
  // lines and the module rows as " 1" / " 0" tokens, each repeated Pxmag times.
  std::vector<std::string> PBM();
  // The same lines handed one by one to `line`, for callers that stream them.
  void BuildPbm(const std::function<void(const std::string& line)>& line);
  // The file's content becomes Memory (a missing file changes nothing); Code is rebuilt and
  // the symbols rendered. The change events are not fired. False when the file is missing or
  // unreadable.
  bool LoadFromFile(const std::string& filename);
  // As LoadFromFile with `count` bytes at `ptr`; nothing happens for null or count <= 0.
  void LoadFromMemory(const void* ptr, int count);
  // Writes the Len bytes of Memory to the file. False when it cannot be written.
  bool SaveToFile(const std::string& filename) const;

  // --- Clipboard (Windows; elsewhere these do nothing and return false) ----------------------
  // Empties the clipboard and puts the picture on it. When every symbol is displayed, by
  // SymbolPicture: the bitmap (picBMP), the enhanced metafile (picEMF), or the metafile
  // converted to a Windows metafile picture (picWMF); otherwise the picture as it stands, a
  // bitmap or an enhanced metafile. False when there is no picture or the platform fails (the
  // clipboard may then be empty); what was made for it is freed.
  virtual bool CopyToClipboard();
  // When the clipboard holds text, Code := its bytes in the ANSI code page (firing the code
  // events, with Watch while a clipboard change is being applied) and true; else false.
  virtual bool PasteFromClipboard();

  // Clipboard watching: the component is in the clipboard viewer chain exactly while
  // ClipWatch is true and an OnClipChange handler is assigned, and then runs OnClipChange at
  // every clipboard change (once at once when joining), on the thread that first used the
  // clipboard, while it dispatches window messages; the component is destroyed there too,
  // which leaves the chain. Switching ClipWatch on from off sets Skip, which makes
  // PasteOnClipChange swallow that first notification; any other setting clears it.
  bool ClipWatch() const { return fclipwatch_; }
  void SetClipWatch(bool value);
  // Initially PasteOnClipChange; an empty function leaves the chain.
  const TNotifyEvent& OnClipChange() const { return fonclipchange_; }
  void SetOnClipChange(TNotifyEvent handler);
  // The initial OnClipChange: when Skip is set it clears it and does nothing more; otherwise
  // PasteFromClipboard, with Watch true meanwhile.
  void PasteOnClipChange();
  bool InClipboardChain() const;
  // An exception that escaped OnClipChange: the notification then goes no further down the
  // chain. Unassigned, its message is written to standard error.
  std::function<void(TQRCode& sender, std::exception_ptr error)> OnClipError;

  // Events; each fires only when assigned. The code events fire only while SymbolEnabled.
  TNotifyWatchEvent OnChangeCode;
  TNotifyWatchEvent OnPaintSymbol;
  TNotifyWatchEvent OnPaintedSymbol;
  TNotifyWatchEvent OnChangedCode;

 protected:
  // Event dispatch, one per event.
  virtual void DoChangeCode(bool watch);
  virtual void DoPaintSymbol(bool watch);
  virtual void DoPaintedSymbol(bool watch);
  virtual void DoChangedCode(bool watch);
  virtual void DoClipChange();

  // Encode piece `icount_` (already in the encoder's source) and paint it on the bitmap, or
  // on the metafile being recorded (for picEMF and picWMF, where the platform has metafiles;
  // elsewhere on the bitmap). Set SymbolDisped when it was drawn.
  void PaintBitmapSymbol();
  virtual void PaintMetafileSymbol();

 private:
  int CodeToMemory();
  void MemoryToCode();
  void SetMemory(const uint8_t* data, size_t count);
  void CalcOffsets();
  void CheckProperties();
  bool EncodePiece();
  void Rotate(int angle);
  void NumberComments(const std::string& up, const std::string& down);
  void PaintModules(qr::Surface& surface, int width, int height);
  void DrawComments(qr::Surface& surface, int64_t left, int64_t top);
  bool FinishMetafile();
  qr::OutputServices* Services();
  void UpdateViewerChain();
  bool ClipboardChanged() noexcept;

  TextRenderer* text_;
  std::unique_ptr<qr::QrEncoder> encoder_;
  Bitmap32 picture_;
  Canvas canvas_;
  int width_ = 105;
  int height_ = 105;

  std::string fcode_;
  std::vector<uint8_t> memory_;
  int len_ = 0;
  bool fbinary_ = false;
  bool fbinaryoperation_ = false;
  TQRMode fmode_ = qrSingle;
  int fcount_ = 1;
  int fcolumn_ = 16;
  int fparity_ = 0;
  TNumbering fnumbering_ = nbrIfVoid;
  std::string fcommentup_;
  std::string fcommentdown_;
  TLocation fcommentuploc_ = locLeft;
  TLocation fcommentdownloc_ = locLeft;
  int fsymbolleft_ = 0;
  int fsymboltop_ = 0;
  int fspaceup_ = 0;
  int fspacedown_ = 0;
  int fspaceleft_ = 0;
  int fspaceright_ = 0;
  int fversion_ = 1;
  int femode_ = -1;
  int femodeR_ = -1;
  int feclevel_ = 0;
  int fmasktype_ = -1;
  int fmasktypeR_ = -1;
  int fpxmag_ = 1;
  int fangle_ = 0;
  bool freverse_ = false;
  bool fmatch_ = false;
  Font fcomfont_;
  bool ftransparent_ = false;
  Color fsymbolcolor_ = kBlack;
  Color fbackcolor_ = kWhite;
  TPictures fsymbolpicture_ = picBMP;
  bool fsymbolenabled_ = true;
  bool fsymboldebug_ = false;
  bool fsymboldisped_ = false;
  bool fclearoption_ = false;
  int fpicwidth_ = 105;
  int fpicheight_ = 105;
  bool fusejis_ = false;

  int offsets_[kMaxCount + 1] = {};
  int icount_ = 1;

  // Platform output, made when first needed (null where there is none).
  std::unique_ptr<qr::OutputServices> services_;
  bool services_made_ = false;
  std::unique_ptr<qr::Metafile> metafile_;          // the picture, when a metafile
  std::unique_ptr<qr::MetafileRecorder> recorder_;  // open from the first piece to the last
  bool fclipwatch_ = false;
  TNotifyEvent fonclipchange_;
  bool watch_ = false;  // a change is being applied because of clipboard watching
  bool skip_ = false;   // ignore the next clipboard notification
};

}  // namespace velin
