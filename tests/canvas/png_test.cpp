#include "base/png.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "support/test_paths.h"

namespace velin {
namespace {

// A bitmap with varied content, so every filter has something to predict.
Bitmap32 Sample(int w, int h, uint32_t seed) {
  Bitmap32 bmp(w, h);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      bmp.SetPixel(x, y, (x * 7 + y * 3) % 5 == 0 ? rng() & 0xFFFFFF : (x * 31) ^ (y << 9));
  return bmp;
}

// Writes `bmp` with libpng in the given colour type and with only the given row filter.
void WriteWithLibpng(const std::string& path, const Bitmap32& bmp, int color_type, int filter) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, f);
  png_set_IHDR(png, info, bmp.width(), bmp.height(), 8, color_type, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_filter(png, 0, filter);
  png_write_info(png, info);
  const int channels = color_type == PNG_COLOR_TYPE_GRAY         ? 1
                       : color_type == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                       : color_type == PNG_COLOR_TYPE_RGB        ? 3
                                                                 : 4;
  std::vector<png_byte> row(static_cast<size_t>(bmp.width()) * channels);
  for (int y = 0; y < bmp.height(); ++y) {
    for (int x = 0; x < bmp.width(); ++x) {
      const Color c = bmp.GetPixel(x, y);
      png_byte* p = &row[static_cast<size_t>(x) * channels];
      if (channels <= 2) {
        p[0] = static_cast<png_byte>(c >> 8);  // the green channel as the grey level
        if (channels == 2) p[1] = 255;
      } else {
        p[0] = static_cast<png_byte>(c);
        p[1] = static_cast<png_byte>(c >> 8);
        p[2] = static_cast<png_byte>(c >> 16);
        if (channels == 4) p[3] = 255;
      }
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
}

TEST(Png, ReadsEveryFilterAndColourTypeLibpngWrites) {
  const std::string dir = test::ScratchDir();
  const Bitmap32 bmp = Sample(37, 23, 1);
  struct {
    int filter;
    const char* name;
  } filters[] = {{PNG_FILTER_NONE, "none"},
                 {PNG_FILTER_SUB, "sub"},
                 {PNG_FILTER_UP, "up"},
                 {PNG_FILTER_AVG, "average"},
                 {PNG_FILTER_PAETH, "paeth"}};
  for (int color_type :
       {PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGBA, PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_GRAY_ALPHA}) {
    for (const auto& filter : filters) {
      const std::string path = dir + "/" + filter.name + std::to_string(color_type) + ".png";
      WriteWithLibpng(path, bmp, color_type, filter.filter);
      Bitmap32 read;
      ASSERT_TRUE(ReadPng(path, read)) << filter.name << " colour type " << color_type;
      ASSERT_EQ(read.width(), bmp.width());
      ASSERT_EQ(read.height(), bmp.height());
      const bool grey =
          color_type == PNG_COLOR_TYPE_GRAY || color_type == PNG_COLOR_TYPE_GRAY_ALPHA;
      for (int y = 0; y < bmp.height(); ++y)
        for (int x = 0; x < bmp.width(); ++x) {
          Color want = bmp.GetPixel(x, y);
          if (grey) {
            const Color g = (want >> 8) & 0xFF;
            want = g | (g << 8) | (g << 16);
          }
          ASSERT_EQ(read.GetPixel(x, y), want)
              << filter.name << " colour type " << color_type << " at " << x << "," << y;
        }
    }
  }
}

TEST(Png, LibpngReadsWhatWePaintExactly) {
  const std::string path = test::ScratchDir() + "/page.png";
  Bitmap32 bmp(61, 40);  // mostly white with repeated rows, as a page is
  for (int y = 10; y < 20; ++y)
    for (int x = 5; x < 50; ++x) bmp.SetPixel(x, y, x % 3 ? kBlack : 0x123456);
  bmp.SetPixel(60, 39, 0x0000FF);
  ASSERT_TRUE(WritePng(path, bmp));

  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str())) << image.message;
  EXPECT_EQ(image.width, 61u);
  EXPECT_EQ(image.height, 40u);
  EXPECT_EQ(image.format, static_cast<png_uint_32>(PNG_FORMAT_RGB));
  std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) << image.message;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 61; ++x) {
      const png_byte* p = &rgb[(static_cast<size_t>(y) * 61 + x) * 3];
      const Color c = p[0] | (p[1] << 8) | (p[2] << 16);
      ASSERT_EQ(c, bmp.GetPixel(x, y)) << x << "," << y;
    }

  Bitmap32 back;
  ASSERT_TRUE(ReadPng(path, back));
  EXPECT_TRUE(back == bmp);
}

