#include <gtest/gtest.h>

#include "bus/bus_controller.h"
#include "bus/bus_filewriter.h"
#include "support/card_records.h"

namespace {

const CardInfo kBusBefore = recordBefore("BUS", 9999);
constexpr int kOld = 500;  // minutes: well past the transfer window

}  // namespace

TEST(BusFare, BusExitBelow1050RefusesEveryTap) {
  EXPECT_EQ(decideBusFare(lastRecord("BUS", OUT, 1049, IN), kBusBefore, kOld), FeeFunction::Refuse);
  EXPECT_EQ(decideBusFare(lastRecord("BUS", OUT, 1049, OUT), kBusBefore, kOld),
            FeeFunction::Refuse);
  EXPECT_EQ(decideBusFare(lastRecord("BUS", OUT, 1050, IN), kBusBefore, kOld),
            FeeFunction::StandardIn);
}

TEST(BusFare, OpenMetroEntryBelow700Refuses) {
  EXPECT_EQ(decideBusFare(lastRecord("METRO", IN, 699, IN), kBusBefore, kOld), FeeFunction::Refuse);
  EXPECT_EQ(decideBusFare(lastRecord("METRO", IN, 699, OUT), kBusBefore, 10), FeeFunction::Refuse);
  EXPECT_EQ(decideBusFare(lastRecord("METRO", IN, 700, IN), kBusBefore, kOld),
            FeeFunction::TransferNonCalculateIn);
  EXPECT_EQ(decideBusFare(lastRecord("METRO", IN, 700, OUT), kBusBefore, 239),
            FeeFunction::TransferOut);
}

TEST(BusFare, MetroExitWithin120MinutesIsTransferWhateverTheBalance) {
  EXPECT_EQ(decideBusFare(lastRecord("METRO", OUT, 10, IN), kBusBefore, 120),
            FeeFunction::TransferIn);
  EXPECT_EQ(decideBusFare(lastRecord("METRO", OUT, 500, IN), kBusBefore, 121),
            FeeFunction::StandardIn);
  // By date: 23:50 seen at 00:10 of the next day is 20 minutes; a metro
  // exit 22 and a half hours old is no transfer.
  const TimeInfo clock = stampAt(2014, 12, 6, 0, 10);
  EXPECT_EQ(decideBusFare(lastRecord("METRO", OUT, 10, IN), kBusBefore,
                          lagMinutes(clock, stampAt(2014, 12, 5, 23, 50))),
            FeeFunction::TransferIn);
  EXPECT_EQ(decideBusFare(lastRecord("METRO", OUT, 500, IN), kBusBefore,
                          lagMinutes(clock, stampAt(2014, 12, 5, 1, 40))),
            FeeFunction::StandardIn);
}

TEST(BusFare, BusEntryThatLeftTheMetroBalanceIsStillATransfer) {
  const CardInfo entered = lastRecord("BUS", IN, 5000, OUT);
  EXPECT_EQ(decideBusFare(entered, recordBefore("METRO", 5000), kOld), FeeFunction::TransferOut);
  EXPECT_EQ(decideBusFare(lastRecord("BUS", IN, 5000, IN), recordBefore("METRO", 5000), kOld),
            FeeFunction::TransferNonCalculateIn);
  EXPECT_EQ(decideBusFare(entered, recordBefore("METRO", 6050), kOld), FeeFunction::StandardOut);
}

TEST(BusFare, StandardRulesIgnoreAnOpenEntry) {
  EXPECT_EQ(decideBusFare(lastRecord("BUS", IN, 5000, IN), kBusBefore, 5), FeeFunction::StandardIn);
  EXPECT_EQ(decideBusFare(lastRecord("BUS", IN, 5000, OUT), kBusBefore, 900),
            FeeFunction::StandardOut);
}

TEST(BusTransferExit, HundredPerWhole240MinutesAtMost700) {
  EXPECT_EQ(busTransferExitFee(0), 0);
  EXPECT_EQ(busTransferExitFee(239), 0);
  EXPECT_EQ(busTransferExitFee(240), 100);
  EXPECT_EQ(busTransferExitFee(479), 100);
  EXPECT_EQ(busTransferExitFee(480), 200);
  EXPECT_EQ(busTransferExitFee(1679), 600);
  EXPECT_EQ(busTransferExitFee(1680), 700);
  EXPECT_EQ(busTransferExitFee(12000), 700);
}

TEST(BusTransferExit, MinutesAcrossMidnightCountAndLongAgoIsTheCap) {
  const TimeInfo clock = stampAt(2014, 12, 6, 3, 0);
  EXPECT_EQ(busTransferExitFee(lagMinutes(clock, stampAt(2014, 12, 5, 23, 0))), 100);
  EXPECT_EQ(busTransferExitFee(lagMinutes(clock, stampAt(2014, 12, 5, 3, 1))), 500);
  EXPECT_EQ(busTransferExitFee(kLongAgoMinutes), 700);
}

TEST(BusContinuation, OpenTransferEntryOrFreeTapAfterMetro) {
  CardInfo exitAfterTransfer = lastRecord("BUS", IN, 5000, OUT);
  exitAfterTransfer.fee = 100;
  exitAfterTransfer.balance = 4900;
  EXPECT_FALSE(busContinues(exitAfterTransfer, recordBefore("METRO", 5000), 300));
  exitAfterTransfer.fee = 0;
  exitAfterTransfer.balance = 5000;
  EXPECT_TRUE(busContinues(exitAfterTransfer, recordBefore("METRO", 5000), 300));
  CardInfo freeEntry = lastRecord("METRO", OUT, 5000, IN);
  freeEntry.fee = 0;
  EXPECT_TRUE(busContinues(freeEntry, recordBefore("BUS", 1), 9000));
}
