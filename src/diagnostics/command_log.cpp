#include "diagnostics/command_log.h"

#include <algorithm>

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
  ++appended_;
  while (lines_.size() > kMaxLines) {
    lines_.pop_front();
    ++dropped_;
    replace_ = true;
  }
}

void CommandLog::Clear() {
  lines_.clear();
  dropped_ = 0;
  replace_ = true;
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

CommandLog::Refresh CommandLog::TakeRefresh() {
  Refresh refresh;
  refresh.replace = replace_;
  if (!replace_) {
    for (size_t i = lines_.size() - std::min(appended_, lines_.size()); i < lines_.size(); ++i)
      refresh.added.push_back(lines_[i]);
  }
  replace_ = false;
  appended_ = 0;
  return refresh;
}

}  // namespace velin::diagnostics
