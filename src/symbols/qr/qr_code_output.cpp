// TQRCode's output facilities: the text image, the data files, and the clipboard through the
// platform's output services.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "symbols/qr/qr_code.h"

namespace velin {

void TQRCode::BuildPbm(const std::function<void(const std::string& line)>& line) {
  static const char* const kModeName[] = {"Single", "Connect", "Plus"};
  line("P1");
  line(std::string(kModeName[fmode_]) + " Mode (Count = " + std::to_string(fcount_) + ")");
  const std::string side = std::to_string(SymbolWidth());
  line(side + " " + side);

  const int saved = icount_;
  for (int k = 1; k <= fcount_; ++k) {
    const int srclen = offsets_[k] - offsets_[k - 1];
    if (srclen > kMaxPiece) break;
    if (srclen > 0) {
      std::memcpy(encoder_->source, memory_.data() + offsets_[k - 1], static_cast<size_t>(srclen));
    }
    encoder_->srclen = srclen;
    icount_ = k;
    if (!EncodePiece()) break;
    line("");
    line("");
    const int n = encoder_->Modules();
    std::string row;
    for (int r = 0; r < n; ++r) {
      row.clear();
      for (int c = 0; c < n; ++c) {
        for (int p = 0; p < fpxmag_; ++p) row += encoder_->Dark(r, c) ? " 1" : " 0";
      }
      for (int p = 0; p < fpxmag_; ++p) line(row);
    }
  }
  icount_ = saved;
}

std::vector<std::string> TQRCode::PBM() {
  std::vector<std::string> lines;
  BuildPbm([&](const std::string& l) { lines.push_back(l); });
  return lines;
}

bool TQRCode::LoadFromFile(const std::string& filename) {
  std::ifstream in(filename, std::ios::binary);
  if (!in) return false;
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return false;
  SetMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  MemoryToCode();
  PaintSymbol();
  return true;
}

void TQRCode::LoadFromMemory(const void* ptr, int count) {
  if (ptr == nullptr || count <= 0) return;
  SetMemory(static_cast<const uint8_t*>(ptr), static_cast<size_t>(count));
  MemoryToCode();
  PaintSymbol();
}

bool TQRCode::SaveToFile(const std::string& filename) const {
  std::ofstream out(filename, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(reinterpret_cast<const char*>(memory_.data()), len_);
  return static_cast<bool>(out);
}

// --- Clipboard -------------------------------------------------------------------------------

qr::OutputServices* TQRCode::Services() {
  if (!services_made_) {
    services_made_ = true;
    services_ = qr::CreateOutputServices();
  }
  return services_.get();
}

bool TQRCode::CopyToClipboard() {
  qr::OutputServices* services = Services();
  if (services == nullptr) return false;
  if (metafile_) {
    // Converted only when it shows every symbol of a picWMF rendering.
    const bool windows = fsymboldisped_ && fsymbolpicture_ == picWMF;
    return services->CopyMetafile(
        *metafile_, windows ? qr::MetafileFormat::kWindows : qr::MetafileFormat::kEnhanced);
  }
  if (picture_.empty()) return false;
  return services->CopyBitmap(picture_);
}

bool TQRCode::PasteFromClipboard() {
  qr::OutputServices* services = Services();
  if (services == nullptr) return false;
  std::optional<std::string> text = services->ClipboardText();
  if (!text) return false;
  SetCode(*text);
  return true;
}

void TQRCode::SetClipWatch(bool value) {
  skip_ = value && !fclipwatch_;
  fclipwatch_ = value;
  UpdateViewerChain();
}

void TQRCode::SetOnClipChange(TNotifyEvent handler) {
  fonclipchange_ = std::move(handler);
  UpdateViewerChain();
}

bool TQRCode::InClipboardChain() const { return services_ && services_->InViewerChain(); }

void TQRCode::UpdateViewerChain() {
  if (!fclipwatch_ || !fonclipchange_) {
    if (services_) services_->LeaveViewerChain();
    return;
  }
  qr::OutputServices* services = Services();
  if (services != nullptr && !services->InViewerChain()) {
    services->JoinViewerChain([this] { return ClipboardChanged(); });
  }
}

void TQRCode::DoClipChange() {
  if (!fonclipchange_) return;
  // A copy: the handler may replace itself.
  const TNotifyEvent handler = fonclipchange_;
  handler(*this);
}

void TQRCode::PasteOnClipChange() {
  if (skip_) {
    skip_ = false;
    return;
  }
  struct WatchScope {
    bool& watch;
    explicit WatchScope(bool& w) : watch(w) { watch = true; }
    ~WatchScope() { watch = false; }
  } scope(watch_);
  PasteFromClipboard();
}

bool TQRCode::ClipboardChanged() noexcept {
  try {
    DoClipChange();
    return true;
  } catch (...) {
    const std::exception_ptr error = std::current_exception();
    try {
      if (OnClipError) {
        OnClipError(*this, error);
      } else {
        try {
          std::rethrow_exception(error);
        } catch (const std::exception& e) {
          std::fprintf(stderr, "TQRCode: a clipboard notification failed: %s\n", e.what());
        } catch (...) {
          std::fputs("TQRCode: a clipboard notification failed\n", stderr);
        }
      }
    } catch (...) {
      // Nothing may leave a notification.
    }
    return false;
  }
}

}  // namespace velin
