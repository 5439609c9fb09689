#include "symbols/qr/qr_code.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include "base/ansi_codec.h"
#include "base/strings.h"
#include "symbols/qr/qr_picture.h"

namespace velin {
namespace {

// Control bytes that make the data binary: 0x00..0x08, 0x0B, 0x0C, 0x0E..0x1F (tab, line feed
// and carriage return are text).
bool IsControlByte(uint8_t b) {
  return b <= 0x08 || b == 0x0B || b == 0x0C || (b >= 0x0E && b <= 0x1F);
}

// Lead bytes of the double-byte characters of the ANSI code page (GBK, code page 936).
bool IsAnsiLeadByte(uint8_t b) { return b >= 0x81 && b <= 0xFE; }

int ClampToInt(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX)); }

std::string Illegal(const std::string& subject, int value) {
  char buf[32];
  std::snprintf(buf, sizeof buf, " : %d", value);
  return "Illegal " + subject + buf;
}

std::string OutOfRange(int index, int high) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "%d is not within the valid range of %d..%d", index, 0, high);
  return buf;
}

// The component's bitmap as a painting surface: its canvas, with the canvas's text renderer.
class CanvasSurface final : public qr::Surface {
 public:
  explicit CanvasSurface(Canvas& canvas) : canvas_(canvas) {}
  void FillRect(int x1, int y1, int x2, int y2, Color color) override {
    canvas_.brush = {color, BrushStyle::kSolid};
    canvas_.FillRect(x1, y1, x2, y2);
  }
  Size TextExtent(std::string_view text, const Font& font) override {
    canvas_.font = font;
    return canvas_.TextExtent(text);
  }
  void PaintText(int x, int y, std::string_view text, const Font& font, Color back) override {
    canvas_.font = font;
    canvas_.brush = {back, BrushStyle::kSolid};
    canvas_.TextOut(x, y, text);
  }

 private:
  Canvas& canvas_;
};

}  // namespace

TQRCode::TQRCode(TextRenderer* text)
    : text_(text), encoder_(std::make_unique<qr::QrEncoder>()), canvas_(picture_, text) {
  memory_.assign(4, 0);
  fpicwidth_ = width_;
  fpicheight_ = height_;
  fonclipchange_ = [](TQRCode& self) { self.PasteOnClipChange(); };
}

TQRCode::~TQRCode() {
  fclipwatch_ = false;
  UpdateViewerChain();  // leaves the clipboard viewer chain
}

// --- Data ------------------------------------------------------------------------------------

int TQRCode::CodeToMemory() {
  fbinary_ = false;
  const std::string& code = fcode_;
  auto plain = [&] {
    memory_.assign(code.begin(), code.end());
    memory_.insert(memory_.end(), 4, 0);
    return static_cast<int>(code.size());
  };
  if (!fbinaryoperation_) return plain();

  // "~" escapes: "~~" is a "~", "~hhhh~" are bytes given in hexadecimal pairs.
  std::vector<uint8_t> out;
  out.reserve(code.size() + 4);
  bool binary = false;
  size_t i = 0;
  while (i < code.size()) {
    const size_t open = code.find('~', i);
    if (open == std::string::npos) {
      out.insert(out.end(), code.begin() + static_cast<std::ptrdiff_t>(i), code.end());
      break;
    }
    out.insert(out.end(), code.begin() + static_cast<std::ptrdiff_t>(i),
               code.begin() + static_cast<std::ptrdiff_t>(open));
    const size_t close = code.find('~', open + 1);
    const size_t inner = close == std::string::npos ? 0 : close - open - 1;
    bool ok = close != std::string::npos && inner % 2 == 0;
    if (ok && inner == 0) out.push_back('~');
    for (size_t k = open + 1; ok && k < close; k += 2) {
      const int hi = HexDigit(code[k]), lo = HexDigit(code[k + 1]);
      if (hi < 0 || lo < 0) {
        ok = false;
        break;
      }
      const uint8_t b = static_cast<uint8_t>(hi * 16 + lo);
      binary = binary || IsControlByte(b);
      out.push_back(b);
    }
    if (!ok) {
      // Malformed escapes: the text is taken as it stands.
      fbinaryoperation_ = false;
      return plain();
    }
    i = close + 1;
  }
  fbinary_ = binary;
  const int len = static_cast<int>(out.size());
  out.insert(out.end(), 4, 0);
  memory_ = std::move(out);
  return len;
}

