#include "diagnostics/command_log.h"

namespace velin::diagnostics {

void CommandLog::Append(std::string_view line) {
  std::string entry;
  if (line.size() > kMaxLineBytes) {
    size_t cut = kMaxLineBytes;
    // Back to the start of a UTF-8 character.
    while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
    entry.assign(line.substr(0, cut));
    entry += "… (" + std::to_string(line.size()) + " bytes)";
  } else {
    entry.assign(line);
  }
  for (char& c : entry)
    if (c == '\r' || c == '\n') c = ' ';
  lines_.push_back(std::move(entry));
  while (lines_.size() > kMaxLines) {
    lines_.pop_front();
    ++dropped_;
  }
  changed_ = true;
}

void CommandLog::Clear() {
  lines_.clear();
  dropped_ = 0;
  changed_ = true;
}

std::string CommandLog::Text() const {
  size_t total = 0;
  for (const std::string& l : lines_) total += l.size() + 2;
  std::string text;
  text.reserve(total);
  for (const std::string& l : lines_) {
    if (!text.empty()) text += "\r\n";
    text += l;
  }
  return text;
}

bool CommandLog::TakeChanged() {
  const bool changed = changed_;
  changed_ = false;
  return changed;
}

}  // namespace velin::diagnostics
