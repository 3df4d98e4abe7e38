// One fare table for both terminals: each row is the end of a card file, a
// terminal (a metro station or the bus), its clock and a tap, and what the
// tap comes to: what the console shows and the card and trip log records,
// from the lookup's reading of the card through the fare decision to the
// record lines. Top-ups (TOPUP records) never change a fare.
#include <gtest/gtest.h>

#include <climits>

#include "bus/bus_controller.h"
#include "metro/Metro_controller.h"
#include "support/card_records.h"
#include "support/tap_output.h"
#include "terminal/card_lookup.h"
#include "terminal/fare_decision.h"

namespace {

constexpr int kBus = -1;

struct Row {
  const char* name;
  int at;  // a metro station, or kBus
  std::string card;
  const char* clock;
  int tap;
  std::string shown;
  std::string cardRecord;  // both empty when nothing is written
  std::string tripLogRecord;
};

const std::string kLack = "Lack!\n";

std::string record(const char* clock, const char* transport, int tap, int amount,
                   const char* journey) {
  return std::string(clock) + "," + transport + "," + (tap == IN ? "IN" : "OUT") + "," +
         std::to_string(amount) + "," + journey + "\n";
}
std::string metroRecord(const char* clock, int tap, int amount, const char* journey) {
  return record(clock, "METRO", tap, amount, journey);
}
std::string busRecord(const char* clock, int tap, int amount, const char* journey) {
  return record(clock, "BUS", tap, amount, journey);
}

TerminalRules rulesAt(int at) {
  return at == kBus ? bus::rules() : metro::rules(at);
}

// The rows a terminal's journey count of 0 gives: new journey ids "21" at
// station 2, "61" at the bus.
void expectRow(const Row& row) {
  SCOPED_TRACE(row.name);
  const TerminalRules rules = rulesAt(row.at);
  const TailReading reading = readCardTail(row.card, true, rules.defaultRecord);
  ASSERT_EQ(reading.verdict, TailVerdict::Found);
  Tap tap;
  tap.records = reading.records;
  tap.records.last.tap_inout = row.tap;
  tap.clock = recordTime(row.clock);
  const Charge charge = decide(tap, rules, 0);
  EXPECT_EQ(tapOutput(charge, rules), row.shown);
  const TapRecords records = charge.charged() ? tapRecords(tap, rules, charge) : TapRecords{};
  EXPECT_EQ(records.card, row.cardRecord);
  EXPECT_EQ(records.tripLog, row.tripLogRecord);
}

}  // namespace

