#include "terminal/fare_rules.h"

#include <gtest/gtest.h>

#include <climits>

#include "support/card_records.h"

TEST(Charge, GuardedChargeAcceptsZeroAndRefusesBelowZero) {
  EXPECT_EQ(balanceAfterCharge(1050, 1050, ChargeKind::Guarded), 0);
  EXPECT_FALSE(balanceAfterCharge(1049, 1050, ChargeKind::Guarded));
  EXPECT_EQ(balanceAfterCharge(150, 0, ChargeKind::Guarded), 150);
  EXPECT_FALSE(balanceAfterCharge(-1, 0, ChargeKind::Guarded));
}

TEST(Charge, UnguardedChargeMayLeaveANegativeBalance) {
  EXPECT_EQ(balanceAfterCharge(500, 1050, ChargeKind::Unguarded), -550);
  EXPECT_EQ(balanceAfterCharge(700, 1750, ChargeKind::Unguarded), -1050);
}

TEST(Charge, FreeTapLeavesEvenANegativeBalance) {
  EXPECT_EQ(balanceAfterCharge(-550, 1050, ChargeKind::Free), -550);
}

TEST(Charge, ChargeBeyondThe32BitRangeIsRefused) {
  EXPECT_FALSE(balanceAfterCharge(INT_MIN + 599, 600, ChargeKind::Unguarded));
  EXPECT_EQ(balanceAfterCharge(INT_MIN + 600, 600, ChargeKind::Unguarded), INT_MIN);
  EXPECT_FALSE(balanceAfterCharge(INT_MAX, 300LL * INT_MAX, ChargeKind::Guarded));
  EXPECT_FALSE(balanceAfterCharge(INT_MAX, -1, ChargeKind::Unguarded));
}

TEST(TransferRules, EntryAfterOpenEntryFreeEntryOrTransferExit) {
  EXPECT_EQ(Transfer_Fee_Controller(IN, IN), FeeFunction::TransferNonCalculateIn);
  EXPECT_EQ(Transfer_Fee_Controller(OUT, IN), FeeFunction::TransferIn);
  EXPECT_EQ(Transfer_Fee_Controller(IN, OUT), FeeFunction::TransferOut);
  EXPECT_EQ(Transfer_Fee_Controller(OUT, OUT), FeeFunction::TransferOut);
}