void TQRCode::MemoryToCode() {
  fbinary_ = false;
  const uint8_t* mem = memory_.data();
  bool any = false;
  for (int i = 0; i < len_ && !any; ++i) any = IsControlByte(mem[i]);
  if (!any) {
    fcode_.assign(reinterpret_cast<const char*>(mem), static_cast<size_t>(len_));
    return;
  }
  fbinary_ = true;
  fbinaryoperation_ = true;
  static const char kHex[] = "0123456789ABCDEF";
  std::string code;
  for (int i = 0; i < len_;) {
    if (IsControlByte(mem[i])) {
      code += '~';
      for (; i < len_ && IsControlByte(mem[i]); ++i) {
        code += kHex[mem[i] >> 4];
        code += kHex[mem[i] & 15];
      }
      code += '~';
    } else {
      code += mem[i] == '~' ? "~~" : std::string(1, static_cast<char>(mem[i]));
      ++i;
    }
  }
  fcode_ = std::move(code);
}

void TQRCode::SetMemory(const uint8_t* data, size_t count) {
  const size_t n = std::min<size_t>(count, INT_MAX - 4);
  memory_.assign(data, data + n);
  memory_.insert(memory_.end(), 4, 0);
  len_ = static_cast<int>(n);
}

void TQRCode::SetCode(const std::string& code) {
  DoChangeCode(watch_);
  fcode_ = code;
  len_ = CodeToMemory();
  PaintSymbol();
  DoChangedCode(watch_);
}

void TQRCode::SetBinaryOperation(bool value) {
  fbinaryoperation_ = value;
  len_ = CodeToMemory();
  PaintSymbol();
}

uint8_t TQRCode::GetData(int index) const {
  if (index < 0 || index >= len_) throw ERangeError(OutOfRange(index, len_ - 1));
  return memory_[static_cast<size_t>(index)];
}

void TQRCode::SetData(int index, uint8_t value) {
  if (index < 0 || index >= len_) throw ERangeError(OutOfRange(index, len_ - 1));
  memory_[static_cast<size_t>(index)] = value;
  MemoryToCode();
  PaintSymbol();
}

int TQRCode::GetOffset(int index) const {
  if (index < 0 || index > fcount_) throw ERangeError(OutOfRange(index, fcount_));
  return offsets_[index];
}

// --- Property setters ------------------------------------------------------------------------

void TQRCode::SetMode(TQRMode value) {
  switch (value) {
    case qrSingle:
      fcount_ = 1;
      break;
    case qrConnect:
      fcount_ = std::clamp(fcount_, 2, 16);
      break;
    case qrPlus:
      fcount_ = std::clamp(fcount_, 2, kMaxCount);
      break;
    default:
      return;
  }
  fmode_ = value;
  PaintSymbol();
}

void TQRCode::SetCount(int value) {
  if (value < 1 || value > kMaxCount) return;
  fcount_ = value;
  PaintSymbol();
}

void TQRCode::SetColumn(int value) {
  if (value < 1 || value > kMaxCount) return;
  fcolumn_ = value;
  PaintSymbol();
}

void TQRCode::SetVersion(int value) {
  if (value < qr::kMinVersion || value > qr::kMaxVersion) return;
  fversion_ = value;
  PaintSymbol();
}

void TQRCode::SetEmode(int value) {
  if (value < -1 || value > 3) return;
  femode_ = femodeR_ = value;
  PaintSymbol();
}

void TQRCode::SetEclevel(int value) {
  if (value < 0 || value > 3) return;
  feclevel_ = value;
  PaintSymbol();
}

void TQRCode::SetMasktype(int value) {
  if (value < -1 || value > 7) return;
  fmasktype_ = fmasktypeR_ = value;
  PaintSymbol();
}

void TQRCode::SetPxmag(int value) {
  if (value < 1 || value > 10) return;
  fpxmag_ = value;
  PaintSymbol();
}