TEST(FareTable, Metro) {
  const char* t = "201412051000";
  const std::vector<Row> rows = {
      {"standard entry that leaves 0", 2, "201412041830,METRO,OUT,1050,35\n", t, IN,
       metroCharged(1050, 0), metroRecord(t, IN, 0, "21"), metroRecord(t, IN, 1050, "21")},
      {"standard entry with 1049", 2, "201412041830,METRO,OUT,1049,35\n", t, IN, kLack, "", ""},
      {"after a bus exit with 1049 even the free transfer is refused", 2,
       "201412050940,BUS,OUT,1049,61\n", t, IN, kLack, "", ""},
      {"after a bus exit with 1049 an exit is refused too, long after", 2,
       "201412040940,BUS,OUT,1049,61\n", t, OUT, kLack, "", ""},
      {"bus exit 120 minutes ago: free transfer, the bus journey goes on", 2,
       "201412050800,BUS,OUT,1050,61\n", t, IN, metroCharged(0, 1050),
       metroRecord(t, IN, 1050, "61"), metroRecord(t, IN, 0, "61")},
      {"bus exit in the same minute", 2, "201412051000,BUS,OUT,5000,61\n", t, IN,
       metroCharged(0, 5000), metroRecord(t, IN, 5000, "61"), metroRecord(t, IN, 0, "61")},
      {"bus exit 121 minutes ago: a new journey", 2, "201412050759,BUS,OUT,1050,61\n", t, IN,
       metroCharged(1050, 0), metroRecord(t, IN, 0, "21"), metroRecord(t, IN, 1050, "21")},
      {"bus exit at 23:50 seen at 00:10: 20 minutes", 2, "201412042350,BUS,OUT,5000,61\n",
       "201412050010", IN, metroCharged(0, 5000), metroRecord("201412050010", IN, 5000, "61"),
       metroRecord("201412050010", IN, 0, "61")},
      {"bus exit four days before at a later hour", 2, "201412012300,BUS,OUT,5000,61\n", t, IN,
       metroCharged(1050, 3950), metroRecord(t, IN, 3950, "21"), metroRecord(t, IN, 1050, "21")},
      {"exit 121 minutes after a bus exit, two classes away", 3, "201412050759,BUS,OUT,5000,61\n",
       t, OUT, metroCharged(200, 4800), metroRecord(t, OUT, 4800, "31"),
       metroRecord(t, OUT, 200, "31")},
      {"open bus entry with 599", 2, "201412050940,BUS,IN,599,61\n", t, OUT, kLack, "", ""},
      {"open bus entry with 600, entry: 600 and the bus journey in the card only", 2,
       "201412040940,BUS,IN,600,61\n", t, IN, metroCharged(600, 0), metroRecord(t, IN, 0, "61"),
       metroRecord(t, IN, 600, "20")},
      {"open bus entry long ago, exit two classes away: transfer exit", 3,
       "201412040940,BUS,IN,600,61\n", t, OUT, metroCharged(600, 0), metroRecord(t, OUT, 0, "61"),
       metroRecord(t, OUT, 600, "30")},
      {"open bus entry, exit one class away", 2, "201412040940,BUS,IN,5000,61\n", t, OUT,
       metroCharged(300, 4700), metroRecord(t, OUT, 4700, "61"), metroRecord(t, OUT, 300, "20")},
      {"entry after a charged metro entry", 2, "201412050800,METRO,IN,5000,21\n", t, IN,
       metroCharged(1250, 3750), metroRecord(t, IN, 3750, "21"), metroRecord(t, IN, 1250, "21")},
      {"entry after a charged metro entry with 10", 2, "201412050955,METRO,IN,10,21\n", t, IN,
       kLack, "", ""},
      {"entry after a transfer entry: 600 below zero", 2,
       "201412050900,BUS,OUT,500,61\n201412050930,METRO,IN,500,61\n", t, IN,
       metroCharged(600, -100), metroRecord(t, IN, -100, "21"), metroRecord(t, IN, 600, "21")},
      {"exit after a transfer entry, no class: free, both records go on", 1,
       "201412050900,BUS,OUT,5000,61\n201412050930,METRO,IN,5000,61\n", t, OUT,
       metroCharged(0, 5000), metroRecord(t, OUT, 5000, "61"), metroRecord(t, OUT, 0, "61")},
      {"exit after a charged entry that followed a bus record: the card goes on", 1,
       "201412050700,BUS,OUT,7,61\n201412050930,METRO,IN,5000,61\n", t, OUT, metroCharged(0, 5000),
       metroRecord(t, OUT, 5000, "61"), metroRecord(t, OUT, 0, "10")},
      {"entry after a metro exit that followed a bus record", 2,
       "201412050900,BUS,IN,5000,61\n201412050930,METRO,OUT,5000,61\n", t, IN,
       metroCharged(1050, 3950), metroRecord(t, IN, 3950, "21"), metroRecord(t, IN, 1050, "21")},
      {"exit after an entry that followed a metro record", 2,
       "201412050900,METRO,OUT,5000,21\n201412050930,METRO,IN,5000,21\n", t, OUT,
       metroCharged(0, 5000), metroRecord(t, OUT, 5000, "21"), metroRecord(t, OUT, 0, "21")},
      {"bus, then metro entry, exit at station 3: transfer exit of class 2", 3,
       "201412050900,BUS,IN,8950,61\n201412050940,BUS,OUT,8950,62\n"
       "201412051005,METRO,IN,8950,62\n",
       "201412051040", OUT, metroCharged(600, 8350), metroRecord("201412051040", OUT, 8350, "31"),
       metroRecord("201412051040", OUT, 600, "31")},
      {"exit at the entry station", 2, "201412050800,METRO,IN,5000,21\n", t, OUT,
       metroCharged(0, 5000), metroRecord(t, OUT, 5000, "21"), metroRecord(t, OUT, 0, "21")},
      {"exit one class away", 3, "201412050800,METRO,IN,5000,41\n", t, OUT, metroCharged(0, 5000),
       metroRecord(t, OUT, 5000, "31"), metroRecord(t, OUT, 0, "31")},
      {"exit two classes away", 3, "201412050800,METRO,IN,5000,01\n", t, OUT,
       metroCharged(200, 4800), metroRecord(t, OUT, 4800, "31"), metroRecord(t, OUT, 200, "31")},
      {"exit two classes away with 150", 2, "201412050800,METRO,IN,150,01\n", t, OUT, kLack, "",
       ""},
      {"exit no rule covers: nothing at all", 2, "201412050800,METRO,IN,5000,91\n", t, OUT, "", "",
       ""},
      {"first tap of a provisioned card, its record stamped 0", 4, "000000000000,NEW,OUT,5000,00\n",
       t, IN, metroCharged(1050, 3950), metroRecord(t, IN, 3950, "41"),
       metroRecord(t, IN, 1050, "41")},
      {"a last line without its line feed", 2, "201412050930,BUS,OUT,7900,61", "201412051005", IN,
       metroCharged(0, 7900), metroRecord("201412051005", IN, 7900, "61"),
       metroRecord("201412051005", IN, 0, "61")},
  };
  for (const Row& row : rows) expectRow(row);
}

