// Puts the standard streams of a command-line program in binary mode before main runs, so that
// what it writes to stdout (traces, images) is byte-for-byte what it writes on Linux: the C
// runtime would otherwise add a CR before every LF.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace {

const bool binary_stdio = [] {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  return true;
}();

}  // namespace
