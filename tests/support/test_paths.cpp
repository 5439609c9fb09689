#include "support/test_paths.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace velin::test {

std::string ScratchDir() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::filesystem::path dir = std::filesystem::path(VELIN_BINARY_DIR) / "scratch" /
                              (std::string(info->test_suite_name()) + "." + info->name());
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir.string();
}

}  // namespace velin::test
