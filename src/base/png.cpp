#include "base/png.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace velin {

namespace {

constexpr std::array<uint8_t, 8> kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v >> 24));
  out.push_back(static_cast<uint8_t>(v >> 16));
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}

uint32_t GetU32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// Appends one chunk: length, type, data, CRC over type and data.
void PutChunk(std::vector<uint8_t>& out, const char* type, const uint8_t* data, size_t size) {
  PutU32(out, static_cast<uint32_t>(size));
  const size_t type_at = out.size();
  out.insert(out.end(), type, type + 4);
  if (size > 0) out.insert(out.end(), data, data + size);
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, out.data() + type_at, static_cast<uInt>(4));
  // crc32 takes uInt lengths; feed large data in pieces.
  for (size_t done = 0; done < size;) {
    const size_t piece = std::min<size_t>(size - done, 1u << 30);
    crc = crc32(crc, data + done, static_cast<uInt>(piece));
    done += piece;
  }
  PutU32(out, static_cast<uint32_t>(crc));
}

uint8_t Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
  if (pb <= pc) return static_cast<uint8_t>(b);
  return static_cast<uint8_t>(c);
}

// Reverses the row filter in place; `prior` is the previous unfiltered row (zeros for the
// first). Returns false for an unknown filter type.
bool Unfilter(uint8_t type, uint8_t* row, const uint8_t* prior, size_t size, size_t bpp) {
  switch (type) {
    case 0:
      return true;
    case 1:
      for (size_t i = bpp; i < size; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - bpp]);
      return true;
    case 2:
      for (size_t i = 0; i < size; ++i) row[i] = static_cast<uint8_t>(row[i] + prior[i]);
      return true;
    case 3:
      for (size_t i = 0; i < size; ++i) {
        const int left = i >= bpp ? row[i - bpp] : 0;
        row[i] = static_cast<uint8_t>(row[i] + ((left + prior[i]) >> 1));
      }
      return true;
    case 4:
      for (size_t i = 0; i < size; ++i) {
        const int left = i >= bpp ? row[i - bpp] : 0;
        const int upper_left = i >= bpp ? prior[i - bpp] : 0;
        row[i] = static_cast<uint8_t>(row[i] + Paeth(left, prior[i], upper_left));
      }
      return true;
    default:
      return false;
  }
}

}  // namespace

