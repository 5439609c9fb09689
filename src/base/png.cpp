#include "base/png.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string_view>
#include <vector>

namespace velin {

namespace {

// libpng reports errors by a long jump back to the setjmp of the function that drives it.
// Those functions create every C++ object they use before their setjmp, and our callbacks
// that libpng calls hold no C++ object across png_error, so the jump skips no destructor.

constexpr size_t kPieceSize = size_t{1} << 16;  // bytes handed to the writer at a time
// Pages are mostly white rows and runs of black: the fastest level finds those runs, and a
// higher one costs many times the time for a few per cent. A small hash table (memory level
// 2 of 9) is a quarter faster again on a page of dots, for about 6 % more bytes.
constexpr int kCompressionLevel = 1;
constexpr int kMemoryLevel = 2;

void IgnoreWarning(png_structp, png_const_charp) {}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Where the encoder's bytes go: gathered into pieces for the caller's writer.
struct Sink {
  const std::function<bool(std::string_view bytes)>* write;
  std::string pending;
  bool failed = false;
  std::exception_ptr exception;  // thrown by the writer, rethrown once libpng is done

  bool Flush() {
    if (failed) return false;
    if (pending.empty()) return true;
    try {
      failed = !(*write)(pending);
    } catch (...) {
      exception = std::current_exception();
      failed = true;
    }
    pending.clear();
    return !failed;
  }
};

void WriteToSink(png_structp png, png_bytep data, size_t length) {
  auto* sink = static_cast<Sink*>(png_get_io_ptr(png));
  bool ok = !sink->failed;
  if (ok) {
    sink->pending.append(reinterpret_cast<const char*>(data), length);
    if (sink->pending.size() >= kPieceSize) ok = sink->Flush();
  }
  if (!ok) png_error(png, "the writer stopped");
}

void FlushNothing(png_structp) {}

struct WriteStruct {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~WriteStruct() { png_destroy_write_struct(&png, info != nullptr ? &info : nullptr); }
};

// Luma of a pixel, 0.299 R + 0.587 G + 0.114 B in 8-bit fixed point: exact for grey.
inline uint32_t Luma(uint32_t pixel) {
  const Color c = FromPixel(pixel);
  return ((c & 0xFF) * 77 + ((c >> 8) & 0xFF) * 150 + ((c >> 16) & 0xFF) * 29 + 128) >> 8;
}

// Converts one row of pixel words to the PNG row of `pixels` format.
void PackRow(PngPixels pixels, const uint32_t* in, size_t width, png_byte* out) {
  switch (pixels) {
    case PngPixels::kRgb:
      for (size_t x = 0; x < width; ++x) {
        const Color c = FromPixel(in[x]);
        out[3 * x] = static_cast<png_byte>(c);
        out[3 * x + 1] = static_cast<png_byte>(c >> 8);
        out[3 * x + 2] = static_cast<png_byte>(c >> 16);
      }
      break;
    case PngPixels::kGrey:
      for (size_t x = 0; x < width; ++x) out[x] = static_cast<png_byte>(Luma(in[x]));
      break;
    case PngPixels::kBlackAndWhite: {
      const uint32_t white = ToPixel(kWhite), black = ToPixel(kBlack);
      size_t x = 0;
      for (size_t byte = 0; x < width; ++byte) {
        unsigned bits = 0;
        const size_t end = std::min(width, x + 8);
        int shift = 7;
        for (; x < end; ++x, --shift) {
          const uint32_t p = in[x];
          const bool light = p == white || (p != black && Luma(p) >= 128);
          bits |= static_cast<unsigned>(light) << shift;
        }
        out[byte] = static_cast<png_byte>(bits);
      }
      break;
    }
  }
}

}  // namespace

PngPixels PngPixelsFor(const Bitmap32& image) {
  const uint32_t white = ToPixel(kWhite), black = ToPixel(kBlack);
  PngPixels result = PngPixels::kBlackAndWhite;
  for (int y = 0; y < image.height(); ++y) {
    const uint32_t* row = image.Row(y);
    for (int x = 0; x < image.width(); ++x) {
      const uint32_t p = row[x];
      if (p == white || p == black) continue;
      const Color c = FromPixel(p);
      if ((c & 0xFF) != ((c >> 8) & 0xFF) || (c & 0xFF) != ((c >> 16) & 0xFF))
        return PngPixels::kRgb;
      result = PngPixels::kGrey;
    }
  }
  return result;
}

bool EncodePngRows(int width, int height,
                   const std::function<bool(int y, uint32_t* pixels)>& row_source,
                   const std::function<bool(std::string_view bytes)>& write, PngFormat format) {
  if (width <= 0 || height <= 0) return false;  // PNG has no zero-sized images
  const size_t w = static_cast<size_t>(width);
  const bool one_bit = format.pixels == PngPixels::kBlackAndWhite;
  const size_t row_bytes = one_bit ? (w + 7) / 8 : format.pixels == PngPixels::kGrey ? w : 3 * w;

  Sink sink{&write, {}, false, nullptr};
  sink.pending.reserve(kPieceSize + 8192);
  std::vector<uint32_t> pixels(w, ToPixel(kWhite));
  std::vector<png_byte> packed(row_bytes);
  WriteStruct s;
  s.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, IgnoreWarning);
  if (s.png == nullptr) return false;
  s.info = png_create_info_struct(s.png);
  if (s.info == nullptr) return false;
  if (setjmp(png_jmpbuf(s.png))) {
    if (sink.exception) std::rethrow_exception(sink.exception);
    return false;
  }
  png_set_write_fn(s.png, &sink, WriteToSink, FlushNothing);
  png_set_IHDR(s.png, s.info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height),
               one_bit ? 1 : 8,
               format.pixels == PngPixels::kRgb ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_GRAY,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (format.dots_per_inch > 0) {
    const auto ppm = static_cast<png_uint_32>((int64_t{format.dots_per_inch} * 10000 + 127) / 254);
    png_set_pHYs(s.png, s.info, ppm, ppm, PNG_RESOLUTION_METER);
  }
  png_set_compression_level(s.png, kCompressionLevel);
  png_set_compression_mem_level(s.png, kMemoryLevel);
  png_set_compression_buffer_size(s.png, kPieceSize);
  // Each row is filtered with None, or with Up when it repeats the row above (it then
  // compresses to almost nothing); both filters are chosen here, never by libpng's trials.
  png_set_filter(s.png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE | PNG_FILTER_UP);
  png_write_info(s.png, s.info);
  int filter = -1;
  for (int y = 0; y < height; ++y) {
    const bool fresh = row_source(y, pixels.data()) || y == 0;
    if (fresh) PackRow(format.pixels, pixels.data(), w, packed.data());
    const int wanted = fresh ? PNG_FILTER_NONE : PNG_FILTER_UP;
    if (wanted != filter) {
      png_set_filter(s.png, PNG_FILTER_TYPE_BASE, wanted);
      filter = wanted;
    }
    png_write_row(s.png, packed.data());
  }
  png_write_end(s.png, nullptr);
  return sink.Flush();
}

