// Journeys read from card files: each kind, the 120-minute transfer window
// on either side of it and across midnight, top-ups between legs, charged
// taps before the first standard entry, and a card with no tap.
#include "journeys/journey_reading.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/base/text.h"

namespace {

// One record of a card file on 5 December (or later), written as the
// terminals write it.
struct Line {
  int day;
  int hour;
  int minute;
  std::string transport;
  std::string direction;
  int balance;
  std::string journeyId = "61";
};

std::string card(const std::vector<Line>& lines, int provisioned = 10000) {
  std::string text = "000000000000,NEW,OUT," + std::to_string(provisioned) + ",00\n";
  for (const Line& l : lines) {
    text += timeText(2014, 12, l.day, l.hour, l.minute) + "," + l.transport + "," + l.direction +
            "," + std::to_string(l.balance) + "," + l.journeyId + "\n";
  }
  return text;
}

// "bus_then_metro 1050+0+0+600 | metro_only 1050+0": each journey's kind
// and its legs' fees.
std::string shown(const std::vector<Journey>& journeys) {
  std::string text;
  for (const Journey& journey : journeys) {
    text += (text.empty() ? "" : " | ") +
            std::string(kJourneyKindNames[static_cast<size_t>(journey.kind())]) + " ";
    for (size_t i = 0; i < journey.legs.size(); ++i) {
      text += (i ? "+" : "") + std::to_string(journey.legs[i].fee);
    }
  }
  return text;
}

TEST(JourneyReading, CardsGiveTheirJourneysByTheFareRules) {
  struct Case {
    const char* name;
    std::vector<Line> lines;
    const char* journeys;
    int provisioned = 10000;
  };
  const std::vector<Case> cases = {
      {"a card with no tap", {}, ""},
      {"metro only",
       {{5, 7, 0, "METRO", "IN", 8950, "21"}, {5, 7, 20, "METRO", "OUT", 8750, "21"}},
       "metro_only 1050+200"},
      {"bus only",
       {{5, 7, 0, "BUS", "IN", 8950}, {5, 7, 30, "BUS", "OUT", 8950}},
       "bus_only 1050+0"},
      {"bus then metro, entered 120 minutes after the bus exit",
       {{5, 7, 0, "BUS", "IN", 8950},
        {5, 7, 30, "BUS", "OUT", 8950},
        {5, 9, 30, "METRO", "IN", 8950},
        {5, 9, 50, "METRO", "OUT", 8350}},
       "bus_then_metro 1050+0+0+600"},
      {"bus, then the metro 121 minutes after: two journeys",
       {{5, 7, 0, "BUS", "IN", 8950},
        {5, 7, 30, "BUS", "OUT", 8950},
        {5, 9, 31, "METRO", "IN", 7900, "01"},
        {5, 9, 50, "METRO", "OUT", 7900, "01"}},
       "bus_only 1050+0 | metro_only 1050+0"},
      {"metro then bus across midnight",
       {{5, 23, 30, "METRO", "IN", 8950, "01"},
        {5, 23, 50, "METRO", "OUT", 8950, "01"},
        {6, 0, 10, "BUS", "IN", 8950, "01"},
        {6, 0, 40, "BUS", "OUT", 8950, "01"}},
       "metro_then_bus 1050+0+0+0"},
      {"bus, metro, bus: more changes",
       {{5, 7, 0, "BUS", "IN", 8950},
        {5, 7, 30, "BUS", "OUT", 8950},
        {5, 8, 0, "METRO", "IN", 8950},
        {5, 8, 20, "METRO", "OUT", 8350},
        {5, 9, 0, "BUS", "IN", 8350},
        {5, 9, 30, "BUS", "OUT", 8350}},
       "more_changes 1050+0+0+600+0+0"},
      {"a top-up after a refused transfer entry is no leg",
       {{5, 7, 0, "BUS", "IN", -550},
        {5, 7, 30, "BUS", "OUT", -550},
        {5, 7, 40, "TOPUP", "IN", 9450, "00"},
        {5, 7, 40, "METRO", "IN", 9450},
        {5, 8, 0, "METRO", "OUT", 9450}},
       "bus_then_metro 1050+0+0+0",
       500},
      {"the metro entered while a bus entry is open continues it",
       {{5, 7, 0, "BUS", "IN", 8950}, {5, 7, 10, "METRO", "IN", 8350}},
       "bus_then_metro 1050+600"},
      {"an entry again without an exit begins a journey",
       {{5, 7, 0, "METRO", "IN", 8950, "01"}, {5, 7, 10, "METRO", "IN", 7700, "02"}},
       "metro_only 1050 | metro_only 1250"},
      {"exits before the first entry are a journey of their own",
       {{5, 6, 0, "METRO", "OUT", 10000, "01"},
        {5, 6, 8, "METRO", "OUT", 9800, "01"},
        {5, 7, 0, "METRO", "IN", 8750, "02"}},
       "metro_only 0+200 | metro_only 1050"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(shown(cardJourneys(card(c.lines, c.provisioned))), c.journeys) << c.name;
  }
}

TEST(JourneyReading, LegsKeepTheirRecordsLineStampAndDirection) {
  const std::vector<Journey> journeys =
      cardJourneys(card({{5, 7, 0, "BUS", "IN", 8950}, {5, 7, 5, "TOPUP", "IN", 18950, "00"}}) +
                   "no record\n" + timeText(2014, 12, 5, 7, 30) + ",BUS,OUT,18950,61");
  ASSERT_EQ(journeys.size(), 1u);
  const std::vector<JourneyLeg>& legs = journeys[0].legs;
  ASSERT_EQ(legs.size(), 2u);
  EXPECT_EQ(legs[0].line, 2u);
  EXPECT_TRUE(legs[0].entry);
  EXPECT_EQ(legs[1].line, 5u);  // a last line without its line feed is read too
  EXPECT_FALSE(legs[1].entry);
  EXPECT_EQ(legs[1].stamp, TimeInfo(2014, 12, 5, 7, 30));
  EXPECT_EQ(
      stampMinutes(TimeInfo(2014, 12, 6, 0, 10)) - stampMinutes(TimeInfo(2014, 12, 5, 23, 50)), 20);
  // The clock's day runs past the month's end: day 32 of December is 1 January.
  EXPECT_EQ(stampMinutes(TimeInfo(2014, 12, 32, 0, 0)), stampMinutes(TimeInfo(2015, 1, 1, 0, 0)));
}

}  // namespace