// WritePng stores a page in the smallest format that holds it exactly; libpng and ReadPng
// read back every dot. The conversions of the formats: black and white by luma at 128, grey as
// the luma.
TEST(Png, EachFormatHoldsWhatItPromises) {
  const std::string dir = test::ScratchDir();
  const struct {
    int line;
    Color ink;
    int depth, colour_type;  // what WritePng picks for ink on white
  } rows[] = {
      {__LINE__, kBlack, 1, PNG_COLOR_TYPE_GRAY},
      {__LINE__, 0x010101, 8, PNG_COLOR_TYPE_GRAY},
      {__LINE__, 0xFEFEFE, 8, PNG_COLOR_TYPE_GRAY},
      {__LINE__, 0x010000, 8, PNG_COLOR_TYPE_RGB},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "row at line " << row.line);
    Bitmap32 bmp(19, 5);  // not a whole number of bytes at one bit a dot
    for (int x = 0; x < 19; ++x) bmp.SetPixel(x, x % 5, row.ink);
    bmp.SetPixel(18, 4, row.ink);
    const std::string path = dir + "/format.png";
    ASSERT_TRUE(WritePng(path, bmp));
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str())) << image.message;
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) << image.message;
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 19; ++x) {
        const png_byte* p = &rgb[(static_cast<size_t>(y) * 19 + x) * 3];
        ASSERT_EQ(static_cast<Color>(p[0] | (p[1] << 8) | (p[2] << 16)), bmp.GetPixel(x, y));
      }
    const std::string bytes = [&path] {
      std::ifstream in(path, std::ios::binary);
      return std::string(std::istreambuf_iterator<char>(in), {});
    }();
    EXPECT_EQ(bytes[24], row.depth);
    EXPECT_EQ(bytes[25], row.colour_type);
    Bitmap32 back;
    ASSERT_TRUE(ReadPng(path, back));
    EXPECT_TRUE(back == bmp);
  }

  // Colours stored in the smaller formats: the luma (77 R + 150 G + 29 B + 128) / 256, then
  // white from 128.
  Bitmap32 colours(4, 1);
  colours.SetPixel(0, 0, 0x0000FF);  // red: 19763 / 256 = 77
  colours.SetPixel(1, 0, 0x00FF00);  // green: 38378 / 256 = 149
  colours.SetPixel(2, 0, 0xFF0000);  // blue: 7523 / 256 = 29
  colours.SetPixel(3, 0, 0x80807F);  // 32819 / 256 = 128
  const struct {
    PngPixels pixels;
    Color want[4];
  } conversions[] = {
      {PngPixels::kGrey, {0x4D4D4D, 0x959595, 0x1D1D1D, 0x808080}},
      {PngPixels::kBlackAndWhite, {kBlack, kWhite, kBlack, kWhite}},
  };
  for (const auto& c : conversions) {
    std::string png;
    ASSERT_TRUE(EncodePng(
        4, 1, [&](int, uint32_t* pixels) { std::copy(colours.Row(0), colours.Row(0) + 4, pixels); },
        png, {c.pixels, 0}));
    const std::string path = dir + "/converted.png";
    std::ofstream(path, std::ios::binary) << png;
    Bitmap32 back;
    ASSERT_TRUE(ReadPng(path, back));
    for (int x = 0; x < 4; ++x) EXPECT_EQ(back.GetPixel(x, 0), c.want[x]) << x;
  }
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Spit(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

TEST(Png, StreamedEncodingComesInBoundedPiecesAndStopsWhenTheWriterFails) {
  // Noise compresses badly: several IDAT chunks' worth of output.
  const Bitmap32 bmp = Sample(1200, 1000, 9);
  auto rows = [&bmp](int y, uint32_t* pixels) {
    std::copy(bmp.Row(y), bmp.Row(y) + bmp.width(), pixels);
  };
  std::string whole;
  size_t pieces = 0, largest = 0;
  ASSERT_TRUE(EncodePng(
      bmp.width(), bmp.height(), rows,
      [&](std::string_view piece) {
        whole.append(piece);
        ++pieces;
        largest = std::max(largest, piece.size());
        return true;
      },
      {PngPixels::kRgb, 600}));
  EXPECT_GT(pieces, 3u);
  EXPECT_LE(largest, (size_t{1} << 20) + 12);  // one IDAT chunk and its framing
  std::string in_one;
  ASSERT_TRUE(EncodePng(bmp.width(), bmp.height(), rows, in_one, {PngPixels::kRgb, 600}));
  EXPECT_EQ(whole, in_one);
  const std::string path = test::ScratchDir() + "/streamed.png";
  Spit(path, whole);
  Bitmap32 back;
  ASSERT_TRUE(ReadPng(path, back));
  EXPECT_TRUE(back == bmp);

  // A writer that fails on its second piece sees no third, and the encoding fails.
  size_t calls = 0;
  EXPECT_FALSE(EncodePng(bmp.width(), bmp.height(), rows,
                         [&calls](std::string_view) { return ++calls < 2; }));
  EXPECT_EQ(calls, 2u);
}

TEST(Png, TransparencyIsCompositedOverWhite) {
  const std::string path = test::ScratchDir() + "/alpha.png";
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = 3;
  image.height = 1;
  image.format = PNG_FORMAT_RGBA;
  const png_byte rgba[] = {0, 0, 0, 0, 0, 0, 0, 255, 0, 0, 0, 128};
  ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, rgba, 0, nullptr));
  Bitmap32 read;
  ASSERT_TRUE(ReadPng(path, read));
  EXPECT_EQ(read.GetPixel(0, 0), kWhite);
  EXPECT_EQ(read.GetPixel(1, 0), kBlack);
  EXPECT_EQ(read.GetPixel(2, 0), 0x7F7F7Fu);  // 255 × 127 / 255, rounded
}