bool EncodePng(int width, int height,
               const std::function<void(int y, uint32_t* pixels)>& row_source,
               const std::function<bool(std::string_view bytes)>& write, int dots_per_inch) {
  if (width <= 0 || height <= 0) return false;  // PNG has no zero-sized images
  const size_t w = static_cast<size_t>(width);
  const size_t h = static_cast<size_t>(height);
  constexpr size_t kIdatSize = size_t{1} << 20;

  std::vector<uint8_t> out(kSignature.begin(), kSignature.end());
  auto flush = [&]() {
    const bool ok = out.empty() ||
                    write(std::string_view(reinterpret_cast<const char*>(out.data()), out.size()));
    out.clear();
    return ok;
  };
  uint8_t ihdr[13];
  const uint32_t dims[2] = {static_cast<uint32_t>(w), static_cast<uint32_t>(h)};
  for (int k = 0; k < 2; ++k)
    for (int b = 0; b < 4; ++b) ihdr[k * 4 + b] = static_cast<uint8_t>(dims[k] >> (24 - 8 * b));
  ihdr[8] = 8;   // bit depth
  ihdr[9] = 2;   // colour type RGB
  ihdr[10] = 0;  // deflate
  ihdr[11] = 0;  // adaptive filtering
  ihdr[12] = 0;  // not interlaced
  PutChunk(out, "IHDR", ihdr, sizeof ihdr);
  if (dots_per_inch > 0) {
    // Pixels per metre, both axes, unit metre.
    const uint32_t ppm = static_cast<uint32_t>((int64_t{dots_per_inch} * 10000 + 127) / 254);
    std::vector<uint8_t> phys;
    PutU32(phys, ppm);
    PutU32(phys, ppm);
    phys.push_back(1);
    PutChunk(out, "pHYs", phys.data(), phys.size());
  }
  if (!flush()) return false;

  // Rows with filter Up where the row repeats the one above (a white page is mostly such
  // rows), else None; deflated row by row, each full 1 MiB of output sent as an IDAT chunk.
  z_stream zs{};
  if (deflateInit(&zs, 6) != Z_OK) return false;
  std::vector<uint8_t> idat(kIdatSize);
  std::vector<uint8_t> row(1 + 3 * w), prior(3 * w, 0);
  std::vector<uint32_t> pixels(w);
  auto send_idat = [&](size_t size) {
    PutChunk(out, "IDAT", idat.data(), size);
    return flush();
  };
  auto pump = [&](int flush_mode) {
    int rc;
    do {
      rc = deflate(&zs, flush_mode);
      if (rc == Z_STREAM_ERROR) return false;
      if (zs.avail_out == 0) {
        if (!send_idat(idat.size())) return false;
        zs.next_out = idat.data();
        zs.avail_out = static_cast<uInt>(idat.size());
      }
    } while (zs.avail_in > 0 || (flush_mode == Z_FINISH && rc != Z_STREAM_END));
    return true;
  };
  zs.next_out = idat.data();
  zs.avail_out = static_cast<uInt>(idat.size());
  bool ok = true;
  for (size_t y = 0; y < h && ok; ++y) {
    row_source(static_cast<int>(y), pixels.data());
    uint8_t* rgb = row.data() + 1;
    for (size_t x = 0; x < w; ++x) {
      const Color c = FromPixel(pixels[x]);
      rgb[3 * x] = static_cast<uint8_t>(c);
      rgb[3 * x + 1] = static_cast<uint8_t>(c >> 8);
      rgb[3 * x + 2] = static_cast<uint8_t>(c >> 16);
    }
    if (y > 0 && std::memcmp(rgb, prior.data(), 3 * w) == 0) {
      row[0] = 2;
      std::memset(rgb, 0, 3 * w);
    } else {
      row[0] = 0;
      std::memcpy(prior.data(), rgb, 3 * w);
    }
    zs.next_in = row.data();
    zs.avail_in = static_cast<uInt>(row.size());
    ok = pump(Z_NO_FLUSH);
  }
  if (ok) {
    zs.next_in = nullptr;
    zs.avail_in = 0;
    ok = pump(Z_FINISH);
  }
  const size_t rest = idat.size() - zs.avail_out;
  deflateEnd(&zs);
  if (!ok) return false;
  if (rest > 0 && !send_idat(rest)) return false;
  PutChunk(out, "IEND", nullptr, 0);
  return flush();
}

bool EncodePng(int width, int height,
               const std::function<void(int y, uint32_t* pixels)>& row_source, std::string& result,
               int dots_per_inch) {
  std::string bytes;
  if (!EncodePng(
          width, height, row_source,
          [&bytes](std::string_view piece) {
            bytes.append(piece);
            return true;
          },
          dots_per_inch))
    return false;
  result = std::move(bytes);
  return true;
}

bool WritePng(const std::string& path, const Bitmap32& image) {
  std::string bytes;
  if (!EncodePng(
          image.width(), image.height(),
          [&image](int y, uint32_t* pixels) {
            std::memcpy(pixels, image.Row(y), sizeof(uint32_t) * image.width());
          },
          bytes))
    return false;
  File f(std::fopen(path.c_str(), "wb"));
  if (!f) return false;
  if (std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size()) return false;
  return std::fclose(f.release()) == 0;
}

