// Writes the program's icons for the resource file: make_icons OUTPUT_DIR writes velin.ico
// (the application icon) and state-6.ico, state-8.ico (the receiver state images). Built and
// run on the build machine; the Windows build compiles it with the host compiler.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/app_texts.h"
#include "app/icon_art.h"

namespace {

bool Write(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) std::fprintf(stderr, "make_icons: cannot write %s\n", path.c_str());
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace velin::app;
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_icons OUTPUT_DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  std::vector<velin::skin::Image> app;
  for (int size : kAppIconSizes) app.push_back(AppIcon(size));
  bool ok = Write(dir + "/velin.ico", EncodeIco(app));
  for (int index : {kImageReceiverFound, kImageReceiverMissing}) {
    std::vector<velin::skin::Image> state;
    for (int size : kStateImageSizes) state.push_back(StateImage(index, size));
    ok = Write(dir + "/state-" + std::to_string(index) + ".ico", EncodeIco(state)) && ok;
  }
  return ok ? 0 : 1;
}
