// config.ini without the Windows profile API: our own reader and writer with the same
// semantics, able to read and update files that Windows wrote (ANSI or UTF-16 with BOM,
// CRLF line ends).
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <ctime>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "base/ansi_codec.h"
#include "base/strings.h"
#include "config/ini_file.h"

namespace velin {
namespace {

enum class Encoding { kAnsi, kUtf8Bom, kUtf16LeBom };

constexpr size_t kMaxValueUnits = 2047;  // UTF-16 units, as the profile API counts them

struct Document {
  Encoding encoding = Encoding::kAnsi;
  std::vector<std::string> lines;  // UTF-8, without line ends
};

std::string Utf16LeToUtf8(std::string_view bytes) {
  std::string out;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char32_t unit =
        static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
    if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
      char32_t low = static_cast<unsigned char>(bytes[i + 2]) |
                     (static_cast<unsigned char>(bytes[i + 3]) << 8);
      if (low >= 0xDC00 && low < 0xE000) {
        unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    AppendUtf8(out, unit);
  }
  return out;
}

std::string Utf8ToUtf16Le(std::string_view text) {
  std::string out;
  auto unit = [&out](uint32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  };
  for (size_t pos = 0; pos < text.size();) {
    char32_t cp = NextUtf8(text, pos);
    if (cp >= 0x10000) {
      unit(0xD800 + ((cp - 0x10000) >> 10));
      unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      unit(cp);
    }
  }
  return out;
}

// The file's bytes as a document.
Document Parse(const std::string& bytes) {
  Document doc;
  std::string text;
  if (bytes.compare(0, 2, "\xFF\xFE") == 0) {
    doc.encoding = Encoding::kUtf16LeBom;
    text = Utf16LeToUtf8(std::string_view(bytes).substr(2));
  } else if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    doc.encoding = Encoding::kUtf8Bom;
    text = bytes.substr(3);
  } else {
    text = AnsiToUtf8(bytes);
  }
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    doc.lines.push_back(text.substr(start, end - start));
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
      ++end;
    start = end + 1;
  }
  return doc;
}

// Missing or unreadable files read as empty documents.
Document Load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Document{};
  std::string bytes;
  try {
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  } catch (const std::exception&) {
    return Document{};  // unreadable (a directory, say): as if missing
  }
  return Parse(bytes);
}

// What tells one state of a file from another without reading it.
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};

  static bool Of(const std::string& path, FileStamp& stamp) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    stamp = {st.st_dev, st.st_ino, st.st_size, st.st_mtim};
    return true;
  }
  bool operator==(const FileStamp& o) const {
    return device == o.device && inode == o.inode && size == o.size &&
           modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec;
  }
};

// Parsed files kept between reads, so that a value is read "at the moment of use" without
// parsing an unchanged file again. Before each read the file's identity (device and inode),
// size and modification time are compared with those of the parsed copy, and the file is read
// again when any differs. A timestamp is only as fine as the file system's clock (2 s on FAT,
// a clock tick elsewhere), so an edit made within that time of the read could leave all four
// unchanged: a file modified less than kSettleSeconds before it was read is therefore never
// kept, and is read again every time until it has settled. Any thread may call; a small
// number of files is kept.
class ParsedFiles {
 public:
  static ParsedFiles& Instance() {
    static ParsedFiles* files = new ParsedFiles;  // never destroyed: used until exit
    return *files;
  }

  std::shared_ptr<const Document> Get(const std::string& path) {
    FileStamp stamp;
    if (!FileStamp::Of(path, stamp)) return std::make_shared<const Document>(Load(path));
    {
      std::lock_guard<std::mutex> lock(mutex_);
      auto it = files_.find(path);
      if (it != files_.end() && it->second.stamp == stamp) return it->second.document;
    }
    auto document = std::make_shared<const Document>(Load(path));
    // Kept only if the file did not change while it was read and has settled.
    FileStamp after;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::lock_guard<std::mutex> lock(mutex_);
    if (FileStamp::Of(path, after) && after == stamp &&
        now.tv_sec - stamp.modified.tv_sec > kSettleSeconds) {
      if (files_.size() >= kMaxFiles && files_.find(path) == files_.end()) files_.clear();
      files_[path] = {stamp, document};
    } else {
      files_.erase(path);
    }
    return document;
  }

  void Forget(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    files_.erase(path);
  }

 private:
  static constexpr int64_t kSettleSeconds = 2;
  static constexpr size_t kMaxFiles = 16;
  struct Entry {
    FileStamp stamp;
    std::shared_ptr<const Document> document;
  };
  std::mutex mutex_;
  std::unordered_map<std::string, Entry> files_;
};

