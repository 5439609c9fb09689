// The debug window's log: one entry per line, oldest first, bounded so that a phone streaming
// thousands of lines cannot make the window sluggish or the memory grow: past kMaxLines the
// oldest lines are dropped, and a line longer than kMaxLineBytes is shown cut (the capture
// keeps every byte). The face asks TakeRefresh() now and then (not per line) and appends the
// new lines, or shows Text() afresh after a Clear or once lines were dropped.
// User-interface thread.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

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
  // What changed since the previous call: nothing, only new lines at the end (`added`), or
  // more (`replace`: show Text() instead of what is shown).
  struct Refresh {
    bool replace = false;
    std::vector<std::string> added;
    bool operator==(const Refresh&) const = default;
  };
  Refresh TakeRefresh();

 private:
  std::deque<std::string> lines_;
  size_t dropped_ = 0;
  size_t appended_ = 0;  // since the previous TakeRefresh
  bool replace_ = false;
};

}  // namespace velin::diagnostics