TEST(Png, RejectsDamagedAndUnsupportedFiles) {
  const std::string dir = test::ScratchDir();
  const Bitmap32 bmp = Sample(20, 20, 2);
  ASSERT_TRUE(WritePng(dir + "/good.png", bmp));
  const std::string good = Slurp(dir + "/good.png");

  std::vector<std::pair<std::string, std::string>> bad;
  for (size_t cut : {size_t{0}, size_t{7}, size_t{20}, good.size() / 2, good.size() - 1})
    bad.emplace_back("truncated at " + std::to_string(cut), good.substr(0, cut));
  std::string crc = good;
  crc[45] ^= 0x01;  // inside the IDAT data: its CRC no longer matches
  bad.emplace_back("bad CRC", crc);
  std::string signature = good;
  signature[1] = 'Q';
  bad.emplace_back("bad signature", signature);

  // Headers we do not read: 16-bit, palette, interlaced, and absurd or zero sizes.
  auto with_header = [&](uint32_t w, uint32_t h, uint8_t depth, uint8_t type, uint8_t interlace) {
    std::string file = good;
    std::string ihdr;
    for (uint32_t v : {w, h})
      for (int b = 3; b >= 0; --b) ihdr += static_cast<char>(v >> (8 * b));
    ihdr += static_cast<char>(depth);
    ihdr += static_cast<char>(type);
    ihdr += std::string(2, '\0');
    ihdr += static_cast<char>(interlace);
    file.replace(16, 13, ihdr);
    const uint32_t c = static_cast<uint32_t>(
        crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(file.data() + 12), 17));
    for (int b = 0; b < 4; ++b) file[29 + b] = static_cast<char>(c >> (24 - 8 * b));
    return file;
  };
  bad.emplace_back("16-bit", with_header(20, 20, 16, 2, 0));
  bad.emplace_back("palette", with_header(20, 20, 8, 3, 0));
  bad.emplace_back("interlaced", with_header(20, 20, 8, 2, 1));
  bad.emplace_back("zero width", with_header(0, 20, 8, 2, 0));
  bad.emplace_back("huge", with_header(0x7FFFFFFF, 0x7FFFFFFF, 8, 2, 0));
  bad.emplace_back("beyond the pixel budget", with_header(1 << 14, 1 << 14, 8, 2, 0));
  bad.emplace_back("more rows than data", with_header(20, 21, 8, 2, 0));

  for (const auto& [name, bytes] : bad) {
    Spit(dir + "/bad.png", bytes);
    Bitmap32 read(2, 2, kBlack);
    EXPECT_FALSE(ReadPng(dir + "/bad.png", read)) << name;
    EXPECT_EQ(read.width(), 2) << name << ": a failed read leaves the bitmap alone";
  }
  Bitmap32 read;
  EXPECT_FALSE(ReadPng(dir + "/missing.png", read));
  EXPECT_FALSE(WritePng(dir + "/no/such/dir/x.png", bmp));
  EXPECT_FALSE(WritePng(dir + "/empty.png", Bitmap32()));
}

}  // namespace
}  // namespace velin
