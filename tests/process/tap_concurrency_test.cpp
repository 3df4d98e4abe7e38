// Two terminals charging the same card at the same moment: every record is
// appended whole, so the card file stays one record per line.
#include <gtest/gtest.h>

#include <sstream>

#include "record_checks.h"
#include "tap_session.h"

TEST(TapConcurrency, TwoTerminalsOnOneCardLeaveOnlyWholeRecords) {
  World world;
  world.putCard("shared", "201412050000,METRO,OUT,100000000,01\n");
  auto metro = TapSession::metro(world, 1, "201412050940");
  auto bus = TapSession::bus(world, "201412050940");

  constexpr int kTaps = 200;
  std::string commands;
  for (int i = 0; i < kTaps; ++i) commands += i % 2 == 0 ? "shared IN\n" : "shared OUT\n";
  metro->program().write(commands);
  bus->program().write(commands);
  for (TapSession* terminal : {metro.get(), bus.get()}) {
    size_t at = 0;
    for (int i = 0; i <= kTaps; ++i) {  // the start-up prompt, then one per tap
      const auto next = terminal->program().waitFor(kPrompt, 20s, at);
      ASSERT_TRUE(next) << terminal->program().output();
      at = *next;
    }
  }

  const std::string content = world.card("shared");
  ASSERT_FALSE(content.empty());
  EXPECT_EQ(content.back(), '\n');
  std::istringstream lines(content);
  std::string line;
  size_t count = 0;
  while (std::getline(lines, line)) {
    EXPECT_TRUE(isWholeRecord(line)) << "line " << count << ": " << line;
    ++count;
  }
  const size_t written =
      metro->program().count("Cardfile Write !") + bus->program().count("Cardfile Write !");
  EXPECT_EQ(count, 1 + written);
  EXPECT_GT(written, 0u);
}