bool EncodePng(int width, int height,
               const std::function<void(int y, uint32_t* pixels)>& row_source,
               const std::function<bool(std::string_view bytes)>& write, PngFormat format) {
  return EncodePngRows(
      width, height,
      [&row_source](int y, uint32_t* pixels) {
        row_source(y, pixels);
        return true;
      },
      write, format);
}

bool EncodePng(int width, int height,
               const std::function<void(int y, uint32_t* pixels)>& row_source, std::string& result,
               PngFormat format) {
  std::string bytes;
  if (!EncodePng(
          width, height, row_source,
          [&bytes](std::string_view piece) {
            bytes.append(piece);
            return true;
          },
          format))
    return false;
  result = std::move(bytes);
  return true;
}

bool WritePng(const std::string& path, const Bitmap32& image) {
  if (image.empty()) return false;
  File f(std::fopen(path.c_str(), "wb"));
  if (!f) return false;
  const bool encoded = EncodePng(
      image.width(), image.height(),
      [&image](int y, uint32_t* pixels) {
        std::memcpy(pixels, image.Row(y), sizeof(uint32_t) * image.width());
      },
      [&f](std::string_view bytes) {
        return std::fwrite(bytes.data(), 1, bytes.size(), f.get()) == bytes.size();
      },
      {PngPixelsFor(image), 0});
  const bool closed = std::fclose(f.release()) == 0;
  if (!encoded || !closed) {
    std::remove(path.c_str());
    return false;
  }
  return true;
}