void TQRCode::SetAngle(int value) {
  if (value != 0 && value != 90 && value != 180 && value != 270) return;
  fangle_ = value;
  PaintSymbol();
}

void TQRCode::SetReverse(bool value) {
  freverse_ = value;
  PaintSymbol();
}

void TQRCode::SetNumbering(TNumbering value) {
  if (value < nbrNone || value > nbrIfVoid) return;
  fnumbering_ = value;
  if (fcount_ > 1) PaintSymbol();
}

void TQRCode::SetCommentUp(const std::string& value) {
  fcommentup_ = value;
  PaintSymbol();
}

void TQRCode::SetCommentDown(const std::string& value) {
  fcommentdown_ = value;
  PaintSymbol();
}

void TQRCode::SetCommentUpLoc(TLocation value) {
  if (value < locLeft || value > locRight) return;
  fcommentuploc_ = value;
  if (!fcommentup_.empty()) PaintSymbol();
}

void TQRCode::SetCommentDownLoc(TLocation value) {
  if (value < locLeft || value > locRight) return;
  fcommentdownloc_ = value;
  if (!fcommentdown_.empty()) PaintSymbol();
}

void TQRCode::SetComFont(const Font* font) {
  if (font == nullptr || font == &fcomfont_) return;
  fcomfont_ = *font;
  PaintSymbol();
}

void TQRCode::SetSymbolLeft(int value) {
  fsymbolleft_ = value;
  PaintSymbol();
}

void TQRCode::SetSymbolTop(int value) {
  fsymboltop_ = value;
  PaintSymbol();
}

void TQRCode::SetSymbolSpaceUp(int value) {
  fspaceup_ = value;
  PaintSymbol();
}

void TQRCode::SetSymbolSpaceDown(int value) {
  fspacedown_ = value;
  PaintSymbol();
}

void TQRCode::SetSymbolSpaceLeft(int value) {
  fspaceleft_ = value;
  PaintSymbol();
}

void TQRCode::SetSymbolSpaceRight(int value) {
  fspaceright_ = value;
  PaintSymbol();
}

void TQRCode::SetMatch(bool value) {
  fmatch_ = value;
  if (!value) fsymbolpicture_ = picBMP;
  if (value) ftransparent_ = false;
  PaintSymbol();
}

void TQRCode::SetTransparent(bool value) {
  ftransparent_ = value;
  if (value) {
    fmatch_ = false;
    fsymbolpicture_ = picBMP;
  }
  PaintSymbol();
}

void TQRCode::SetSymbolColor(Color value) {
  fsymbolcolor_ = value;
  PaintSymbol();
}

void TQRCode::SetBackColor(Color value) {
  fbackcolor_ = value;
  PaintSymbol();
}

void TQRCode::SetSymbolPicture(TPictures value) {
  if (!fmatch_) {
    fsymbolpicture_ = picBMP;
    return;
  }
  if (value < picBMP || value > picWMF) return;
  fsymbolpicture_ = value;
  PaintSymbol();
}

void TQRCode::SetSymbolEnabled(bool value) {
  if (value == fsymbolenabled_) return;
  fsymbolenabled_ = value;
  if (value) PaintSymbol();
}

void TQRCode::SetClearOption(bool value) {
  if (value && !fclearoption_) {
    fclearoption_ = true;
    if (!fsymboldisped_) Clear();
    return;
  }
  fclearoption_ = value;
}

// --- Metrics ---------------------------------------------------------------------------------
// Margins may hold any integer, so sums are formed in 64 bits and clamped on the way out.

int TQRCode::SymbolWidth() const { return (17 + 4 * fversion_) * fpxmag_; }
int TQRCode::SymbolHeight() const { return SymbolWidth(); }

int TQRCode::SymbolWidthS() const {
  return ClampToInt(int64_t{SymbolWidth()} + fspaceleft_ + fspaceright_);
}

int TQRCode::SymbolHeightS() const {
  return ClampToInt(int64_t{SymbolHeight()} + fspaceup_ + fspacedown_);
}

int TQRCode::SymbolWidthA() const {
  return ClampToInt(int64_t{std::min(fcount_, fcolumn_)} * SymbolWidthS());
}

