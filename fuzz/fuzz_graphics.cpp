// The bitmap commands' decoding with the numbers a hostile sender would choose: CPCL CG
// (COMPRESSED-GRAPHICS, raw bytes after the header), CPCL EG (hexadecimal text on the line)
// and the printer dialect's TSPL BITMAP (raw bytes after the header, three merge modes).
//
// Input: one byte picking the command, four numbers (width, height, x, y) of three bytes each,
// one byte for the BITMAP mode and the block size, then the data. A number's first byte below
// 0xF0 makes it the signed 16-bit value of the next two; from 0xF0 up it picks one of the
// extremes below, so the search reaches INT_MIN and friends as readily as small sizes.
#include <climits>
#include <cstring>
#include <string>

#include "interpreter_driver.h"

namespace {

constexpr int64_t kExtremes[] = {INT_MIN, INT_MIN + 1, INT_MAX, -1,        0,     1,
                                 1 << 30, -(1 << 30), 65535,   1 << 16,   32767, -32768,
                                 8,       7,          9,       1000000};

int64_t Number(const uint8_t* p) {
  if (p[0] >= 0xF0) return kExtremes[p[0] - 0xF0];
  return static_cast<int16_t>(p[1] | p[2] << 8);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr size_t kHeader = 1 + 4 * 3 + 1;
  if (size < kHeader) return 0;
  const int command = data[0] % 3;
  const int64_t width = Number(data + 1), height = Number(data + 4), x = Number(data + 7),
                y = Number(data + 10);
  const uint8_t extra = data[13];
  const uint8_t* payload = data + kHeader;
  const size_t payload_size = size - kHeader;
  const std::string numbers = std::to_string(width) + " " + std::to_string(height) + " " +
                              std::to_string(x) + " " + std::to_string(y);

  std::string stream;
  int32_t mode = velin::kCpcl;
  velin::LabelDialect dialect =
      extra & 0x80 ? velin::LabelDialect::kPrinter : velin::LabelDialect::kDefault;
  switch (command) {
    case 0:  // header cut at its fifth space, raw data straight after it
      stream = "CG " + numbers + " ";
      stream.append(reinterpret_cast<const char*>(payload), payload_size);
      break;
    case 1:  // hexadecimal text ended by the line's end
      stream = "EG " + numbers + " ";
      stream.append(reinterpret_cast<const char*>(payload), payload_size);
      stream += "\r\n";
      break;
    default:  // TSPL BITMAP x,y,width bytes,height,mode, then raw data
      mode = velin::kTspl;
      dialect = velin::LabelDialect::kPrinter;
      stream = "BITMAP " + std::to_string(x) + "," + std::to_string(y) + "," +
               std::to_string(width) + "," + std::to_string(height) + "," +
               std::to_string(extra % 4) + ",";
      stream.append(reinterpret_cast<const char*>(payload), payload_size);
      break;
  }
  // A label after the bitmap: the framing must be back in step once the data is taken.
  stream += mode == velin::kTspl ? "\r\nBAR 1,1,2,2\r\nPRINT 1\r\n" : "\r\nLINE 0 0 9 9 1\r\nPRINT\r\n";
  velin::fuzz::RunInterpreter(reinterpret_cast<const uint8_t*>(stream.data()), stream.size(),
                              mode, dialect, 1 + (extra & 0x3F) * 64);
  return 0;
}
