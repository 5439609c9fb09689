// Regular expressions as the label languages split and validate their text: PCRE2 in UTF
// mode without Unicode properties (\d, \s and \w are ASCII only), every line break counted
// as a newline, and empty matches refused.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace velin {

class Regex {
 public:
  // Compiles `pattern`; throws std::invalid_argument with PCRE2's message if it does not.
  explicit Regex(std::string_view pattern);
  ~Regex();
  Regex(Regex&&) noexcept;
  Regex& operator=(Regex&&) noexcept;

  struct Match {
    // groups[0] is the whole match; an unset group is empty.
    std::vector<std::string> groups;
    size_t start = 0;  // byte offset of the whole match in the subject
    size_t end = 0;
  };

  // First match at or after byte offset `from`; false if none. Subjects need not be valid
  // UTF-8 (invalid sequences never match a character class). Thread-safe.
  bool Search(std::string_view subject, Match& match, size_t from = 0) const;
  bool Matches(std::string_view subject) const {
    Match m;
    return Search(subject, m);
  }
  // Every non-overlapping match, left to right.
  std::vector<Match> SearchAll(std::string_view subject) const;

 private:
  // `valid`: the subject is known to be valid UTF-8.
  bool Search(std::string_view subject, Match& match, size_t from, bool valid) const;

  struct Code;
  std::unique_ptr<Code> code_;
};

}  // namespace velin