int TQRCode::SymbolHeightA() const {
  return ClampToInt(int64_t{(fcount_ + fcolumn_ - 1) / fcolumn_} * SymbolHeightS());
}

int TQRCode::Capacity() const {
  const int mode = femodeR_ < 0 ? qr::kAlphanumeric : femodeR_;
  return encoder_->Version(fversion_).level[feclevel_].capacity[mode] * fcount_;
}

// --- Events ----------------------------------------------------------------------------------

void TQRCode::DoChangeCode(bool watch) {
  if (OnChangeCode && fsymbolenabled_) OnChangeCode(*this, watch);
}

void TQRCode::DoPaintSymbol(bool watch) {
  if (OnPaintSymbol) OnPaintSymbol(*this, watch);
}

void TQRCode::DoPaintedSymbol(bool watch) {
  if (OnPaintedSymbol) OnPaintedSymbol(*this, watch);
}

void TQRCode::DoChangedCode(bool watch) {
  if (OnChangedCode && fsymbolenabled_) OnChangedCode(*this, watch);
}

// --- Division and validation -----------------------------------------------------------------

void TQRCode::CalcOffsets() {
  if (len_ < fcount_) fcount_ = len_;
  fcount_ = std::clamp(fcount_, 1, kMaxCount);
  int n = len_ / fcount_;
  if (int64_t{n} * fcount_ < len_ && int64_t{n + 1} * (fcount_ - 1) < len_) ++n;

  // Whether the byte at b is the second byte of a double-byte character. Boundaries only move
  // forward, so the scan over character starts continues where it stopped.
  const uint8_t* mem = memory_.data();
  int start = 0;  // start of the character that holds the last byte asked about
  auto is_trail = [&](int b) {
    for (;;) {
      const int size = IsAnsiLeadByte(mem[start]) && start + 1 < len_ ? 2 : 1;
      if (start + size > b) break;
      start += size;
    }
    return start < b;
  };

  offsets_[0] = 0;
  int i = 1;
  for (int64_t b = n; i < fcount_ && b < len_; ++i, b += n) {
    const uint8_t v = mem[b];
    if (is_trail(static_cast<int>(b)) && ((v >= 0x40 && v <= 0x7E) || (v >= 0x80 && v <= 0xFC))) {
      // Do not split a double-byte character: cut before it, else after it.
      if (b - 1 > offsets_[i - 1]) {
        b = b - 1;
      } else if (b + 1 >= len_) {
        break;
      } else {
        b = b + 1;
      }
    }
    offsets_[i] = static_cast<int>(b);
  }
  offsets_[i] = len_;
  fcount_ = i;

  if (fcount_ == 1) {
    fmode_ = qrSingle;
  } else if (fcount_ > 16) {
    fmode_ = qrPlus;
  } else if (fmode_ == qrSingle) {
    fmode_ = qrConnect;
  }
}

void TQRCode::CheckProperties() {
  if (len_ < 0) throw EQRCodeError(Illegal("Len", len_));
  if (fcount_ < 1 || fcount_ > kMaxCount) throw EQRCodeError(Illegal("Count", fcount_));
  if (fmode_ < qrSingle || fmode_ > qrPlus) throw EQRCodeError(Illegal("Mode", fmode_));
  if (fcolumn_ < 1 || fcolumn_ > kMaxCount) throw EQRCodeError(Illegal("Column", fcolumn_));
  auto offset = [](int i) { return "Offset[" + std::to_string(i) + "]"; };
  if (len_ > 0) {
    if (len_ < fcount_ || (fmode_ == qrSingle && fcount_ != 1) ||
        (fmode_ == qrConnect && (fcount_ < 2 || fcount_ > 16)) ||
        (fmode_ == qrPlus && (fcount_ < 2 || fcount_ > kMaxCount))) {
      throw EQRCodeError(Illegal("Count", fcount_));
    }
    if (offsets_[0] != 0) throw EQRCodeError(Illegal(offset(0), offsets_[0]));
    if (offsets_[fcount_] != len_) {
      throw EQRCodeError(Illegal(offset(fcount_), offsets_[fcount_]));
    }
    for (int i = 0; i < fcount_; ++i) {
      if (offsets_[i] >= offsets_[i + 1]) {
        throw EQRCodeError(Illegal(offset(i + 1), offsets_[i + 1]));
      }
    }
  } else {
    if (fcount_ != 1) throw EQRCodeError(Illegal("Count", fcount_));
    if (fmode_ != qrSingle) throw EQRCodeError(Illegal("Mode", fmode_));
    if (offsets_[0] != 0) throw EQRCodeError(Illegal(offset(0), offsets_[0]));
    if (offsets_[1] != 0) throw EQRCodeError(Illegal(offset(1), offsets_[1]));
  }
  if (fmode_ == qrConnect && len_ / fcount_ <= kMaxPiece) {
    uint8_t parity = 0;
    for (int i = 0; i < len_; ++i) parity ^= memory_[static_cast<size_t>(i)];
    fparity_ = parity;
  }
}