// The section name of a section line, or false for any other line.
bool SectionName(std::string_view line, std::string_view& name) {
  line = TrimBlanks(line);
  if (line.empty() || line[0] != '[') return false;
  size_t close = line.find(']');
  name = TrimBlanks(line.substr(1, close == std::string_view::npos ? line.npos : close - 1));
  return true;
}

// Key and raw value of a key line; false for blank lines, comments and lines without '='.
bool KeyValue(std::string_view line, std::string_view& key, std::string_view& value) {
  std::string_view trimmed = TrimBlanks(line);
  if (trimmed.empty() || trimmed[0] == ';') return false;
  size_t eq = trimmed.find('=');
  if (eq == std::string_view::npos) return false;
  key = TrimBlanks(trimmed.substr(0, eq));
  value = TrimBlanks(trimmed.substr(eq + 1));
  return true;
}

// Index of the line of `section`, or -1.
int FindSection(const Document& doc, const std::string& section) {
  for (size_t i = 0; i < doc.lines.size(); ++i) {
    std::string_view name;
    if (SectionName(doc.lines[i], name) && EqualsIgnoreAsciiCase(name, section))
      return static_cast<int>(i);
  }
  return -1;
}

// Index of the line of `key` in the section starting at line `section_line`, or -1; `end`
// receives the index one past the section's last line.
int FindKey(const Document& doc, int section_line, const std::string& key, size_t& end) {
  int found = -1;
  size_t i = section_line + 1;
  for (; i < doc.lines.size(); ++i) {
    std::string_view name, k, v;
    if (SectionName(doc.lines[i], name)) break;
    if (found < 0 && KeyValue(doc.lines[i], k, v) && EqualsIgnoreAsciiCase(k, key))
      found = static_cast<int>(i);
  }
  end = i;
  return found;
}

std::string Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return std::string(value);
}

// Cuts text to at most kMaxValueUnits UTF-16 units, at a character boundary.
std::string CutToLimit(const std::string& text) {
  size_t units = 0, pos = 0;
  while (pos < text.size()) {
    size_t before = pos;
    char32_t cp = NextUtf8(text, pos);
    units += cp >= 0x10000 ? 2 : 1;
    if (units > kMaxValueUnits) return text.substr(0, before);
  }
  return text;
}

class PosixIniFile final : public IniFile {
 public:
  explicit PosixIniFile(std::string path) : IniFile(std::move(path)) {}

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& default_value) override {
    const std::shared_ptr<const Document> parsed = ParsedFiles::Instance().Get(FileName());
    const Document& doc = *parsed;
    int at = FindSection(doc, section);
    if (at < 0) return default_value;
    size_t end = 0;
    int line = FindKey(doc, at, key, end);
    if (line < 0) return default_value;
    std::string_view k, v;
    KeyValue(doc.lines[line], k, v);
    return CutToLimit(Unquote(v));
  }

  void WriteString(const std::string& section, const std::string& key,
                   const std::string& value) override {
    std::string clean;
    for (char c : value)
      if (c != '\r' && c != '\n') clean += c;
    Document doc = Load(FileName());
    int at = FindSection(doc, section);
    if (at < 0) {
      doc.lines.push_back("[" + section + "]");
      doc.lines.push_back(key + "=" + clean);
    } else {
      size_t end = 0;
      int line = FindKey(doc, at, key, end);
      if (line >= 0) {
        std::string_view k, v;
        KeyValue(doc.lines[line], k, v);
        doc.lines[line] = std::string(k) + "=" + clean;
      } else {
        while (end > static_cast<size_t>(at) + 1 && TrimBlanks(doc.lines[end - 1]).empty()) --end;
        doc.lines.insert(doc.lines.begin() + end, key + "=" + clean);
      }
    }
    Save(doc);
  }

 private:
  void Save(const Document& doc) {
    std::string text;
    for (const std::string& line : doc.lines) text += line + "\r\n";
    std::string bytes;
    switch (doc.encoding) {
      case Encoding::kAnsi:
        bytes = Utf8ToAnsi(text);
        break;
      case Encoding::kUtf8Bom:
        bytes = "\xEF\xBB\xBF" + text;
        break;
      case Encoding::kUtf16LeBom:
        bytes = "\xFF\xFE" + Utf8ToUtf16Le(text);
        break;
    }
    ParsedFiles::Instance().Forget(FileName());
    std::ofstream out(FileName(), std::ios::binary | std::ios::trunc);
    if (out) out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (out) out.close();
    if (!out) throw EIniFileException("Unable to write to " + FileName());
  }
};

}  // namespace

std::unique_ptr<IniFile> OpenIniFile(const std::string& path) {
  return std::make_unique<PosixIniFile>(path);
}

std::string GetExePath() {
  char buffer[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return "./";
  std::string path(buffer, static_cast<size_t>(n));
  return path.substr(0, path.rfind('/') + 1);
}

}  // namespace velin
