#include "common/handoff.h"

#include <gtest/gtest.h>

#include <thread>

using namespace std::chrono_literals;

TEST(Handoff, PostIsKeptUntilTakenOnceAndATimedWaitGivesUpWithoutIt) {
  Handoff handoff;
  EXPECT_FALSE(handoff.awaitFor(10ms));
  // Posts before the wait are kept, and two of them are taken as one.
  handoff.post();
  handoff.post();
  EXPECT_TRUE(handoff.awaitFor(0ms));
  EXPECT_FALSE(handoff.awaitFor(10ms));
  handoff.post();
  handoff.await();
  std::thread sender([&handoff] {
    std::this_thread::sleep_for(20ms);
    handoff.post();
  });
  EXPECT_TRUE(handoff.awaitFor(10s));
  sender.join();
}