bool ReadPng(const std::string& path, Bitmap32& image) {
  File f(std::fopen(path.c_str(), "rb"));
  if (!f) return false;
  std::vector<uint8_t> file;
  {
    uint8_t buf[1 << 16];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0) file.insert(file.end(), buf, buf + n);
    if (std::ferror(f.get())) return false;
  }
  if (file.size() < kSignature.size() ||
      std::memcmp(file.data(), kSignature.data(), kSignature.size()) != 0)
    return false;

  uint32_t width = 0, height = 0;
  uint8_t color_type = 0;
  bool have_header = false, have_end = false;
  std::vector<uint8_t> idat;
  size_t pos = kSignature.size();
  while (!have_end) {
    if (file.size() - pos < 12) return false;
    const uint32_t length = GetU32(&file[pos]);
    if (length > 0x7FFFFFFF || length > file.size() - pos - 12) return false;
    const uint8_t* type = &file[pos + 4];
    const uint8_t* data = type + 4;
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, type, 4 + length);
    if (static_cast<uint32_t>(crc) != GetU32(data + length)) return false;
    const std::string_view name(reinterpret_cast<const char*>(type), 4);
    if (name == "IHDR") {
      if (have_header || length != 13) return false;
      width = GetU32(data);
      height = GetU32(data + 4);
      const uint8_t depth = data[8];
      color_type = data[9];
      if (depth != 8 || data[10] != 0 || data[11] != 0 || data[12] != 0) return false;
      if (color_type != 0 && color_type != 2 && color_type != 4 && color_type != 6) return false;
      if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF ||
          uint64_t{width} * height > static_cast<uint64_t>(Bitmap32::kMaxPixels))
        return false;
      have_header = true;
    } else if (!have_header) {
      return false;  // IHDR must come first
    } else if (name == "IDAT") {
      idat.insert(idat.end(), data, data + length);
    } else if (name == "IEND") {
      have_end = true;
    } else if (name == "PLTE") {
      // Allowed (a suggested palette) for the colour types read here; not needed.
    } else if ((type[0] & 0x20) == 0) {
      return false;  // an unknown critical chunk
    }
    pos += 12 + length;
  }
  if (!have_header) return false;

  const size_t channels = color_type == 0 ? 1 : color_type == 4 ? 2 : color_type == 2 ? 3 : 4;
  const size_t stride = channels * width;
  const size_t raw_size = (stride + 1) * height;
  // The output grows with what actually inflates, so a small file that claims a huge image
  // cannot make us allocate the whole claim up front.
  std::vector<uint8_t> raw(std::min<size_t>(raw_size, 1 << 20));
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) return false;
  size_t in_done = 0, out_done = 0;
  int rc = Z_OK;
  while (rc == Z_OK && out_done < raw_size) {
    if (out_done == raw.size()) raw.resize(std::min(raw_size, raw.size() * 2));
    const size_t in_piece = std::min<size_t>(idat.size() - in_done, 1u << 30);
    const size_t out_piece = std::min<size_t>(raw.size() - out_done, 1u << 30);
    zs.next_in = idat.data() + in_done;
    zs.avail_in = static_cast<uInt>(in_piece);
    zs.next_out = raw.data() + out_done;
    zs.avail_out = static_cast<uInt>(out_piece);
    rc = inflate(&zs, Z_NO_FLUSH);
    in_done += in_piece - zs.avail_in;
    out_done += out_piece - zs.avail_out;
  }
  inflateEnd(&zs);
  if (out_done != raw_size || (rc != Z_OK && rc != Z_STREAM_END)) return false;

  Bitmap32 result(static_cast<int>(width), static_cast<int>(height));
  std::vector<uint8_t> zero(stride, 0);
  for (size_t y = 0; y < height; ++y) {
    uint8_t* row = raw.data() + y * (stride + 1);
    const uint8_t* prior = y == 0 ? zero.data() : raw.data() + (y - 1) * (stride + 1) + 1;
    if (!Unfilter(row[0], row + 1, prior, stride, channels)) return false;
    const uint8_t* s = row + 1;
    uint32_t* px = result.Row(static_cast<int>(y));
    for (size_t x = 0; x < width; ++x, s += channels) {
      uint32_t r, g, b, a = 255;
      if (channels <= 2) {
        r = g = b = s[0];
        if (channels == 2) a = s[1];
      } else {
        r = s[0];
        g = s[1];
        b = s[2];
        if (channels == 4) a = s[3];
      }
      // Transparency is composited over white paper.
      if (a != 255) {
        r = (r * a + 255 * (255 - a) + 127) / 255;
        g = (g * a + 255 * (255 - a) + 127) / 255;
        b = (b * a + 255 * (255 - a) + 127) / 255;
      }
      px[x] = ToPixel(r | (g << 8) | (b << 16));
    }
  }
  image = std::move(result);
  return true;
}

}  // namespace velin