// --- Rendering -------------------------------------------------------------------------------

void TQRCode::Clear() {
  fsymboldisped_ = false;
  picture_ = Bitmap32();
  metafile_.reset();
}

void TQRCode::Rotate(int angle) {
  if (picture_.empty()) return;
  if (angle == 90 || angle == 180 || angle == 270) {
    picture_ = qr::RotateClockwise(picture_, angle);
    if (angle != 180) std::swap(width_, height_);
  }
  if (freverse_) picture_ = qr::MirrorLeftRight(picture_);
}

void TQRCode::NumberComments(const std::string& up, const std::string& down) {
  const std::string n = std::to_string(icount_);
  auto numbered = [&](const std::string& text) {
    switch (fnumbering_) {
      case nbrHead:
        return text.empty() ? n : n + " " + text;
      case nbrTail:
        return text.empty() ? n : text + " " + n;
      case nbrIfVoid:
        return text.empty() ? n : text;
      default:
        return text;
    }
  };
  fcommentup_ = numbered(up);
  fcommentdown_ = numbered(down);
}

void TQRCode::PaintSymbol() {
  if (!fsymbolenabled_) return;
  fsymboldisped_ = false;
  CalcOffsets();
  CheckProperties();
  icount_ = 1;
  DoPaintSymbol(watch_);

  // A metafile rendering leaves the picture as it is until its first symbol has been drawn.
  const bool metafile = fsymbolpicture_ != picBMP && Services() != nullptr;
  if (!metafile) {
    metafile_.reset();
    if (picture_.empty()) picture_ = Bitmap32(std::max(width_, 0), std::max(height_, 0));
  }

  const int savedleft = fsymbolleft_, savedtop = fsymboltop_;
  const std::string savedup = fcommentup_, saveddown = fcommentdown_;
  // Restores the cell position and the comments whatever happens below, and discards a
  // metafile recording that an exception left open.
  struct Restore {
    TQRCode* self;
    int left, top;
    const std::string &up, &down;
    ~Restore() {
      self->fsymbolleft_ = left;
      self->fsymboltop_ = top;
      self->fcommentup_ = up;
      self->fcommentdown_ = down;
      self->recorder_.reset();
    }
  } restore{this, savedleft, savedtop, savedup, saveddown};

  int64_t left = savedleft, top = savedtop;
  if (!fmatch_) {
    // Draw into the unrotated frame: convert the position, and undo the last turn and mirror
    // of the existing picture (mirror first, as it was applied last).
    switch (fangle_) {
      case 90:
        left = savedtop;
        top = int64_t{width_} - savedleft - SymbolHeightA();
        break;
      case 180:
        left = int64_t{width_} - savedleft - SymbolWidthA();
        top = int64_t{height_} - savedtop - SymbolHeightA();
        break;
      case 270:
        left = int64_t{height_} - savedtop - SymbolWidthA();
        top = savedleft;
        break;
    }
    if (freverse_ && !picture_.empty()) picture_ = qr::MirrorLeftRight(picture_);
    const bool reverse = freverse_;
    freverse_ = false;
    Rotate((360 - fangle_) % 360);
    freverse_ = reverse;
  }

  canvas_.font = fcomfont_;
  for (; icount_ <= fcount_; ++icount_) {
    fsymboldisped_ = false;
    fsymbolleft_ = ClampToInt(left + int64_t{(icount_ - 1) % fcolumn_} * SymbolWidthS());
    fsymboltop_ = ClampToInt(top + int64_t{(icount_ - 1) / fcolumn_} * SymbolHeightS());
    if (fcount_ > 1) NumberComments(savedup, saveddown);
    const int srclen = offsets_[icount_] - offsets_[icount_ - 1];
    if (srclen > kMaxPiece) break;
    if (srclen > 0) {
      std::memcpy(encoder_->source, memory_.data() + offsets_[icount_ - 1],
                  static_cast<size_t>(srclen));
    }
    encoder_->srclen = srclen;
    if (fsymbolpicture_ == picBMP) {
      PaintBitmapSymbol();
    } else {
      PaintMetafileSymbol();
    }
    if (!fsymboldisped_) break;
  }
  // A piece too long to encode also ends the metafile with the symbols drawn so far.
  if (recorder_) FinishMetafile();

  if (!fmatch_ || fsymboldisped_) Rotate(fangle_);

  // Shrink to the largest picture size, aspect not kept. A metafile was recorded to that
  // size already.
  if (!metafile_ && (picture_.width() > fpicwidth_ || picture_.height() > fpicheight_)) {
    Bitmap32 shrunk(std::max(fpicwidth_, 0), std::max(fpicheight_, 0));
    Canvas(shrunk).StretchDraw(0, 0, shrunk.width(), shrunk.height(), picture_);
    picture_ = std::move(shrunk);
  }
  DoPaintedSymbol(watch_);
  if (!fsymboldisped_ && fclearoption_ && !fsymboldebug_) Clear();
}

