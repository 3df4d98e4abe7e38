// What a terminal does with input it cannot charge: the tap is dropped with
// its message, no file is created or changed, and the prompt comes back.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>
#include <vector>

#include "tap_session.h"

namespace {

size_t filesIn(const std::string& dir) {
  return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir),
                                           std::filesystem::directory_iterator()));
}

}  // namespace

TEST(TapInput, CardNumberThatCannotBeAFileNameOpensNothing) {
  World world;
  world.putCard("1234", "201412050710,METRO,OUT,8950,35\n");
  const auto answers =
      pipedMetroTaps(world, 1, "201412050940",
                     {"../customer/1234 IN", "1234.txt IN", std::string(65, '1') + " IN"});

  EXPECT_EQ(answers, std::vector<std::string>(3, "Invalid card number\n"));
  EXPECT_EQ(filesIn(world.dir("customer")), 1u);
  // Only the station's two role locks and its intent file, taken at start
  // (and left when the terminal ends).
  EXPECT_EQ(filesIn(world.dir("Metro")), 3u);
  EXPECT_TRUE(world.exists("Metro/Metrofile1.txt.lock"));
  EXPECT_TRUE(world.exists("Metro/.Metrofile1.txt.lock"));
  EXPECT_TRUE(world.exists("Metro/Metrofile1.txt.intent"));
  EXPECT_EQ(world.card("1234"), "201412050710,METRO,OUT,8950,35\n");
}

TEST(TapInput, TapsPipedIntoAJustStartedTerminalAreTimedByItsClockFile) {
  // Each start once lost the race to its first clock reading one time in
  // four or so.
  constexpr int kStarts = 10;
  for (const auto& [program, dir, args] :
       {std::tuple{"metro_terminal", "Metro", std::vector<std::string>{"1"}},
        std::tuple{"bus_terminal", "Bus", std::vector<std::string>{}}}) {
    SCOPED_TRACE(program);
    World world;
    world.setClock("201412050940\n");
    world.putCard("1234", "000000000000,NEW,OUT,100000,00\n");
    for (int start = 1; start <= kStarts; ++start) {
      Program terminal(programPath(program), args, world.dir(dir));
      terminal.write("1234 IN\n1234 OUT\n");
      terminal.closeInput();
      ASSERT_EQ(terminal.waitExit(10s), 0);
      ASSERT_TRUE(terminal.waitOutputEnd(10s));
      EXPECT_EQ(terminal.count("Time read error!"), 0u) << "start " << start << terminal.output();
      EXPECT_EQ(terminal.count("VALANCE : "), 2u) << "start " << start << terminal.output();
    }
    // Every tap stamped with the clock file's time.
    const std::string card = world.card("1234");
    size_t stamped = 0;
    for (size_t at = card.find("\n201412050940,"); at != std::string::npos;
         at = card.find("\n201412050940,", at + 1)) {
      ++stamped;
    }
    EXPECT_EQ(stamped, 2u * kStarts) << card;
  }
}

TEST(TapInput, MissingCardFileDropsTheTap) {
  World world;
  world.putCard("1234", "201412050710,METRO,OUT,8950,35\n");
  auto bus = TapSession::bus(world, "201412050940");

  EXPECT_EQ(bus->tap("9999 IN"), "File open failed");
  EXPECT_FALSE(world.exists("customer/9999.txt"));
  EXPECT_FALSE(world.exists("Bus/busfile.txt"));
  // The next tap is charged once, from its own card.
  EXPECT_EQ(bus->tap("1234 IN"), busCharged(1050, 7900));
  EXPECT_EQ(world.card("1234"), "201412050710,METRO,OUT,8950,35\n201412050940,BUS,IN,7900,61\n");
}

TEST(TapInput, CardFileWithoutAWholeRecordIsAReadError) {
  World world;
  const std::string fourColumns = "201412050710,METRO,OUT,8950\n";
  const std::string brokenBefore = "201412050600,METRO\n201412050710,METRO,OUT,8950,35\n";
  world.putCard("empty", "");
  world.putCard("four", fourColumns);
  world.putCard("before", brokenBefore);
  const auto answers =
      pipedMetroTaps(world, 1, "201412050940", {"empty IN", "four IN", "before IN"});

  EXPECT_EQ(answers, std::vector<std::string>(3, "Cardfile Read Error!\n"));
  EXPECT_EQ(world.card("empty"), "");
  EXPECT_EQ(world.card("four"), fourColumns);
  EXPECT_EQ(world.card("before"), brokenBefore);
  EXPECT_FALSE(world.exists("Metro/Metrofile1.txt"));
}

TEST(TapInput, BlankOneWordAndOverlongLinesMakeNoTap) {
  World world;
  const std::string history = "201412050710,METRO,OUT,8950,35\n";
  world.putCard("1234", history);
  // The last line's first 99 characters would read as a tap; the whole line
  // is dropped.
  const auto answers = pipedBusTaps(world, "201412050940",
                                    {"", "   ", "1234", "1234 IN" + std::string(120, ' ') + "x"});

  EXPECT_EQ(answers, (std::vector<std::string>{"", "", "Invalid command\n", "Invalid command\n"}));
  EXPECT_EQ(world.card("1234"), history);
  EXPECT_FALSE(world.exists("Bus/busfile.txt"));
}

TEST(TapInput, DirectionOtherThanInOrOutChargesNothing) {
  World world;
  const std::string history = "201412050710,METRO,IN,8950,15\n";
  world.putCard("1234", history);
  auto metro = TapSession::metro(world, 3, "201412050940");

  // Each was once charged: an exit (200 from station 1 to 3), or an entry.
  for (const char* command : {"1234 BALANCE", "1234 in", "1234 Out", "1234 INX", "1234 IN extra"}) {
    EXPECT_EQ(metro->tap(command), "Invalid command\n") << command;
  }
  EXPECT_EQ(world.card("1234"), history);
  EXPECT_FALSE(world.exists("Metro/Metrofile3.txt"));
  EXPECT_EQ(metro->tap("1234 OUT"), metroCharged(200, 8750));
}

TEST(TapInput, LastLineWithoutLineFeedIsReadAndCompleted) {
  World world;
  world.putCard("new", "201412041830,METRO,OUT,10000,35");
  world.putCard("transfer", "201412050930,BUS,OUT,7900,61");
  const auto answers = pipedMetroTaps(world, 2, "201412051005", {"new IN", "transfer IN"});

  EXPECT_EQ(answers[0], metroCharged(1050, 8950));
  EXPECT_EQ(world.card("new"), "201412041830,METRO,OUT,10000,35\n201412051005,METRO,IN,8950,21\n");
  EXPECT_EQ(answers[1], metroCharged(0, 7900));
  EXPECT_EQ(world.card("transfer"),
            "201412050930,BUS,OUT,7900,61\n201412051005,METRO,IN,7900,61\n");
  EXPECT_EQ(world.get("Metro/Metrofile2.txt"),
            "201412051005,METRO,IN,1050,21\n201412051005,METRO,IN,0,61\n");
}
