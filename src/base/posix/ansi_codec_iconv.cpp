// ANSI code page conversions over iconv, with code page 936 fixed: a POSIX system has no
// ANSI code page setting of its own.
#include <errno.h>
#include <iconv.h>

#include "base/ansi_codec.h"

namespace velin {
namespace {

// One conversion descriptor per thread and direction; iconv_t is not thread-safe.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

constexpr const char* kAnsi = "CP936";

// Converts as much as iconv takes; returns the number of input bytes consumed and whether
// it stopped at an unconvertible sequence.
size_t Convert(iconv_t cd, std::string_view in, std::string& out, bool& bad) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* src = const_cast<char*>(in.data());
  size_t left = in.size();
  char buffer[4096];
  bad = false;
  while (left > 0) {
    char* dst = buffer;
    size_t room = sizeof buffer;
    size_t r = iconv(cd, &src, &left, &dst, &room);
    out.append(buffer, dst - buffer);
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      bad = true;  // EILSEQ, or EINVAL for a sequence cut short at the end
      break;
    }
  }
  return in.size() - left;
}

}  // namespace

std::string AnsiToUtf8(std::string_view ansi) {
  thread_local Converter decoder("UTF-8", kAnsi);
  std::string out;
  out.reserve(ansi.size());
  size_t pos = 0;
  while (pos < ansi.size()) {
    bool bad = false;
    pos += Convert(decoder.get(), ansi.substr(pos), out, bad);
    if (bad) {
      AppendUtf8(out, 0xFFFD);
      ++pos;
    }
  }
  return out;
}

std::string Utf8ToAnsi(std::string_view utf8) {
  thread_local Converter encoder(kAnsi, "UTF-8");
  std::string out;
  out.reserve(utf8.size());
  size_t pos = 0;
  while (pos < utf8.size()) {
    bool bad = false;
    pos += Convert(encoder.get(), utf8.substr(pos), out, bad);
    if (bad) {
      out += '?';
      NextUtf8(utf8, pos);  // skip the character the code page lacks
    }
  }
  return out;
}

}  // namespace velin