namespace {

void ReadFromFile(png_structp png, png_bytep out, size_t length) {
  auto* f = static_cast<std::FILE*>(png_get_io_ptr(png));
  if (std::fread(out, 1, length, f) != length) png_error(png, "the file ends early");
}

struct ReadStruct {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~ReadStruct() { png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr); }
};

}  // namespace

bool ReadPng(const std::string& path, Bitmap32& image) {
  File f(std::fopen(path.c_str(), "rb"));
  if (!f) return false;
  png_byte signature[8];
  if (std::fread(signature, 1, sizeof signature, f.get()) != sizeof signature ||
      png_sig_cmp(signature, 0, sizeof signature) != 0)
    return false;

  // The pixels grow with the rows actually decoded, so a small file that claims a huge image
  // cannot make us allocate the whole claim up front.
  std::vector<uint32_t> pixels;
  std::vector<png_byte> row;
  Bitmap32 result;
  ReadStruct s;
  s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, IgnoreWarning);
  if (s.png == nullptr) return false;
  s.info = png_create_info_struct(s.png);
  if (s.info == nullptr) return false;
  if (setjmp(png_jmpbuf(s.png))) return false;
  png_set_read_fn(s.png, f.get(), ReadFromFile);
  png_set_sig_bytes(s.png, sizeof signature);
  png_set_user_limits(s.png, 0x7FFFFFFF, 0x7FFFFFFF);  // the pixel budget below decides
  png_set_crc_action(s.png, PNG_CRC_DEFAULT, PNG_CRC_ERROR_QUIT);  // a damaged chunk of any kind
  png_read_info(s.png, s.info);
  const png_uint_32 width = png_get_image_width(s.png, s.info);
  const png_uint_32 height = png_get_image_height(s.png, s.info);
  const int depth = png_get_bit_depth(s.png, s.info);
  const int color_type = png_get_color_type(s.png, s.info);
  if (png_get_interlace_type(s.png, s.info) != PNG_INTERLACE_NONE) return false;
  if (color_type == PNG_COLOR_TYPE_GRAY ? depth > 8 : depth != 8) return false;
  if (color_type != PNG_COLOR_TYPE_GRAY && color_type != PNG_COLOR_TYPE_GRAY_ALPHA &&
      color_type != PNG_COLOR_TYPE_RGB && color_type != PNG_COLOR_TYPE_RGB_ALPHA)
    return false;
  if (uint64_t{width} * height > static_cast<uint64_t>(Bitmap32::kMaxPixels)) return false;
  if (depth < 8) png_set_expand_gray_1_2_4_to_8(s.png);
  png_read_update_info(s.png, s.info);
  const size_t channels = png_get_channels(s.png, s.info);
  row.resize(png_get_rowbytes(s.png, s.info));
  for (png_uint_32 y = 0; y < height; ++y) {
    png_read_row(s.png, row.data(), nullptr);
    const png_byte* p = row.data();
    for (png_uint_32 x = 0; x < width; ++x, p += channels) {
      uint32_t r, g, b, a = 255;
      if (channels <= 2) {
        r = g = b = p[0];
        if (channels == 2) a = p[1];
      } else {
        r = p[0];
        g = p[1];
        b = p[2];
        if (channels == 4) a = p[3];
      }
      // Transparency is composited over white paper.
      if (a != 255) {
        r = (r * a + 255 * (255 - a) + 127) / 255;
        g = (g * a + 255 * (255 - a) + 127) / 255;
        b = (b * a + 255 * (255 - a) + 127) / 255;
      }
      pixels.push_back(ToPixel(r | (g << 8) | (b << 16)));
    }
  }
  png_read_end(s.png, nullptr);
  result = Bitmap32(static_cast<int>(width), static_cast<int>(height));
  for (png_uint_32 y = 0; y < height; ++y)
    std::memcpy(result.Row(static_cast<int>(y)), pixels.data() + size_t{y} * width,
                sizeof(uint32_t) * width);
  image = std::move(result);
  return true;
}

}  // namespace velin
