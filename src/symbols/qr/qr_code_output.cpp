// TQRCode's portable output facilities: the text image and the data files.
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

}  // namespace velin
