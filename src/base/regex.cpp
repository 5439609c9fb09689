#define PCRE2_CODE_UNIT_WIDTH 8
#include "base/regex.h"

#include <pcre2.h>

#include <stdexcept>

#include "base/ansi_codec.h"

namespace velin {

// Two compilations of one pattern: the plain UTF one for valid subjects, matched without
// PCRE2's own UTF check once the subject is known valid (that check scans the whole subject
// at every call, which made repeated searches quadratic), and one that tolerates invalid
// UTF-8 for the rare subject that is not valid.
struct Regex::Code {
  pcre2_code* valid = nullptr;
  pcre2_code* tolerant = nullptr;
  ~Code() {
    pcre2_code_free(valid);
    pcre2_code_free(tolerant);
  }
};

namespace {

pcre2_code* Compile(std::string_view pattern, uint32_t options) {
  pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
  pcre2_set_newline(context, PCRE2_NEWLINE_ANY);
  int error = 0;
  PCRE2_SIZE offset = 0;
  pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                   options, &error, &offset, context);
  pcre2_compile_context_free(context);
  if (code == nullptr) {
    PCRE2_UCHAR message[256];
    pcre2_get_error_message(error, message, sizeof message);
    throw std::invalid_argument("regex '" + std::string(pattern) +
                                "': " + reinterpret_cast<const char*>(message));
  }
  return code;
}

bool IsValidUtf8(std::string_view s) {
  for (size_t pos = 0; pos < s.size();) {
    if (static_cast<unsigned char>(s[pos]) < 0x80) {
      ++pos;
      continue;
    }
    size_t before = pos;
    if (NextUtf8(s, pos) == 0xFFFD && pos == before + 1) return false;
  }
  return true;
}

}  // namespace

Regex::Regex(std::string_view pattern) : code_(std::make_unique<Code>()) {
  code_->valid = Compile(pattern, PCRE2_UTF);
  code_->tolerant = Compile(pattern, PCRE2_UTF | PCRE2_MATCH_INVALID_UTF);
}

Regex::~Regex() = default;
Regex::Regex(Regex&&) noexcept = default;
Regex& Regex::operator=(Regex&&) noexcept = default;

bool Regex::Search(std::string_view subject, Match& match, size_t from) const {
  return Search(subject, match, from, IsValidUtf8(subject));
}

bool Regex::Search(std::string_view subject, Match& match, size_t from, bool valid) const {
  if (from > subject.size()) return false;
  pcre2_code* code = valid ? code_->valid : code_->tolerant;
  pcre2_match_data* data = pcre2_match_data_create_from_pattern(code, nullptr);
  if (data == nullptr) throw std::bad_alloc();
  int rc = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(), from,
                       PCRE2_NOTEMPTY | (valid ? PCRE2_NO_UTF_CHECK : 0), data, nullptr);
  bool found = rc > 0;
  if (found) {
    PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data);
    uint32_t pairs = pcre2_get_ovector_count(data);
    match.groups.assign(pairs, std::string());
    for (uint32_t i = 0; i < pairs && i < static_cast<uint32_t>(rc); ++i) {
      if (ovector[2 * i] == PCRE2_UNSET) continue;
      match.groups[i] =
          std::string(subject.substr(ovector[2 * i], ovector[2 * i + 1] - ovector[2 * i]));
    }
    match.start = ovector[0];
    match.end = ovector[1];
  }
  pcre2_match_data_free(data);
  return found;
}

std::vector<Regex::Match> Regex::SearchAll(std::string_view subject) const {
  std::vector<Match> all;
  size_t from = 0;
  Match m;
  const bool valid = IsValidUtf8(subject);
  while (Search(subject, m, from, valid)) {
    from = m.end;  // empty matches are refused, so every match advances
    all.push_back(std::move(m));
  }
  return all;
}

}  // namespace velin
