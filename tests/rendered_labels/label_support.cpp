#include "label_support.h"

#include <algorithm>
#include <sstream>

#include "base/png.h"
#include "support/run_process.h"
#include "support/test_paths.h"

namespace velin::test {

std::vector<Bitmap32> RenderLabel(const std::string& label_path, const std::string& mode) {
  std::vector<Bitmap32> pages;
  ProcessResult r = RunVelinCli({"render", "--mode", mode, label_path, "-o", ScratchDir()});
  if (r.exit_code != 0) return pages;
  std::istringstream paths(r.out);
  for (std::string path; std::getline(paths, path);) {
    Bitmap32 page;
    if (!ReadPng(path, page)) return {};
    pages.push_back(std::move(page));
  }
  return pages;
}

std::string Describe(const DecodedSymbol& s) {
  std::string out = s.format + " \"";
  for (unsigned char c : s.bytes) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      static const char* hex = "0123456789ABCDEF";
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out + '"';
}

namespace {

std::vector<LabelSymbols> Sorted(std::vector<LabelSymbols> labels) {
  for (LabelSymbols& l : labels) std::sort(l.symbols.begin(), l.symbols.end());
  return labels;
}

}  // namespace

const std::vector<LabelSymbols>& LabelsWithSymbols() {
  static const std::vector<LabelSymbols> labels = Sorted({
      {__LINE__,
       "examples/waybill-full.cpcl",
       "cpcl",
       {{"Code128", "73510170295253"},
        {"Code128", "73510170295253"},  // the vertical one
        {"Code128", "SF1234567890"},
        {"QRCode", "WB20231019001"}}},
      {__LINE__,
       "examples/waybill.tspl",
       "tspl",
       {{"Code128", "SF1234567890"},
        {"Code128", "73510170295253"},
        {"QRCode", "https://velin.example/t/SF1234567890"},
        {"QRCode", "\xCB\xB3\xB7\xE1 SF1234567890"}}},  // 顺丰 in GBK, as the line carried it
      {__LINE__,
       "tests/labels/symbols.cpcl",
       "cpcl",
       {{"Code128", "73510170295253"},
        {"Code128", "73510170295253"},
        {"Code128", "AB12"},  // AB12CD: what follows the digit run is not encoded
        {"Code128", "#12"},
        {"Code128", "1234567"},  // odd digits: start A, one digit, then code C
        {"QRCode", "WB20231019001"},
        {"QRCode", "caf\xA8\xA6"}}},  // byte E9 is Latin-1 e acute, GBK A8 A6
      {__LINE__,
       "tests/labels/symbols.tspl",
       "tspl",
       {{"Code128", "SF1234567890"},
        {"Code128", "12345678"},
        {"QRCode", "ABC"},
        {"QRCode", "\xD6\xD0\xCE\xC4 GBK"}}},  // 中文 in GBK
  });
  return labels;
}

}  // namespace velin::test
