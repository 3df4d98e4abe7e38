#include <gtest/gtest.h>

#include <climits>

#include "metro/Metro_controller.h"
#include "support/card_records.h"

namespace {

const CardInfo kMetroBefore = recordBefore("METRO", 9999);
constexpr int kOld = 500;  // minutes: well past the transfer window

}  // namespace

TEST(MetroFare, BusExitBelow1050RefusesEveryTapEvenAFreeTransfer) {
  for (const int tap : {IN, OUT}) {
    EXPECT_EQ(decideMetroFare(lastRecord("BUS", OUT, 1049, tap), kMetroBefore, 10, 0),
              FeeFunction::Refuse);
    EXPECT_EQ(decideMetroFare(lastRecord("BUS", OUT, 1049, tap), kMetroBefore, kOld, 0),
              FeeFunction::Refuse);
  }
  EXPECT_EQ(decideMetroFare(lastRecord("BUS", OUT, 1050, IN), kMetroBefore, 10, 0),
            FeeFunction::TransferIn);
}

TEST(MetroFare, OpenBusEntryBelow600Refuses) {
  EXPECT_EQ(decideMetroFare(lastRecord("BUS", IN, 599, IN), kMetroBefore, kOld, 0),
            FeeFunction::Refuse);
  EXPECT_EQ(decideMetroFare(lastRecord("BUS", IN, 599, OUT), kMetroBefore, 10, 0),
            FeeFunction::Refuse);
  EXPECT_EQ(decideMetroFare(lastRecord("BUS", IN, 600, IN), kMetroBefore, kOld, 0),
            FeeFunction::TransferNonCalculateIn);
  EXPECT_EQ(decideMetroFare(lastRecord("BUS", IN, 600, OUT), kMetroBefore, kOld, 2),
            FeeFunction::TransferOut);
}

TEST(MetroFare, BusExitWithin120MinutesIsTransfer) {
  const CardInfo card = lastRecord("BUS", OUT, 5000, IN);
  EXPECT_EQ(decideMetroFare(card, kMetroBefore, 120, 0), FeeFunction::TransferIn);
  EXPECT_EQ(decideMetroFare(card, kMetroBefore, 121, 0), FeeFunction::StandardIn);
  EXPECT_EQ(decideMetroFare(card, kMetroBefore, 0, 0), FeeFunction::TransferIn);
  // By date: 23:50 seen at 00:10 of the next day is 20 minutes; a bus exit
  // at 23:00 four days before 09:07 is no transfer.
  EXPECT_EQ(
      decideMetroFare(card, kMetroBefore,
                      lagMinutes(stampAt(2014, 12, 5, 0, 10), stampAt(2014, 12, 4, 23, 50)), 0),
      FeeFunction::TransferIn);
  EXPECT_EQ(decideMetroFare(card, kMetroBefore,
                            lagMinutes(stampAt(2014, 12, 5, 9, 7), stampAt(2014, 12, 1, 23, 0)), 0),
            FeeFunction::StandardIn);
  EXPECT_EQ(decideMetroFare(lastRecord("BUS", OUT, 5000, OUT), kMetroBefore, 121, 2),
            FeeFunction::AdditionalOut);
}

TEST(MetroFare, OpenBusEntryIsTransferAtAnyLag) {
  EXPECT_EQ(decideMetroFare(lastRecord("BUS", IN, 5000, OUT), kMetroBefore, kOld, 1),
            FeeFunction::TransferOut);
}

TEST(MetroFare, MetroEntryThatLeftTheBusBalanceIsStillATransfer) {
  const CardInfo entered = lastRecord("METRO", IN, 5000, OUT);
  EXPECT_EQ(decideMetroFare(entered, recordBefore("BUS", 5000), kOld, 0), FeeFunction::TransferOut);
  EXPECT_EQ(decideMetroFare(lastRecord("METRO", IN, 5000, IN), recordBefore("BUS", 5000), kOld, 0),
            FeeFunction::TransferNonCalculateIn);
  // A charged entry (balance changed) or an exit is no transfer.
  EXPECT_EQ(decideMetroFare(entered, recordBefore("BUS", 6050), kOld, 0), FeeFunction::StandardOut);
  EXPECT_EQ(decideMetroFare(lastRecord("METRO", OUT, 5000, IN), recordBefore("BUS", 5000), kOld, 0),
            FeeFunction::StandardIn);
  EXPECT_EQ(decideMetroFare(entered, recordBefore("METRO", 5000), kOld, 0),
            FeeFunction::StandardOut);
}

TEST(MetroFare, MetroRecordIsNeverATransferByItself) {
  // Even a low balance passes the decision; the charge refuses it.
  EXPECT_EQ(decideMetroFare(lastRecord("METRO", OUT, 10, IN), kMetroBefore, 5, 0),
            FeeFunction::StandardIn);
  EXPECT_EQ(decideMetroFare(lastRecord("METRO", IN, 10, IN), kMetroBefore, 5, 0),
            FeeFunction::NonCalculateIn);
}

TEST(MetroFare, StandardExitByDistanceClass) {
  const CardInfo card = lastRecord("METRO", IN, 5000, OUT);
  EXPECT_EQ(decideMetroFare(card, kMetroBefore, 30, 0), FeeFunction::StandardOut);
  EXPECT_EQ(decideMetroFare(card, kMetroBefore, 30, 1), FeeFunction::StandardOut);
  EXPECT_EQ(decideMetroFare(card, kMetroBefore, 30, 2), FeeFunction::AdditionalOut);
  EXPECT_EQ(decideMetroFare(card, kMetroBefore, 30, 7), FeeFunction::Nothing);
}

TEST(MetroDistance, ClassesForTheStationsInUse) {
  // rows: first digit of the journey id 0,1,2,3,4,6; columns: station 0..4
  const int expected[6][5] = {{0, 1, 2, 2, 1}, {1, 0, 1, 2, 2}, {2, 1, 0, 1, 2},
                              {2, 2, 1, 0, 1}, {1, 2, 2, 1, 0}, {0, 0, 1, 2, 2}};
  const char firsts[6] = {'0', '1', '2', '3', '4', '6'};
  for (int row = 0; row < 6; ++row) {
    for (int station = 0; station < 5; ++station) {
      const std::string journey = std::string(1, firsts[row]) + "17\n";
      EXPECT_EQ(distanceClass(journey, station), expected[row][station])
          << "journey " << firsts[row] << " station " << station;
    }
  }
}

TEST(MetroDistance, OddJourneyIdsAndStations) {
  EXPECT_EQ(distanceClass("x1\n", 2), 2);  // not a digit: taken as 0
  EXPECT_EQ(distanceClass("", 1), 1);
  EXPECT_EQ(distanceClass("0", 7), 7);
  EXPECT_EQ(distanceClass("9", 0), 9);
  EXPECT_EQ(distanceClass("0", INT_MIN), INT_MAX);
  EXPECT_EQ(distanceClass("9", INT_MAX), INT_MAX - 9);
}
