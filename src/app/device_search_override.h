// A device search that also reports one given path after the platform's own results: how the
// tests put a receiver stand-in (a named pipe) where the program looks for the receiver. The
// program uses it only when the test switch is set (VELIN_TEST_RECEIVER_PATH).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "usb/device_search.h"

namespace velin::app {

// Contract as DeviceSearch; `inner` may be null (only the extra path is reported).
class DeviceSearchWithExtraPath final : public DeviceSearch {
 public:
  DeviceSearchWithExtraPath(std::unique_ptr<DeviceSearch> inner, std::string extra_path)
      : inner_(std::move(inner)), extra_path_(std::move(extra_path)) {}
  bool SearchDevice(std::vector<std::string>& paths) override {
    if (inner_) inner_->SearchDevice(paths);
    paths.push_back(extra_path_);
    return true;
  }

 private:
  std::unique_ptr<DeviceSearch> inner_;
  std::string extra_path_;
};

// The environment variable naming the stand-in's path; unset in normal use.
inline constexpr char kTestReceiverVariable[] = "VELIN_TEST_RECEIVER_PATH";

}  // namespace velin::app
