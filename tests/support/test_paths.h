// Paths of the source tree and a scratch directory for tests.
#pragma once

#include <string>

namespace velin::test {

inline std::string SourcePath(const std::string& relative) {
  return std::string(VELIN_SOURCE_DIR) + "/" + relative;
}

// A fresh, empty directory under the build tree for the calling test.
std::string ScratchDir();

}  // namespace velin::test
