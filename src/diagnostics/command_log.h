// The debug window's log: one entry per line, oldest first, bounded so that a phone streaming
// thousands of lines cannot make the window sluggish or the memory grow: past kMaxLines the
// oldest lines are dropped, and a line longer than kMaxLineBytes is shown cut (the capture
// keeps every byte). The face shows Text() whenever TakeChanged() says it changed.
// User-interface thread.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

namespace velin::diagnostics {

class CommandLog {
 public:
  static constexpr size_t kMaxLines = 2000;
  static constexpr size_t kMaxLineBytes = 1024;

  // Adds `line` (UTF-8) as the newest entry; a longer one is cut at a character boundary and
  // ends in "… (N bytes)"; line breaks inside it become spaces.
  void Append(std::string_view line);
  void Clear();

  size_t size() const { return lines_.size(); }
  const std::string& line(size_t i) const { return lines_[i]; }
  // Lines dropped from the top since the last Clear.
  size_t dropped() const { return dropped_; }
  // The lines joined by CR LF, as the memo holds them.
  std::string Text() const;
  // True once after each change (Append, Clear).
  bool TakeChanged();

 private:
  std::deque<std::string> lines_;
  size_t dropped_ = 0;
  bool changed_ = false;
};

}  // namespace velin::diagnostics
