// What a long run must not grow: the process's resident memory, its open handles (file
// descriptors on Linux, kernel handles on Windows) and its threads. Read from the operating
// system at the moment of the call; -1 where it cannot be read.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>

namespace velin::test {

struct ProcessStats {
  int64_t resident_bytes = -1;
  int64_t handles = -1;
  int64_t threads = -1;
};

ProcessStats ReadProcessStats();

std::string Describe(const ProcessStats& stats);

// A size or count from the environment (how a developer asks for the long version of a run),
// else `fallback`.
inline uint64_t EnvNumber(const char* name, uint64_t fallback) {
  const char* text = std::getenv(name);
  if (!text || !*text) return fallback;
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text, &end, 10);
  return end && *end == '\0' ? value : fallback;
}

// True in a build under AddressSanitizer, whose quarantine holds freed memory on purpose:
// resident memory says nothing about leaks there (the sanitizer reports those itself).
constexpr bool kUnderAddressSanitizer =
#if defined(__SANITIZE_ADDRESS__)
    true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    true;
#else
    false;
#endif
#else
    false;
#endif

}  // namespace velin::test
