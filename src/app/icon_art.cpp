#include "app/icon_art.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <stdexcept>

#include "app/app_texts.h"
#include "skin/painter.h"

namespace velin::app {
namespace {

using skin::Argb;
using skin::CornerRadii;
using skin::Painter;
using skin::PointF;
using skin::RectF;
using skin::Rgb;

constexpr Argb kTile = Rgb(37, 99, 235);  // the skin's accent
constexpr Argb kCard = Rgb(255, 255, 255);
constexpr Argb kInk = Rgb(30, 41, 59);
constexpr Argb kFound = Rgb(22, 163, 74);
constexpr Argb kMissing = Rgb(220, 38, 38);

void Put32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void Put16(std::string& out, uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}

}  // namespace

void DrawAppIcon(const skin::Surface& target) {
  Painter p(target);
  const float s = static_cast<float>(std::min(target.width(), target.height()));
  p.FillRoundedRect(RectF(0, 0, s, s), CornerRadii::All(s * 0.22f), kTile);
  const RectF card(s * 0.23f, s * 0.14f, s * 0.77f, s * 0.86f);
  p.FillRoundedRect(card, CornerRadii::All(s * 0.07f), kCard);
  // Two lines of text at the top of the label.
  const float line = std::max(1.0f, s * 0.06f);
  p.FillRect(RectF(s * 0.32f, s * 0.25f, s * 0.68f, s * 0.25f + line), kInk);
  p.FillRect(RectF(s * 0.32f, s * 0.36f, s * 0.56f, s * 0.36f + line), kInk);
  // A barcode below them: bars and gaps in units of one module.
  static constexpr int kPattern[] = {2, 1, 1, 1, 3, 1, 1, 2, 2, 1, 1, 1, 2};  // bar, gap, bar...
  int units = 0;
  for (int w : kPattern) units += w;
  const float left = s * 0.32f, right = s * 0.68f,
              unit = (right - left) / static_cast<float>(units);
  float x = left;
  for (size_t i = 0; i < std::size(kPattern); ++i) {
    const float w = unit * static_cast<float>(kPattern[i]);
    if (i % 2 == 0) p.FillRect(RectF(x, s * 0.50f, x + w, s * 0.75f), kInk);
    x += w;
  }
}

void DrawStateImage(const skin::Surface& target, int index) {
  if (index != kImageReceiverFound && index != kImageReceiverMissing) {
    throw std::invalid_argument("no state image " + std::to_string(index));
  }
  Painter p(target);
  const float s = static_cast<float>(std::min(target.width(), target.height()));
  const PointF centre{s / 2, s / 2};
  p.FillCircle(centre, s / 2, kCard);
  const bool found = index == kImageReceiverFound;
  const RectF box = RectF(0, 0, s, s).Inset(s * (found ? 0.24f : 0.30f));
  p.DrawGlyph(found ? skin::Glyph::kCheck : skin::Glyph::kClose, box, std::max(1.5f, s * 0.11f),
              found ? kFound : kMissing);
}

skin::Image AppIcon(int size) {
  skin::Image image(size, size);
  DrawAppIcon(image.View());
  return image;
}

skin::Image StateImage(int index, int size) {
  skin::Image image(size, size);
  DrawStateImage(image.View(), index);
  return image;
}

std::string EncodeIco(const std::vector<skin::Image>& images) {
  std::vector<std::string> bodies;
  for (const skin::Image& image : images) {
    const int w = image.width(), h = image.height();
    if (w < 1 || w > 256 || h != w) throw std::invalid_argument("icon images are square, 1-256");
    std::string body;
    Put32(body, 40);  // BITMAPINFOHEADER
    Put32(body, static_cast<uint32_t>(w));
    Put32(body, static_cast<uint32_t>(2 * h));  // colour rows, then the mask's
    Put16(body, 1);
    Put16(body, 32);
    Put32(body, 0);  // BI_RGB
    const uint32_t mask_stride = ((static_cast<uint32_t>(w) + 31) / 32) * 4;
    Put32(body, static_cast<uint32_t>(w * h * 4) + mask_stride * static_cast<uint32_t>(h));
    for (int i = 0; i < 4; ++i) Put32(body, 0);
    // Rows bottom-up, BGRA with straight alpha.
    for (int y = h - 1; y >= 0; --y) {
      for (int x = 0; x < w; ++x) Put32(body, image.ColorAt(x, y));
    }
    for (int y = h - 1; y >= 0; --y) {
      std::string row(mask_stride, '\0');
      for (int x = 0; x < w; ++x) {
        if (skin::AlphaOf(image.ColorAt(x, y)) == 0)
          row[x / 8] |= static_cast<char>(0x80 >> (x % 8));
      }
      body += row;
    }
    bodies.push_back(std::move(body));
  }
  std::string out;
  Put16(out, 0);
  Put16(out, 1);  // icon
  Put16(out, static_cast<uint16_t>(images.size()));
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    const int w = images[i].width();
    out.push_back(static_cast<char>(w == 256 ? 0 : w));
    out.push_back(static_cast<char>(w == 256 ? 0 : w));
    out.push_back(0);  // no palette
    out.push_back(0);
    Put16(out, 1);   // planes
    Put16(out, 32);  // bits per pixel
    Put32(out, static_cast<uint32_t>(bodies[i].size()));
    Put32(out, offset);
    offset += static_cast<uint32_t>(bodies[i].size());
  }
  for (const std::string& body : bodies) out += body;
  return out;
}

}  // namespace velin::app
