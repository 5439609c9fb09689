// velin-cli barcode: encodes a text in one linear symbology and paints it on a white PNG with
// a quiet zone of ten modules on every side; optionally prints the pattern string.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "base/bitmap.h"
#include "base/canvas.h"
#include "base/png.h"
#include "base/strings.h"
#include "base/text_renderer.h"
#include "cli.h"
#include "symbols/barcode/barcode.h"

namespace velin::cli {
namespace {

constexpr const char* kName = "barcode";
constexpr const char* kUsage =
    "barcode TYPE TEXT -o OUT.png [--modul N] [--ratio R] [--height H] [--angle DEG] "
    "[--checksum] [--show-text] [--pattern]";
constexpr int kQuietModules = 10;
constexpr int kDefaultHeight = 50;
constexpr int kMaxHeight = 10000;

// TYPE is the TBarcodeType name without its "bc" prefix.
constexpr const char* kTypeNames[kBarcodeTypeCount] = {
    "Code_2_5_interleaved",
    "Code_2_5_industrial",
    "Code_2_5_matrix",
    "Code39",
    "Code39Extended",
    "Code128A",
    "Code128B",
    "Code128C",
    "Code93",
    "Code93Extended",
    "CodeMSI",
    "CodePostNet",
    "CodeCodabar",
    "CodeEAN8",
    "CodeEAN13",
    "Code128M",
};

bool ParseType(const std::string& text, TBarcodeType& type) {
  for (int i = 0; i < kBarcodeTypeCount; ++i) {
    if (EqualsIgnoreAsciiCase(text, kTypeNames[i])) {
      type = static_cast<TBarcodeType>(i);
      return true;
    }
  }
  return false;
}

bool ParseNumber(const std::string& text, double& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return end == text.c_str() + text.size() && std::isfinite(value);
}

std::string TypeList() {
  std::string list;
  for (const char* name : kTypeNames) list += (list.empty() ? "" : ", ") + std::string(name);
  return list;
}

int Run(const std::vector<std::string>& args) {
  std::vector<std::string> positional;
  std::string output;
  int32_t modul = 1, height = kDefaultHeight;
  double ratio = 2.0, angle = 0.0;
  bool checksum = false, show_text = false, print_pattern = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-o" || a == "--modul" || a == "--ratio" || a == "--height" || a == "--angle") {
      if (i + 1 == args.size()) return UsageError(kName, a + " needs a value");
      const std::string& value = args[++i];
      if (a == "-o") {
        output = value;
      } else if (a == "--modul") {
        if (!TryStrToInt(value, modul) || modul < 1 || modul > 49) {
          return UsageError(kName, "--modul takes a whole number from 1 to 49");
        }
      } else if (a == "--height") {
        if (!TryStrToInt(value, height) || height < 1 || height > kMaxHeight) {
          return UsageError(
              kName, "--height takes a whole number from 1 to " + std::to_string(kMaxHeight));
        }
      } else if (a == "--ratio") {
        if (!ParseNumber(value, ratio) || ratio <= 0) {
          return UsageError(kName, "--ratio takes a positive number");
        }
      } else if (!ParseNumber(value, angle)) {
        return UsageError(kName, "--angle takes a number of degrees");
      }
    } else if (a == "--checksum") {
      checksum = true;
    } else if (a == "--show-text") {
      show_text = true;
    } else if (a == "--pattern") {
      print_pattern = true;
    } else if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
      return UsageError(kName, "unknown option '" + a + "'");
    } else {
      positional.push_back(a);  // a TEXT may begin with a single '-'
    }
  }
  if (positional.size() != 2) return UsageError(kName, "TYPE and TEXT are required");
  if (output.empty()) return UsageError(kName, "no output file (-o OUT.png)");
  TBarcodeType type;
  if (!ParseType(positional[0], type)) {
    return UsageError(kName, "unknown TYPE '" + positional[0] + "' (one of " + TypeList() + ")");
  }

  TBarcode barcode;
  barcode.SetTyp(type);
  barcode.SetText(positional[1]);
  barcode.SetModul(modul);
  barcode.SetRatio(ratio);
  barcode.SetHeight(height);
  barcode.SetAngle(angle);
  barcode.SetChecksum(checksum);
  barcode.SetShowText(show_text);
  TextRenderer& text = PlatformTextRenderer();
  try {
    // Extent relative to (Left, Top): the bars, and the unrotated text cells below them.
    SymbolBox box = SymbolBounds(barcode);
    if (show_text) {
      Font font;
      font.size = 4;
      Size line1 = text.Measure(barcode.Text(), font);
      Size line2 = text.Measure(barcode.TypeName(), font);
      box.left = std::min(box.left, 0);
      box.top = std::min(box.top, 0);
      box.right = std::max({box.right, line1.width - 1, line2.width - 1});
      box.bottom = std::max({box.bottom, line1.height - 1, 7 + line2.height - 1});
    }
    const int margin = kQuietModules * barcode.Modul();
    const int64_t width = int64_t{box.right} - box.left + 1 + 2 * margin;
    const int64_t rows = int64_t{box.bottom} - box.top + 1 + 2 * margin;
    if (width * rows > Bitmap32::kMaxPixels) {
      std::fprintf(stderr, "velin-cli %s: the symbol needs %lld x %lld dots, too large\n", kName,
                   static_cast<long long>(width), static_cast<long long>(rows));
      return kExitFailure;
    }
    Bitmap32 bitmap(static_cast<int>(width), static_cast<int>(rows), kWhite);
    barcode.SetLeft(margin - box.left);
    barcode.SetTop(margin - box.top);
    Canvas canvas(bitmap, &text);
    barcode.DrawBarcode(canvas);
    if (!WritePng(output, bitmap)) {
      std::fprintf(stderr, "velin-cli %s: cannot write '%s'\n", kName, output.c_str());
      return kExitFailure;
    }
    if (print_pattern) std::printf("%s\n", barcode.BuildPattern().c_str());
  } catch (const EBarcodeError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return kExitFailure;
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "velin-cli %s: out of memory\n", kName);
    return kExitFailure;
  }
  return kExitOk;
}

const bool registered = Register({kName, kUsage, Run});

}  // namespace
}  // namespace velin::cli
