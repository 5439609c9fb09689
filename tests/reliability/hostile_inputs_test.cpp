// Hostile inputs, one table: after each, a known label must print exactly the page it prints
// on a fresh interpreter, once. What the sender controls (sizes, coordinates, line lengths,
// the data that handlers take from the FIFO themselves, control bytes, block sizes) is pushed
// to its extremes; the label that follows shows that nothing leaked into the next job.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/interpreter_harness.h"

namespace velin::test {
namespace {

// Known labels. Each sets the state it relies on, as a phone's label does (page width,
// magnification, the printer dialect's units, reference point and encoding), so that a hostile
// input that legitimately changed a setting does not count.
const std::string kCpclLabel =
    "! 0 200 200 300 1\r\n"
    "PW 400\r\n"
    "T 4 0 10 10 Velin \xD6\xD0\xCE\xC4 123\r\n"
    "LINE 0 60 380 60 3\r\n"
    "BOX 10 70 200 130 2\r\n"
    "B 128 1 1 40 10 140 AB12\r\n"
    "B QR 250 10 M 2 U 4\r\n"
    "MA,QR1\r\n"
    "ENDQR\r\n"
    "EG 1 4 300 150 FF8181FF\r\n"
    "CG 1 8 250 150 \xFF\x81\x81\x81\x81\x81\x81\xFF\r\n"
    "FORM\r\n"
    "PRINT\r\n";
const std::string kCpclPrinterLabel =
    "! 0 200 200 300 1\r\n"
    "ENCODING GB18030\r\n"
    "PW 400\r\n"
    "SETMAG 0 0\r\n"
    "IN-DOTS\r\n"
    "LEFT\r\n"
    "T 4 0 10 10 Velin \xD6\xD0\xCE\xC4\r\n"
    "L 0 60 380 60 3\r\n"
    "B 128 1 1 40 10 140 AB12\r\n"
    "PRINT\r\n";
const std::string kTsplLabel =
    "SIZE 50 mm,30 mm\r\n"
    "CLS\r\n"
    "TEXT 10,10,\"3\",0,1,1,\"Velin \xD6\xD0\xCE\xC4\"\r\n"
    "BAR 10,50,200,3\r\n"
    "BARCODE 10,60,\"128\",40,1,0,2,2,\"AB12\"\r\n"
    "QRCODE 250,10,M,4,A,0,\"QR1\"\r\n"
    "PRINT 1\r\n";
const std::string kTsplPrinterLabel =
    "SIZE 50 mm,30 mm\r\n"
    "CODEPAGE 936\r\n"
    "DIRECTION 0,0\r\n"
    "REFERENCE 0,0\r\n"
    "CLS\r\n"
    "TEXT 10,10,\"3\",0,1,1,\"Velin \xD6\xD0\xCE\xC4\"\r\n"
    "BOX 5,5,300,200,2\r\n"
    "BITMAP 40,120,2,4,0,\xFF\x7E\x81\x42\x24\x18\x7E\xFF\r\n"
    "PRINT 1\r\n";

enum class Language { kCpcl, kCpclPrinter, kTspl, kTsplPrinter };

std::string Config(Language language) {
  const bool tspl = language == Language::kTspl || language == Language::kTsplPrinter;
  const bool printer = language == Language::kCpclPrinter || language == Language::kTsplPrinter;
  return std::string("[system]\r\nprinter=Label Printer\r\ntransfer_mode=") +
         (tspl ? "2" : "1") + "\r\nlabel_dialect=" + (printer ? "printer" : "") + "\r\n";
}

const std::string& Label(Language language) {
  switch (language) {
    case Language::kCpcl: return kCpclLabel;
    case Language::kCpclPrinter: return kCpclPrinterLabel;
    case Language::kTspl: return kTsplLabel;
    case Language::kTsplPrinter: return kTsplPrinterLabel;
  }
  return kCpclLabel;
}

// Delivers `bytes` in blocks of `block` bytes (0: the port's 4096-byte reads), letting the
// interpreter take a byte between blocks, then runs it until idle.
void Deliver(InterpreterHarness& h, const std::string& bytes, size_t block) {
  if (block == 0) {
    h.Receive(bytes);
  } else {
    for (size_t pos = 0; pos < bytes.size(); pos += block) {
      h.Receive(bytes.substr(pos, block));
      h.thread().Step();
    }
  }
  h.Run();
}

struct Printed {
  size_t jobs = 0;
  FakePrinterSystem::GraphicJob last;
};

Printed PrintLabel(InterpreterHarness& h, Language language, size_t block) {
  const size_t before = h.printer.graphic_jobs.size();
  Deliver(h, Label(language), block);
  Printed printed;
  printed.jobs = h.printer.graphic_jobs.size() - before;
  if (!h.printer.graphic_jobs.empty()) printed.last = h.printer.graphic_jobs.back();
  return printed;
}

std::string Repeat(const std::string& text, size_t times) {
  std::string out;
  out.reserve(text.size() * times);
  for (size_t i = 0; i < times; ++i) out += text;
  return out;
}

struct Row {
  int line;
  const char* what;
  Language language;
  std::string bytes;
  size_t block = 0;  // block size of the hostile bytes and of the label; 0: 4096-byte reads
};

std::vector<Row> Rows() {
  using namespace std::string_literals;
  const std::string kMin = "-2147483648", kMax = "2147483647";
  using L = Language;
  return {
      // Sizes and coordinates.
      {__LINE__, "header with the largest height", L::kCpcl, "! 0 200 200 " + kMax + " 1\r\n"},
      {__LINE__, "header of INT_MIN", L::kCpcl,
       "! " + kMin + " " + kMin + " " + kMin + " " + kMin + " " + kMin + "\r\n"},
      {__LINE__, "header number past int32", L::kCpcl, "! 0 200 200 99999999999999999999 1\r\n"},
      {__LINE__, "page width extremes", L::kCpcl, "PW " + kMax + "\r\nPW " + kMin + "\r\nPW 0\r\n"},
      {__LINE__, "text at the corners of int32", L::kCpcl,
       "T 4 0 " + kMin + " " + kMin + " X\r\nT 4 " + kMax + " " + kMax + " " + kMax + " X\r\n" +
           "SETMAG " + kMax + " " + kMax + "\r\nT 4 0 10 10 big\r\n"},
      {__LINE__, "line and box of extreme size", L::kCpcl,
       "LINE " + kMin + " " + kMin + " " + kMax + " " + kMax + " " + kMax + "\r\nBOX 0 0 " + kMax +
           " " + kMax + " " + kMin + "\r\nBOX " + kMin + " 0 " + kMax + " 0 " + kMax + "\r\n"},
      {__LINE__, "barcode of extreme size", L::kCpcl,
       "B 128 " + kMax + " " + kMax + " " + kMax + " " + kMin + " " + kMin + " X\r\n" +
           "VB 128 -1 -1 -1 0 0 X\r\n"},
      {__LINE__, "QR of extreme magnification", L::kCpcl,
       "B QR 10 10 M 2 U " + kMax + "\r\nMA,X\r\nENDQR\r\nB QR " + kMin + " " + kMin +
           " M 2 U 6\r\nMA,X\r\nENDQR\r\n"},
      {__LINE__, "TSPL sizes and coordinates", L::kTspl,
       "SIZE " + kMax + "," + kMax + "\r\nSIZE " + kMin + " mm," + kMin + " mm\r\nTEXT " + kMin +
           "," + kMin + ",\"3\",0," + kMax + "," + kMax + ",\"X\"\r\nBAR 0,0," + kMax + "," + kMax +
           "\r\nBARCODE " + kMin + ",0,\"128\"," + kMax + ",1,0," + kMax + "," + kMax +
           ",\"X\"\r\nQRCODE 0,0,H," + kMax + ",A,0,\"X\"\r\nPRINT " + kMax + "\r\n"},
      {__LINE__, "printer dialect numbers past int32", L::kCpclPrinter,
       "IN-MILLIMETERS\r\nT 4 0 1e308 1e308 X\r\nCENTER " + kMax + "\r\nSETSP " + kMax +
           "\r\nT 4 0 0 0 X\r\nRIGHT " + kMin + "\r\nT 4 0 0 0 Y\r\nSETMAG " + kMax + " " + kMax +
           "\r\nIL " + kMin + " " + kMin + " " + kMax + " " + kMax + " " + kMax + "\r\n"},
      {__LINE__, "printer dialect reference and bitmap extremes", L::kTsplPrinter,
       "REFERENCE " + kMin + "," + kMin + "\r\nDIRECTION 1,1\r\nBOX " + kMin + "," + kMin + "," +
           kMax + "," + kMax + "," + kMax + "\r\nBITMAP " + kMax + "," + kMax + ",1,1,0,\xFF\r\n" +
           "BITMAP " + kMin + "," + kMin + "," + kMax + ",2,1,\xFF\xFF\r\n"},
      // Data that handlers take from the FIFO themselves.
      {__LINE__, "QR block without ENDQR", L::kCpcl, "B QR 10 10 M 2 U 6\r\nMA,ABC\r\nMORE\r\n"},
      {__LINE__, "CG data shorter than announced", L::kCpcl, "CG 2 100 0 0 \xFF\xFF"},
      {__LINE__, "CG data longer than announced", L::kCpcl,
       "CG 1 2 0 0 \xFF\xFF\xFF\xFF\xFF junk after the bitmap\r\n"},
      {__LINE__, "CG of the largest size and INT_MIN position", L::kCpcl,
       "CG " + kMax + " " + kMax + " " + kMin + " " + kMin + " " + std::string(5000, '\xFF')},
      {__LINE__, "CG negative size", L::kCpcl, "CG -1 -1 0 0 \r\n"},
      {__LINE__, "EG short, odd and not hexadecimal", L::kCpcl,
       "EG 8 8 0 0 F\r\nEG 2 2 0 0 FFF\r\nEG 1 1 0 0 ZZ\r\nEG " + kMax + " " + kMax +
           " 0 0 FF\r\n"},
      {__LINE__, "BITMAP data shorter than announced", L::kTsplPrinter,
       "BITMAP 0,0,4,100,0,\xFF\xFF"},
      // Encodings and control bytes.
      {__LINE__, "invalid GBK", L::kCpcl,
       "T 4 0 10 10 \x81\x30\xFF\xFE\x80\x81\r\nB 128 1 1 40 10 140 \xFF\xFE\r\n"},
      {__LINE__, "invalid UTF-8 after ENCODING UTF-8", L::kCpclPrinter,
       "ENCODING UTF-8\r\nT 4 0 10 10 \xC0\x80\xED\xA0\x80\xF4\x90\x80\x80\xE4\r\n"},
      {__LINE__, "NUL bytes", L::kCpcl,
       "T 4 0\0 10 10 A\0B\r\n\0\0\0FORM\0\r\n\0"s},
      {__LINE__, "status queries in the middle of a line", L::kCpcl,
       "T 4 0 10 10 He\x1B\x76ll\x1D\x01\x02\x03o\x10\x04\x01!\x1E\x01\x02\x03\x04\x05\r\n"},
      {__LINE__, "status queries in the middle of CG data", L::kCpcl,
       "CG 1 6 0 0 \xFF\x1B\x76\x10\x04\x01\r\n"},
      {__LINE__, "a status query as the last byte", L::kCpcl, "\x1E\x01"},
      {__LINE__, "one-byte USB blocks", L::kCpcl, "T 4 0 1 1 slow\r\n", 1},
      {__LINE__, "one-byte USB blocks, TSPL", L::kTspl, "TEXT 1,1,\"3\",0,1,1,\"slow\"\r\n", 1},
      // Lengths.
      {__LINE__, "a line over 8 MiB", L::kCpcl,
       "T 4 0 10 10 " + std::string(TCPCLCmdThread::MaxByteBuf + 100, 'A') + "\r\n"},
      {__LINE__, "many short lines of nothing", L::kTspl, Repeat("X\r\n,\r\n\"\r\n", 20000)},
      {__LINE__, "an unterminated quote", L::kTspl, "TEXT 10,10,\"3\",0,1,1,\"abc\r\n"},
  };
}

TEST(HostileInputs, TheNextLabelPrintsAsOnAFreshInterpreter) {
  for (const Row& row : Rows()) {
    SCOPED_TRACE(testing::Message() << "row " << row.line << ": " << row.what);
    InterpreterHarness fresh(Config(row.language));
    const Printed expected = PrintLabel(fresh, row.language, row.block);
    ASSERT_EQ(expected.jobs, 1u);

    InterpreterHarness h(Config(row.language));
    Deliver(h, row.bytes, row.block);
    h.clock.advance(5000);  // a pause between jobs, as between two phones' labels
    h.Run();
    const Printed after = PrintLabel(h, row.language, row.block);
    EXPECT_EQ(after.jobs, 1u);
    EXPECT_TRUE(after.last.page == expected.last.page);
    EXPECT_EQ(after.last.stretches.size(), expected.last.stretches.size());
  }
}

// A pass-through burst past the cap is sent as one job of the cap and gathering goes on; the
// label after it, once the mode is CPCL again, prints as on a fresh interpreter.
TEST(HostileInputs, APassThroughBurstPastItsCapIsSentInPiecesAndNothingIsLost) {
  InterpreterHarness fresh(Config(Language::kCpcl));
  const Printed expected = PrintLabel(fresh, Language::kCpcl, 0);

  InterpreterHarness h(Config(Language::kCpcl));
  h.thread().SetCmdMode(kPassThrough);
  const size_t sent = TCPCLCmdThread::kMaxTranMemory + 12345;
  const std::string chunk(1 << 20, '\x1B');
  for (size_t pos = 0; pos < sent; pos += chunk.size()) {
    h.Receive(chunk.substr(0, std::min(chunk.size(), sent - pos)));
    while (h.fifo().GetFiFoSize() > 0) h.thread().Step();
  }
  h.Run();
  ASSERT_EQ(h.printer.raw_jobs.size(), 2u);
  EXPECT_EQ(h.printer.raw_jobs[0].bytes.size(), TCPCLCmdThread::kMaxTranMemory);
  EXPECT_EQ(h.printer.raw_jobs[1].bytes.size(), sent - TCPCLCmdThread::kMaxTranMemory);
  EXPECT_EQ(h.fifo().dropped_bytes(), 0u);
  EXPECT_TRUE(h.replies.empty());  // pass-through answers nothing

  h.thread().SetCmdMode(kCpcl);
  const Printed after = PrintLabel(h, Language::kCpcl, 0);
  EXPECT_EQ(after.jobs, 1u);
  EXPECT_TRUE(after.last.page == expected.last.page);
}

}  // namespace
}  // namespace velin::test
