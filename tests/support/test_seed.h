// The seed of a test's random choices: fixed, so that a failure can be run
// again as it happened, unless TEST_SEED gives another ("TEST_SEED=1234").
// A test names it in a SCOPED_TRACE, so every failure prints it.
#pragma once

#include <cstdlib>
#include <string>

inline constexpr unsigned kDefaultTestSeed = 20141205;

inline unsigned testSeed() {
  const char* text = std::getenv("TEST_SEED");
  if (text == nullptr || *text == '\0') return kDefaultTestSeed;
  return static_cast<unsigned>(std::strtoul(text, nullptr, 10));
}

// "seed 20141205 (TEST_SEED)", for a SCOPED_TRACE.
inline std::string seedTrace(unsigned seed) {
  return "seed " + std::to_string(seed) + " (TEST_SEED)";
}
