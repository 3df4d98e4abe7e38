#include "audit/ledger.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(AuditLedger, CardsPayTheBalanceDropOfEachRecordAfterTheFirstByItsTransport) {
  TransportSums charged;
  std::vector<FeeRecord> charges;
  CardLedger card([&](const FeeRecord& charge) {
    charged.add(charge.op, charge.fee);
    charges.push_back(charge);
  });
  for (const char* line : {"000000000000,NEW,OUT,10000,00", "201412050008,BUS,IN,8950,61",
                           "201412050016,BUS,OUT,8950,62", "garbage",
                           "201412050024,METRO,IN,8950,62", "201412050032,METRO,OUT,8350,62",
                           "201412050040,BUS,IN,-1050,63", "201412050048,TRAM,IN,-1100,64"}) {
    card.line(line);
  }
  EXPECT_EQ(charged, (TransportSums{1050 + 9400, 600, 50}));
  EXPECT_EQ(card.unreadable(), 1u);
  ASSERT_EQ(charges.size(), 6u);
  EXPECT_EQ(charges[0], (FeeRecord{12050008, kBusOperator, 1, 1050}));
  EXPECT_EQ(charges[3], (FeeRecord{12050032, kMetroOperator, 0, 600}));
}

// Each charge pairs with one trip log record of the same tap: a record
// twice in the logs, or a charge on two cards with one record, leaves one
// unpaired, and the leftovers are summed where they are.
TEST(AuditLedger, ChargesPairWithOneTripLogRecordEach) {
  const FeeRecord in{12050008, kBusOperator, 1, 1050};
  const FeeRecord out{12050016, kMetroOperator, 0, 600};
  FeeMatching matching;
  matching.charged(in, 0);
  matching.charged(out, 0);
  matching.charged(in, 1);
  matching.logged(in, 0);
  matching.logged(out, 0);
  matching.logged(out, 1);
  matching.logged({12050024, kMetroOperator, 1, 1250}, 1);
  const FeeMatching::Unpaired unpaired = matching.unpaired();
  EXPECT_EQ(unpaired.byCard, (std::map<size_t, long long>{{1, 1050}}));
  EXPECT_EQ(unpaired.byFile, (std::map<size_t, long long>{{1, 600 + 1250}}));
}