bool TQRCode::EncodePiece() {
  qr::QrEncoder::Settings s;
  s.version = fversion_;
  s.eclevel = feclevel_;
  s.emode = femode_;
  s.masktype = fmasktype_;
  s.usejis = fusejis_;
  s.connect = fmode_ == qrConnect;
  s.icount = icount_;
  s.count = fcount_;
  s.parity = static_cast<uint8_t>(fparity_);
  if (!encoder_->EncodeSymbol(s)) return false;
  femodeR_ = encoder_->EmodeR();
  fmasktypeR_ = encoder_->MasktypeR();
  return true;
}

void TQRCode::PaintBitmapSymbol() {
  if (!EncodePiece()) return;
  if (fsymboldebug_) {
    fsymboldisped_ = true;
    return;
  }
  const int64_t gridright = int64_t{SymbolWidthA()} + fsymbolleft_;
  const int64_t gridbottom = int64_t{SymbolHeightA()} + fsymboltop_;
  if (fmatch_ && icount_ == 1) {
    // The picture is cut to the grid. A grid too large for a bitmap is not drawn.
    const int64_t w = std::max<int64_t>(gridright, 0), h = std::max<int64_t>(gridbottom, 0);
    if (w > INT_MAX || h > INT_MAX || w * h > Bitmap32::kMaxPixels) return;
    width_ = static_cast<int>(w);
    height_ = static_cast<int>(h);
    if (picture_.width() != width_ || picture_.height() != height_) {
      picture_.Resize(width_, height_);
    }
  }
  CanvasSurface surface(canvas_);
  if (!ftransparent_ && icount_ == 1) {
    if (fmatch_) {
      surface.FillRect(0, 0, ClampToInt(gridright), ClampToInt(gridbottom), fbackcolor_);
    } else {
      surface.FillRect(fsymbolleft_, fsymboltop_, ClampToInt(gridright), ClampToInt(gridbottom),
                       fbackcolor_);
    }
  }
  PaintModules(surface, picture_.width(), picture_.height());
  DrawComments(surface, fsymbolleft_, fsymboltop_);
  fsymboldisped_ = true;
}

