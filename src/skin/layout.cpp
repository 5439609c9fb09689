#include "skin/layout.h"

#include <algorithm>
#include <cstdint>

#include "skin/dpi.h"

namespace velin::skin {

RectI ToDevice(const DesignRect& r, int dpi) {
  return {Scale(r.x, dpi), Scale(r.y, dpi), Scale(r.right(), dpi), Scale(r.bottom(), dpi)};
}

DesignRect Inset(const DesignRect& r, int dx, int dy) {
  return {r.x + dx, r.y + dy, std::max(0, r.width - 2 * dx), std::max(0, r.height - 2 * dy)};
}

DesignRect TakeLeft(DesignRect& area, int size, int gap) {
  size = std::clamp(size, 0, area.width);
  const DesignRect strip = {area.x, area.y, size, area.height};
  const int used = std::min(area.width, size + std::max(0, gap));
  area.x += used;
  area.width -= used;
  return strip;
}

DesignRect TakeRight(DesignRect& area, int size, int gap) {
  size = std::clamp(size, 0, area.width);
  const DesignRect strip = {area.right() - size, area.y, size, area.height};
  area.width -= std::min(area.width, size + std::max(0, gap));
  return strip;
}

DesignRect TakeTop(DesignRect& area, int size, int gap) {
  size = std::clamp(size, 0, area.height);
  const DesignRect strip = {area.x, area.y, area.width, size};
  const int used = std::min(area.height, size + std::max(0, gap));
  area.y += used;
  area.height -= used;
  return strip;
}

DesignRect TakeBottom(DesignRect& area, int size, int gap) {
  size = std::clamp(size, 0, area.height);
  const DesignRect strip = {area.x, area.bottom() - size, area.width, size};
  area.height -= std::min(area.height, size + std::max(0, gap));
  return strip;
}

std::vector<DesignRect> SplitRow(const DesignRect& area, int count, int gap) {
  std::vector<DesignRect> cells;
  if (count <= 0) return cells;
  const int free = std::max(0, area.width - gap * (count - 1));
  const int base = free / count, extra = free % count;
  int x = area.x;
  for (int i = 0; i < count; ++i) {
    const int w = base + (i < extra ? 1 : 0);
    cells.push_back({x, area.y, w, area.height});
    x += w + gap;
  }
  return cells;
}

namespace {
int Offset(int size, int space, Align align) {
  switch (align) {
    case Align::kStart:
      return 0;
    case Align::kCentre:
      return (space - size) / 2;
    case Align::kEnd:
      return space - size;
  }
  return 0;
}
}  // namespace

RectI Place(int width, int height, const RectI& area, Align horizontal, Align vertical) {
  const int x = area.left + Offset(width, area.width(), horizontal);
  const int y = area.top + Offset(height, area.height(), vertical);
  return {x, y, x + width, y + height};
}

IconAndText PlaceIconAndText(const RectI& body, int icon_width, int icon_height, int text_width,
                             int text_height, int gap, Align horizontal) {
  IconAndText out;
  const bool icon = icon_width > 0 && icon_height > 0;
  const bool text = text_width > 0 && text_height > 0;
  if (!icon) gap = 0;
  if (!text) gap = 0;
  const int icon_w = icon ? icon_width : 0;
  const int room_for_text = std::max(0, body.width() - icon_w - gap);
  const int text_w = text ? std::min(text_width, room_for_text) : 0;
  const RectI group = Place(icon_w + gap + text_w, std::max(icon ? icon_height : 0, text_height),
                            body, horizontal, Align::kCentre);
  if (icon) {
    out.icon =
        Place(icon_width, icon_height, {group.left, body.top, group.left + icon_w, body.bottom},
              Align::kStart, Align::kCentre);
  }
  if (text) {
    const int left = group.left + icon_w + gap;
    out.text = Place(text_w, text_height, {left, body.top, left + text_w, body.bottom},
                     Align::kStart, Align::kCentre);
  }
  return out;
}

RectI FitImage(int width, int height, const RectI& box, ImageFit fit) {
  if (width <= 0 || height <= 0 || box.empty()) return {};
  switch (fit) {
    case ImageFit::kStretch:
      return box;
    case ImageFit::kCentre:
      return Place(width, height, box, Align::kCentre, Align::kCentre);
    case ImageFit::kContain: {
      // The larger scale that keeps both sides inside the box.
      const int64_t w_by_height = int64_t{width} * box.height();
      const int64_t h_by_width = int64_t{height} * box.width();
      int w, h;
      if (w_by_height <= h_by_width) {
        h = box.height();
        w = static_cast<int>(std::max<int64_t>(1, (w_by_height + height / 2) / height));
      } else {
        w = box.width();
        h = static_cast<int>(std::max<int64_t>(1, (h_by_width + width / 2) / width));
      }
      return Place(w, h, box, Align::kCentre, Align::kCentre);
    }
  }
  return box;
}

}  // namespace velin::skin
