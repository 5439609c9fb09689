// A soak run: many labels on the virtual clock through two interpreters, one per language (the
// transfer mode is fixed for an interpreter's run), valid labels mixed with hostile lines in a
// fixed pseudo-random order. Every valid label prints
// once and the same page every time; after a warm-up, the process's memory, handles and
// threads stay where they were.
//
// CI runs a few hundred labels. The long run: VELIN_SOAK_LABELS=100000 with
// --gtest_filter='Soak.*' (in a build without AddressSanitizer, whose quarantine holds freed
// memory on purpose, for the memory figure).
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "process_stats.h"
#include "support/interpreter_harness.h"

namespace velin::test {
namespace {

struct Label {
  int32_t mode;
  std::string bytes;
};

const std::vector<Label>& ValidLabels() {
  static const std::vector<Label> labels = {
      {kCpcl,
       "! 0 200 200 320 1\r\nPW 480\r\nSETMAG 2 2\r\nT 4 0 10 10 \xCB\xB3\xB7\xE1 SF1234\r\n"
       "SETMAG 1 1\r\nLINE 0 60 470 60 2\r\nBOX 5 70 300 150 3\r\n"
       "B 128 2 1 50 10 160 SF1234567890\r\nB QR 330 70 M 2 U 5\r\nMA,https://x.example/1\r\n"
       "ENDQR\r\nFORM\r\nPRINT\r\n"},
      {kCpcl,
       "! 0 200 200 200 1\r\nPW 400\r\nSETBOLD 1\r\nT 7 0 5 5 Bold\r\nSETBOLD 0\r\n"
       "CG 2 8 100 100 \xFF\xFF\x80\x01\x80\x01\x80\x01\x80\x01\x80\x01\x80\x01\xFF\xFF\r\n"
       "EG 1 2 200 100 F0F0\r\nVB 128 1 1 40 300 190 VERT\r\nPRINT\r\n"},
      {kTspl,
       "SIZE 60 mm,40 mm\r\nCLS\r\nTEXT 20,20,\"3\",0,1,1,\"\xD6\xD0\xCE\xC4 TSPL\"\r\n"
       "BAR 20,60,300,4\r\nBARCODE 20,80,\"128\",60,1,0,2,2,\"T-1000\"\r\n"
       "QRCODE 340,20,M,4,A,0,\"soak\"\r\nPRINT 1\r\n"},
  };
  return labels;
}

// Lines a careless or hostile sender puts between labels; none of them prints.
const std::vector<Label>& HostileLines() {
  static const std::vector<Label> lines = {
      {kCpcl, "! 0 200 200 2147483647 1\r\n"},
      {kCpcl, "T 4 0 -2147483648 -2147483648 \xFF\xFE\x81\r\n"},
      {kCpcl, "LINE -2147483648 0 2147483647 0 2147483647\r\n"},
      {kCpcl, "B QR 10 10 M 2 U 2147483647\r\nMA,X\r\n"},  // no ENDQR
      {kCpcl, "CG 4 100 0 0 \xFF\xFF\xFF"},                 // shorter than announced
      {kCpcl, "EG 2 2 0 0 ZZZZ\r\nPW -5\r\n"},
      {kCpcl, "T 4 0 1 1 A\x1B\x76\x1D\x01\x02\x03\x10\x04\x01\x1E\x01\x02\x03\x04\x05\r\n"},
      {kCpcl, std::string(70000, 'x') + "\r\n"},
      {kTspl, "SIZE 2147483647,2147483647\r\nTEXT 0,0,\"3\",0,1,1,\"open\r\n"},
      {kTspl, "BAR -2147483648,-2147483648,2147483647,2147483647\r\nQRCODE 0,0,Q,99,A,0,\"\"\r\n"},
      {kTspl, std::string("\0\0\x01\x02\x07\x08\x0B\x0C", 8) + "\r\n"},
  };
  return lines;
}

uint64_t PageHash(const Bitmap32& page) {
  uint64_t h = 1469598103934665603ull ^ static_cast<uint64_t>(page.width()) << 32 ^
               static_cast<uint64_t>(page.height());
  for (uint32_t p : page.Pixels()) h = (h ^ p) * 1099511628211ull;
  return h;
}

void Forget(InterpreterHarness& h) {
  h.calls.clear();
  h.commands.clear();
  h.replies.clear();
  h.debug_lines.clear();
  h.reports.clear();
  h.message_boxes.clear();
  h.print_reports.clear();
  h.printer.graphic_jobs.clear();
  h.printer.raw_jobs.clear();
  h.thread().report().Reset();
}

TEST(Soak, LabelsAndHostileLinesMixedPrintTheSamePagesWithoutGrowth) {
  const uint64_t total = EnvNumber("VELIN_SOAK_LABELS", 400);
  const uint64_t warm_up = std::max<uint64_t>(total / 10, 20);
  InterpreterHarness cpcl("[system]\r\nprinter=Label Printer\r\ntransfer_mode=1\r\n");
  InterpreterHarness tspl("[system]\r\nprinter=Label Printer\r\ntransfer_mode=2\r\n");
  auto for_mode = [&](int32_t mode) -> InterpreterHarness& { return mode == kTspl ? tspl : cpcl; };
  std::mt19937 order(16);
  std::vector<uint64_t> first_hash(ValidLabels().size(), 0);
  std::vector<uint64_t> printed(ValidLabels().size(), 0);
  uint64_t hostile = 0, mismatches = 0, wrong_counts = 0;
  ProcessStats after_warm_up, peak;

  for (uint64_t n = 0; n < total; ++n) {
    const uint32_t pick = order();
    const bool is_hostile = pick % 4 == 0;  // one in four: a hostile line
    const Label& item = is_hostile ? HostileLines()[pick / 4 % HostileLines().size()]
                                   : ValidLabels()[pick / 4 % ValidLabels().size()];
    InterpreterHarness& h = for_mode(item.mode);
    Forget(h);
    h.Receive(item.bytes);
    if (is_hostile) {
      ++hostile;
    } else {
      const size_t k = pick / 4 % ValidLabels().size();
      h.Run();
      if (h.printer.graphic_jobs.size() != 1) {
        ++wrong_counts;
      } else {
        const uint64_t hash = PageHash(h.printer.graphic_jobs[0].page);
        if (printed[k]++ == 0) first_hash[k] = hash;
        if (hash != first_hash[k]) ++mismatches;
      }
    }
    h.Run();
    h.clock.advance(3000);  // the pause between two jobs
    h.Run();
    if (n + 1 == warm_up) after_warm_up = ReadProcessStats();
    if (n + 1 >= warm_up) {
      const ProcessStats now = ReadProcessStats();
      peak.resident_bytes = std::max(peak.resident_bytes, now.resident_bytes);
      peak.handles = std::max(peak.handles, now.handles);
      peak.threads = std::max(peak.threads, now.threads);
    }
  }
  const ProcessStats end = ReadProcessStats();
  EXPECT_EQ(wrong_counts, 0u);
  EXPECT_EQ(mismatches, 0u);
  for (size_t k = 0; k < printed.size(); ++k) EXPECT_GT(printed[k], 0u) << "label " << k;
  EXPECT_EQ(end.handles, after_warm_up.handles);
  EXPECT_EQ(end.threads, after_warm_up.threads);
  if (!kUnderAddressSanitizer) {
    // Allocator noise, not growth: a leak of one byte per label would pass, one page per label
    // over the long run would not.
    EXPECT_LE(peak.resident_bytes - after_warm_up.resident_bytes, int64_t{16} << 20);
  }
  std::printf("[ soak     ] %llu labels (%llu hostile); after warm-up: %s; peak: %s; end: %s\n",
              static_cast<unsigned long long>(total), static_cast<unsigned long long>(hostile),
              Describe(after_warm_up).c_str(), Describe(peak).c_str(), Describe(end).c_str());
}

}  // namespace
}  // namespace velin::test
