#include "label_support.h"

#include <algorithm>
#include <sstream>

#include "base/png.h"
#include "support/run_process.h"
#include "support/test_paths.h"

namespace velin::test {

std::vector<Bitmap32> RenderLabel(const std::string& label_path, const std::string& mode,
                                  const std::string& dialect, std::string* report) {
  std::vector<Bitmap32> pages;
  const std::string dir = ScratchDir();
  std::vector<std::string> args = {"render", "--mode", mode, label_path, "-o", dir + "/pages"};
  if (!dialect.empty()) args.insert(args.begin() + 3, {"--dialect", dialect});
  ProcessResult r = RunVelinCli(args);
  if (report) *report = r.err;
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

const std::string kParcelUrl = "https://velin.example/t/SF1234567890cn?lang=zh&ref=a-b";

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
        {"Code128", "AB12CD"},  // letters after the digit run are encoded too
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
      // The printer dialect's labels: every symbology by its own name.
      {__LINE__,
       "tests/labels/printer.cpcl",
       "cpcl",
       {{"Code128", "Code-128 mixed ab12cd"},
        {"QRCode", "centred QR level L"},
        {"Code39", "CODE-39"},
        {"Code39", "C39-CHECK6"},  // the check character is read as data
        {"Code39", "Full 39"},
        {"Code93", "CODE93"},
        {"ITF", "01234567"},  // an odd count gets a leading zero
        {"EAN-13", "4006381333931"},
        {"EAN-8", "96385074"},
        {"UPC-A", "036000291452"},
        {"Codabar", "40156"},  // start and stop A, B are no data
        {"Code128", "0101234567890128"},
        {"Code128", "01234565"},  // UPCE: drawn as Code 128
        {"Code128", "VERTICAL-1"},
        {"QRCode", "level H mask 4"},
        {"QRCode",
         "0123456789HELLO WORLDa,b\xFF"
         "c"},                                          // manual segments
        {"QRCode", "millimetres and OFFICE"},           // OFF ends no block
        {"QRCode", "UTF-8 \xE9\xA1\xBA\xE4\xB8\xB0"}},  // the bytes as received
       "printer"},
      {__LINE__,
       "tests/labels/printer.tspl",
       "tspl",
       {{"Code128", "Code128 ab-12"},
        {"Code128", "0101234567890128"},
        {"Code39", "TSPL-39S"},
        {"Code39", "full 39"},
        {"Code93", "CODE 93"},
        {"ITF", "12345670"},
        {"EAN-13", "5901234123457"},
        {"EAN-8", "55123457"},
        {"UPC-A", "042100005264"},
        {"Codabar", "1234"},
        {"Code128", "TURNED"},
        {"Code128", "R180"},
        {"Code128", "1234"},  // PLESSEY: drawn as Code 128
        {"QRCode", "level Q"},
        {"QRCode", "turned 90"},
        {"QRCode", "ABC123a,bx"},
        {"QRCode", "turned 270"},
        {"QRCode", "UTF-8 \xE9\xA1\xBA\xE4\xB8\xB0"}},
       "printer"},
      {__LINE__,
       "examples/parcel-printer.cpcl",
       "cpcl",
       {{"Code128", "SF1234567890cn"}, {"Code39", "ABC-123"}, {"QRCode", kParcelUrl}},
       "printer"},
      {__LINE__,
       "examples/parcel-printer.tspl",
       "tspl",
       {{"Code128", "SF1234567890cn"},
        {"EAN-13", "4006381333931"},
        {"Code39", "TSPL-39"},
        {"QRCode", kParcelUrl},
        {"QRCode", "ROTATED 90"}},
       "printer"},
      // The same parcel labels in the default dialect: every symbol is Code 128 or a version
      // 6 QR code, and still carries the label's data.
      {__LINE__,
       "examples/parcel-printer.cpcl",
       "cpcl",
       {{"Code128", "SF1234567890cn"}, {"Code128", "ABC-123"}, {"QRCode", kParcelUrl}},
       "default"},
      {__LINE__,
       "examples/parcel-printer.tspl",
       "tspl",
       {{"Code128", "SF1234567890cn"},
        {"Code128", "400638133393"},
        {"Code128", "TSPL-39"},
        {"QRCode", "ROTATED 90"}},
       "default"},
  });
  return labels;
}

}  // namespace velin::test
