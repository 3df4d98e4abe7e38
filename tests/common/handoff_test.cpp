// The hand-off between two threads: a post is never lost, whether it comes
// before the wait, during the receiver's spin or after it has gone to sleep,
// and what the sender wrote before posting is what the receiver reads.
#include "common/process/handoff.h"

#include <gtest/gtest.h>

#include <thread>

TEST(Handoff, PostIsTakenOnceWhenItComesBeforeTheWait) {
  Handoff handoff;
  handoff.post();
  handoff.post();  // a flag, not a count
  handoff.await();
  EXPECT_FALSE(handoff.awaitFor(std::chrono::milliseconds(20)));
}

TEST(Handoff, PostAfterTheSpinWakesASleepingReceiver) {
  Handoff handoff;
  int value = 0;
  std::thread sender([&] {
    std::this_thread::sleep_for(kHandoffSpin * 20);
    value = 7;
    handoff.post();
  });
  handoff.await();
  EXPECT_EQ(value, 7);
  sender.join();
  EXPECT_FALSE(handoff.awaitFor(std::chrono::milliseconds(1)));
}

TEST(Handoff, RoundTripsCarryWhatWasWritten) {
  // A tap cycle: one side posts a value and waits for the answer.
  Handoff request, answer;
  long long asked = 0, answered = 0;
  constexpr int kTrips = 20000;
  std::thread server([&] {
    for (int i = 0; i < kTrips; ++i) {
      request.await();
      answered = asked * 2;
      answer.post();
    }
  });
  long long sum = 0;
  for (int i = 1; i <= kTrips; ++i) {
    asked = i;
    request.post();
    answer.await();
    sum += answered;
  }
  server.join();
  EXPECT_EQ(sum, static_cast<long long>(kTrips) * (kTrips + 1));
}
