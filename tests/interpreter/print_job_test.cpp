// Print jobs seen from the interpreter: the report of every print call, and what the page
// lock covers while a job is out.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "support/interpreter_harness.h"

namespace velin {
namespace {

using test::InterpreterHarness;

// Takes `lock` from another thread, giving up after a few seconds; true if it was taken, and
// then `while_held` has run under it.
bool LockFromAnotherThread(std::mutex& lock, const std::function<void()>& while_held) {
  auto taken = std::async(std::launch::async, [&] {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!lock.try_lock()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    while_held();
    lock.unlock();
    return true;
  });
  return taken.get();
}

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

TEST(PrintJob, ThePageIsFreeWhileTheJobIsSubmittedAndPrintsAsItWasAtPrint) {
  const struct {
    const char* name;
    const char* config;
    const char* label;  // draws a 320 × 240 page
    const char* print;
  } rows[] = {
      {"cpcl", "[system]\r\ntransfer_mode=1\r\nprinter=Label Printer\r\n",
       "! 0 200 200 240 1\r\nPW 320\r\nBOX 10 10 100 100 3\r\nLINE 0 200 319 200 4\r\n",
       "PRINT\r\n"},
      {"tspl", "[system]\r\ntransfer_mode=2\r\nprinter=Label Printer\r\n",
       "SIZE 40 mm,30 mm\r\nCLS\r\nBAR 10,10,50,50\r\nBAR 0,200,320,4\r\n", "PRINT 1,1\r\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    InterpreterHarness h(row.config);
    h.printer.printable_area = {320, 240};  // one device pixel per dot
    h.Receive(row.label);
    h.Run();
    const Bitmap32 at_print = h.thread().page().bitmap();
    ASSERT_EQ(at_print.width(), 320);
    ASSERT_EQ(at_print.height(), 240);

    // While the job is out, the preview (another thread) takes the lock, and the next label
    // changes the page.
    bool taken = false;
    h.printer.during_job = [&] {
      taken = LockFromAnotherThread(h.thread().page().lock(),
                                    [&] { h.thread().page().bitmap().Fill(kBlack); });
    };
    h.Receive(row.print);
    h.Run();
    EXPECT_TRUE(taken) << "the page lock was held while the job was submitted";
    ASSERT_EQ(h.printer.graphic_jobs.size(), 1u);
    EXPECT_TRUE(h.printer.graphic_jobs[0].page == at_print)
        << "the printed page is not the page as it was at PRINT";
  }
}

}  // namespace
}  // namespace velin
