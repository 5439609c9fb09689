#include "process_stats.h"

namespace velin::test {

std::string Describe(const ProcessStats& stats) {
  return "resident " + std::to_string(stats.resident_bytes / 1024) + " KiB, " +
         std::to_string(stats.handles) + " handles, " + std::to_string(stats.threads) +
         " threads";
}

}  // namespace velin::test
