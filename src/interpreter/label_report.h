// What a label asked for that the interpreter did not carry out: keywords that matched no
// handler, and handlers that failed (a number that does not read, a missing field, data no
// symbol holds), each counted. Tools print it after a run; a service logs it per label.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velin {

// Contract: used on one thread (the interpreter's); the owner reads and resets it there, for
// instance from InterpreterServices::on_print, which runs on that thread. Memory stays bounded
// whatever arrives: keywords are cut to kMaxName bytes, and entries beyond kMaxEntries are
// counted together in one last line.
class LabelReport {
 public:
  static constexpr size_t kMaxName = 40;
  static constexpr size_t kMaxReason = 120;
  static constexpr size_t kMaxEntries = 64;

  // A line whose keyword matched no handler.
  void Ignored(std::string_view keyword);
  // A handler (its log name, "CMD_TEXT") that failed; the first reason given is kept.
  void Failed(std::string_view handler, std::string_view reason);

  bool Empty() const { return entries_.empty() && others_ == 0; }
  // One line per keyword or handler, in the order first met: "ignored: CENTER x3",
  // "failed: CMD_TEXT x35 ('13.6' is not a valid integer value)"; then, past kMaxEntries,
  // "ignored or failed: N more lines".
  std::vector<std::string> Lines() const;
  // Starts afresh (between labels).
  void Reset();

 private:
  struct Entry {
    bool failed = false;
    std::string name;
    std::string reason;
    size_t count = 0;
  };
  void Count(bool failed, std::string_view name, std::string_view reason);

  std::vector<Entry> entries_;
  size_t others_ = 0;
};

}  // namespace velin