TEST(FareTable, Bus) {
  const char* t = "201412051000";
  const std::vector<Row> rows = {
      {"entry after a bus exit with 1050", kBus, "201412050800,BUS,OUT,1050,61\n", t, IN,
       busCharged(1050, 0), busRecord(t, IN, 0, "61"), busRecord(t, IN, 1050, "61")},
      {"entry after a bus exit with 1049", kBus, "201412050800,BUS,OUT,1049,61\n", t, IN, kLack, "",
       ""},
      {"exit after a bus exit with 1049", kBus, "201412050800,BUS,OUT,1049,61\n", t, OUT, kLack, "",
       ""},
      {"metro exit long ago, 500: the entry goes below zero", kBus,
       "201412050500,METRO,OUT,500,05\n", t, IN, busCharged(1050, -550),
       busRecord(t, IN, -550, "61"), busRecord(t, IN, 1050, "61")},
      {"metro exit 120 minutes ago with 10: free transfer, the metro journey goes on", kBus,
       "201412050800,METRO,OUT,10,05\n", t, IN, busCharged(0, 10), busRecord(t, IN, 10, "05"),
       busRecord(t, IN, 0, "05")},
      {"metro exit 121 minutes ago", kBus, "201412050759,METRO,OUT,5000,05\n", t, IN,
       busCharged(1050, 3950), busRecord(t, IN, 3950, "61"), busRecord(t, IN, 1050, "61")},
      {"metro exit at 23:50 seen at 00:10", kBus, "201412052350,METRO,OUT,10,05\n", "201412060010",
       IN, busCharged(0, 10), busRecord("201412060010", IN, 10, "05"),
       busRecord("201412060010", IN, 0, "05")},
      {"open metro entry with 699", kBus, "201412050900,METRO,IN,699,05\n", t, OUT, kLack, "", ""},
      {"open metro entry with 700, entry: 1750", kBus, "201412050700,METRO,IN,700,05\n", t, IN,
       busCharged(1750, -1050), busRecord(t, IN, -1050, "61"), busRecord(t, IN, 1750, "61")},
      {"open metro entry, exit 239 minutes later", kBus, "201412050601,METRO,IN,5000,05\n", t, OUT,
       busCharged(0, 5000), busRecord(t, OUT, 5000, "05"), busRecord(t, OUT, 0, "05")},
      {"open metro entry, exit 240 minutes later", kBus, "201412050600,METRO,IN,5000,05\n", t, OUT,
       busCharged(100, 4900), busRecord(t, OUT, 4900, "61"), busRecord(t, OUT, 100, "61")},
      {"open metro entry, exit 480 minutes later", kBus, "201412050200,METRO,IN,5000,05\n", t, OUT,
       busCharged(200, 4800), busRecord(t, OUT, 4800, "61"), busRecord(t, OUT, 200, "61")},
      {"open metro entry, exit 4 hours after a midnight", kBus, "201412042300,METRO,IN,5000,05\n",
       "201412050300", OUT, busCharged(100, 4900), busRecord("201412050300", OUT, 4900, "61"),
       busRecord("201412050300", OUT, 100, "61")},
      {"open metro entry of another month: the cap", kBus, "201411050500,METRO,IN,5000,05\n", t,
       OUT, busCharged(700, 4300), busRecord(t, OUT, 4300, "61"), busRecord(t, OUT, 700, "61")},
      {"exit 241 minutes after a transfer entry with 50: 100 is refused", kBus,
       "201412050500,METRO,OUT,50,05\n201412050559,BUS,IN,50,05\n", t, OUT, kLack, "", ""},
      {"exit after a transfer entry: by the minutes since it", kBus,
       "201412050900,METRO,OUT,5000,05\n201412050930,BUS,IN,5000,05\n", t, OUT, busCharged(0, 5000),
       busRecord(t, OUT, 5000, "05"), busRecord(t, OUT, 0, "05")},
      {"entry after a transfer entry: 1750", kBus,
       "201412050900,METRO,OUT,5000,05\n201412050930,BUS,IN,5000,05\n", t, IN,
       busCharged(1750, 3250), busRecord(t, IN, 3250, "61"), busRecord(t, IN, 1750, "61")},
      {"exit after a charged bus entry", kBus,
       "201412050900,METRO,OUT,6050,05\n201412050930,BUS,IN,5000,61\n", t, OUT, busCharged(0, 5000),
       busRecord(t, OUT, 5000, "61"), busRecord(t, OUT, 0, "61")},
      {"an entry after a bus entry never closed: 1050 again", kBus, "201412050955,BUS,IN,5000,61\n",
       t, IN, busCharged(1050, 3950), busRecord(t, IN, 3950, "61"), busRecord(t, IN, 1050, "61")},
      {"a standard exit costs nothing however far", kBus, "201412040955,BUS,IN,5000,61\n", t, OUT,
       busCharged(0, 5000), busRecord(t, OUT, 5000, "61"), busRecord(t, OUT, 0, "61")},
      {"first tap of a provisioned card, its record stamped 0", kBus,
       "000000000000,METRO,OUT,5000,05\n", t, IN, busCharged(1050, 3950),
       busRecord(t, IN, 3950, "61"), busRecord(t, IN, 1050, "61")},
  };
  for (const Row& row : rows) expectRow(row);
}

