#include "diagnostics/debug_session.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <vector>

namespace velin::diagnostics {

void DebugSession::Start() {
  log_.Clear();
  fifo_.StartDebug();
}

void DebugSession::Stop() { fifo_.StopDebug(); }

DebugSession::SaveResult DebugSession::Save(FileSaveDialog& dialog) {
  SaveResult result;
  const std::optional<std::string> path = dialog.Ask(SaveDialogOptions{});
  if (!path) return result;
  result.path = *path;
  try {
    fifo_.SaveData(*path);
    result.kind = SaveResult::kSaved;
  } catch (const std::exception& e) {
    result.kind = SaveResult::kFailed;
    result.error = e.what();
  }
  return result;
}

PreviewGeometry PreviewLayout(int page_width, int page_height) {
  PreviewGeometry g;
  g.window_width = std::max(page_width, PreviewGeometry::kMinWidth);
  g.window_height = std::max(page_height, PreviewGeometry::kTitleBarHeight);
  g.image_y = PreviewGeometry::kTitleBarHeight;
  g.image_width = std::max(page_width, 0);
  g.image_height = std::max(page_height - PreviewGeometry::kTitleBarHeight, 0);
  return g;
}

Bitmap32 PreviewImage(PageImage& page, int width, int height) {
  if (width <= 0 || height <= 0) return {};
  Bitmap32 out(width, height);
  std::lock_guard<std::mutex> hold(page.lock());
  const Bitmap32& source = page.bitmap();
  if (source.empty()) return out;  // an empty page: white
  std::vector<int> columns(static_cast<size_t>(width));
  for (int x = 0; x < width; ++x)
    columns[static_cast<size_t>(x)] =
        static_cast<int>((2 * int64_t{x} + 1) * source.width() / (2 * int64_t{width}));
  for (int y = 0; y < height; ++y) {
    const uint32_t* from = source.Row(
        static_cast<int>((2 * int64_t{y} + 1) * source.height() / (2 * int64_t{height})));
    uint32_t* to = out.Row(y);
    for (int x = 0; x < width; ++x) to[x] = from[columns[static_cast<size_t>(x)]];
  }
  return out;
}

}  // namespace velin::diagnostics
