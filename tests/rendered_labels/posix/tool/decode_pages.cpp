// velin_decode_pages MANIFEST: the native half of the Windows build's rendered-label check.
// Reads the pages that MANIFEST lists (written under Wine by the rendered-label test) and
// checks that zxing-cpp finds on each exactly the symbols listed with it. Prints one line per
// page; exit status 0 when every page matches, 1 when one does not, 2 when the manifest cannot
// be read or lists no page.
//
// MANIFEST lines: "page FILE" (relative to the manifest) starts a page, "label TEXT" names it,
// "symbol FORMAT HEX" adds a symbol it must hold (its bytes in hexadecimal).
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/png.h"
#include "label_support.h"
#include "posix/label_decode.h"

namespace {

using velin::test::DecodedSymbol;

struct Page {
  std::string file;
  std::string label;
  std::vector<DecodedSymbol> symbols;
};

bool FromHex(const std::string& hex, std::string& bytes) {
  auto digit = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  if (hex.size() % 2 != 0) return false;
  bytes.clear();
  for (size_t i = 0; i < hex.size(); i += 2) {
    int hi = digit(hex[i]), lo = digit(hex[i + 1]);
    if (hi < 0 || lo < 0) return false;
    bytes += static_cast<char>(hi << 4 | lo);
  }
  return true;
}

bool ReadManifest(const std::filesystem::path& path, std::vector<Page>& pages) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  for (std::string line; std::getline(in, line);) {
    size_t space = line.find(' ');
    std::string key = line.substr(0, space);
    std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
    if (key == "page") {
      pages.push_back({rest, rest, {}});
    } else if (key == "label" && !pages.empty()) {
      pages.back().label = rest;
    } else if (key == "symbol" && !pages.empty()) {
      size_t split = rest.find(' ');
      DecodedSymbol symbol;
      symbol.format = rest.substr(0, split);
      if (split == std::string::npos || !FromHex(rest.substr(split + 1), symbol.bytes))
        return false;
      pages.back().symbols.push_back(symbol);
    } else {
      return false;
    }
  }
  return true;
}

std::string List(const std::vector<DecodedSymbol>& symbols) {
  std::string out;
  for (const DecodedSymbol& s : symbols) out += "\n    " + velin::test::Describe(s);
  return out.empty() ? "\n    (none)" : out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: velin_decode_pages MANIFEST\n");
    return 2;
  }
  const std::filesystem::path manifest = argv[1];
  std::vector<Page> pages;
  if (!ReadManifest(manifest, pages) || pages.empty()) {
    std::fprintf(stderr, "decode-pages: %s cannot be read or lists no page\n", argv[1]);
    return 2;
  }
  int bad = 0;
  for (Page& page : pages) {
    velin::Bitmap32 bitmap;
    const std::filesystem::path file = manifest.parent_path() / page.file;
    std::sort(page.symbols.begin(), page.symbols.end());
    if (!velin::ReadPng(file.string(), bitmap)) {
      std::printf("FAIL %s: cannot read %s\n", page.label.c_str(), file.c_str());
      ++bad;
      continue;
    }
    std::vector<DecodedSymbol> found = velin::test::DecodeAll(bitmap);
    if (found == page.symbols) {
      std::printf("ok   %s: %zu symbols\n", page.label.c_str(), found.size());
    } else {
      std::printf("FAIL %s\n  expected:%s\n  decoded:%s\n", page.label.c_str(),
                  List(page.symbols).c_str(), List(found).c_str());
      ++bad;
    }
  }
  std::printf("decode-pages: %zu of %zu pages hold exactly their symbols\n", pages.size() - bad,
              pages.size());
  return bad == 0 ? 0 : 1;
}
