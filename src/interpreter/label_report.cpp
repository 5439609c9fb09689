#include "interpreter/label_report.h"

namespace velin {
namespace {

// At most `limit` bytes of `text`, not cutting a UTF-8 character in two.
std::string_view Cut(std::string_view text, size_t limit) {
  if (text.size() <= limit) return text;
  size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

}  // namespace

void LabelReport::Ignored(std::string_view keyword) { Count(false, keyword, {}); }

void LabelReport::Failed(std::string_view handler, std::string_view reason) {
  Count(true, handler, reason);
}

void LabelReport::Count(bool failed, std::string_view name, std::string_view reason) {
  name = Cut(name, kMaxName);
  for (Entry& e : entries_) {
    if (e.failed == failed && e.name == name) {
      ++e.count;
      return;
    }
  }
  if (entries_.size() == kMaxEntries) {
    ++others_;
    return;
  }
  entries_.push_back({failed, std::string(name), std::string(Cut(reason, kMaxReason)), 1});
}

std::vector<std::string> LabelReport::Lines() const {
  std::vector<std::string> lines;
  for (const Entry& e : entries_) {
    std::string line =
        (e.failed ? "failed: " : "ignored: ") + e.name + " x" + std::to_string(e.count);
    if (!e.reason.empty()) line += " (" + e.reason + ")";
    lines.push_back(std::move(line));
  }
  if (others_ > 0) lines.push_back("ignored or failed: " + std::to_string(others_) + " more lines");
  return lines;
}

void LabelReport::Reset() {
  entries_.clear();
  others_ = 0;
}

}  // namespace velin