// A top-up in the middle of a journey keeps the transfer: the balance is
// the newest, and the rest is decided from the records around the top-up.
TEST(FareTable, TopUpsNeverChangeAFare) {
  const char* t = "201412051005";
  const char* later = "201412051040";
  const std::string busExit = "201412050930,BUS,OUT,500,61\n";
  const std::string topUp = "201412050940,TOPUP,IN,10500,61\n";
  const std::vector<Row> rows = {
      {"between a bus exit and a metro entry: the entry is free", 2, busExit + topUp, t, IN,
       metroCharged(0, 10500), metroRecord(t, IN, 10500, "61"), metroRecord(t, IN, 0, "61")},
      {"between a bus exit and a metro entry: the exit is a transfer exit", 3,
       busExit + topUp + "201412051005,METRO,IN,10500,61\n", later, OUT, metroCharged(600, 9900),
       metroRecord(later, OUT, 9900, "31"), metroRecord(later, OUT, 600, "31")},
      {"between a free transfer entry and the exit", 3,
       "201412050930,BUS,OUT,5000,61\n201412051005,METRO,IN,5000,61\n"
       "201412051010,TOPUP,IN,15000,61\n",
       later, OUT, metroCharged(600, 14400), metroRecord(later, OUT, 14400, "31"),
       metroRecord(later, OUT, 600, "31")},
      {"two top-ups, one each side of the entry, then a free exit", 1,
       "201412050930,BUS,OUT,5000,61\n201412050935,TOPUP,IN,6000,61\n"
       "201412051005,METRO,IN,6000,61\n201412051010,TOPUP,IN,8000,61\n"
       "201412051011,TOPUP,IN,9000,61\n",
       later, OUT, metroCharged(0, 9000), metroRecord(later, OUT, 9000, "61"),
       metroRecord(later, OUT, 0, "61")},
      {"after a charged entry a top-up makes no transfer of it", 2,
       "201412050930,BUS,OUT,6050,61\n201412051005,METRO,IN,5000,61\n"
       "201412051010,TOPUP,IN,6050,61\n",
       later, OUT, metroCharged(0, 6050), metroRecord(later, OUT, 6050, "61"),
       metroRecord(later, OUT, 0, "20")},
      {"after a bus exit with too little, a top-up lets the transfer through", 2,
       "201412050930,BUS,OUT,100,61\n201412050940,TOPUP,IN,1100,61\n", t, IN, metroCharged(0, 1100),
       metroRecord(t, IN, 1100, "61"), metroRecord(t, IN, 0, "61")},
      {"a new card topped up: a standard entry, not a second entry", 2,
       "000000000000,NEW,OUT,0,00\n201412050800,TOPUP,IN,5000,00\n", t, IN,
       metroCharged(1050, 3950), metroRecord(t, IN, 3950, "21"), metroRecord(t, IN, 1050, "21")},
      {"between a metro exit and a bus entry", kBus,
       "201412050930,METRO,OUT,500,05\n201412050940,TOPUP,IN,10500,05\n", t, IN,
       busCharged(0, 10500), busRecord(t, IN, 10500, "05"), busRecord(t, IN, 0, "05")},
      {"between a free bus transfer entry and the exit", kBus,
       "201412050900,METRO,OUT,5000,05\n201412050930,BUS,IN,5000,05\n"
       "201412050940,TOPUP,IN,15000,05\n",
       t, OUT, busCharged(0, 15000), busRecord(t, OUT, 15000, "05"), busRecord(t, OUT, 0, "05")},
  };
  for (const Row& row : rows) expectRow(row);
}

