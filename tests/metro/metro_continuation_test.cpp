#include <gtest/gtest.h>

#include "metro/Metro_filewriter.h"
#include "support/card_records.h"

namespace {

CardInfo charged(CardInfo card, int fee) {
  card.fee = fee;
  card.balance -= fee;
  return card;
}

}  // namespace

TEST(MetroCardContinuation, BusRecordWithin120MinutesOrOpenBusEntry) {
  const CardInfo exitFromBus = charged(lastRecord("BUS", OUT, 5000, IN), 0);
  EXPECT_TRUE(metroCardContinues(exitFromBus, recordBefore("METRO", 1), 120));
  EXPECT_FALSE(metroCardContinues(exitFromBus, recordBefore("METRO", 1), 121));
  EXPECT_FALSE(metroCardContinues(exitFromBus, recordBefore("METRO", 1), kLongAgoMinutes));
  const CardInfo openBusEntry = charged(lastRecord("BUS", IN, 5000, IN), 600);
  EXPECT_TRUE(metroCardContinues(openBusEntry, recordBefore("METRO", 1), 500));
}

TEST(MetroCardContinuation, FreeTapAfterMetroEntryFromTheBus) {
  const CardInfo entered = lastRecord("METRO", IN, 5000, OUT);
  EXPECT_TRUE(metroCardContinues(charged(entered, 0), recordBefore("BUS", 7), 500));
  EXPECT_FALSE(metroCardContinues(charged(entered, 600), recordBefore("BUS", 5000), 500));
  EXPECT_FALSE(metroCardContinues(charged(entered, 0), recordBefore("METRO", 7), 500));
  EXPECT_FALSE(metroCardContinues(charged(lastRecord("METRO", OUT, 5000, IN), 0),
                                  recordBefore("BUS", 7), 5));
}

TEST(MetroTripLogContinuation, BalanceOfBusRecordOrFreeTapAfterBus) {
  const CardInfo entered = lastRecord("METRO", IN, 5000, OUT);
  EXPECT_TRUE(metroTripLogContinues(charged(entered, 0), recordBefore("BUS", 5000), 0));
  EXPECT_FALSE(metroTripLogContinues(charged(entered, 600), recordBefore("BUS", 5000), 0));
  EXPECT_TRUE(metroTripLogContinues(charged(lastRecord("BUS", OUT, 5000, IN), 0),
                                    recordBefore("METRO", 1), 900));
}

TEST(MetroContinuation, TransferReentryAfterOpenBusEntryDisagrees) {
  // The card record continues the bus journey; the trip log begins its own.
  const CardInfo reentry = charged(lastRecord("BUS", IN, 5000, IN), 600);
  EXPECT_TRUE(metroCardContinues(reentry, recordBefore("METRO", 0), 30));
  EXPECT_FALSE(metroTripLogContinues(reentry, recordBefore("METRO", 0), 30));
}
