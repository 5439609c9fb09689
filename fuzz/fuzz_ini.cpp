// The configuration reader with any file content: byte-order marks (UTF-8, UTF-16), GBK, lines
// without end, sections without a closing bracket, quotes, blanks, very long values. The
// reads the program makes ([system] transfer_mode, printer, label_dialect and a font code's
// section) plus a section and key named by the input's first line; then a write and the same
// reads again, so that rewriting a file that was never well formed is exercised too.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

#include "config/ini_file.h"

namespace {

std::string ScratchFile() {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir && *dir ? dir : "/tmp") + "/velin-fuzz-ini-" +
         std::to_string(::getpid()) + ".ini";
}

void ReadAll(velin::IniFile& ini, const std::string& section, const std::string& key) {
  (void)ini.ReadInteger("system", "transfer_mode", 1);
  (void)ini.ReadString("system", "printer", "");
  (void)ini.ReadString("system", "label_dialect", "");
  (void)ini.ReadString("7", "font", "");
  (void)ini.ReadInteger("7", "fontsize", 9);
  (void)ini.ReadString(section, key, "default");
  (void)ini.ReadInteger(section, key, -1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = ScratchFile();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  // The first line, split at its first '=', names a section and key to look up.
  const std::string first = bytes.substr(0, bytes.find('\n'));
  const size_t eq = first.find('=');
  const std::string section = first.substr(0, eq);
  const std::string key = eq == std::string::npos ? "" : first.substr(eq + 1);
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  auto ini = velin::OpenIniFile(path);
  ReadAll(*ini, section, key);
  try {
    ini->WriteString(section.empty() ? "system" : section, key.empty() ? "printer" : key,
                     "Label Printer");
    ini->WriteInteger("system", "transfer_mode", 2);
  } catch (const velin::EIniFileException&) {
    // A name the file cannot hold (a line break in it, say): the reader's documented failure.
  }
  ReadAll(*ini, section, key);
  return 0;
}
