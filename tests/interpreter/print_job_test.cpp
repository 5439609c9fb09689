// Print jobs seen from the interpreter: the report of every print call.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/interpreter_harness.h"

namespace velin {
namespace {

using test::InterpreterHarness;

// The fields that matter of one report, as one comparable line.
std::string Show(const PrintReport& r) {
  std::string line = r.kind == PrintReport::Kind::kLabel ? "label " : "raw ";
  line += r.printer + " -> " + r.device + " ";
  line += r.kind == PrintReport::Kind::kLabel
              ? std::to_string(r.page.width) + "x" + std::to_string(r.page.height)
              : std::to_string(r.bytes) + " bytes";
  line += r.ok ? " ok" : " failed: " + r.error;
  return line;
}

TEST(PrintJob, EveryPrintCallIsReportedWithItsOutcome) {
  const struct {
    const char* name;
    int mode;
    const char* printer;          // [system] printer
    const char* default_printer;  // of the fake printer system
    bool fail_in_page;
    const char* input;
    std::vector<std::string> reports;
    std::vector<std::string> boxes;
  } rows[] = {
      {"cpcl label",
       1,
       "label printer",
       "Office",
       false,
       "! 0 200 200 240 1\r\nPRINT\r\n",
       {"label label printer -> Label Printer 624x240 ok"},
       {}},
      {"cpcl label with a bad text line",
       1,
       "Office",
       "Office",
       false,
       "! 0 200 200 240 1\r\nTEXT 4 0 x 20 Hi\r\nPRINT\r\n",
       {"label Office -> Office 624x240 ok"},
       {}},
      {"unknown name goes to the default",
       1,
       "Gone",
       "Office",
       false,
       "! 0 200 200 240 1\r\nPRINT\r\n",
       {"label Gone -> Office 624x240 ok"},
       {}},
      {"cpcl label, no printer to select",
       1,
       "Gone",
       "",
       false,
       "! 0 200 200 240 1\r\nPRINT\r\n",
       {"label Gone ->  624x240 failed: NotFindPrinter."},
       {}},
      {"tspl label, no printer to select",
       2,
       "Gone",
       "",
       false,
       "SIZE 40 mm,30 mm\r\nCLS\r\nPRINT 1\r\n",
       {"label Gone ->  320x240 failed: NotFindPrinter."},
       {}},
      {"tspl label, the platform fails",
       2,
       "Office",
       "Office",
       true,
       "SIZE 40 mm,30 mm\r\nCLS\r\nPRINT 1\r\n",
       {"label Office -> Office 320x240 failed: StretchBlt failed"},
       {}},
      {"two labels",
       2,
       "Office",
       "Office",
       false,
       "SIZE 10 mm,5 mm\r\nPRINT 1\r\nPRINT 1\r\n",
       {"label Office -> Office 80x40 ok", "label Office -> Office 80x40 ok"},
       {}},
      {"no printer bound", 1, "", "Office", false, "! 0 200 200 240 1\r\nPRINT\r\n", {}, {}},
      {"raw job",
       0,
       "office",
       "Office",
       false,
       "^XA^XZ\r\n",
       {"raw office -> office 8 bytes ok"},
       {}},
      {"raw job to an unknown printer",
       0,
       "Gone",
       "Office",
       false,
       "^XA^XZ\r\n",
       {"raw Gone -> Gone 8 bytes failed: error 1801"},
       {"error 1801"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    InterpreterHarness h("[system]\r\ntransfer_mode=" + std::to_string(row.mode) +
                         "\r\nprinter=" + row.printer + "\r\n");
    h.printer.default_printer = row.default_printer;
    h.printer.fail_in_page = row.fail_in_page;
    h.Receive(row.input);
    h.Run();
    std::vector<std::string> shown;
    for (const PrintReport& r : h.print_reports) shown.push_back(Show(r));
    EXPECT_EQ(shown, row.reports);
    EXPECT_EQ(h.message_boxes, row.boxes);  // the raw job's box is still shown
  }
}

}  // namespace
}  // namespace velin
