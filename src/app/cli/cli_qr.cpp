// velin-cli qr: draws a QR Code symbol with the component the label commands use and writes it
// as a PNG (and, with --pbm, its text image on standard output).
//
// The PNG carries a quiet zone of four modules around each symbol (the cells' margins). TEXT
// is converted to the ANSI code page as the label commands convert their text; with
// --binary, "~hh~" escapes give exact bytes and "~~" a "~".
#include <climits>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/ansi_codec.h"
#include "base/png.h"
#include "base/strings.h"
#include "cli.h"
#include "symbols/qr/qr_code.h"

namespace velin::cli {
namespace {

constexpr const char* kName = "qr";
constexpr const char* kUsage =
    "qr TEXT -o OUT.png [--version V] [--level L|M|Q|H] "
    "[--mode auto|numeric|alphanumeric|byte|kanji] [--mask N] [--pxmag N] [--usejis] "
    "[--count N] [--binary] [--pbm]";

struct Options {
  std::string text;
  bool have_text = false;
  std::string out;
  int version = 6;
  int level = 1;  // M
  int mode = -1;  // automatic
  int mask = -1;  // automatic
  int pxmag = 4;
  int count = 1;
  bool usejis = false;
  bool binary = false;
  bool pbm = false;
};

bool ReadInt(const std::string& text, int low, int high, int& value) {
  int32_t v = 0;
  if (!TryStrToInt(text, v) || v < low || v > high) return false;
  value = v;
  return true;
}

// Fills `o` from the arguments; returns an error message, empty on success.
std::string Parse(const std::vector<std::string>& args, Options& o) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& v) {
      if (i + 1 >= args.size()) return false;
      v = args[++i];
      return true;
    };
    std::string v;
    if (a == "-o") {
      if (!value(o.out)) return "-o needs a file name";
    } else if (a == "--version") {
      if (!value(v) || !ReadInt(v, 1, 40, o.version)) return "--version takes 1 to 40";
    } else if (a == "--level") {
      static const std::string kLevels = "LMQH";
      if (!value(v) || v.size() != 1 || kLevels.find(v[0]) == std::string::npos) {
        return "--level takes L, M, Q or H";
      }
      o.level = static_cast<int>(kLevels.find(v[0]));
    } else if (a == "--mode") {
      static const char* const kModes[] = {"numeric", "alphanumeric", "byte", "kanji"};
      if (!value(v)) return "--mode needs a value";
      o.mode = -2;
      if (v == "auto") o.mode = -1;
      for (int m = 0; m < 4; ++m) {
        if (v == kModes[m]) o.mode = m;
      }
      if (o.mode == -2) return "--mode takes auto, numeric, alphanumeric, byte or kanji";
    } else if (a == "--mask") {
      if (!value(v) || !ReadInt(v, 0, 7, o.mask)) return "--mask takes 0 to 7";
    } else if (a == "--pxmag") {
      if (!value(v) || !ReadInt(v, 1, 10, o.pxmag)) return "--pxmag takes 1 to 10";
    } else if (a == "--count") {
      if (!value(v) || !ReadInt(v, 1, TQRCode::kMaxCount, o.count)) {
        return "--count takes 1 to 1024";
      }
    } else if (a == "--usejis") {
      o.usejis = true;
    } else if (a == "--binary") {
      o.binary = true;
    } else if (a == "--pbm") {
      o.pbm = true;
    } else if (a.size() > 1 && a[0] == '-') {
      return "unknown option " + a;
    } else if (!o.have_text) {
      o.text = a;
      o.have_text = true;
    } else {
      return "more than one TEXT";
    }
  }
  if (!o.have_text) return "TEXT is missing";
  if (o.out.empty()) return "-o OUT.png is missing";
  return "";
}

int Run(const std::vector<std::string>& args) {
  Options o;
  const std::string error = Parse(args, o);
  if (!error.empty()) return UsageError(kName, error);

  TQRCode qr;
  qr.SetSymbolEnabled(false);  // configure first, render once
  qr.SetPicWidth(INT_MAX);     // no shrinking: the picture is as large as the symbols
  qr.SetPicHeight(INT_MAX);
  qr.SetVersion(o.version);
  qr.SetEclevel(o.level);
  qr.SetEmode(o.mode);
  qr.SetMasktype(o.mask);
  qr.SetPxmag(o.pxmag);
  qr.SetUsejis(o.usejis);
  // The standard's quiet zone of four modules as the cell margins, so the PNG reads as it is.
  qr.SetSymbolSpaceLeft(4 * o.pxmag);
  qr.SetSymbolSpaceRight(4 * o.pxmag);
  qr.SetSymbolSpaceUp(4 * o.pxmag);
  qr.SetSymbolSpaceDown(4 * o.pxmag);
  qr.SetMatch(true);
  qr.SetBinaryOperation(o.binary);
  qr.SetCode(Utf8ToAnsi(o.text));
  qr.SetCount(o.count);
  try {
    qr.SetSymbolEnabled(true);
  } catch (const EQRCodeError& e) {
    std::fprintf(stderr, "velin-cli qr: %s\n", e.what());
    return kExitFailure;
  }
  if (!qr.SymbolDisped()) {
    std::fprintf(stderr,
                 "velin-cli qr: %d data bytes do not fit %d symbol(s) of version %d at level %c "
                 "in the chosen mode\n",
                 qr.Len(), qr.Count(), qr.Version(), "LMQH"[qr.Eclevel()]);
    return kExitFailure;
  }
  if (!WritePng(o.out, qr.Picture())) {
    std::fprintf(stderr, "velin-cli qr: cannot write %s\n", o.out.c_str());
    return kExitFailure;
  }
  if (o.pbm) qr.BuildPbm([](const std::string& line) { std::printf("%s\n", line.c_str()); });
  return kExitOk;
}

const bool kRegistered = Register({kName, kUsage, Run});

}  // namespace
}  // namespace velin::cli
