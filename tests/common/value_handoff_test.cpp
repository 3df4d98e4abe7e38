// The hand-off that carries a value: each value posted reaches the other
// thread whole, once, whether it was posted before the wait or during it,
// and a value that can only be moved (a tap holds its card file) is moved.
#include "common/process/value_handoff.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

TEST(ValueHandoff, EachValuePostedIsTakenWholeOnceByTheOtherThread) {
  ValueHandoff<std::unique_ptr<std::string>> request;
  ValueHandoff<std::string> answer;
  answer.post("posted before the wait");
  EXPECT_EQ(answer.await(), "posted before the wait");

  constexpr int kTrips = 5000;
  std::thread server([&] {
    for (int i = 0; i < kTrips; ++i) {
      const std::unique_ptr<std::string> asked = request.await();
      answer.post(asked ? *asked + "!" : "nothing");
    }
  });
  int wrong = 0;
  for (int i = 0; i < kTrips; ++i) {
    request.post(std::make_unique<std::string>(std::to_string(i)));
    if (answer.await() != std::to_string(i) + "!") ++wrong;
  }
  server.join();
  EXPECT_EQ(wrong, 0);
}