void TQRCode::PaintMetafileSymbol() {
  qr::OutputServices* services = Services();
  if (services == nullptr) {  // no metafiles on this platform
    PaintBitmapSymbol();
    return;
  }
  if (!EncodePiece()) {
    // The metafile ends with the symbols drawn so far.
    if (icount_ > 1 && !fsymboldebug_) FinishMetafile();
    return;
  }
  if (fsymboldebug_) {
    fsymboldisped_ = true;
    return;
  }
  if (icount_ == 1) {
    // A metafile of the grid's size, on a BackColor background (never transparent). Grids
    // too large for a bitmap are not drawn here either.
    const int64_t w = std::max<int64_t>(int64_t{SymbolWidthA()} + fsymbolleft_, 0);
    const int64_t h = std::max<int64_t>(int64_t{SymbolHeightA()} + fsymboltop_, 0);
    if (w > INT_MAX || h > INT_MAX || w * h > Bitmap32::kMaxPixels) return;
    width_ = static_cast<int>(w);
    height_ = static_cast<int>(h);
    // Larger than the largest picture size: recorded scaled to exactly that size.
    Size frame{width_, height_};
    if (width_ > fpicwidth_ || height_ > fpicheight_) frame = {fpicwidth_, fpicheight_};
    frame = {std::max(frame.width, 1), std::max(frame.height, 1)};
    recorder_.reset();
    recorder_ = services->RecordMetafile(width_, height_, frame);
    if (!recorder_) return;
    recorder_->FillRect(0, 0, width_, height_, fbackcolor_);
  }
  if (!recorder_) return;
  PaintModules(*recorder_, width_, height_);
  DrawComments(*recorder_, fsymbolleft_, fsymboltop_);
  if (icount_ == fcount_ && !FinishMetafile()) return;
  fsymboldisped_ = true;
}

bool TQRCode::FinishMetafile() {
  const std::unique_ptr<qr::MetafileRecorder> recorder = std::move(recorder_);
  if (!recorder) return false;
  std::unique_ptr<qr::Metafile> done = recorder->Finish();
  if (!done) return false;
  metafile_ = std::move(done);
  picture_ = Bitmap32();
  return true;
}

void TQRCode::PaintModules(qr::Surface& surface, int width, int height) {
  // Dark modules, one rectangle per horizontal run; nothing when the symbol lies wholly
  // outside the picture.
  const int64_t x0 = int64_t{fsymbolleft_} + fspaceleft_;
  const int64_t y0 = int64_t{fsymboltop_} + fspaceup_;
  const int n = encoder_->Modules();
  const int64_t px = fpxmag_;
  if (x0 >= width || y0 >= height || x0 + n * px <= 0 || y0 + n * px <= 0) return;
  for (int r = 0; r < n; ++r) {
    for (int c1 = 0; c1 < n;) {
      if (!encoder_->Dark(r, c1)) {
        ++c1;
        continue;
      }
      int c2 = c1 + 1;
      while (c2 < n && encoder_->Dark(r, c2)) ++c2;
      surface.FillRect(ClampToInt(x0 + c1 * px), ClampToInt(y0 + r * px), ClampToInt(x0 + c2 * px),
                       ClampToInt(y0 + (r + 1) * px), fsymbolcolor_);
      c1 = c2;
    }
  }
}

void TQRCode::DrawComments(qr::Surface& surface, int64_t left, int64_t top) {
  // Opaque text on BackColor, also when Transparent.
  const int64_t cellwidth = int64_t{SymbolWidth()} + fspaceleft_ + fspaceright_;
  auto x_of = [&](TLocation loc, int w) {
    int64_t off = 0;
    if (loc == locCenter) off = (cellwidth - w) / 2;
    if (loc == locRight) off = cellwidth - w;
    return ClampToInt(left + std::max<int64_t>(off, 0));
  };
  if (!fcommentup_.empty()) {
    const std::string text = AnsiToUtf8(fcommentup_);
    const Size size = surface.TextExtent(text, fcomfont_);
    const int64_t y = std::min<int64_t>(top, top + fspaceup_ - size.height);
    surface.PaintText(x_of(fcommentuploc_, size.width), ClampToInt(y), text, fcomfont_,
                      fbackcolor_);
  }
  if (!fcommentdown_.empty()) {
    const std::string text = AnsiToUtf8(fcommentdown_);
    const Size size = surface.TextExtent(text, fcomfont_);
    const int64_t y =
        std::max<int64_t>(top + fspaceup_ + SymbolHeight(), top + SymbolHeightS() - size.height);
    surface.PaintText(x_of(fcommentdownloc_, size.width), ClampToInt(y), text, fcomfont_,
                      fbackcolor_);
  }
}

}  // namespace velin