TEST(MetroDistance, ClassesForTheStationsInUse) {
  // rows: first digit of the journey id 0,1,2,3,4,6; columns: station 0..4
  const int expected[6][5] = {{0, 1, 2, 2, 1}, {1, 0, 1, 2, 2}, {2, 1, 0, 1, 2},
                              {2, 2, 1, 0, 1}, {1, 2, 2, 1, 0}, {0, 0, 1, 2, 2}};
  const char firsts[6] = {'0', '1', '2', '3', '4', '6'};
  for (int row = 0; row < 6; ++row) {
    for (int station = 0; station < 5; ++station) {
      const std::string journey = std::string(1, firsts[row]) + "17\n";
      EXPECT_EQ(metro::distanceClass(journey, station), expected[row][station])
          << "journey " << firsts[row] << " station " << station;
    }
  }
}

TEST(MetroDistance, OddJourneyIdsAndStations) {
  EXPECT_EQ(metro::distanceClass("x1\n", 2), 2);  // not a digit: taken as 0
  EXPECT_EQ(metro::distanceClass("", 1), 1);
  EXPECT_EQ(metro::distanceClass("0", 7), 7);
  EXPECT_EQ(metro::distanceClass("9", 0), 9);
  EXPECT_EQ(metro::distanceClass("0", INT_MIN), INT_MAX);
  EXPECT_EQ(metro::distanceClass("9", INT_MAX), INT_MAX - 9);
}

TEST(BusTransferExit, HundredPerWhole240MinutesAtMost700) {
  const std::pair<int, int> cases[] = {{0, 0},      {239, 0},     {240, 100},
                                       {479, 100},  {480, 200},   {1679, 600},
                                       {1680, 700}, {12000, 700}, {kLongAgoMinutes, 700}};
  for (const auto& [lag, fee] : cases) EXPECT_EQ(bus::busTransferExitFee(lag), fee) << lag;
}
